#include "frmMain.h"

#include <QCoreApplication>
#include <QFont>
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

std::unique_ptr<CommonDialog> OrQtDialog(std::unique_ptr<CommonDialog> dialog, QWidget* parent) {
    return dialog ? std::move(dialog) : std::make_unique<QtCommonDialog>(parent);
}

std::unique_ptr<MessageBox> OrQtMessageBox(std::unique_ptr<MessageBox> box, QWidget* parent) {
    return box ? std::move(box) : std::make_unique<QtMessageBox>(parent);
}

std::function<void(int)> OrQuitEventLoop(std::function<void(int)> terminate) {
    return terminate ? std::move(terminate) : [](int status) { QCoreApplication::exit(status); };
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
      terminate_(OrQuitEventLoop(std::move(platform.terminate))) {
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
        connect(button, &QPushButton::clicked, this, [this, handler] { RunHandler(handler); });
    };
    wire(cmdNew, &frmMain::cmdNew_Click);
    wire(cmdBrowse, &frmMain::cmdBrowse_Click);
    wire(cmdAdd, &frmMain::cmdAdd_Click);
    wire(cmdExtract, &frmMain::cmdExtract_Click);
    connect(lstFiles, &ListBox::Click, this, [this] { RunHandler(&frmMain::lstFiles_Click); });
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
    if (store_.FileExists(StorePath(path)) && !ConfirmOverwrite()) {
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
    if (!ShowDialog(false, QStringLiteral("Open archive..."), kArchiveFilter, kOpenFlags)) {
        return;
    }
    const QString path = cDlg->FileName;
    bool opened = false;
    {
        WaitCursor busy;
        opened = store_.OpenArchive(StorePath(path));
    }
    ListFiles();
    if (opened) {
        txtArchive->setText(path);
    }
}

void frmMain::cmdAdd_Click() {
    if (store_.ArchivePath().empty()) {
        return;
    }
    if (!ShowDialog(false, QStringLiteral("Open archive..."), kAllFilesFilter, kOpenFlags)) {
        return;
    }
    {
        WaitCursor busy;
        store_.AddFileToArchive(StorePath(cDlg->FileName));
    }
    ListFiles();
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
    if (store_.FileExists(target) && !ConfirmOverwrite()) {
        return;
    }
    WaitCursor busy;
    store_.ExtractEntry(row + 1, target);
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

void frmMain::RunHandler(void (frmMain::*handler)()) {
    try {
        (this->*handler)();
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
