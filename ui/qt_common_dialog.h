#pragma once

#include <QFileDialog>
#include <QStringList>
#include <memory>

#include "common_dialog.h"

namespace kofrex {

// "description|pattern|..." to Qt's "description (patterns)" list. A pattern list separated by
// ";" becomes space separated, and "*.*" becomes "*" so that names without a dot match too.
QStringList ToQtNameFilters(const QString& filter);

// Qt's dialog, except that a folder selected in the list does not override a typed name. Qt
// selects the shown folder itself, out of sight, when the name field is emptied while it lacks
// the focus; accepting would then only open that folder and empty the field, losing the name
// the user typed.
class TypedNameFileDialog : public QFileDialog {
  public:
    using QFileDialog::QFileDialog;
    void accept() override;
};

// The desktop's file chooser, or Qt's own widget-based one where the desktop offers none or
// KOFREX_QT_FILE_DIALOG is set (and not 0). One QFileDialog serves every use, so the folder the
// user last visited carries over. The widget pokes below find nothing in a native chooser.
class QtCommonDialog : public CommonDialog {
  public:
    explicit QtCommonDialog(QWidget* parent);

    void ShowOpen() override;
    void ShowSave() override;
    void ShowFolder() override;

    // The dialog while it is shown, for driving it from tests.
    QFileDialog& Widget() { return Dialog(); }

  private:
    void Show(QFileDialog::AcceptMode mode, QFileDialog::FileMode files);
    // A native chooser may ignore the default suffix; a saved name without one gets it here.
    QString WithDefaultExt(const QString& path) const;
    void ApplyProperties(QFileDialog::AcceptMode mode, QFileDialog::FileMode files);
    void ClearTypedName();
    void ClearSelection();
    void CloseCompletionList();

    // Made at the first use: Qt's portal theme learns whether the desktop offers its chooser
    // only once the event loop runs, and a dialog made before that never uses it.
    TypedNameFileDialog& Dialog();

    QWidget* parent_;
    QString folder_;  // where the last use chose its file, for the next one
    std::unique_ptr<TypedNameFileDialog> dialog_;
};

}  // namespace kofrex
