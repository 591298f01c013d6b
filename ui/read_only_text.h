#pragma once

// A read-only line box as assistive technology should know it: text that can be read, selected
// and copied, but not edited. Qt's own gives such a box as editable too.

#include <QAccessibleWidget>
#include <QLineEdit>

namespace kofrex {

class ReadOnlyText : public QAccessibleWidget, public QAccessibleTextInterface {
  public:
    explicit ReadOnlyText(QLineEdit* box) : QAccessibleWidget(box, QAccessible::EditableText) {}

    // Installed once: every read-only QLineEdit is given this interface.
    static QAccessibleInterface* Factory(const QString& className, QObject* object);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text kind) const override;

    QString text(int start, int end) const override;
    int characterCount() const override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    void selection(int index, int* start, int* end) const override;
    int selectionCount() const override;
    void addSelection(int start, int end) override;
    void removeSelection(int index) override;
    void setSelection(int index, int start, int end) override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int start, int end) override;
    QString attributes(int offset, int* start, int* end) const override;

  private:
    QLineEdit* Box() const { return static_cast<QLineEdit*>(object()); }
};

}  // namespace kofrex
