#include "frmMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDropEvent>
#include <QFont>
#include <QMimeData>
#include <QScopeGuard>
#include <QUrl>
#include <cerrno>
#include <exception>
#include <new>

#include "number_pattern.h"
#include "qt_common_dialog.h"
#include "qt_message_box.h"
#include "wait_cursor.h"

namespace kofrex {
namespace {

const QString kArchiveFilter = QStringLiteral("Kofrex Archives (*.kfx)|*.kfx|All files (*.*)|*.*");
const QString kAllFilesFilter = QStringLiteral("All files (*.*)|*.*");
constexpr int kOpenFlags = kDialogExplorerStyle | kDialogFileMustExist | kDialogHideReadOnly;
constexpr int kSaveFlags = kDialogExplorerStyle | kDialogHideReadOnly;

// Error numbers for failures that do not come from the store, which numbers by errno.
constexpr int kOutOfMemoryNumber = ENOMEM;
constexpr int kUnknownErrorNumber = -1;

// Posted behind the repaint of the list after an add; see ReleaseWhenIdle.
const QEvent::Type kReleaseEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

std::unique_ptr<CommonDialog> OrQtDialog(std::unique_ptr<CommonDialog> dialog, QWidget* parent) {
    return dialog ? std::move(dialog) : std::make_unique<QtCommonDialog>(parent);
}

std::unique_ptr<MessageBox> OrQtMessageBox(std::unique_ptr<MessageBox> box, QWidget* parent) {
    return box ? std::move(box) : std::make_unique<QtMessageBox>(parent);
}

std::function<void(int)> OrQuitEventLoop(std::function<void(int)> terminate) {
    if (terminate) {
        return terminate;
    }
    return [](int status) {
        QCoreApplication::exit(status);
        // An error while opening the archive named on start comes before the event loop runs,
        // where exit alone would be lost.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [status] { QCoreApplication::exit(status); },
            Qt::QueuedConnection);
    };
}

std::string StorePath(const QString& path) {
    return path.toStdString();
}

// The layout's fixed sizes are measured for an 8-point dialog font at 96 dots per inch: 13
// pixels a line, "Archive name:" 68 pixels wide. Qt's default font here is larger and would
// cut that caption off under the path box, so the window asks for the metric equivalent.
QFont DialogFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

QString RowText(const ArchiveEntry& entry) {
    return QString::fromStdString(DecodeWindows1252(entry.Name));
}

QString Shown(std::string_view windows1252Name) {
    return QString::fromStdString(DecodeWindows1252(TrimSpaces(windows1252Name)));
}

QString Adding(const QString& path) {
    return QStringLiteral("Adding %1…").arg(Shown(FitName(GetStoredName(StorePath(path)))));
}

QString Extracting(const ArchiveEntry& entry) {
    return QStringLiteral("Extracting %1…").arg(Shown(entry.Name));
}

QStringList LocalFiles(const QMimeData& data) {
    QStringList paths;
    for (const QUrl& url : data.urls()) {
        if (url.isLocalFile()) {
            paths << url.toLocalFile();
        }
    }
    return paths;
}

}  // namespace

frmMain::frmMain(modKofrex& store, WindowPlatform platform)
    : cmdExtract(new QPushButton(QStringLiteral("&Extract..."), this)),
      Frame1(new QGroupBox(QStringLiteral("Chunk info"), this)),
      lblOffset(new QLabel(QStringLiteral("Offset:"), Frame1)),
      lblSize(new QLabel(QStringLiteral("Size:"), Frame1)),
      cDlg(OrQtDialog(std::move(platform.dialog), this)),
      cmdNew(new QPushButton(QStringLiteral("&New Archive..."), this)),
      cmdAdd(new QPushButton(QStringLiteral("&Add..."), this)),
      lstFiles(new ListBox(this)),
      cmdBrowse(new QPushButton(QStringLiteral("..."), this)),
      txtArchive(new QLineEdit(this)),
      Label2(new QLabel(QStringLiteral("Files in archive:"), this)),
      Label1(new QLabel(QStringLiteral("Archive name:"), this)),
      store_(store),
      messages_(OrQtMessageBox(std::move(platform.messages), this)),
      terminate_(OrQuitEventLoop(std::move(platform.terminate))),
      progressDelay_(platform.progressDelay) {
    setWindowTitle(QStringLiteral("Kofrex - by Quorvane"));
    setFixedSize(404, 380);
    setFont(DialogFont());
    cDlg->DefaultExt = QStringLiteral(".kfx");
    cDlg->Filter = kArchiveFilter;
    PlaceControls();
    SetUpControls();
    SetTabOrder();
    WireEvents();
    txtArchive->setFocus();
    setAcceptDrops(true);
    store_.SetProgress(
        [this](const Progress& progress) { return work_ == nullptr || work_->Report(progress); });
}

