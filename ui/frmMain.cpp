#include "frmMain.h"

#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>
#include <algorithm>
#include <cerrno>

#include "number_pattern.h"
#include "open_with.h"
#include "qt_common_dialog.h"
#include "qt_message_box.h"
#include "read_only_text.h"
#include "wait_cursor.h"

namespace kofrex {
namespace {

const char* const kArchiveFilter =
    QT_TRANSLATE_NOOP("kofrex::frmMain", "Kofrex Archives (*.kfx)|*.kfx|All files (*.*)|*.*");
const char* const kAllFilesFilter = QT_TRANSLATE_NOOP("kofrex::frmMain", "All files (*.*)|*.*");
const QString kArchiveExt = QStringLiteral(".kfx");
constexpr int kOpenFlags = kDialogExplorerStyle | kDialogFileMustExist | kDialogHideReadOnly;
constexpr int kSaveFlags = kDialogExplorerStyle | kDialogHideReadOnly;

// The dialog's uses. An extracted file gets exactly the name the user typed: "Makefile" stays
// "Makefile", where the archives' extension would make it another kind of file.
const DialogUse kNewArchiveDialog{DialogKind::Save,
                                  QT_TRANSLATE_NOOP("kofrex::frmMain", "New archive..."),
                                  kArchiveFilter, kSaveFlags, kArchiveExt};
const DialogUse kOpenArchiveDialog{DialogKind::Open,
                                   QT_TRANSLATE_NOOP("kofrex::frmMain", "Open archive..."),
                                   kArchiveFilter, kOpenFlags, kArchiveExt};
const DialogUse kAddDialog{DialogKind::Open,
                           QT_TRANSLATE_NOOP("kofrex::frmMain", "Open archive..."), kAllFilesFilter,
                           kOpenFlags | kDialogAllowMultiSelect, kArchiveExt};
const DialogUse kExtractDialog{DialogKind::Save,
                               QT_TRANSLATE_NOOP("kofrex::frmMain", "Extract file from archive..."),
                               kAllFilesFilter, kSaveFlags, QString()};

// The layout was drawn in twips, 1,440 to the inch, every one a multiple of 15: it is given here
// as the pixels it makes at 96 dots per inch, so that each number is one a user can see.
// The designed window, its smallest size: the list and the path box take whatever is added.
constexpr int kDesignedWidth = 404;
constexpr int kDesignedHeight = 380;
// It was drawn for a dialog font 13 pixels a line at 96 dots per inch. The window shows the
// desktop's own font at its own size, and the layout grows with that font's lines as it grows
// with the screen's resolution, never below the designed size at that resolution.
constexpr double kLayoutDotsPerInch = 96.0;
constexpr double kLayoutLineHeight = 13.0;

double LayoutScale(const QWidget& window) {
    const double resolution = window.logicalDpiY() / kLayoutDotsPerInch;
    return std::max(resolution, window.fontMetrics().height() / kLayoutLineHeight);
}

std::unique_ptr<CommonDialog> OrQtDialog(std::unique_ptr<CommonDialog> dialog, QWidget* parent) {
    return dialog ? std::move(dialog) : std::make_unique<QtCommonDialog>(parent);
}

std::unique_ptr<MessageBox> OrQtMessageBox(std::unique_ptr<MessageBox> box, QWidget* parent) {
    return box ? std::move(box) : std::make_unique<QtMessageBox>(parent);
}

std::string StorePath(const QString& path) {
    return path.toStdString();
}

QString RowText(std::string_view name) {
    return QString::fromStdString(DecodeWindows1252(name));
}

// Where the window's size and place are kept between runs.
QSettings Remembered() {
    return QSettings(QStringLiteral("Quorvane"), QStringLiteral("Kofrex"));
}
const QString kGeometryKey = QStringLiteral("window/geometry");

// Assistive technology announces the window as the application's frame, not as a filler.
QAccessibleInterface* WindowAsFrame(const QString& className, QObject* object) {
    return className == QLatin1String("kofrex::frmMain")
               ? new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window)
               : nullptr;
}

QString Extracting(const ArchiveEntry& entry) {
    return frmMain::tr("Extracting %1…")
        .arg(QString::fromStdString(DecodeWindows1252(TrimSpaces(entry.Name))));
}

}  // namespace

