#include "qt_common_dialog.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QRegularExpression>

namespace kofrex {
namespace {

QString ToQtPatterns(const QString& patterns) {
    QStringList converted;
    for (const QString& pattern : patterns.split(u';', Qt::SkipEmptyParts)) {
        const QString trimmed = pattern.trimmed();
        converted << (trimmed == QLatin1String("*.*") ? QStringLiteral("*") : trimmed);
    }
    return converted.join(u' ');
}

// The descriptions carry their own "(*.kfx)"; Qt appends the patterns it filters by.
QString WithoutShownPatterns(const QString& description) {
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    QString bare = description;
    bare.remove(trailingPatterns);
    return bare.isEmpty() ? description : bare;
}

}  // namespace

QString QtCommonDialog::WithDefaultExt(const QString& path) const {
    const bool bare = !DefaultExt.isEmpty() && QFileInfo(path).suffix().isEmpty();
    return bare ? path + (DefaultExt.startsWith(u'.') ? DefaultExt : u'.' + DefaultExt) : path;
}

QStringList ToQtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        filters << WithoutShownPatterns(parts[i]) + QStringLiteral(" (") +
                       ToQtPatterns(parts[i + 1]) + u')';
    }
    return filters;
}

void TypedNameFileDialog::accept() {
    const auto* nameField = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    auto* list = findChild<QAbstractItemView*>(QStringLiteral("listView"));
    if (nameField != nullptr && list != nullptr && !nameField->text().isEmpty()) {
        QItemSelectionModel* selection = list->selectionModel();
        for (const QModelIndex& row : selection->selectedRows()) {
            if (QFileInfo(row.data(QFileSystemModel::FilePathRole).toString()).isDir()) {
                selection->select(row, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
            }
        }
    }
    QFileDialog::accept();
}

// The desktop's own chooser where its platform theme offers one (the XDG desktop portal on GNOME
// and KDE): the same dialog as in the user's other programs. Qt's otherwise, or when asked for.
bool UsesQtFileDialog() {
    const QString asked = qEnvironmentVariable("KOFREX_QT_FILE_DIALOG");
    return !asked.isEmpty() && asked != QLatin1String("0");
}

QtCommonDialog::QtCommonDialog(QWidget* parent) : parent_(parent) {}

TypedNameFileDialog& QtCommonDialog::Dialog() {
    if (!dialog_) {
        dialog_ = std::make_unique<TypedNameFileDialog>(parent_);
        dialog_->setOption(QFileDialog::DontUseNativeDialog, UsesQtFileDialog());
        if (!folder_.isEmpty()) {
            dialog_->setDirectory(folder_);
        }
    }
    return *dialog_;
}

void QtCommonDialog::ShowOpen() {
    const bool several = (Flags & kDialogAllowMultiSelect) != 0;
    const bool mustExist = several || (Flags & kDialogFileMustExist) != 0;
    Show(QFileDialog::AcceptOpen, several     ? QFileDialog::ExistingFiles
                                  : mustExist ? QFileDialog::ExistingFile
                                              : QFileDialog::AnyFile);
}

void QtCommonDialog::ShowSave() {
    Show(QFileDialog::AcceptSave, QFileDialog::AnyFile);
}

void QtCommonDialog::ShowFolder() {
    Show(QFileDialog::AcceptOpen, QFileDialog::Directory);
}

void QtCommonDialog::Show(QFileDialog::AcceptMode mode, QFileDialog::FileMode files) {
    ApplyProperties(mode, files);
    // The files as the dialog accepted them: asking afterwards would work them out again from
    // the list and the name field.
    QStringList accepted;
    const QMetaObject::Connection taking =
        QObject::connect(&Dialog(), &QFileDialog::filesSelected,
                         [&accepted](const QStringList& chosen) { accepted = chosen; });
    const int result = Dialog().exec();
    QObject::disconnect(taking);
    CloseCompletionList();
    const bool desktopChooser =
        Dialog().findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) == nullptr;
    if (result == QDialog::Accepted && !accepted.isEmpty()) {
        FileNames = accepted;
        if (mode == QFileDialog::AcceptSave) {
            FileNames.first() = WithDefaultExt(accepted.constFirst());
            // Qt cannot tell a desktop chooser not to ask before replacing a file; it asked
            // about the name it returned, which is the one written when it has its extension.
            ReplaceConfirmed = desktopChooser && FileNames.constFirst() == accepted.constFirst() &&
                               QFileInfo::exists(accepted.constFirst());
        }
        FileName = FileNames.constFirst();
        // A name typed with its folder moves the dialog there too, for the next use.
        folder_ = QFileInfo(FileName).absolutePath();
        Dialog().setDirectory(folder_);
    }
    // A desktop chooser keeps the last use's file and filter, with no way to clear them: each
    // use gets a new one, in the folder the last one left.
    if (desktopChooser) {
        dialog_.reset();
    }
}

void QtCommonDialog::ApplyProperties(QFileDialog::AcceptMode mode, QFileDialog::FileMode files) {
    Dialog().setAcceptMode(mode);
    // The commands ask before replacing a file; the dialog must not ask as well.
    Dialog().setOption(QFileDialog::DontConfirmOverwrite);
    Dialog().setFileMode(files);
    Dialog().setOption(QFileDialog::ShowDirsOnly, files == QFileDialog::Directory);
    Dialog().setDefaultSuffix(DefaultExt.startsWith(u'.') ? DefaultExt.mid(1) : DefaultExt);
    Dialog().setNameFilters(ToQtNameFilters(Filter));
    Dialog().setWindowTitle(DialogTitle);
    ClearTypedName();
    ClearSelection();
    // A folder proposed is where the user starts choosing; no name is typed for them.
    if (FileName.endsWith(u'/')) {
        Dialog().setDirectory(FileName);
    } else if (!FileName.isEmpty()) {
        Dialog().selectFile(FileName);
    }
}

// Enter in the name field accepts the dialog while the list of completions may still be up; a
// list left behind would swallow the user's next click in the window.
void QtCommonDialog::CloseCompletionList() {
    if (auto* nameField = Dialog().findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        if (QCompleter* completer = nameField->completer()) {
            completer->popup()->hide();
        }
    }
}

// selectFile("") keeps what the last use left in the name field, so the field is cleared here.
void QtCommonDialog::ClearTypedName() {
    if (auto* nameField = Dialog().findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        nameField->clear();
    }
}

// The list keeps the last use's selection (a typed name selects its file there), and Enter
// would accept that file; each use starts with nothing chosen.
void QtCommonDialog::ClearSelection() {
    if (auto* list = Dialog().findChild<QAbstractItemView*>(QStringLiteral("listView"))) {
        list->selectionModel()->clear();
    }
}

}  // namespace kofrex