frmMain::~frmMain() {
    store_.SetProgress({});
}

void frmMain::PlaceControls() {
    cmdExtract->setGeometry(280, 128, 121, 25);
    Frame1->setGeometry(280, 160, 121, 209);
    lblOffset->setGeometry(8, 104, 105, 41);
    lblSize->setGeometry(8, 40, 105, 41);
    cmdNew->setGeometry(280, 48, 121, 25);
    cmdAdd->setGeometry(280, 96, 121, 25);
    lstFiles->setGeometry(8, 96, 265, 277);
    cmdBrowse->setGeometry(376, 16, 25, 25);
    txtArchive->setGeometry(80, 16, 297, 25);
    Label2->move(8, 72);
    Label1->move(8, 16);
    // These two fit their caption, in whatever size the platform's font has.
    Label2->adjustSize();
    Label1->adjustSize();
    // A font wider than the layout was drawn for makes Label1 reach under the path box;
    // the box stays on top so that what is typed in it is never overdrawn.
    txtArchive->raise();
}

void frmMain::SetUpControls() {
    for (QLabel* label : {lblSize, lblOffset}) {
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    // Enter and Esc must run no command.
    for (QPushButton* button : {cmdExtract, cmdNew, cmdAdd, cmdBrowse}) {
        button->setAutoDefault(false);
        button->setDefault(false);
        button->setFocusPolicy(Qt::StrongFocus);
    }
    // Screen readers name the path box and the list by the captions above them, and the
    // browse button by what it does.
    Label1->setBuddy(txtArchive);
    Label2->setBuddy(lstFiles);
    txtArchive->setAccessibleName(Label1->text());
    lstFiles->setAccessibleName(Label2->text());
    cmdBrowse->setAccessibleName(QStringLiteral("Open archive"));
    // A file dropped on the path box is a file for the window, not text for the box.
    txtArchive->setAcceptDrops(false);
}

void frmMain::SetTabOrder() {
    setTabOrder(txtArchive, lstFiles);
    setTabOrder(lstFiles, cmdBrowse);
    setTabOrder(cmdBrowse, cmdNew);
    setTabOrder(cmdNew, cmdAdd);
    setTabOrder(cmdAdd, cmdExtract);
}

void frmMain::WireEvents() {
    const auto wire = [this](QPushButton* button, void (frmMain::*handler)()) {
        connect(button, &QPushButton::clicked, this,
                [this, handler] { RunHandler([this, handler] { (this->*handler)(); }); });
    };
    wire(cmdNew, &frmMain::cmdNew_Click);
    wire(cmdBrowse, &frmMain::cmdBrowse_Click);
    wire(cmdAdd, &frmMain::cmdAdd_Click);
    wire(cmdExtract, &frmMain::cmdExtract_Click);
    connect(lstFiles, &ListBox::Click, this, [this] { RunHandler([this] { lstFiles_Click(); }); });
}

void frmMain::ListFiles() {
    const std::int32_t count = store_.EntryCount();
    const std::vector<ArchiveEntry>& entries = store_.Entries();
    QStringList rows;
    rows.reserve(count);
    for (std::int32_t i = 0; i < count; ++i) {
        rows << RowText(entries[static_cast<std::size_t>(i)]);
    }
    lstFiles->SetItems(std::move(rows));
    lblSize->setText(QStringLiteral("Size: "));
    lblOffset->setText(QStringLiteral("Offset: "));
}

void frmMain::cmdNew_Click() {
    if (!ShowDialog(true, QStringLiteral("New archive..."), kArchiveFilter, kSaveFlags)) {
        return;
    }
    const QString path = cDlg->FileName;
    if (store_.SomethingAt(StorePath(path)) && !ConfirmOverwrite()) {
        return;
    }
    {
        WaitCursor busy;
        store_.CreateArchive(StorePath(path));
    }
    ListFiles();
    txtArchive->setText(path);
}

void frmMain::cmdBrowse_Click() {
    if (ShowDialog(false, QStringLiteral("Open archive..."), kArchiveFilter, kOpenFlags)) {
        OpenPath(cDlg->FileName);
    }
}

void frmMain::OpenNamedArchive(const QString& path) {
    RunHandler([this, &path] {
        if (!OpenPath(path)) {
            messages_->Show(
                QStringLiteral("The file '%1' is not an archive that Kofrex can read.").arg(path));
        }
    });
}

bool frmMain::OpenPath(const QString& path) {
    bool opened = false;
    {
        WaitCursor busy;
        opened = store_.OpenArchive(StorePath(path));
    }
    ListFiles();
    if (opened) {
        txtArchive->setText(path);
    }
    return opened;
}

void frmMain::cmdAdd_Click() {
    if (store_.ArchivePath().empty()) {
        return;
    }
    if (ShowDialog(false, QStringLiteral("Open archive..."), kAllFilesFilter, kOpenFlags)) {
        AddFiles({cDlg->FileName});
    }
}

void frmMain::AddFiles(const QStringList& paths) {
    for (const QString& path : paths) {
        if (!RunWork(Adding(path), [&] { store_.AddFileToArchive(StorePath(path)); })) {
            break;
        }
    }
    // Also after a cancel: the table mirrors the archive, which is as it was.
    ListFiles();
    ReleaseWhenIdle();
}

void frmMain::cmdExtract_Click() {
    if (store_.ArchivePath().empty()) {
        return;
    }
    const int row = lstFiles->ListIndex();
    if (row == -1) {
        messages_->Show(QStringLiteral("Select a file that you would like to extract first."));
        return;
    }
    // A row of a table that no longer mirrors the file would name other bytes.
    if (!store_.ArchiveUnchanged()) {
        ReadChangedArchiveAgain();
        return;
    }
    if (!ShowDialog(true, QStringLiteral("Extract file from archive..."), kAllFilesFilter,
                    kSaveFlags)) {
        return;
    }
    const std::string target = StorePath(cDlg->FileName);
    // Replacing the archive by one of its entries would destroy every other entry.
    if (store_.IsCurrentArchive(target)) {
        messages_->Show(QStringLiteral("A file cannot be extracted onto the archive itself."),
                        kButtonsOkOnly, QString::fromLatin1(kApplicationTitle));
        return;
    }
    if (store_.SomethingAt(target) && !ConfirmOverwrite()) {
        return;
    }
    const ArchiveEntry entry = store_.Entries().at(static_cast<std::size_t>(row));
    bool extracted = true;
    RunWork(Extracting(entry), [&] { extracted = store_.ExtractEntry(row + 1, target); });
    if (!extracted) {
        ReadChangedArchiveAgain();
    }
}

void frmMain::ReadChangedArchiveAgain() {
    const std::string path = store_.ArchivePath();
    if (!store_.OpenArchive(path)) {
        if (!store_.SomethingAt(path)) {
            throw ArchiveError(ENOENT, "The archive " + path +
                                           " is gone: another program has moved or deleted it.");
        }
        throw ArchiveError(EBADMSG, "The file " + path +
                                        " is no longer an archive Kofrex can read: another "
                                        "program has replaced or damaged it.");
    }
    ListFiles();
    messages_->Show(
        QStringLiteral("The archive has changed since it was opened. Its list has been read "
                       "again; select the file once more."));
}

bool frmMain::RunWork(const QString& what, const std::function<void()>& work) {
    WorkProgress progress(this, what, progressDelay_);
    bool finished = false;
    {
        WaitCursor busy;
        work_ = &progress;
        const auto leave = qScopeGuard([this] { work_ = nullptr; });
        try {
            work();
            finished = true;
        } catch (const OperationCancelled&) {
            // The store left every file as it was; a cancel is no error.
        }
    }
    if (progress.EndRequested()) {
        // Closed during the work: the window closes once the command has finished.
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        return false;
    }
    return finished;
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (work_ == nullptr) {
        QWidget::closeEvent(event);
        return;
    }
    work_->CancelAndEnd();
    event->ignore();
}

// Posted with low priority, so it comes behind the repaint that shows the new list.
void frmMain::ReleaseWhenIdle() {
    QCoreApplication::postEvent(this, new QEvent(kReleaseEvent), Qt::LowEventPriority);
}

bool frmMain::event(QEvent* event) {
    if (event->type() != kReleaseEvent) {
        return QWidget::event(event);
    }
    // Work that started meanwhile releases it itself.
    if (work_ == nullptr) {
        RunHandler([this] { store_.ReleaseReplacedArchive(); });
    }
    return true;
}

// Local files only: several while an archive is current, else one to open.
QStringList frmMain::AcceptedDrop(const QDropEvent& event) const {
    const QStringList paths =
        event.mimeData() != nullptr ? LocalFiles(*event.mimeData()) : QStringList();
    const bool fits = !store_.ArchivePath().empty() ? !paths.isEmpty() : paths.size() == 1;
    return fits && event.possibleActions().testFlag(Qt::CopyAction) ? paths : QStringList();
}

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
    dragMoveEvent(event);
}

