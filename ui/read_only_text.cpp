#include "read_only_text.h"

namespace kofrex {

QAccessibleInterface* ReadOnlyText::Factory(const QString& className, QObject* object) {
    auto* box = qobject_cast<QLineEdit*>(object);
    return className == QLatin1String("QLineEdit") && box != nullptr && box->isReadOnly()
               ? new ReadOnlyText(box)
               : nullptr;
}

void* ReadOnlyText::interface_cast(QAccessible::InterfaceType type) {
    return type == QAccessible::TextInterface ? static_cast<QAccessibleTextInterface*>(this)
                                              : QAccessibleWidget::interface_cast(type);
}

QAccessible::State ReadOnlyText::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    state.selectableText = true;
    return state;
}

QString ReadOnlyText::text(QAccessible::Text kind) const {
    return kind == QAccessible::Value ? Box()->text() : QAccessibleWidget::text(kind);
}

QString ReadOnlyText::text(int start, int end) const {
    return Box()->text().mid(start, end - start);
}

int ReadOnlyText::characterCount() const {
    return static_cast<int>(Box()->text().size());
}

int ReadOnlyText::cursorPosition() const {
    return Box()->cursorPosition();
}

void ReadOnlyText::setCursorPosition(int position) {
    Box()->setCursorPosition(position);
}

void ReadOnlyText::selection(int index, int* start, int* end) const {
    const bool selected = index == 0 && Box()->hasSelectedText();
    *start = selected ? Box()->selectionStart() : 0;
    *end = selected ? Box()->selectionEnd() : 0;
}

int ReadOnlyText::selectionCount() const {
    return Box()->hasSelectedText() ? 1 : 0;
}

void ReadOnlyText::addSelection(int start, int end) {
    setSelection(0, start, end);
}

void ReadOnlyText::removeSelection(int /*index*/) {
    Box()->deselect();
}

void ReadOnlyText::setSelection(int /*index*/, int start, int end) {
    Box()->setSelection(start, end - start);
}

// Characters are not measured one by one; the box stands for each.
QRect ReadOnlyText::characterRect(int /*offset*/) const {
    return rect();
}

int ReadOnlyText::offsetAtPoint(const QPoint& /*point*/) const {
    return -1;
}

void ReadOnlyText::scrollToSubstring(int start, int /*end*/) {
    Box()->setCursorPosition(start);
}

QString ReadOnlyText::attributes(int offset, int* start, int* end) const {
    *start = offset;
    *end = offset;
    return {};
}

}  // namespace kofrex
