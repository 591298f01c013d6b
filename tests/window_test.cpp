// The window and its commands against a real store in a scratch folder, with scripted dialog
// answers (a Yes/No question nobody scripted is answered No); its progress and cancel, drops and
// the archive named on start; the Qt dialog and message box through their real widgets; the
// command line.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <QTest>
#include <QtWidgets>

#include "error_handling.h"
#include "frmMain.h"
#include "number_pattern.h"
#include "open_with.h"
#include "qt_common_dialog.h"
#include "qt_message_box.h"
#include "test_support.h"
#include "translations.h"

// A failing comparison of texts prints the texts.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace kofrex::test {
namespace {

using Act = std::function<void()>;
const QString kArchives = "Kofrex Archives (*.kfx)|*.kfx|All files (*.*)|*.*";
const QString kAllFiles = "All files (*.*)|*.*";

// Stand-ins for the dialog and the message box: each use is recorded as one line of text, and
// the answers come from a script the test fills beforehand.
struct ScriptedDialog : CommonDialog {
    QStringList choices;  // the next uses' answers: paths split by '|', or "" for a cancel
    QStringList uses;     // "open|save|folder 'FileName' Filter Flags DialogTitle DefaultExt"
    void ShowOpen() override { Show("open"); }
    void ShowSave() override { Show("save"); }
    void ShowFolder() override { Show("folder"); }
    void Show(const char* kind) {
        uses << QString("%1 '%2' %3 %4 %5 %6")
                    .arg(kind, FileName, Filter)
                    .arg(Flags, 0, 16)
                    .arg(DialogTitle, DefaultExt);
        const QString chosen = choices.isEmpty() ? "" : choices.takeFirst();  // "": a cancel
        FileNames = chosen.split('|', Qt::SkipEmptyParts);
        FileName = chosen.isEmpty() ? FileName : FileNames.value(0);  // kept, as Qt's keeps it
    }
};

// A question answers as scripted, or Yes as often as the script says, then No; an OK box answers
// OK; a prompt answers what is scripted to be typed, else a cancel.
struct ScriptedMessageBox : MessageBox {
    int yeses = 0;
    QList<int> answers;
    QStringList typed;
    QStringList
        shown;  // "Title buttons: text", with "busy" after the buttons under the wait cursor
    int Present(const QString& text, int buttons, const QString& title) override {
        const bool busy = QGuiApplication::overrideCursor() != nullptr;
        shown << QString("%1 %2%3: %4").arg(title).arg(buttons).arg(busy ? " busy" : "", text);
        if (buttons == kButtonsOkOnly) {
            return kAnswerOk;
        }
        return !answers.isEmpty() ? answers.takeFirst()
                                  : (yeses > 0 ? (--yeses, kAnswerYes) : kAnswerNo);
    }
    QString InputBox(const QString& prompt, const QString& title, const QString& text,
                     const Preview& preview) override {  // the preview of what is typed
        const QString previewed = preview && !typed.isEmpty() ? " " + preview(typed.first()) : "";
        shown << QString("%1 input: %2 [%3]%4").arg(title, prompt, text, previewed);
        return typed.isEmpty() ? QString() : typed.takeFirst();
    }
};

class Window : public ::testing::Test {
  protected:
    Window() {  // the private folder of an opened entry lives in the scratch folder too
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(folder / ""));
        MakeWindow(kProgressDelay);
    }
    // A fresh window whose progress shows after `progressDelay`.
    void MakeWindow(std::chrono::milliseconds progressDelay) {
        window.reset();
        dialog = new ScriptedDialog, messages = new ScriptedMessageBox;
        window = std::make_unique<frmMain>(
            store, WindowPlatform{std::unique_ptr<CommonDialog>(dialog),
                                  std::unique_ptr<MessageBox>(messages), progressDelay,
                                  [this](const QString&) { return programRegistered; }});
    }
    void ShowWindow() {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    QString Path(const std::string& name) const { return QString::fromStdString(folder / name); }
    QString Write(const std::string& name, const Bytes& bytes) const {
        WriteFile(folder / name, bytes);
        return Path(name);
    }
    QString Archive(const std::string& name, const std::vector<StoredFile>& stored) const {
        return Write(name, ArchiveImage(stored));
    }
    Bytes Read(const std::string& name) const { return ReadFile(folder / name); }
    // Clicks `command` with the dialog choosing `path`; "" cancels.
    void Run(QPushButton* command, const QString& path) {
        dialog->choices << path;
        command->click();
    }
    void ClickRow(int row) {
        const QRect rect = window->lstFiles->visualRect(window->lstFiles->model()->index(row, 0));
        QTest::mouseClick(window->lstFiles->viewport(), Qt::LeftButton, {}, rect.center());
    }
    QStringList Rows() const {
        QStringList rows;
        for (int row = 0; row < window->lstFiles->ListCount(); ++row) {
            rows << window->lstFiles->List(row);
        }
        return rows;
    }
    // What a command may change: the rows, the two labels, the path box and the selected row.
    QStringList Shows() const {
        return Rows() << window->lblSize->text() << window->lblOffset->text()
                      << window->txtArchive->text()
                      << QString::number(window->lstFiles->ListIndex());
    }
    // Drags files onto the window (or one of its controls) with Shift, which asks for a move,
    // and drops them; true when the window took them, as a copy. A name with a colon is a web
    // address.
    bool Drop(const QStringList& paths, QWidget* onto = nullptr) {
        onto = onto ? onto : window.get();
        QList<QUrl> urls;
        for (const QString& path : paths) {
            urls << (path.contains(':') ? QUrl(path) : QUrl::fromLocalFile(path));
        }
        QMimeData data;
        data.setUrls(urls);  // and as text too, as a file manager offers them
        data.setText(paths.join('\n'));
        QDragEnterEvent enter({9, 9}, Qt::CopyAction | Qt::MoveAction, &data, {},
                              Qt::ShiftModifier);
        QDropEvent drop({9, 9}, enter.possibleActions(), &data, {}, Qt::ShiftModifier);
        QApplication::sendEvent(onto, &enter), QApplication::sendEvent(onto, &drop);
        QCoreApplication::processEvents();
        EXPECT_EQ(drop.isAccepted(), enter.isAccepted());  // taken exactly when offered
        return drop.isAccepted() && drop.dropAction() == Qt::CopyAction &&
               enter.dropAction() == Qt::CopyAction;  // the drag is shown as a copy too
    }

    ScratchFolder folder;
    bool programRegistered = true;  // whether the desktop has a program for an opened entry
    FaultyFileSystem files;
    modKofrex store{files};
    ScriptedDialog* dialog = nullptr;
    ScriptedMessageBox* messages = nullptr;
    std::unique_ptr<frmMain> window;
};

TEST_F(Window, ControlsStandWhereTheLayoutPutsThemAndScreenReadersKnowThem) {
    ShowWindow();
    // In a font of the line height the layout was drawn for, each control stands where the
    // layout puts it; nothing else checks a control's place.
    window->setFont(QFont("Liberation Sans", 8));  // 13 pixels a line at 96 dots per inch
    window->resize(0, 0);
    EXPECT_EQ(window->size(), QSize(404, 380));
    const std::vector<std::pair<QWidget*, QRect>> layout = {
        {window->cmdExtract, {280, 128, 121, 25}}, {window->Frame1, {280, 160, 121, 209}},
        {window->lblOffset, {8, 104, 105, 41}},    {window->lblSize, {8, 40, 105, 41}},
        {window->cmdNew, {280, 48, 121, 25}},      {window->cmdAdd, {280, 96, 121, 25}},
        {window->lstFiles, {8, 96, 265, 277}},     {window->cmdBrowse, {376, 16, 25, 25}},
        {window->txtArchive, {80, 16, 297, 25}}};
    for (const auto& [control, place] : layout) {
        EXPECT_EQ(control->geometry(), place) << place.x() << "," << place.y();
    }
    EXPECT_EQ(window->Label1->pos(), QPoint(8, 16));
    EXPECT_EQ(window->Label2->pos(), QPoint(8, 72));
    // Grown, the list takes the room and the right-hand column keeps to the right edge.
    window->resize(404 + 100, 380 + 50);
    EXPECT_EQ(window->lstFiles->geometry(), QRect(8, 96, 265 + 100, 277 + 50));
    EXPECT_EQ(window->txtArchive->geometry(), QRect(80, 16, 297 + 100, 25));
    EXPECT_EQ(window->Frame1->geometry(), QRect(280 + 100, 160, 121, 209));
    window->resize(300, 300);
    EXPECT_EQ(window->size(), QSize(404, 380));  // never smaller than designed
    // In any font the window keeps it at its size and grows with its lines; every caption
    // fits beside or above its box, and the right-hand column keeps to the right edge.
    for (const int points : {8, 6, 12, 20}) {
        window->setFont(QFont("Liberation Sans", points));
        const double lines = std::max(1.0, window->fontMetrics().height() / 13.0);
        EXPECT_EQ(window->font().pointSize(), points);  // never shrunk to fit
        EXPECT_GE(window->minimumWidth(), qRound(404 * lines)) << points;
        EXPECT_EQ(window->minimumHeight(), qRound(380 * lines)) << points;
        EXPECT_LT(window->Label1->geometry().right(), window->txtArchive->x()) << points;
        EXPECT_LT(window->Label2->geometry().bottom(), window->lstFiles->y()) << points;
        EXPECT_LT(window->lstFiles->geometry().right(), window->cmdNew->x()) << points;
        EXPECT_NEAR(window->width() - window->cmdBrowse->geometry().right() - 1, 3 * lines, 1);
        for (QPushButton* button : {window->cmdNew, window->cmdAdd, window->cmdExtract}) {
            EXPECT_GE(button->width(), button->sizeHint().width()) << points;
        }
    }
    window->setFont({});  // the desktop's own, as the window starts with
    window->resize(window->minimumSize() + QSize(40, 30)), window->close();
    const QSize closed = window->size();
    MakeWindow(kProgressDelay), window->RestoreGeometry(), ShowWindow();
    EXPECT_EQ(window->size(), closed);  // as it was closed
    EXPECT_EQ(QApplication::focusWidget(), window->txtArchive);
    QTest::keyClicks(window->txtArchive, "typed");  // it shows the current archive only
    EXPECT_EQ(window->txtArchive->text(), "");
    for (QWidget* next :
         std::initializer_list<QWidget*>{window->lstFiles, window->cmdBrowse, window->cmdNew,
                                         window->cmdAdd, window->cmdExtract, window->txtArchive}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
    const auto name = [](QWidget* control) {
        return QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
    };
    EXPECT_EQ(name(window->txtArchive), "Archive name:");
    EXPECT_EQ(name(window->lstFiles), "Files in archive:");
    EXPECT_EQ(name(window->cmdBrowse), "Open archive");
    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(window->txtArchive);
    window->txtArchive->setText("/a/b.kfx");  // read, never offered for editing
    EXPECT_TRUE(box->state().readOnly && !box->state().editable && !box->editableTextInterface());
    EXPECT_EQ(box->textInterface()->text(3, box->textInterface()->characterCount()), "b.kfx");
}

TEST_F(Window, EachDialogIsSetUpAfreshACancelChangesNothingAndNewAsksBeforeReplacing) {
    window->cmdAdd->click();  // no archive yet: no dialog, no message
    window->cmdExtract->click();
    dialog->choices << Archive("one.kfx", {{"A.TXT", "12345"}, {"B.TXT", "xy"}});
    QTest::keyClick(window->cmdBrowse, Qt::Key_Return);  // Enter presses it, as Space does
    window->cmdExtract->click();                         // no row selected: no dialog either
    ClickRow(1);
    const QStringList before = Shows();
    for (QPushButton* command :
         {window->cmdNew, window->cmdBrowse, window->cmdAdd, window->cmdExtract}) {
        Run(command, "");
        EXPECT_EQ(Shows(), before) << command->text().toStdString();
    }
    EXPECT_EQ(dialog->uses,
              QStringList({"open '' " + kArchives + " 81004 Open archive... .kfx",
                           "save '' " + kArchives + " 80004 New archive... .kfx",
                           "open '' " + kArchives + " 81004 Open archive... .kfx",
                           "open '' " + kAllFiles + " 81204 Open archive... .kfx",
                           "save '" + Path("B.TXT") + "' " + kAllFiles +  // the entry's name
                               " 80004 Extract file from archive... "}));
    const QString existing = Write("old.kfx", "old");
    Run(window->cmdNew, existing);  // answered No
    EXPECT_SAME_BYTES(Read("old.kfx"), "old");
    EXPECT_EQ(Shows(), before);
    ++messages->yeses;
    Run(window->cmdNew, existing);
    EXPECT_SAME_BYTES(Read("old.kfx"), ArchiveImage({}));
    EXPECT_EQ(Shows(), QStringList({"Size: ", "Offset: ", existing, "-1"}));
    // Nothing there: no question, unless a file takes the name meanwhile; No keeps that file.
    files.fault = [&](Call kind, int) {
        return kind == Call::Name ? (Write("fresh.kfx", "late"), 0) : 0;
    };
    Run(window->cmdNew, Path("fresh.kfx"));
    EXPECT_SAME_BYTES(Read("fresh.kfx"), "late");
    EXPECT_EQ(window->txtArchive->text(), existing);
    ++messages->yeses;
    Run(window->cmdNew, Path("fresh.kfx"));
    EXPECT_SAME_BYTES(Read("fresh.kfx"), ArchiveImage({}));
    EXPECT_EQ(window->txtArchive->text(), Path("fresh.kfx"));
    const QString overwrite = "Overwrite 4: The file '%1.kfx' already exists. Overwrite it?";
    EXPECT_EQ(messages->shown,
              QStringList({"Kofrex 0: Select a file that you would like to extract first.",
                           overwrite.arg("old"), overwrite.arg("old"), overwrite.arg("fresh"),
                           overwrite.arg("fresh")}));
}

TEST_F(Window, GermanAndFrenchRunsShowTheirCaptionsInTheDesktopsFontAndGroupDigits) {
    const QFont english = window->font();
    const Translations german(QLocale(QLocale::German, QLocale::Germany));
    MakeWindow(kProgressDelay);
    EXPECT_EQ(window->cmdNew->text(), QString::fromUtf8("&Neues Archiv\u2026"));
    EXPECT_EQ(window->font(), english);  // a longer caption widens its column, not the font
    EXPECT_LT(window->Label1->geometry().right(), window->txtArchive->x());
    EXPECT_EQ(FormatNumber(1234567, QLocale(QLocale::German)), "1.234.567");
    // The store's phrase is translated too; only the message's own placeholders are filled in.
    EXPECT_EQ(TranslatedDescription(ArchiveError::FromErrno(ENOSPC, Failed::Write, "/10%2")),
              "/10%2 konnte nicht geschrieben werden: Der Datenträger ist voll. Geben Sie "
              "Speicherplatz frei und versuchen Sie es erneut.");
    EXPECT_EQ(FilledIn("100% %1 %3", {{"x"}}), "100% x %3");
    const Translations french(QLocale(QLocale::French, QLocale::France));
    MakeWindow(kProgressDelay);
    EXPECT_EQ(window->Label1->text(), QString::fromUtf8("Nom de l’archive :"));
    EXPECT_EQ(window->font(), english);
    EXPECT_LT(window->Label1->geometry().right(), window->txtArchive->x());
}

TEST_F(Window, RowsShowTheirEntryGroupedAndAddAndExtractGoByThem) {
    const QString archive = Archive(
        "rows.kfx",
        {{"FIVE", "hello"}, {"EMPTY", ""}, {"BIG", Bytes(1234567, 'b')}, {"\xC9T\xC9", "summer"}});
    Run(window->cmdBrowse, archive);
    EXPECT_EQ(Rows()[3], QString::fromUtf8("\u00C9T\u00C9            "));
    const QString comma = QLocale::system().groupSeparator() + " ";
    // Data start after the header and four entries: 9 + 4 * 23 + 1.
    const QStringList labels = {"Size: 5 bytes Offset: 102", "Size:  bytes Offset: 107",
                                "Size: 1" + comma + "234" + comma + "567 bytes Offset: 107",
                                "Size: 6 bytes Offset: 1" + comma + "234" + comma + "674"};
    for (int row = 0; row < 4; ++row) {
        ClickRow(row);
        EXPECT_EQ(window->lblSize->text() + " " + window->lblOffset->text(), labels[row]);
    }
    // Read out as one number, and a row without its padding.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(window->lblOffset)->text(QAccessible::Name),
              "Offset: " + QLocale::system().toString(1234674));
    EXPECT_EQ(window->lstFiles->model()->index(0, 0).data(Qt::AccessibleTextRole), "FIVE");
    const QStringList before = Shows();
    bool progressShown = false;  // work this short never shows its progress
    QTimer watch;
    watch.callOnTimeout([&] { progressShown |= window->findChild<QProgressDialog*>() != nullptr; });
    watch.start(0);
    ++messages->yeses;
    Run(window->cmdExtract, Write("target.bin", "old"));
    EXPECT_SAME_BYTES(Read("target.bin"), "summer");
    EXPECT_EQ(Shows(), before);
    Run(window->cmdExtract, archive);  // which would lose every other entry
    EXPECT_EQ(messages->shown.last(),
              "Kofrex 0: A file cannot be extracted onto the archive itself.");
    Run(window->cmdAdd, Write("alpha", "abc"));
    QCoreApplication::processEvents();  // once the list is shown, the replaced archive goes
    EXPECT_EQ(folder.HeldAfterRemoval(), 0);
    EXPECT_EQ(Shows().mid(4),
              QStringList({"ALPHA          ", "Size: ", "Offset: ", archive, "-1"}));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(window->lblSize)->text(QAccessible::Name),
              "Size: ");
    EXPECT_FALSE(progressShown);
    // The table shrunk while the list waits to be filled again: a row that is gone shows empty.
    ASSERT_TRUE(store.OpenArchive(qPrintable(Archive("one.kfx", {{"ONE", "1"}}))));
    EXPECT_EQ(window->lstFiles->List(1), "");
}