void frmMain::dragMoveEvent(QDragMoveEvent* event) {
    if (AcceptedDrop(*event).isEmpty()) {
        event->ignore();
        return;
    }
    // Copied, never moved: the source must stay where it is.
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void frmMain::dropEvent(QDropEvent* event) {
    const QStringList paths = AcceptedDrop(*event);
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // The program the files came from waits until the drop returns; the work comes after.
    QMetaObject::invokeMethod(
        this, [this, paths] { RunHandler([this, &paths] { TakeDroppedFiles(paths); }); },
        Qt::QueuedConnection);
}

void frmMain::TakeDroppedFiles(const QStringList& paths) {
    // A dialog or other work came first; commands never run inside one another.
    if (work_ != nullptr || QApplication::activeModalWidget() != nullptr) {
        return;
    }
    if (!store_.ArchivePath().empty()) {
        AddFiles(paths);
    } else if (paths.size() == 1) {
        OpenPath(paths.constFirst());
    }
}

void frmMain::lstFiles_Click() {
    const int row = lstFiles->ListIndex();
    if (row == -1) {
        return;
    }
    ShowEntry(store_.Entries().at(static_cast<std::size_t>(row)));
}

void frmMain::ShowEntry(const ArchiveEntry& entry) {
    lblSize->setText(QStringLiteral("Size: ") + FormatNumber(entry.Size) +
                     QStringLiteral(" bytes"));
    lblOffset->setText(QStringLiteral("Offset: ") + FormatNumber(entry.Offset));
}

// Sets the four properties every use sets and shows the dialog; false when the user cancelled.
bool frmMain::ShowDialog(bool save, const QString& title, const QString& filter, int flags) {
    cDlg->FileName.clear();
    cDlg->Filter = filter;
    cDlg->Flags = flags;
    cDlg->DialogTitle = title;
    if (save) {
        cDlg->ShowSave();
    } else {
        cDlg->ShowOpen();
    }
    return !cDlg->FileName.isEmpty();
}

bool frmMain::ConfirmOverwrite() {
    const QString question = QStringLiteral("The file '") + cDlg->FileTitle() +
                             QStringLiteral("' already exists. Overwrite it?");
    return messages_->Show(question, kButtonsYesNo, QStringLiteral("Overwrite")) == kAnswerYes;
}

void frmMain::RunHandler(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const ArchiveError& error) {
        EndOnError(error.Number(), QString::fromStdString(error.Description()));
    } catch (const std::bad_alloc&) {
        EndOnError(kOutOfMemoryNumber, QStringLiteral("Out of memory"));
    } catch (const std::exception& error) {
        EndOnError(kUnknownErrorNumber, QString::fromLocal8Bit(error.what()));
    } catch (...) {
        EndOnError(kUnknownErrorNumber, QStringLiteral("An unexpected error occurred"));
    }
}

void frmMain::EndOnError(int number, const QString& description) {
    try {
        messages_->Show(QStringLiteral("Error %1: %2").arg(number).arg(description), kButtonsOkOnly,
                        QString::fromLatin1(kApplicationTitle));
    } catch (...) {
        // The program ends either way; nothing may escape into the event loop.
    }
    terminate_(kErrorExitStatus);
}

}  // namespace kofrex