frmMain::frmMain(modKofrex& store, WindowPlatform platform)
    : cmdExtract(new QPushButton(tr("&Extract..."), this)),
      Frame1(new QGroupBox(tr("Chunk info"), this)),
      lblOffset(new QLabel(tr("Offset:"), Frame1)),
      lblSize(new QLabel(tr("Size:"), Frame1)),
      cDlg(OrQtDialog(std::move(platform.dialog), this)),
      cmdNew(new QPushButton(tr("&New Archive..."), this)),
      cmdAdd(new QPushButton(tr("&Add..."), this)),
      lstFiles(new ListBox(this)),
      cmdBrowse(new QPushButton(QStringLiteral("..."), this)),
      txtArchive(new QLineEdit(this)),
      Label2(new QLabel(tr("Files in archive:"), this)),
      Label1(new QLabel(tr("Archive name:"), this)),
      mnuExtract(new QAction(tr("Extract…"), this)),
      mnuExtractAll(new QAction(tr("Extract All…"), this)),
      mnuOpen(new QAction(tr("Open"), this)),
      mnuReplace(new QAction(tr("Replace With…"), this)),
      mnuRename(new QAction(tr("Rename…"), this)),
      mnuDelete(new QAction(tr("Delete"), this)),
      store_(store),
      messages_(OrQtMessageBox(std::move(platform.messages), this)),
      progressDelay_(platform.progressDelay),
      hasProgram_(platform.hasProgram ? std::move(platform.hasProgram) : DesktopHasProgramFor) {
    [[maybe_unused]] static const bool factories =
        (QAccessible::installFactory(WindowAsFrame),
         QAccessible::installFactory(ReadOnlyText::Factory), true);
    // Before anything places or names the box: assistive technology keeps the interface it was
    // first given, and the box is read-only to it as to the user.
    txtArchive->setReadOnly(true);
    setWindowTitle(tr("Kofrex - by Quorvane"));
    cDlg->DefaultExt = kArchiveExt;
    cDlg->Filter = kArchiveFilter;
    FitLayout();
    resize(minimumSize());
    SetUpControls();
    SetTabOrder();
    WireEvents();
    SetUpListMenu();
    SetUpKeys();
    EnableListCommands();
    txtArchive->setFocus();
    setAcceptDrops(true);
    store_.SetProgress(
        [this](const Progress& progress) { return work_ == nullptr || work_->Report(progress); });
}

frmMain::~frmMain() {
    store_.SetProgress({});
}

int frmMain::FromLayout(int layoutPixels) const {
    return qRound(layoutPixels * LayoutScale(*this));
}

// A caption wider than its designed place widens its column: "Archive name:" the labels' column
// left of the path box, a button's caption or the frame's title the right-hand column.
// The designed caption ends a pixel before the box; one that had to be given room gets a
// clearer gap.
int frmMain::LabelsWidened() const {
    const int over = Label1->sizeHint().width() + FromLayout(1) - FromLayout(72);
    return over > 0 ? over + FromLayout(3) : 0;
}

int frmMain::ButtonsWidened() const {
    constexpr int kFrameTitleMargins = 16;
    int widest =
        Frame1->fontMetrics().horizontalAdvance(Frame1->title()) + FromLayout(kFrameTitleMargins);
    for (const QPushButton* button : {cmdNew, cmdAdd, cmdExtract}) {
        widest = std::max(widest, button->sizeHint().width());
    }
    return std::max(0, widest - FromLayout(121));
}

// The designed layout at the font's scale, with the columns its captions need, is the smallest
// the window can be.
void frmMain::FitLayout() {
    setMinimumSize(FromLayout(kDesignedWidth) + LabelsWidened() + ButtonsWidened(),
                   FromLayout(kDesignedHeight));
    resize(size().expandedTo(minimumSize()));
    PlaceControls();
}

