// The list's verbs beyond the buttons: its menu and keys, extract all, open, replace, rename,
// delete and drag out of the list.

#include <QDesktopServices>
#include <QDir>
#include <QDrag>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QUrl>
#include <optional>

#include "frmMain.h"

namespace kofrex {
namespace {

const DialogUse kExtractAllDialog{DialogKind::Folder,
                                  QT_TRANSLATE_NOOP("kofrex::frmMain", "Extract all files to..."),
                                  "", kDialogExplorerStyle, QString()};
const DialogUse kReplaceDialog{
    DialogKind::Open, QT_TRANSLATE_NOOP("kofrex::frmMain", "Replace with..."),
    QT_TRANSLATE_NOOP("kofrex::frmMain", "All files (*.*)|*.*"),
    kDialogExplorerStyle | kDialogFileMustExist | kDialogHideReadOnly, QString()};

// The stored name as the user knows it: without its padding spaces.
QString ShownName(const ArchiveEntry& entry) {
    return QString::fromStdString(DecodeWindows1252(TrimSpaces(entry.Name)));
}

}  // namespace

std::string PrivateFoldersBase() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return QFile::encodeName(!runtime.isEmpty() && QFileInfo(runtime).isDir() ? runtime
                                                                              : QDir::tempPath())
        .toStdString();
}

void frmMain::SetUpListMenu() {
    lstFiles->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lstFiles, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { ShowListMenu(at); });
    const auto wire = [this](QAction* action, void (frmMain::*verb)()) {
        connect(action, &QAction::triggered, this, [this, verb] {
            // Commands never run inside one another.
            if (work_ == nullptr) {
                RunHandler([this, verb] { (this->*verb)(); });
            }
        });
    };
    wire(mnuExtract, &frmMain::cmdExtract_Click);
    wire(mnuExtractAll, &frmMain::ExtractAll);
    wire(mnuOpen, &frmMain::OpenEntry);
    wire(mnuReplace, &frmMain::ReplaceEntry);
    wire(mnuRename, &frmMain::RenameEntry);
    wire(mnuDelete, &frmMain::DeleteEntry);
}

void frmMain::SetUpKeys() {
    mnuDelete->setShortcut(Qt::Key_Delete);
    mnuRename->setShortcut(Qt::Key_F2);
    mnuOpen->setShortcuts({Qt::Key_Return, Qt::Key_Enter});
    for (QAction* action : {mnuExtract, mnuExtractAll, mnuOpen, mnuReplace, mnuRename, mnuDelete}) {
        action->setShortcutContext(Qt::WidgetShortcut);
        lstFiles->addAction(action);
    }
    connect(lstFiles, &QAbstractItemView::doubleClicked, mnuOpen, &QAction::trigger);
    const auto key = [this](QWidget* on, const QKeySequence& keys, std::function<void()> act) {
        auto* action = new QAction(on);
        action->setShortcut(keys);
        action->setShortcutContext(on == this ? Qt::WindowShortcut : Qt::WidgetShortcut);
        connect(action, &QAction::triggered, this, std::move(act));
        on->addAction(action);
    };
    key(lstFiles, Qt::SHIFT | Qt::Key_F10, [this] {
        const int row = lstFiles->ListIndex();
        ShowListMenu(row == -1 ? QPoint()
                               : lstFiles->visualRect(lstFiles->model()->index(row, 0)).center());
    });
    // As the buttons, which the work holds back while it runs; a close cancels the work first.
    key(this, Qt::CTRL | Qt::Key_N, [this] { work_ == nullptr ? cmdNew->click() : void(); });
    key(this, Qt::CTRL | Qt::Key_O, [this] { work_ == nullptr ? cmdBrowse->click() : void(); });
    key(this, Qt::CTRL | Qt::Key_Q, [this] { close(); });
}

void frmMain::EnableListCommands() {
    const bool archive = !store_.ArchivePath().empty();
    const bool row = archive && lstFiles->ListIndex() != -1;
    mnuExtractAll->setEnabled(archive && store_.EntryCount() > 0);
    for (QAction* action : {mnuExtract, mnuOpen, mnuReplace, mnuRename, mnuDelete}) {
        action->setEnabled(row);
    }
}

