// The window's layout and its five commands against a real store, with scripted dialog answers
// (a Yes/No question nobody scripted is answered No).

#include <QApplication>
#include <QLocale>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <new>

#include "window_fixture.h"

namespace kofrex::test {
namespace {

const QString kArchives = "Kofrex Archives (*.kfx)|*.kfx|All files (*.*)|*.*";
const QString kAllFiles = "All files (*.*)|*.*";

class Window : public WindowTest {
  protected:
    // What a command may change: the rows, the two labels, the path box and the selected row.
    QStringList Shows() const {
        return Rows() << window->lblSize->text() << window->lblOffset->text()
                      << window->txtArchive->text()
                      << QString::number(window->lstFiles->ListIndex());
    }
    // Clicks `command` with the dialog choosing `path`; "" cancels.
    void Run(QPushButton* command, const QString& path) {
        dialog->WillChoose(path);
        command->click();
    }
};

TEST_F(Window, ControlsStandWhereTheLayoutPutsThemAndCaptionsFitBesideThem) {
    ShowWindow();
    EXPECT_EQ(window->size(), QSize(404, 380));
    const std::vector<std::pair<QWidget*, QRect>> layout = {
        {window->cmdExtract, {280, 128, 121, 25}}, {window->Frame1, {280, 160, 121, 209}},
        {window->lblOffset, {8, 104, 105, 41}},    {window->lblSize, {8, 40, 105, 41}},
        {window->cmdNew, {280, 48, 121, 25}},      {window->cmdAdd, {280, 96, 121, 25}},
        {window->lstFiles, {8, 96, 265, 277}},     {window->cmdBrowse, {376, 16, 25, 25}},
        {window->txtArchive, {80, 16, 297, 25}}};
    for (const auto& [control, rect] : layout) {
        EXPECT_EQ(control->geometry(), rect) << control->metaObject()->className();
    }
    EXPECT_EQ(std::pair(window->Label1->pos(), window->Label2->pos()),
              std::pair(QPoint(8, 16), QPoint(8, 72)));
    // In the dialog font the layout was drawn for, each caption fits on one line beside its box.
    EXPECT_LT(window->Label1->geometry().right(), window->txtArchive->x());
    EXPECT_LT(window->Label2->geometry().bottom(), window->lstFiles->y());
    EXPECT_EQ(QApplication::focusWidget(), window->txtArchive);
    for (QWidget* next :
         std::initializer_list<QWidget*>{window->lstFiles, window->cmdBrowse, window->cmdNew,
                                         window->cmdAdd, window->cmdExtract, window->txtArchive}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->metaObject()->className();
    }
}

TEST_F(Window, EachDialogIsSetUpAfreshAndACancelChangesNothing) {
    window->cmdAdd->click();  // no archive yet: no dialog, no message
    window->cmdExtract->click();
    const QString archive = MakeArchive("one.kfx", {{"A.TXT", "12345"}, {"B.TXT", "xy"}});
    Run(window->cmdBrowse, archive);
    window->cmdExtract->click();  // no row selected: no dialog either
    ClickRow(1);
    const QStringList before = Shows();
    for (QPushButton* command :
         {window->cmdNew, window->cmdBrowse, window->cmdAdd, window->cmdExtract}) {
        Run(command, "");
        EXPECT_EQ(Shows(), before) << command->text().toStdString();
    }
    QStringList uses;
    for (const DialogUse& use : dialog->Uses()) {
        uses << QString("%1 '%2' %3 %4 %5 %6")
                    .arg(use.save ? "save" : "open", use.fileName, use.filter)
                    .arg(use.flags, 0, 16)
                    .arg(use.dialogTitle, use.defaultExt);
    }
    EXPECT_EQ(uses,
              QStringList({"open '' " + kArchives + " 81004 Open archive... .kfx",
                           "save '' " + kArchives + " 80004 New archive... .kfx",
                           "open '' " + kArchives + " 81004 Open archive... .kfx",
                           "open '' " + kAllFiles + " 81004 Open archive... .kfx",
                           "save '' " + kAllFiles + " 80004 Extract file from archive... .kfx"}));
    ASSERT_EQ(MessageTexts(), QStringList("Select a file that you would like to extract first."));
    EXPECT_EQ(std::pair(messages->Shown()[0].buttons, messages->Shown()[0].title),
              std::pair(kButtonsOkOnly, QString("Kofrex")));
}

TEST_F(Window, NewArchiveReplacesAnExistingFileOnlyAfterYes) {
    Run(window->cmdBrowse, MakeArchive("current.kfx", {{"A.TXT", "12345"}}));
    ClickRow(0);
    const QStringList before = Shows();
    const QString existing = Path("old.kfx");
    WriteBytes(existing, QByteArray(100, 'x'));
    Run(window->cmdNew, existing);
    EXPECT_EQ(ReadBytes(existing), QByteArray(100, 'x'));
    EXPECT_EQ(Shows(), before);
    messages->WillAnswer(kAnswerYes);
    Run(window->cmdNew, existing);
    EXPECT_EQ(ReadBytes(existing), QByteArray("KFRX\x01\0\0\0\0", 9));
    EXPECT_EQ(Shows(), QStringList({"Size: ", "Offset: ", existing, "-1"}));
    Run(window->cmdNew, Path("fresh.kfx"));  // nothing there: no question
    EXPECT_EQ(store.ArchivePath(), Path("fresh.kfx").toStdString());
    ASSERT_EQ(MessageTexts(), QStringList(2, "The file 'old.kfx' already exists. Overwrite it?"));
    EXPECT_EQ(std::pair(messages->Shown()[0].buttons, messages->Shown()[0].title),
              std::pair(kButtonsYesNo, QString("Overwrite")));
}

TEST_F(Window, OpenAndAddRebuildTheListInOrderAndRefusalsChangeNothingElse) {
    const QString archive = MakeArchive("two.kfx", {{"ZED.TXT", "1"}});
    Run(window->cmdBrowse, archive);
    ClickRow(0);
    WriteBytes(Path("alpha"), "abc");
    WriteBytes(Path("notes.txt"), "no archive");
    Run(window->cmdAdd, Path("alpha"));
    const QStringList added = {
        "ZED.TXT        ", "ALPHA          ", "Size: ", "Offset: ", archive, "-1"};
    EXPECT_EQ(Shows(), added);
    for (auto [command, path] : {std::pair(window->cmdAdd, Path("alpha")),  // a duplicate
                                 std::pair(window->cmdBrowse, Path("notes.txt"))}) {
        ClickRow(1);
        Run(command, path);
        EXPECT_EQ(Shows(), added) << path.toStdString();
    }
    EXPECT_EQ(store.ArchivePath(), archive.toStdString());
    EXPECT_TRUE(messages->Shown().empty());
}

TEST_F(Window, ASelectedRowShowsItsSizeAndOffsetGroupedAndExtractsByRow) {
    Run(window->cmdBrowse, MakeArchive("rows.kfx", {{"FIVE", "hello"},
                                                    {"EMPTY", ""},
                                                    {"BIG", QByteArray(1234567, 'b')},
                                                    {"\xC9T\xC9", "summer"},
                                                    {"ETE", "other"}}));
    EXPECT_EQ(Rows()[3], QString::fromUtf8("\u00C9T\u00C9            "));
    const auto grouped = [](const QStringList& groups) {
        return groups.join(QLocale::system().groupSeparator() + " ");
    };
    // Data start after the header and five entries: 9 + 5 * 23 + 1.
    const std::vector<std::pair<QString, QString>> labels = {
        {"Size: 5 bytes", "Offset: 125"},
        {"Size:  bytes", "Offset: 130"},
        {"Size: " + grouped({"1", "234", "567"}) + " bytes", "Offset: 130"},
        {"Size: 6 bytes", "Offset: " + grouped({"1", "234", "697"})}};
    for (int row = 0; row < 4; ++row) {
        ClickRow(row);
        EXPECT_EQ(std::pair(window->lblSize->text(), window->lblOffset->text()), labels[row]);
    }
    const QStringList before = Shows();
    const QString target = Path("target.bin");
    WriteBytes(target, QByteArray(100, 'x'));
    Run(window->cmdExtract, target);
    EXPECT_EQ(ReadBytes(target), QByteArray(100, 'x'));
    messages->WillAnswer(kAnswerYes);
    Run(window->cmdExtract, target);
    EXPECT_EQ(ReadBytes(target), "summer");
    EXPECT_EQ(MessageTexts(),
              QStringList(2, "The file 'target.bin' already exists. Overwrite it?"));
    EXPECT_EQ(Shows(), before);
    ClickRow(1);
    Run(window->cmdExtract, Path("empty.bin"));
    EXPECT_EQ(ReadBytes(Path("empty.bin")), "");
}

TEST_F(Window, ExtractOntoTheCurrentArchiveIsRefusedHoweverItIsSpelled) {
    const QString archive = MakeArchive("self.kfx", {{"FIVE", "hello"}});
    Run(window->cmdBrowse, archive);
    ClickRow(0);
    for (const QString& spelling : {archive, Path("./self.kfx")}) {
        messages->WillAnswer(kAnswerYes);
        Run(window->cmdExtract, spelling);
    }
    EXPECT_EQ(MessageTexts()[0], "A file cannot be extracted onto the archive itself.");
    EXPECT_EQ(MessageTexts()[1], MessageTexts()[0]);
    EXPECT_EQ(ReadBytes(archive).size(), 37);
}

TEST_F(Window, AnErrorNoCommandHandlesIsShownAndEndsTheProgram) {
    Run(window->cmdBrowse, MakeArchive("one.kfx", {{"FIVE", "hello"}}));
    ClickRow(0);
    WriteBytes(Path("keep.bin"), "previous content");
    fs.fault = [](std::string_view kind, int) { return kind == "WriteAt" ? ENOSPC : 0; };
    messages->WillAnswer(kAnswerYes);
    Run(window->cmdExtract, Path("keep.bin"));
    fs.fault = [](std::string_view kind, int) {
        return kind == "Open" ? throw std::bad_alloc() : 0;
    };
    Run(window->cmdBrowse, Path("any.kfx"));
    fs.fault = [](std::string_view, int) -> int { throw 42; };
    Run(window->cmdBrowse, Path("any.kfx"));
    fs.fault = nullptr;
    ASSERT_EQ(MessageTexts().size(), 4);  // the question, then the three errors
    EXPECT_TRUE(MessageTexts()[1].contains(QString::number(ENOSPC)));
    EXPECT_TRUE(MessageTexts()[2].contains("Out of memory"));
    EXPECT_TRUE(MessageTexts()[3].contains("unexpected error"));
    for (std::size_t i = 1; i < 4; ++i) {
        EXPECT_EQ(messages->Shown()[i].title, "Kofrex");
        EXPECT_FALSE(messages->Shown()[i].waitCursorShown);
    }
    EXPECT_EQ(exitStatuses, std::vector<int>(3, kErrorExitStatus));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(ReadBytes(Path("keep.bin")), "previous content");
}

// Run alone in a child by the test below: the window in a real event loop, with the exit that
// ends it on an error.
TEST_F(Window, DISABLED_EndsTheEventLoopOnAnError) {
    auto scripted = std::make_unique<ScriptedDialog>();
    scripted->WillChoose(Path("no-folder/new.kfx"));
    window = std::make_unique<frmMain>(
        store, WindowPlatform{std::move(scripted), std::make_unique<ScriptedMessageBox>(), {}});
    QTimer::singleShot(0, window->cmdNew, &QPushButton::click);
    std::_Exit(QApplication::exec());  // the status alone: no teardown to disturb it
}

TEST(ExitStatus, AnErrorEndsTheProgramWithStatusOne) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_also_run_disabled_tests", "--gtest_filter=*DISABLED_EndsTheEventLoop*"});
    ASSERT_TRUE(child.waitForFinished(20000));
    EXPECT_FALSE(child.readAll().contains("FAILED"));
    EXPECT_EQ(std::pair(child.exitStatus(), child.exitCode()), std::pair(QProcess::NormalExit, 1));
}

}  // namespace
}  // namespace kofrex::test