// The designed places at the smallest size; what the window grows by goes to the list (both
// ways) and the path box (in width), and moves the right-hand column with the right edge.
void frmMain::PlaceControls() {
    const int labels = LabelsWidened();
    const int buttons = ButtonsWidened();
    const int wider = std::max(0, width() - minimumWidth());
    const int taller = std::max(0, height() - minimumHeight());
    const int column = labels + wider;  // where the right-hand column has moved to
    struct Place {
        QWidget* control;
        QRect designed;
        int moved;
        int widened;
        int heightened;
    };
    const Place places[] = {{cmdExtract, {280, 128, 121, 25}, column, buttons, 0},
                            {Frame1, {280, 160, 121, 209}, column, buttons, 0},
                            {lblOffset, {8, 104, 105, 41}, 0, buttons, 0},
                            {lblSize, {8, 40, 105, 41}, 0, buttons, 0},
                            {cmdNew, {280, 48, 121, 25}, column, buttons, 0},
                            {cmdAdd, {280, 96, 121, 25}, column, buttons, 0},
                            {lstFiles, {8, 96, 265, 277}, 0, column, taller},
                            {cmdBrowse, {376, 16, 25, 25}, column + buttons, 0, 0},
                            {txtArchive, {80, 16, 297, 25}, labels, buttons + wider, 0}};
    for (const Place& place : places) {
        const QRect& at = place.designed;
        place.control->setGeometry(FromLayout(at.x()) + place.moved, FromLayout(at.y()),
                                   FromLayout(at.width()) + place.widened,
                                   FromLayout(at.height()) + place.heightened);
    }
    Label1->move(FromLayout(8), FromLayout(16));
    Label2->move(FromLayout(8), FromLayout(72));
    Label1->adjustSize();
    Label2->adjustSize();
}

void frmMain::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        FitLayout();
    }
}