void frmMain::ShowListMenu(const QPoint& at) {
    EnableListCommands();
    QMenu menu(this);
    menu.addActions({mnuExtract, mnuExtractAll, mnuOpen});
    menu.addSeparator();
    menu.addActions({mnuReplace, mnuRename, mnuDelete});
    menu.exec(lstFiles->viewport()->mapToGlobal(at));
}

int frmMain::AskOverwrite(const QString& name, int buttons) {
    const QString question = tr("The file '%1' already exists. Overwrite it?").arg(name);
    return messages_->Show(question, buttons, tr("Overwrite"));
}

modKofrex::OverwriteQuestion frmMain::AskEachOverwrite() {
    return [this, all = std::optional<bool>()](const std::string& path) mutable {
        if (!all) {
            const auto ask = [&] {
                return AskOverwrite(QFileInfo(QString::fromStdString(path)).fileName(),
                                    kButtonsYesNoToAll);
            };
            // Asked while the extract runs, so the work lets the user answer.
            const int answer = work_ != nullptr ? work_->AskUser(ask) : ask();
            if (answer == kAnswerYesToAll || answer == kAnswerNoToAll) {
                all = answer == kAnswerYesToAll;
            }
            return answer == kAnswerYes || answer == kAnswerYesToAll;
        }
        return *all;
    };
}

void frmMain::ExtractAll() {
    if (store_.ArchivePath().empty()) {
        return;
    }
    if (!store_.ArchiveUnchanged()) {
        ReadChangedArchiveAgain();
        return;
    }
    if (!ShowFor(*cDlg, kExtractAllDialog)) {
        return;
    }
    const std::string folder = cDlg->FileName.toStdString();
    modKofrex::ExtractReport report;
    RunWork(tr("Extracting %1 files…").arg(store_.EntryCount()),
            [&] { report = store_.ExtractEntries(folder, {}, AskEachOverwrite()); });
    if (report.archiveChanged) {
        ReadChangedArchiveAgain();
        return;
    }
    // How it went, in one message: where, how many, and each file left alone and why.
    const QString done = tr("Extracted to %1: %2 of %3 files.")
                             .arg(QString::fromStdString(folder))
                             .arg(report.written)
                             .arg(store_.EntryCount());
    const QString leftAlone = LeftAloneReport(report.leftAlone);
    messages_->Show(leftAlone.isEmpty() ? done : done + u'\n' + leftAlone, kButtonsOkOnly,
                    QString::fromLatin1(kApplicationTitle));
}

void frmMain::SalvageArchive(QString path, std::size_t whole) {
    if (!ShowFor(*cDlg, kExtractAllDialog)) {
        return;
    }
    const std::string folder = cDlg->FileName.toStdString();
    std::optional<modKofrex::SalvageReport> report;
    if (!RunWork(tr("Extracting %1 files…").arg(whole), [&] {
            report = store_.SalvageEntries(path.toStdString(), folder, AskEachOverwrite());
        })) {
        return;
    }
    if (!report) {  // changed meanwhile into something that is not even a directory
        messages_->Show(NotAnArchive(path, store_.Refusal()));
        return;
    }
    QStringList said;
    if (!report->lost.empty()) {
        said << LostReport(report->lost);
    }
    std::erase_if(report->extracted.leftAlone, [](const modKofrex::LeftAlone& file) {
        return file.reason == modKofrex::LeftAlone::Reason::Declined;
    });
    if (!report->extracted.leftAlone.empty()) {
        said << LeftAloneReport(report->extracted.leftAlone);
    }
    if (!said.isEmpty()) {
        messages_->Show(said.join(u'\n'), kButtonsOkOnly, QString::fromLatin1(kApplicationTitle));
    }
}

QString frmMain::ExtractPrivately(int row) {
    if (!store_.ArchiveUnchanged()) {
        ReadChangedArchiveAgain();
        return {};
    }
    if (!privateFolder_) {
        privateFolder_ =
            std::make_unique<PrivateFolder>(FileSystem::Default(), PrivateFoldersBase());
    }
    const QString name =
        QString::fromStdString(SafeFileName(store_.Entries(), static_cast<std::size_t>(row)));
    const QString target = QString::fromStdString(privateFolder_->Path()) + u'/' + name;
    bool extracted = true;
    if (!RunWork(tr("Extracting %1…").arg(name),
                 [&] { extracted = store_.ExtractEntry(row + 1, target.toStdString()); })) {
        return {};
    }
    if (!extracted) {
        ReadChangedArchiveAgain();
        return {};
    }
    return target;
}

