// The list's verbs beyond the buttons: its menu and keys, extract all, open, replace, rename,
// delete and drag out of the list.

#include <QDesktopServices>
#include <QDir>
#include <QDrag>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QUrl>
#include <algorithm>
#include <optional>

#include "frmMain.h"
#include "open_with.h"

namespace kofrex {
namespace {

const DialogUse kExtractAllDialog{DialogKind::Folder,
                                  QT_TRANSLATE_NOOP("kofrex::frmMain", "Extract all files to..."),
                                  "", kDialogExplorerStyle, QString()};
const DialogUse kExtractSelectedDialog{
    DialogKind::Folder, QT_TRANSLATE_NOOP("kofrex::frmMain", "Extract the selected files to..."),
    "", kDialogExplorerStyle, QString()};
const DialogUse kReplaceDialog{
    DialogKind::Open, QT_TRANSLATE_NOOP("kofrex::frmMain", "Replace with..."),
    QT_TRANSLATE_NOOP("kofrex::frmMain", "All files (*.*)|*.*"),
    kDialogExplorerStyle | kDialogFileMustExist | kDialogHideReadOnly, QString()};

// More entries than this opened at once are asked about first: each starts a program.
constexpr int kOpenedWithoutAsking = 10;

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

// Extract, Open and Delete take every selected row; Replace and Rename one.
void frmMain::EnableListCommands() {
    const bool archive = !store_.ArchivePath().empty();
    const int selected = archive ? lstFiles->SelectedCount() : 0;
    mnuExtractAll->setEnabled(archive && store_.EntryCount() > 0);
    for (QAction* action : {mnuExtract, mnuOpen, mnuDelete}) {
        action->setEnabled(selected > 0);
    }
    for (QAction* action : {mnuReplace, mnuRename}) {
        action->setEnabled(selected == 1);
    }
}

std::vector<std::int32_t> frmMain::SelectedEntries() const {
    std::vector<std::int32_t> entries;
    for (const int row : lstFiles->SelectedRows()) {
        entries.push_back(row + 1);
    }
    return entries;
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
    ExtractInto(kExtractAllDialog, {});
}

void frmMain::ExtractSelected() {
    ExtractInto(kExtractSelectedDialog, SelectedEntries());
}

void frmMain::ExtractInto(const DialogUse& use, const std::vector<std::int32_t>& indexes) {
    if (store_.ArchivePath().empty()) {
        return;
    }
    if (!store_.ArchiveUnchanged()) {
        ReadChangedArchiveAgain();
        return;
    }
    if (!ShowFor(*cDlg, use)) {
        return;
    }
    const QString folder = cDlg->FileName;
    lastExtractFolder_ = folder;  // where Extract… proposes to write next
    const auto count =
        indexes.empty() ? static_cast<std::size_t>(store_.EntryCount()) : indexes.size();
    modKofrex::ExtractReport report;
    RunWork(tr("Extracting %1 files…").arg(count), [&] {
        report = store_.ExtractEntries(folder.toStdString(), indexes, AskEachOverwrite());
    });
    if (report.archiveChanged) {
        ReadChangedArchiveAgain();
        return;
    }
    // How it went, in one message: where, how many, and each file left alone and why; the
    // folder can be opened from it.
    const QString done =
        tr("Extracted to %1: %2 of %3 files.").arg(folder).arg(report.written).arg(count);
    const QString leftAlone = LeftAloneReport(report.leftAlone);
    if (messages_->Show(leftAlone.isEmpty() ? done : done + u'\n' + leftAlone, kButtonsOkOpenFolder,
                        QString::fromLatin1(kApplicationTitle)) == kAnswerOpenFolder) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    }
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

std::vector<std::pair<int, QString>> frmMain::ExtractPrivately() {
    const std::vector<std::int32_t> entries = SelectedEntries();
    if (entries.empty()) {  // the store would take none for all
        return {};
    }
    // An edit not put back is asked about, before its copy is written again.
    AskAboutEdits(EditsToAsk::AlsoAskedBefore);
    if (!store_.ArchiveUnchanged()) {
        ReadChangedArchiveAgain();
        return {};
    }
    if (!privateFolder_) {
        privateFolder_ =
            std::make_unique<PrivateFolder>(FileSystem::Default(), PrivateFoldersBase());
    }
    const QString folder = QString::fromStdString(privateFolder_->Path());
    // The folder is the window's own: what an earlier open left there is replaced.
    modKofrex::ExtractReport report;
    if (!RunWork(tr("Extracting %1 files…").arg(entries.size()), [&] {
            report = store_.ExtractEntries(folder.toStdString(), entries,
                                           [](const std::string&) { return true; });
        })) {
        return {};
    }
    if (report.archiveChanged) {
        ReadChangedArchiveAgain();
        return {};
    }
    if (!report.leftAlone.empty()) {
        messages_->Show(LeftAloneReport(report.leftAlone), kButtonsOkOnly,
                        QString::fromLatin1(kApplicationTitle));
    }
    // The names the extract gave, of these rows only: one pass over the directory.
    const std::vector<std::string> names = SafeFileNames(store_.Entries(), entries);
    std::vector<std::pair<int, QString>> copies;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::int32_t entry = entries[i];
        const bool written =
            std::none_of(report.leftAlone.begin(), report.leftAlone.end(),
                         [entry](const modKofrex::LeftAlone& file) { return file.index == entry; });
        if (written) {
            copies.emplace_back(entry - 1, folder + u'/' + QString::fromStdString(names[i]));
        }
    }
    return copies;
}

void frmMain::OpenEntry() {
    const int selected = store_.ArchivePath().empty() ? 0 : lstFiles->SelectedCount();
    if (selected == 0) {
        return;
    }
    if (selected > kOpenedWithoutAsking &&
        messages_->Show(tr("Open %1 files, each in its own program?").arg(selected),
                        kButtonsYesNo | kDefaultButton2) != kAnswerYes) {
        return;
    }
    for (const auto& [row, path] : ExtractPrivately()) {
        WatchOpened(path, row);
        // The desktop's opener says it started even where no program takes the file.
        const bool opened =
            hasProgram_(path) && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
        if (!opened &&
            messages_->Show(
                tr("No program could be found to open '%1'.").arg(QFileInfo(path).fileName()),
                kButtonsOkOpenWith) == kAnswerOpenWith) {
            OpenWithChosenProgram(path, *this, *cDlg, *messages_);
        }
    }
}

std::unique_ptr<QMimeData> frmMain::DragData() {
    if (store_.ArchivePath().empty() || lstFiles->ListIndex() == -1) {
        return nullptr;
    }
    QList<QUrl> urls;
    for (const auto& [row, path] : ExtractPrivately()) {
        urls << QUrl::fromLocalFile(path);
    }
    if (urls.isEmpty()) {
        return nullptr;
    }
    auto data = std::make_unique<QMimeData>();
    data->setUrls(urls);
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
    const std::vector<std::int32_t> entries =
        store_.ArchivePath().empty() ? std::vector<std::int32_t>() : SelectedEntries();
    if (entries.empty()) {
        return;
    }
    const QString name =
        ShownName(store_.Entries().at(static_cast<std::size_t>(entries.front() - 1)));
    const bool one = entries.size() == 1;
    const QString question = one ? tr("Delete '%1' from the archive?").arg(name)
                                 : tr("Delete %1 files from the archive?").arg(entries.size());
    if (messages_->Show(question, kButtonsYesNo | kDefaultButton2) != kAnswerYes) {
        return;
    }
    ChangeEntry(
        one ? tr("Deleting %1…").arg(name) : tr("Deleting %1 files…").arg(entries.size()),
        [&] { return store_.DeleteEntries(entries); },
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
    const QString typed = messages_->InputBox(
        tr("New name for '%1':").arg(name), tr("Rename"), name,
        [](const QString& typed) { return tr("Stored as: %1").arg(ShownStoredName(typed)); });
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