void frmMain::SetUpControls() {
    for (QLabel* label : {lblSize, lblOffset}) {
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    // Enter presses the focused button, as Space does. The window is no dialog, so no button
    // answers Enter or Esc typed anywhere else.
    for (QPushButton* button : {cmdExtract, cmdNew, cmdAdd, cmdBrowse}) {
        button->setAutoDefault(true);
        button->setFocusPolicy(Qt::StrongFocus);
    }
    // The box shows the current archive (read-only from the start); what it shows is chosen
    // with the commands, but it can still be focused, selected and copied from.
    // Screen readers name the path box and the list by the captions above them, and the
    // browse button by what it does.
    Label1->setBuddy(txtArchive);
    Label2->setBuddy(lstFiles);
    txtArchive->setAccessibleName(Label1->text());
    lstFiles->setAccessibleName(Label2->text());
    cmdBrowse->setAccessibleName(tr("Open archive"));
    // Each button's key, where the pointer rests.
    cmdBrowse->setToolTip(tr("Open archive (Ctrl+O)"));
    cmdNew->setToolTip(tr("Create a new archive (Ctrl+N)"));
    cmdAdd->setToolTip(tr("Add files to the archive (Alt+A)"));
    cmdExtract->setToolTip(tr("Extract the selected file (Alt+E)"));
    // A file dropped on the path box is a file for the window, not text for the box.
    txtArchive->setAcceptDrops(false);
}

// Path box, list, browse button, then the buttons down the right: the controls are made in the
// order lstFiles, cmdBrowse, txtArchive already keep, so only the buttons move behind them.
void frmMain::SetTabOrder() {
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
    connect(lstFiles, &ListBox::DragOut, this, [this] { RunHandler([this] { DragOutEntry(); }); });
}

void frmMain::ListFiles() {
    // Each row's name is decoded when the list shows it, not here: an archive of millions of
    // entries lists at once. The table may have changed since (an error is being shown before
    // the list is filled again): a row that is gone shows empty.
    const auto held = [this](int row) {
        return static_cast<std::size_t>(row) < store_.Entries().size();
    };
    lstFiles->SetRows(
        store_.EntryCount(),
        [this, held](int row) {
            return held(row) ? RowText(store_.Entries().NameAt(static_cast<std::size_t>(row)))
                             : QString();
        },
        [this, held](int row) {
            return held(row) ? tr("Size: %1 bytes")
                                   .arg(QLocale::system().toString(
                                       store_.Entries()[static_cast<std::size_t>(row)].Size))
                             : QString();
        });
    ShowTitle();
    lblSize->setText(tr("Size: "));
    lblOffset->setText(tr("Offset: "));
    // Read as they show again.
    lblSize->setAccessibleName({});
    lblOffset->setAccessibleName({});
    EnableListCommands();
}

void frmMain::cmdNew_Click() {
    if (!ShowFor(*cDlg, kNewArchiveDialog)) {
        return;
    }
    const QString path = cDlg->FileName;
    bool mayReplace = false;
    if (!MayWrite(StorePath(path), mayReplace)) {
        return;
    }
    // Waits, with its progress and Cancel, while another program adds to the file it replaces.
    const QString creating = tr("Creating %1…").arg(cDlg->FileTitle());
    if (!RunWriting(creating, mayReplace,
                    [&](bool replace) { store_.CreateArchive(StorePath(path), replace); })) {
        return;
    }
    ListFiles();
    txtArchive->setText(path);
}

void frmMain::cmdBrowse_Click() {
    if (ShowFor(*cDlg, kOpenArchiveDialog)) {
        OpenPath(cDlg->FileName);
    }
}

void frmMain::OpenNamedArchive(const QString& path) {
    RunHandler([this, &path] { OpenPath(path); });
}

void frmMain::OpenPath(const QString& path) {
    bool opened = false;
    // A directory of many megabytes shows its progress; Cancel keeps the archive and list shown.
    if (!RunWork(tr("Opening %1…").arg(QFileInfo(path).fileName()),
                 [&] { opened = store_.OpenArchive(StorePath(path)); })) {
        return;
    }
    ListFiles();
    if (opened) {
        txtArchive->setText(path);
        return;
    }
    RefuseArchive(path);
}

// Names the refused file with the reason; one whose directory is whole but some of whose entries
// are not is offered for salvage. It never becomes current.
void frmMain::RefuseArchive(const QString& path) {
    const QString refusal = NotAnArchive(path, store_.Refusal());
    std::optional<modKofrex::SalvageReport> survey;
    if (store_.Refusal() && store_.Refusal()->OfOneEntry() &&
        !RunWork(tr("Opening %1…").arg(QFileInfo(path).fileName()),
                 [&] { survey = store_.SurveyDamaged(StorePath(path)); })) {
        return;
    }
    if (!survey || survey->whole == 0) {
        messages_->Show(refusal);
        return;
    }
    const QString offer = tr("%1 of %2 entries are whole. Extract them to a folder?")
                              .arg(survey->whole)
                              .arg(survey->total);
    if (messages_->Show(refusal + u'\n' + u'\n' + offer, kButtonsYesNo) == kAnswerYes) {
        SalvageArchive(path, survey->whole);
    }
}

void frmMain::cmdAdd_Click() {
    if (store_.ArchivePath().empty()) {
        return;
    }
    if (ShowFor(*cDlg, kAddDialog)) {
        AddFiles(cDlg->FileNames);
    }
}

void frmMain::cmdExtract_Click() {
    if (store_.ArchivePath().empty()) {
        return;
    }
    const int row = lstFiles->ListIndex();
    if (row == -1) {
        messages_->Show(tr("Select a file that you would like to extract first."));
        return;
    }
    if (lstFiles->SelectedCount() > 1) {
        ExtractSelected();
        return;
    }
    // A row of a table that no longer mirrors the file would name other bytes.
    if (!store_.ArchiveUnchanged()) {
        ReadChangedArchiveAgain();
        return;
    }
    // The entry's own name, as Extract All would give it, where the user last extracted to.
    const QString folder = lastExtractFolder_.isEmpty()
                               ? QFileInfo(QString::fromStdString(store_.ArchivePath())).path()
                               : lastExtractFolder_;
    const QString name =
        QString::fromStdString(SafeFileName(store_.Entries(), static_cast<std::size_t>(row)));
    if (!ShowFor(*cDlg, kExtractDialog, QDir(folder).filePath(name))) {
        return;
    }
    lastExtractFolder_ = QFileInfo(cDlg->FileName).path();
    const std::string target = StorePath(cDlg->FileName);
    // Replacing the archive by one of its entries would destroy every other entry.
    if (store_.IsCurrentArchive(target)) {
        messages_->Show(tr("A file cannot be extracted onto the archive itself."), kButtonsOkOnly,
                        QString::fromLatin1(kApplicationTitle));
        return;
    }
    bool mayReplace = false;
    if (!MayWrite(target, mayReplace)) {
        return;
    }
    const ArchiveEntry entry = store_.Entries().at(static_cast<std::size_t>(row));
    bool extracted = true;
    RunWriting(Extracting(entry), mayReplace,
               [&](bool replace) { extracted = store_.ExtractEntry(row + 1, target, replace); });
    if (!extracted) {
        ReadChangedArchiveAgain();
    }
}

void frmMain::ReadChangedArchiveAgain() {
    const std::string path = store_.ArchivePath();
    if (store_.OpenArchive(path)) {
        ShowChangedArchive();
        return;
    }
    const QString shown = QString::fromStdString(path);
    const QString why =
        store_.SomethingAt(path)
            ? NotAnArchive(shown, store_.Refusal())
            : tr("The archive '%1' is gone: another program has moved or deleted it.").arg(shown);
    ShowArchiveAsItIsNow();
    messages_->Show(why, kButtonsOkOnly, QString::fromLatin1(kApplicationTitle));
}

void frmMain::ShowChangedArchive() {
    ListFiles();
    messages_->Show(
        tr("The archive has changed since it was opened. Its list has been read "
           "again; select the file once more."));
}

// One row shows its entry; several their total size, and no offset, as no row does.
void frmMain::lstFiles_Click() {
    EnableListCommands();
    const int row = lstFiles->ListIndex();
    if (row == -1) {
        return;
    }
    if (lstFiles->SelectedCount() == 1) {
        const ArchiveEntry entry = store_.Entries().at(static_cast<std::size_t>(row));
        ShowSizes(entry.Size, entry.Offset);
        return;
    }
    std::int64_t total = 0;
    for (const auto& [first, last] : lstFiles->SelectedRuns()) {
        for (int selected = first; selected <= last; ++selected) {
            total += store_.Entries().at(static_cast<std::size_t>(selected)).Size;
        }
    }
    ShowSizes(total, std::nullopt);
}

// The current archive's name first, so that two windows are told apart in the task bar.
void frmMain::ShowTitle() {
    const QString path = QString::fromStdString(store_.ArchivePath());
    setWindowTitle(path.isEmpty()
                       ? tr("Kofrex - by Quorvane")
                       : tr("%1 - Kofrex - by Quorvane").arg(QFileInfo(path).fileName()));
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceControls();
}

void frmMain::RestoreGeometry() {
    restoreGeometry(Remembered().value(kGeometryKey).toByteArray());
}

void frmMain::RememberGeometry() {
    Remembered().setValue(kGeometryKey, saveGeometry());
}

// Screen readers read the grouped digits as separate numbers; they are given the number as the
// user's language writes it.
void frmMain::ShowSizes(std::int64_t size, std::optional<std::int64_t> offset) {
    const QLocale locale = QLocale::system();
    lblSize->setText(tr("Size: %1 bytes").arg(FormatNumber(size)));
    lblSize->setAccessibleName(tr("Size: %1 bytes").arg(locale.toString(size)));
    lblOffset->setText(offset ? tr("Offset: %1").arg(FormatNumber(*offset)) : tr("Offset: "));
    lblOffset->setAccessibleName(offset ? tr("Offset: %1").arg(locale.toString(*offset))
                                        : QString());
}

bool frmMain::ConfirmOverwrite() {
    return cDlg->ReplaceConfirmed || AskOverwrite(cDlg->FileTitle(), kButtonsYesNo) == kAnswerYes;
}

bool frmMain::MayWrite(const std::string& target, bool& mayReplace) {
    mayReplace = store_.SomethingAt(target);
    return !mayReplace || ConfirmOverwrite();
}

}  // namespace kofrex