// Each of the list's verbs through its key or menu item; each is offered only where it applies.
TEST_F(Window, TheListsVerbsGoThroughItsMenuAndKeysAndTheListShowsTheResult) {
    ShowWindow();
    const auto enabled = [this] {  // the verbs offered
        QStringList verbs;
        for (QAction* action : window->lstFiles->actions().mid(0, 6)) {
            verbs << QString(action->isEnabled() ? action->text() : "");
        }
        return verbs.join(' ').simplified();
    };
    dialog->choices << Archive("empty.kfx", {});
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(enabled(), "");
    dialog->choices << Archive("verbs.kfx", {{"A.TXT", "1"}, {"B.TXT", "22"}, {"C.TXT", "333"}});
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(enabled(), "Extract All…");  // until a row is selected
    EXPECT_EQ(window->windowTitle(), "verbs.kfx - Kofrex - by Quorvane");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(window.get())->role(), QAccessible::Window);
    EXPECT_EQ(window->lstFiles->model()->index(2, 0).data(Qt::AccessibleDescriptionRole),
              "Size: 3 bytes");
    ClickRow(1);
    EXPECT_EQ(enabled(), "Extract… Extract All… Open Replace With… Rename… Delete");
    QTextBrowser desktop;  // stands in for the program the desktop opens a file with
    QDesktopServices::setUrlHandler("file", &desktop, "setSource");
    QTest::keyClick(window->lstFiles, Qt::Key_Return);
    const QString opened = desktop.source().toLocalFile();
    EXPECT_EQ(QFileInfo(opened).fileName(), "B.TXT");
    EXPECT_EQ(desktop.toPlainText(), "22");
    EXPECT_EQ(QFileInfo(QFileInfo(opened).path()).permissions(), QFileDevice::Permissions(0x7700));
    // No program for it, nor a portal: Open With… starts the program chosen, refuses a file
    // that is not one, and nothing follows a cancel.
    programRegistered = false;  // the opener would take it, but start nothing
    messages->answers << kAnswerOk, QTest::keyClick(window->lstFiles, Qt::Key_Return);
    EXPECT_EQ(messages->shown.takeLast(), "Kofrex 10: No program could be found to open 'B.TXT'.");
    programRegistered = true;
    QDesktopServices::setUrlHandler("file", &desktop, "noSuchSlot");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + Path("no-bus").toUtf8());
    const QString program = Write("program", "#!/bin/sh\ncp \"$1\" \"$0.out\"\n");
    ASSERT_TRUE(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));
    dialog->choices << program << Path("verbs.kfx");
    messages->answers << kAnswerOpenWith << kAnswerOpenWith << kAnswerOpenWith;
    for (int open = 0; open < 3; ++open) {
        QTest::keyClick(window->lstFiles, Qt::Key_Return);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(program + ".out").size() == 2; }));
    EXPECT_SAME_BYTES(Read("program.out"), "22");
    QDesktopServices::unsetUrlHandler("file");
    EXPECT_EQ(window->DragData()->urls(), QList<QUrl>({QUrl::fromLocalFile(opened)}));
    messages->typed << "c.txt"
                    << "";
    QTest::keyClick(window->lstFiles, Qt::Key_F2);               // a name already stored
    ClickRow(1), QTest::keyClick(window->lstFiles, Qt::Key_F2);  // cancelled
    messages->typed << "x/";
    ClickRow(1), QTest::keyClick(window->lstFiles, Qt::Key_F2);  // no stored name at all
    messages->typed << "bee.txt";
    window->mnuRename->trigger();
    ClickRow(1), dialog->choices << Write("other.txt", "new");
    window->mnuReplace->trigger();
    const Bytes replaced = ArchiveImage({{"A.TXT", "1"}, {"BEE.TXT", "new"}, {"C.TXT", "333"}});
    EXPECT_SAME_BYTES(Read("verbs.kfx"), replaced);
    EXPECT_EQ(Rows()[1], "BEE.TXT        ");
    // Several rows: the size of them all, Extract… into a folder, a drag of them all, and
    // one question to delete them.
    ClickRow(0), QTest::keyClick(window->lstFiles, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(enabled(), "Extract… Extract All… Open Delete");
    EXPECT_EQ(window->lblSize->text() + window->lblOffset->text(), "Size: 4 bytesOffset: ");
    ASSERT_TRUE(QDir().mkpath(Path("sel")));
    QDesktopServices::setUrlHandler("file", &desktop, "setSource");  // Open Folder answered
    messages->answers << kAnswerOpenFolder, Run(window->cmdExtract, Path("sel"));
    QDesktopServices::unsetUrlHandler("file");
    EXPECT_EQ(desktop.source(), QUrl::fromLocalFile(Path("sel")));
    EXPECT_SAME_BYTES(Read("sel/A.TXT"), "1");
    EXPECT_SAME_BYTES(Read("sel/BEE.TXT"), "new");
    EXPECT_FALSE(QFileInfo::exists(Path("sel/C.TXT")));
    EXPECT_EQ(window->DragData()->urls().size(), 2);
    ClickRow(0), Run(window->cmdExtract, "");  // one row: its name where the rows went
    EXPECT_TRUE(dialog->uses.takeLast().startsWith("save '" + Path("sel/A.TXT") + "'"));
    QTest::keyClick(window->lstFiles, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(window->lblSize->text(), "Size: 7 bytes");
    QTest::mouseClick(
        window->lstFiles->viewport(), Qt::LeftButton, Qt::ControlModifier,
        window->lstFiles->visualRect(window->lstFiles->model()->index(1, 0)).center());
    EXPECT_EQ(window->lstFiles->SelectedRows(), std::vector<int>({0, 2}));
    QTest::keyClick(window->lstFiles, Qt::Key_Delete);
    ClickRow(1), QTest::keyClick(window->lstFiles, Qt::Key_Delete);  // No is the default
    EXPECT_SAME_BYTES(Read("verbs.kfx"), replaced);
    ClickRow(1), ++messages->yeses, QTest::keyClick(window->lstFiles, Qt::Key_Delete);
    EXPECT_SAME_BYTES(Read("verbs.kfx"), ArchiveImage({{"A.TXT", "1"}, {"C.TXT", "333"}}));
    EXPECT_EQ(Rows().size(), 2);
    QCoreApplication::processEvents();  // once the list is shown, the replaced archive goes
    EXPECT_EQ(folder.HeldAfterRemoval(), 0);
    ASSERT_TRUE(QDir().mkpath(Path("out")));
    Write("out/A.TXT", "old"), Write("out/C.TXT", "old");
    dialog->choices << Path("out"), messages->answers << kAnswerNo << kAnswerNoToAll;
    window->mnuExtractAll->trigger();  // nothing written
    EXPECT_SAME_BYTES(Read("out/A.TXT"), "old");
    dialog->choices << Path("out"), messages->answers << kAnswerYesToAll;
    window->mnuExtractAll->trigger();  // asked once for both
    EXPECT_SAME_BYTES(Read("out/A.TXT"), "1");
    EXPECT_SAME_BYTES(Read("out/C.TXT"), "333");
    ASSERT_TRUE(QDir().mkpath(Path("out2/A.TXT")));  // a folder where a file would go
    dialog->choices << Path("out2");
    window->mnuExtractAll->trigger();  // the other written, the refusal said once
    EXPECT_SAME_BYTES(Read("out2/C.TXT"), "333");
    const QString noProgram = "Kofrex 10: No program could be found to open 'B.TXT'.";
    EXPECT_EQ(
        messages->shown,
        QStringList(
            {noProgram,
             noProgram,
             "Kofrex 0: '" + Path("verbs.kfx") +
                 "' cannot be run: it is not a program. Choose a program file, such as one in "
                 "/usr/bin.",
             noProgram,
             "Rename input: New name for 'B.TXT': [B.TXT] Stored as: C.TXT",
             "Kofrex 0: Nothing was renamed: the stored name C.TXT is already in the archive.",
             "Rename input: New name for 'B.TXT': [B.TXT] Stored as: ",
             "Rename input: New name for 'B.TXT': [B.TXT] Stored as: ",
             "Kofrex 0: Nothing was renamed: 'x/' gives no stored name.",
             "Rename input: New name for 'B.TXT': [B.TXT] Stored as: BEE.TXT",
             "Kofrex 9: Extracted to " + Path("sel") + ": 2 of 2 files.",
             "Kofrex 260: Delete 2 files from the archive?",
             "Kofrex 260: Delete 'BEE.TXT' from the archive?",
             "Kofrex 260: Delete 'BEE.TXT' from the archive?",
             "Overwrite 8: The file 'A.TXT' already exists. Overwrite it?",
             "Overwrite 8: The file 'C.TXT' already exists. Overwrite it?",
             "Kofrex 9: Extracted to " + Path("out") +
                 ": 0 of 2 files.\nNot every file was "
                 "extracted:\n'" +
                 Path("out/A.TXT") + "' exists already and was left alone.\n'" + Path("out/C.TXT") +
                 "' exists already and was left alone.",
             "Overwrite 8: The file 'A.TXT' already exists. Overwrite it?",
             "Kofrex 9: Extracted to " + Path("out") + ": 2 of 2 files.",
             "Kofrex 9: Extracted to " + Path("out2") +
                 ": 1 of 2 files.\nNot every file was "
                 "extracted:\nCould not write " +
                 Path("out2/A.TXT") +
                 ": it is not a regular file (a folder, a device, a pipe or a socket). Choose a "
                 "file."}));
    const QString openWith = "open '/usr/bin/' " + kAllFiles + " 81004 Open with... ";
    EXPECT_EQ(dialog->uses.mid(2),
              QStringList({openWith, openWith, openWith,
                           "open '' " + kAllFiles + " 81004 Replace with... ",
                           "folder '' " + QString() + " 80000 Extract the selected files to... ",
                           "folder '' " + QString() + " 80000 Extract all files to... ",
                           "folder '' " + QString() + " 80000 Extract all files to... ",
                           "folder '' " + QString() + " 80000 Extract all files to... "}));
    Write("verbs.kfx", ArchiveImage({{"C.TXT", "3"}}));  // by another program, meanwhile
    ClickRow(0), ++messages->yeses, QTest::keyClick(window->lstFiles, Qt::Key_Delete);
    EXPECT_TRUE(messages->shown.last().startsWith("Kofrex 0: The archive has changed"));
    EXPECT_EQ(Rows(), QStringList({"C.TXT          "}));
    Write("verbs.kfx", ArchiveImage({{"D.TXT", "44"}}));
    ClickRow(0), QTest::keyClick(window->lstFiles, Qt::Key_Return);
    EXPECT_EQ(Rows(), QStringList({"D.TXT          "}));
    QStringList menu;  // what Shift+F10 offers, read while it is up
    QTimer::singleShot(0, [&] {
        for (QAction* action : QApplication::activePopupWidget()->actions()) {
            menu << (action->isSeparator() ? "|" : action->text());
        }
        QApplication::activePopupWidget()->close();
    });
    QTest::keyClick(window->lstFiles, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(menu.join(' '), "Extract… Extract All… Open | Replace With… Rename… Delete");
    ShowWindow();
    QTest::keyClick(window.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());
}

// An opened entry edited by another program goes back on Yes, not on No, and once per edit; a
// save of the same bytes is no edit. Another program's change meanwhile keeps the edit, asked
// about again at the close and put back into the entry's new row.
TEST_F(Window, AnOpenedEntryEditedElsewhereGoesBackOnYesAndOutlivesAChangeMeanwhile) {
    Run(window->cmdBrowse, Archive("edit.kfx", {{"A.TXT", "1"}, {"NOTES.TXT", "old"}}));
    QTextBrowser desktop;
    QDesktopServices::setUrlHandler("file", &desktop, "setSource");
    ClickRow(1), window->mnuOpen->trigger();
    QDesktopServices::unsetUrlHandler("file");
    const std::string copy = desktop.source().toLocalFile().toStdString();
    const auto edit = [&](const Bytes& bytes) {
        usleep(10'000);  // a coarse clock would give the edit the same modification time
        WriteFile(copy, bytes);
        window->AskAboutEdits();
    };
    window->AskAboutEdits();                                             // nothing changed
    std::filesystem::rename(copy, copy + "~"), window->AskAboutEdits();  // away while saved
    std::filesystem::rename(copy + "~", copy);
    ++messages->yeses, edit("new");
    const Bytes updated = ArchiveImage({{"A.TXT", "1"}, {"NOTES.TXT", "new"}});
    EXPECT_SAME_BYTES(Read("edit.kfx"), updated);
    window->AskAboutEdits();
    edit("newer");  // No
    edit("newer");  // saved again unchanged
    EXPECT_SAME_BYTES(Read("edit.kfx"), updated);
    const Bytes theirs = ArchiveImage({{"NOTES.TXT", "theirs"}, {"A.TXT", "1"}});
    Write("edit.kfx", theirs);
    ++messages->yeses, edit("mine");
    EXPECT_SAME_BYTES(Read("edit.kfx"), theirs);
    EXPECT_SAME_BYTES(ReadFile(copy), "mine");
    edit("mine");  // saved again as it was asked about: not asked again before the close
    QDesktopServices::setUrlHandler("file", &desktop, "setSource");
    ++messages->yeses, ClickRow(0), window->mnuOpen->trigger();  // asked before it is written again
    QDesktopServices::unsetUrlHandler("file");
    window->close();
    EXPECT_SAME_BYTES(Read("edit.kfx"), ArchiveImage({{"NOTES.TXT", "mine"}, {"A.TXT", "1"}}));
    const QString asked = "Kofrex 4: 'NOTES.TXT' was changed. Update it in the archive?";
    EXPECT_EQ(messages->shown,
              QStringList({asked, asked, asked,
                           "Kofrex 0: 'NOTES.TXT' could not be updated: another program changed "
                           "the archive meanwhile, and its list has been read again. The edited "
                           "file is kept at " +
                               QString::fromStdString(copy) + " until Kofrex closes.",
                           asked}));
}

TEST_F(Window, ProgressShowsWaitingAndWorkAndEscapeOrCloseLeavesEveryFile) {
    MakeWindow(std::chrono::milliseconds(0));  // each progress dialog shows at the first report
    ShowWindow();
    const Bytes big(4 << 20, 'x');
    const QString archive = Archive("big.kfx", {{"BIG.BIN", big}});
    Write("new.bin", big), Write("small.txt", "s"), Write("target.bin", "old");
    Run(window->cmdBrowse, archive);
    int held = ::open(qPrintable(archive), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);  // another program is adding
    QStringList seen;                      // what each progress dialog showed when it was acted on
    QTimer watch;
    watch.callOnTimeout([&] {
        auto* box = window->findChild<QProgressDialog*>();
        if (!box || !box->isVisible() || box->property("done").toBool()) {
            return;
        }
        const QString state =
            QString("%1 %2-%3").arg(box->labelText()).arg(box->minimum()).arg(box->maximum());
        QTest::mouseClick(window->cmdNew, Qt::LeftButton);  // input outside it is held back
        if (box->maximum() == 0 && held >= 0) {             // waiting: the other program finishes
            seen << state, ::close(std::exchange(held, -1));
        } else if (box->maximum() != 0) {
            QTest::keyClick(box->findChild<QPushButton*>(), Qt::Key_Return);  // Enter: no cancel
            seen << state + (box->wasCanceled() ? " Enter cancelled" : ""),
                box->setProperty("done", true);
            // The extract is stopped by closing the window, the adds by Escape.
            box->labelText().startsWith("Extracting") ? (void)window->close()
                                                      : QTest::keyClick(box, Qt::Key_Escape);
        }
    });
    watch.start(0);
    const QString huge = Path("huge.kfx");  // a 48 MiB directory
    WriteHugeArchive(huge.toStdString());
    Run(window->cmdBrowse, huge);  // cancelled: said nothing, kept the archive shown
    Run(window->cmdAdd, Path("new.bin"));
    EXPECT_TRUE(Drop({Path("new.bin"), Path("small.txt")}));  // one progress, one cancel for both
    ClickRow(0);
    ++messages->yeses;
    Run(window->cmdExtract, Path("target.bin"));
    QCoreApplication::processEvents();
    const QString waiting = "\nWaiting for another program to finish with the archive…";
    EXPECT_EQ(seen, QStringList({"Opening huge.kfx… 0-1000", "Adding NEW.BIN…" + waiting + " 0-0",
                                 "Adding NEW.BIN… 0-1000", "Adding 2 files… 0-1000",
                                 "Extracting BIG.BIN… 0-1000"}));
    EXPECT_EQ(messages->shown.size(), 1);  // the question before the extract; no error
    EXPECT_SAME_BYTES(Read("big.kfx"), ArchiveImage({{"BIG.BIN", big}}));
    EXPECT_SAME_BYTES(Read("target.bin"), "old");
    EXPECT_EQ(folder.Names().size(), 5u);  // no temporary file
    EXPECT_EQ(dialog->uses.size(), 4);     // the clicks on New never reached the window
    EXPECT_FALSE(window->isVisible());     // closed once the extract was cancelled
}

// What another program does to the archive between its opening and the extract, and errors no
// command handles: each is shown by name, and the window goes on with the archive as it now is.
TEST_F(Window, WhatGoesWrongIsShownAndTheWindowGoesOnWithTheArchiveAsItIs) {
    const QString archive = Path("shared.kfx");
    const auto fail = [this](Call call, const std::function<int()>& how) {
        return [=, this] {
            files.fault = [=, once = true](Call kind, int) mutable {
                return kind == call && std::exchange(once, false) ? how() : 0;
            };
        };
    };
    const auto replace = [&] {
        return std::rename(qPrintable(Archive("o.kfx", {{"B", "2"}})), qPrintable(archive)), 0;
    };
    const auto rewrite = [&] { Write("shared.kfx", ArchiveImage({{"B", "2"}})); };  // in place
    const QString changed = "The archive has changed since it was opened.";
    // What happens after the row was chosen, the target chosen, the message shown, the row the
    // list then shows ("" for no archive left), and whether all entries are extracted.
    const std::vector<std::tuple<Act, QString, QString, QString, bool>> cases = {
        {replace, "", changed, "B", false},
        {rewrite, "", changed, "B", false},
        {fail(Call::LinkStatus, replace), Path("new.bin"), changed, "B",
         false},  // during the dialog
        {fail(Call::Open, replace), Path("gone"), changed, "B", true},
        {[&] { std::remove(qPrintable(archive)); }, "", "The archive '" + archive + "' is gone", "",
         false},
        {[&] { Write("shared.kfx", "junk"); }, "",
         "The file '" + archive + "' is not an archive that Kofrex can read.\nIt is shorter", "",
         false},
        {fail(Call::Open, []() -> int { throw std::bad_alloc(); }), Path("x"),
         "Error 12: Out of memory", "A", false},
        {fail(Call::PathStatus, []() -> int { throw 42; }), "", "Error -1: An unexpected error",
         "A", false},
        {fail(Call::Name, [] { return EACCES; }), Path("x"), "Error 13: Could not", "A", false},
        {fail(Call::Open, [] { return EACCES; }), Path("x"), "Error 13: Could not open " + archive,
         "A", false}};
    for (const auto& [change, target, start, row, all] : cases) {
        files.fault = nullptr;
        messages->shown.clear();
        Run(window->cmdBrowse, Archive("shared.kfx", {{"A", "1"}}));
        ClickRow(0);
        usleep(10'000);  // a coarse clock would give a change the same modification time
        change();
        if (!target.isEmpty()) {
            dialog->choices << target, ++messages->yeses;
        }
        all ? window->mnuExtractAll->trigger() : window->cmdExtract->click();
        const QString shown = messages->shown.value(messages->shown.size() - 1);
        EXPECT_TRUE(shown.startsWith("Kofrex 0: " + start)) << shown.toStdString();
        const QStringList rows = row.isEmpty() ? QStringList() : QStringList(row.leftJustified(15));
        EXPECT_EQ(Shows(),
                  rows + QStringList({"Size: ", "Offset: ", row.isEmpty() ? "" : archive, "-1"}))
            << start.toStdString();
    }
    EXPECT_EQ(folder.Names(), std::vector<std::string>({"shared.kfx"}));  // nothing half-done
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// Work holds typing back, but a question it asks gets the keyboard and the normal cursor.
TEST_F(Window, AQuestionDuringWorkTakesInputAndTheCursorIsBusyAgainAfter) {
    QLineEdit typing;
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    WorkProgress work(window.get(), "Working", kProgressDelay);
    const auto typed = [&](const QString& keys) {
        QTest::keyClicks(&typing, keys);
        return typing.text();
    };
    EXPECT_EQ(typed("a"), "");
    work.AskUser([&] {
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        return typed("b").size();
    });
    EXPECT_EQ(typed("c"), "b");
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
    QGuiApplication::restoreOverrideCursor();
}

// In a real event loop, in a child of its own: an error is shown, the window stays, and once the
// user closes it the program ends with status 0 (1 if the window went with the error).
TEST_F(Window, GoesOnAfterAnErrorUntilClosedAndEndsWithStatusZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process: Qt runs threads
    const auto session = [this] {
        ShowWindow();
        bool stayed = false;
        QTimer::singleShot(0, [&] {
            Run(window->cmdNew, Path("gone/new.kfx"));
            stayed = window->isVisible() && messages->shown.size() == 1;
            window->close();
        });
        const int status = QApplication::exec();
        std::_Exit(stayed ? status : 1);  // no teardown to disturb it; the folder goes by itself
    };
    EXPECT_EXIT(session(), ::testing::ExitedWithCode(0), "");
}

// A list longer than its box: each key, click or scroll request selects or shows the row its
// arithmetic gives, with the first row shown as Qt's own list would scroll it.
TEST_F(Window, KeysClicksAndScrollsOfALongListReachTheirRowAndShowIt) {
    std::vector<StoredFile> many;
    for (int i = 0; i < 100; ++i) {
        many.push_back({"F" + std::to_string(i), Bytes(i + 1, 'f')});
    }
    Run(window->cmdBrowse, Archive("many.kfx", many));
    ShowWindow();
    ListBox* list = window->lstFiles;
    QScrollBar* bar = list->verticalScrollBar();
    const QImage painted = list->viewport()->grab().toImage();
    const int height = list->visualRect(list->model()->index(0, 0)).height();
    const int page = list->viewport()->height() / height;
    EXPECT_EQ(bar->maximum(), 100 - page);
    EXPECT_EQ(bar->pageStep(), page);
    const auto click = [&](int y, Qt::KeyboardModifiers keys = {}) {
        return [=] { QTest::mouseClick(list->viewport(), Qt::LeftButton, keys, {0, y}); };
    };
    using enum QAbstractItemView::ScrollHint;
    const auto scroll = [&](int row, QAbstractItemView::ScrollHint hint) {
        return [=] { list->scrollTo(list->model()->index(row, 0), hint); };
    };
    // What is done (a key, when no row is selected yet, selects its first), then the row selected
    // and the first row shown.
    const std::vector<std::tuple<std::variant<Qt::Key, Act>, int, int>> steps = {
        {Qt::Key_Down, 0, 0},
        {[&] { window->ListFiles(), QTest::keyClick(list, Qt::Key_End); }, 99, 100 - page},
        {Qt::Key_Up, 98, 100 - page},
        {Qt::Key_PageUp, 98 - page, 98 - page},
        {Qt::Key_PageDown, 98, 99 - page},
        {Qt::Key_Home, 0, 0},
        {Qt::Key_Down, 1, 0},
        {Qt::Key_PageDown, 1 + page, 2},
        {click(height * 3), 5, 2},
        {click(height * 3, Qt::ControlModifier), 5, 2},  // never deselected
        {click(-1), 5, 2},
        {scroll(50, PositionAtTop), 5, 50},
        {scroll(50, PositionAtBottom), 5, 51 - page},
        {scroll(50, PositionAtCenter), 5, 50 - page / 2},
        {scroll(60, EnsureVisible), 5, 50 - page / 2},
        {scroll(30, EnsureVisible), 5, 30},
        {scroll(-1, EnsureVisible), 5, 30}};  // no row: no scroll
    for (int step = 0; const auto& [act, row, first] : steps) {
        SCOPED_TRACE(++step);
        act.index() == 0 ? QTest::keyClick(list, std::get<0>(act)) : std::get<1>(act)();
        EXPECT_EQ(window->lblSize->text(), QString("Size: %1 bytes").arg(row + 1));
        EXPECT_EQ(bar->value(), first);
        EXPECT_EQ(list->indexAt({1, height * 2 + 1}).row(), first + 2);
    }
    // Shift+arrows from a row scrolled out of sight, and with no row selected yet.
    QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(list->SelectedRows(), std::vector<int>({5, 6}));
    window->ListFiles(), QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(list->SelectedRows(), std::vector<int>({0, 1}));
    list->SetRows(0, {});  // each row is painted where the arithmetic places it
    EXPECT_NE(painted, list->viewport()->grab().toImage());
}

TEST_F(Window, AnArchiveNamedOnStartOrDroppedOpensAndDroppedFilesAreAddedInOrder) {
    const QString archive = Archive("drop.kfx", {}), a = Write("a.txt", "a");
    const QString b = Write("b.txt", "bb");
    EXPECT_FALSE(Drop({archive, a}));
    EXPECT_FALSE(Drop({"https://example.org/x.kfx"}));
    EXPECT_EQ(store.ArchivePath(), "");
    EXPECT_TRUE(Drop({archive}, window->txtArchive));  // a file for the window, not text
    EXPECT_EQ(window->txtArchive->text(), archive);
    ASSERT_EQ(::mkfifo(qPrintable(Path("fifo")), 0600), 0);
    const QString report = Write("отчет.txt", "1"), photos = Write("фотки.txt", "2");
    EXPECT_TRUE(Drop({b, "https://example.org/c.txt", a, report, photos, Path("fifo")}));
    EXPECT_EQ(Rows(), QStringList({"B.TXT          ", "A.TXT          ", "?????.TXT      "}));
    EXPECT_TRUE(Drop({a}));
    window->OpenNamedArchive(Archive("named.kfx", {}));
    window->OpenNamedArchive(a);  // no archive: said so, by name, as through the dialog
    Run(window->cmdBrowse, b);
    // Cut short: what is whole is offered, written where the user chooses, the rest named.
    const QString cut =
        Write("cut.kfx", ArchiveImage({{"ONE", "one"}, {"TWO", "two"}}).substr(0, 59));
    ASSERT_TRUE(QDir().mkpath(Path("saved")));
    ++messages->yeses, dialog->choices << cut << Path("saved"), window->cmdBrowse->click();
    EXPECT_EQ(Read("saved/ONE"), "one");
    EXPECT_EQ(window->txtArchive->text(), Path("named.kfx"));
    const QString refused = "Kofrex 0: The file '%1' is not an archive that Kofrex can read.";
    const QString lost = "The data of entry 2 run past the end of the file; bytes missing: 2.";
    const QString tooShort = "\nIt is shorter than the 9 bytes of an archive's header.";
    EXPECT_EQ(messages->shown,
              QStringList({"Kofrex 0: These files were not stored:\nфотки.txt: its stored name "
                           "?????.TXT is already in the archive.\nfifo: it is not a regular file.\n"
                           "Stored names are upper case, in Windows-1252 and at most 15 bytes "
                           "long:\nотчет.txt is stored as ?????.TXT.",
                           "Kofrex 0: This file was not stored:\na.txt: its stored name A.TXT is "
                           "already in the archive.",
                           refused.arg(a) + tooShort, refused.arg(b) + tooShort,
                           refused.arg(cut).replace(" 0: ", " 4: ") + "\n" + lost +
                               "\n\n1 of 2 entries are whole. Extract them to a folder?",
                           "Kofrex 0: 'TWO' was not recovered. " + lost}));
}

// Runs `act` on the modal widget once it is up. Whatever is still open two seconds later (a
// question nobody expected) is closed, so that a fault fails the test instead of hanging it.
void WhenShown(QObject& scope, const std::function<void(QWidget*)>& act) {
    QTimer::singleShot(0, &scope, [act] { act(QApplication::activeModalWidget()); });
    QTimer::singleShot(2000, &scope, [] {
        while (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
        }
    });
}

TEST_F(Window, TheQtDialogTranslatesItsPropertiesAndEachUseStartsWithNothingChosen) {
    Write("data.kfx", ""), Write("old.kfx", "");
    ShowWindow();
    QtCommonDialog qt(window.get());
    QFileDialog& widget = qt.Widget();
    auto* list = widget.findChild<QAbstractItemView*>("listView");
    auto* name = widget.findChild<QLineEdit*>("fileNameEdit");
    qt.DefaultExt = ".kfx", qt.DialogTitle = "Title";
    qt.Filter = "Kofrex Archives (*.kfx)|*.kfx|Pictures|*.png;*.jpg|All files (*.*)|*.*|Odd";
    const Act typeData = [&] {
        name->setText(Path("data.kfx"));
        name->completer()->popup()->show();  // as typing brings it up
    };
    const Act typeWithTheFolderSelected = [&] {  // as Qt leaves it when the name is typed
        ASSERT_TRUE(QTest::qWaitFor([&] { return list->model()->rowCount(list->rootIndex()); }));
        QTest::keyClicks(name, Path("data.kfx"));
        QItemSelectionModel* selection = list->selectionModel();
        const QModelIndex file = selection->selectedRows().value(0);
        selection->select(list->rootIndex(),
                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        selection->select(file, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    };
    // Save or open, what the user does, the key pressed, and the file chosen. The commands ask
    // before replacing a file, so the dialog must not.
    const std::vector<std::tuple<bool, Act, Qt::Key, QString>> uses = {
        {true, [&] { name->setText(Path("old")); }, Qt::Key_Return, Path("old.kfx")},
        {false, typeData, Qt::Key_Escape, ""},
        {false, typeData, Qt::Key_Return, Path("data.kfx")},
        {false, [] {}, Qt::Key_Return, ""},  // nothing chosen: Enter accepts nothing
        {false, typeWithTheFolderSelected, Qt::Key_Return, Path("data.kfx")}};
    for (int use = 0; const auto& [save, act, key, chosen] : uses) {
        SCOPED_TRACE(++use);
        QObject scope;
        WhenShown(scope, [&](QWidget*) {
            // Nothing typed, in the last use's folder, where a typed name took it.
            EXPECT_EQ(name->text(), "");
            if (!save) {
                EXPECT_EQ(widget.directory().absolutePath() + "/", Path(""));
            }
            act();
            QTest::keyClick(name, key);
            if (widget.isVisible()) {
                widget.reject();
            }
        });
        qt.FileName.clear(), qt.Flags = save ? 0x80004 : 0x81004;
        save ? qt.ShowSave() : qt.ShowOpen();
        EXPECT_EQ(qt.FileName, chosen);
        EXPECT_EQ(widget.fileMode(), save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        EXPECT_EQ(widget.acceptMode(), save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        EXPECT_FALSE(name->completer()->popup()->isVisible());
        ShowWindow();  // the window, not the hidden dialog, has the focus between uses
    }
    EXPECT_EQ(widget.nameFilters(),
              QStringList({"Kofrex Archives (*.kfx)", "Pictures (*.png *.jpg)", "All files (*)"}));
    EXPECT_EQ(qt.FileTitle(), "data.kfx");
    ASSERT_TRUE(QDir().mkpath(Path("sub")));
    QObject scope;  // a folder proposed: the dialog starts there, with no name typed
    WhenShown(scope, [&](QWidget*) {
        EXPECT_EQ(widget.directory().absolutePath() + "/" + name->text(), Path("sub/"));
        widget.reject();
    });
    qt.FileName = Path("sub/"), qt.ShowOpen();
}

// A program for a file is found as the desktop's opener finds it: a desktop entry naming its
// type or one it is a kind of, an association, a cache; not a removed association.
TEST(OpenWith, AProgramIsFoundByTheTypeItNamesOrAnAssociation) {
    const ScratchFolder scratch;
    const QProcessEnvironment before = QProcessEnvironment::systemEnvironment();
    const auto restore = qScopeGuard([&] {
        for (const char* name :
             {"XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS"}) {
            before.contains(name) ? qputenv(name, before.value(name).toUtf8()) : qunsetenv(name);
        }
    });
    for (const auto& [variable, below] : {std::pair{"XDG_DATA_HOME", "home"},
                                          {"XDG_DATA_DIRS", "system"},
                                          {"XDG_CONFIG_HOME", "config"},
                                          {"XDG_CONFIG_DIRS", "etc"}}) {
        qputenv(variable, QByteArray::fromStdString(scratch / below));
        std::filesystem::create_directories(scratch / (std::string(below) + "/applications"));
    }
    // The types themselves from the system's database, without its programs.
    std::filesystem::create_directory(scratch / "types");
    std::filesystem::create_directory_symlink("/usr/share/mime", scratch / "types/mime");
    qputenv("XDG_DATA_DIRS", QByteArray::fromStdString(scratch / "system:" + scratch / "types"));
    // The file written, then whether a PNG image and a text file have a program.
    const std::tuple<std::string, std::string, bool, bool> cases[] = {
        {"", "", false, false},
        {"system/applications/viewer.desktop", "[Desktop Entry]\nMimeType=image/png;\n", true,
         false},
        {"system/applications/viewer.desktop", "[Desktop Entry]\nMimeType=text/x-csrc;\n", false,
         false},
        {"home/applications/mimeinfo.cache", "[MIME Cache]\ntext/plain=editor.desktop;\n", false,
         true},
        {"home/applications/mimeinfo.cache", "[MIME Cache]\ntext/plain=\n", false, false},
        {"config/mimeapps.list", "[Added Associations]\nimage/png=viewer.desktop;\n", true, false},
        {"config/mimeapps.list", "[Removed Associations]\nimage/png=viewer.desktop;\n", false,
         false},
        {"etc/mimeapps.list", "[Default Applications]\napplication/octet-stream=hex.desktop\n",
         true, true}};  // what every file is a kind of
    for (const auto& [file, text, png, plain] : cases) {
        if (!file.empty()) {
            WriteFile(scratch / file, text);
        }
        EXPECT_EQ(DesktopHasProgramFor("/x/picture.png"), png) << file << text;
        EXPECT_EQ(DesktopHasProgramFor("/x/notes.txt"), plain) << file << text;
        if (!file.empty()) {
            std::filesystem::remove(scratch / file);
        }
    }
}

TEST(QtMessages, AnswerAsPressedWithoutIconAndWithTheApplicationTitleByDefault) {
    QtMessageBox messages(nullptr);
    QStringList shown;  // title, buttons and icon (none), then the answer
    for (const auto& [buttons, title, key] :
         {std::tuple{kButtonsYesNo, "Overwrite", Qt::Key_Return},  // Yes is the default button
          {kButtonsYesNo, "Overwrite", Qt::Key_Escape},
          {kButtonsYesNo | kDefaultButton2, "", Qt::Key_Return},  // a question whose Yes loses data
          {kButtonsYesNoToAll, "Overwrite", Qt::Key_Return},
          {kButtonsYesNoToAll, "Overwrite", Qt::Key_Escape},
          {kButtonsOkOpenWith, "", Qt::Key_unknown},  // the button beside OK clicked
          {kButtonsOkOnly, "", Qt::Key_Return}}) {
        QObject scope;
        WhenShown(scope, [&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            shown << box->windowTitle() +
                         QString(" %1 %2").arg(box->buttons().size()).arg(box->icon());
            // Qt lists an action's button after OK.
            key == Qt::Key_unknown ? box->buttons().constLast()->click()
                                   : QTest::keyClick(box, key);
        });
        shown.last() += QString(": %1").arg(messages.Show("Text", buttons, title));
    }
    EXPECT_EQ(shown, QStringList({"Overwrite 2 0: 6", "Overwrite 2 0: 7", "Kofrex 2 0: 7",
                                  "Overwrite 4 0: 6", "Overwrite 4 0: 7", "Kofrex 2 0: 13",
                                  "Kofrex 1 0: 1"}));
}

}  // namespace
}  // namespace kofrex::test

int main(int argc, char* argv[]) {
    // Test discovery runs this binary too, outside the tests' environment.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);  // unless the run names another platform
    QApplication application(argc, argv);
    const QTemporaryDir settings;  // what the window remembers between runs, not the user's
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