void frmMain::OpenEntry() {
    const int row = lstFiles->ListIndex();
    if (store_.ArchivePath().empty() || row == -1) {
        return;
    }
    const QString path = ExtractPrivately(row);
    if (!path.isEmpty() && !QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
        messages_->Show(
            tr("No program could be found to open '%1'.").arg(QFileInfo(path).fileName()));
    }
}

std::unique_ptr<QMimeData> frmMain::DragData() {
    const int row = lstFiles->ListIndex();
    const QString path =
        store_.ArchivePath().empty() || row == -1 ? QString() : ExtractPrivately(row);
    if (path.isEmpty()) {
        return nullptr;
    }
    auto data = std::make_unique<QMimeData>();
    data->setUrls({QUrl::fromLocalFile(path)});
    return data;
}

void frmMain::DragOutEntry() {
    std::unique_ptr<QMimeData> data = DragData();
    if (!data) {
        return;
    }
    // Owned by Qt's drag handling once started, as the list's own drags are.
    auto* drag = new QDrag(lstFiles);
    drag->setMimeData(data.release());
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

void frmMain::ChangeEntry(const QString& what, const std::function<AddOutcome()>& change,
                          const std::function<QString(AddOutcome)>& refused) {
    AddOutcome outcome = AddOutcome::Stored;
    if (!RunWork(what, [&] { outcome = change(); })) {
        return;
    }
    switch (outcome) {
        case AddOutcome::Stored:
            ListFiles();
            ReleaseWhenIdle();
            return;
        case AddOutcome::ArchiveChanged:
            ShowChangedArchive();
            return;
        case AddOutcome::NoArchive:
            ShowArchiveAsItIsNow();
            break;
        default:
            break;
    }
    messages_->Show(refused(outcome), kButtonsOkOnly, QString::fromLatin1(kApplicationTitle));
}

void frmMain::DeleteEntry() {
    const int row = lstFiles->ListIndex();
    if (store_.ArchivePath().empty() || row == -1) {
        return;
    }
    const QString name = ShownName(store_.Entries().at(static_cast<std::size_t>(row)));
    if (messages_->Show(tr("Delete '%1' from the archive?").arg(name),
                        kButtonsYesNo | kDefaultButton2) != kAnswerYes) {
        return;
    }
    ChangeEntry(
        tr("Deleting %1…").arg(name), [&] { return store_.DeleteEntry(row + 1); },
        [](AddOutcome) {
            return tr(
                "Nothing was deleted: the archive is gone or is no longer an archive that "
                "Kofrex can read.");
        });
}

void frmMain::RenameEntry() {
    const int row = lstFiles->ListIndex();
    if (store_.ArchivePath().empty() || row == -1) {
        return;
    }
    const QString name = ShownName(store_.Entries().at(static_cast<std::size_t>(row)));
    const QString typed =
        messages_->InputBox(tr("New name for '%1':").arg(name), tr("Rename"), name);
    if (typed.isEmpty()) {
        return;
    }
    // The store judges whether the stored name changes at all: by its bytes, not as shown.
    ChangeEntry(
        tr("Renaming %1…").arg(name),
        [&] { return store_.RenameEntry(row + 1, typed.toStdString()); },
        [&](AddOutcome outcome) {
            switch (outcome) {
                case AddOutcome::DuplicateName:
                    return tr("Nothing was renamed: the stored name %1 is already in the archive.")
                        .arg(ShownStoredName(typed));
                case AddOutcome::NoName:
                    return tr("Nothing was renamed: '%1' gives no stored name.").arg(typed);
                default:
                    return RefusalReport({{typed, outcome}});
            }
        });
}

void frmMain::ReplaceEntry() {
    const int row = lstFiles->ListIndex();
    if (store_.ArchivePath().empty() || row == -1 || !ShowFor(*cDlg, kReplaceDialog)) {
        return;
    }
    const QString name = ShownName(store_.Entries().at(static_cast<std::size_t>(row)));
    const QString source = cDlg->FileName;
    ChangeEntry(
        tr("Replacing %1…").arg(name),
        [&] { return store_.ReplaceEntry(row + 1, source.toStdString()); },
        [&](AddOutcome outcome) {
            return RefusalReport({{source, outcome}});
        });
}

}  // namespace kofrex
