// The five commands against a real store, with scripted dialog answers.

#include <QLocale>
#include <QTest>

#include "window_fixture.h"

namespace kofrex::test {
namespace {

using Commands = WindowTest;

const QString kArchiveFilter = "Kofrex Archives (*.kfx)|*.kfx|All files (*.*)|*.*";
const QString kAllFiles = "All files (*.*)|*.*";
const QString kSelectFirst = "Select a file that you would like to extract first.";

QString Grouped(const QStringList& groups) {
    return groups.join(QLocale::system().groupSeparator() + " ");
}

struct Shown {
    QStringList rows;
    QString size, offset, path;
    int selected;
    friend bool operator==(const Shown&, const Shown&) = default;
};

Shown WhatTheWindowShows(const frmMain& window) {
    QStringList rows;
    for (int i = 0; i < window.lstFiles->ListCount(); ++i) {
        rows << window.lstFiles->List(i);
    }
    return {rows, window.lblSize->text(), window.lblOffset->text(), window.txtArchive->text(),
            window.lstFiles->ListIndex()};
}

TEST_F(Commands, EachDialogIsSetUpAfreshWithItsOwnFourProperties) {
    OpenThroughWindow(MakeArchive("one.kfx", {{"A.TXT", "12345"}}));
    dialog->WillChoose("");
    window->cmdNew->click();
    dialog->WillChoose("");
    window->cmdAdd->click();
    ClickRow(0);
    dialog->WillChoose("");
    window->cmdExtract->click();

    const std::vector<DialogUse> expected = {
        {false, "", kArchiveFilter, 0x81004, "Open archive...", ".kfx"},
        {true, "", kArchiveFilter, 0x80004, "New archive...", ".kfx"},
        {false, "", kAllFiles, 0x81004, "Open archive...", ".kfx"},
        {true, "", kAllFiles, 0x80004, "Extract file from archive...", ".kfx"},
    };
    ASSERT_EQ(dialog->Uses().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const DialogUse& use = dialog->Uses()[i];
        EXPECT_EQ(use.save, expected[i].save) << i;
        EXPECT_EQ(use.fileName, expected[i].fileName) << i;
        EXPECT_EQ(use.filter, expected[i].filter) << i;
        EXPECT_EQ(use.flags, expected[i].flags) << i;
        EXPECT_EQ(use.dialogTitle, expected[i].dialogTitle) << i;
        EXPECT_EQ(use.defaultExt, expected[i].defaultExt) << i;
    }
}

TEST_F(Commands, CancellingAnyDialogChangesNothing) {
    const QString archive = MakeArchive("one.kfx", {{"A.TXT", "12345"}, {"B.TXT", "xy"}});
    const QByteArray image = ReadBytes(archive);
    OpenThroughWindow(archive);
    ClickRow(1);
    const Shown before = WhatTheWindowShows(*window);
    ASSERT_EQ(before.selected, 1);

    for (QPushButton* command :
         {window->cmdNew, window->cmdBrowse, window->cmdAdd, window->cmdExtract}) {
        dialog->WillChoose("");
        command->click();
        EXPECT_EQ(WhatTheWindowShows(*window), before) << command->text().toStdString();
    }
    EXPECT_EQ(dialog->Uses().size(), 5U);
    EXPECT_TRUE(messages->Shown().empty());
    EXPECT_EQ(store.ArchivePath(), archive.toStdString());
    EXPECT_EQ(ReadBytes(archive), image);
}

TEST_F(Commands, AddAndExtractDoNothingWithoutAnArchive) {
    window->cmdAdd->click();
    window->cmdExtract->click();
    EXPECT_TRUE(dialog->Uses().empty());
    EXPECT_TRUE(messages->Shown().empty());
}

TEST_F(Commands, ExtractWithoutASelectedRowAsksForOne) {
    OpenThroughWindow(MakeArchive("one.kfx", {{"A.TXT", "12345"}}));
    window->cmdExtract->click();
    OpenThroughWindow(MakeArchive("empty.kfx", {}));
    window->cmdExtract->click();

    EXPECT_EQ(dialog->Uses().size(), 2U);  // the two opens only
    ASSERT_EQ(messages->Shown().size(), 2U);
    for (const MessageShown& shown : messages->Shown()) {
        EXPECT_EQ(shown.text, kSelectFirst);
        EXPECT_EQ(shown.buttons, kButtonsOkOnly);
        EXPECT_EQ(shown.title, "Kofrex");
    }
}

TEST_F(Commands, NewArchiveMakesAnEmptyCurrentArchive) {
    OpenThroughWindow(MakeArchive("full.kfx", {{"A.TXT", "12345"}}));
    ClickRow(0);
    const QString fresh = Path("fresh.kfx");
    dialog->WillChoose(fresh);
    window->cmdNew->click();

    EXPECT_TRUE(messages->Shown().empty());  // nothing to overwrite
    EXPECT_EQ(ReadBytes(fresh).size(), 9);
    EXPECT_EQ(WhatTheWindowShows(*window), (Shown{{}, "Size: ", "Offset: ", fresh, -1}));
    EXPECT_EQ(store.ArchivePath(), fresh.toStdString());
}

TEST_F(Commands, NewArchiveOntoAnExistingFileAsksFirst) {
    const QString existing = Path("old.kfx");
    WriteBytes(existing, QByteArray(100, 'x'));
    const QString archive = MakeArchive("cur.kfx", {{"A.TXT", "12345"}});
    OpenThroughWindow(archive);
    const Shown before = WhatTheWindowShows(*window);

    messages->WillAnswer(kAnswerNo);
    dialog->WillChoose(existing);
    window->cmdNew->click();
    ASSERT_EQ(messages->Shown().size(), 1U);
    EXPECT_EQ(messages->Shown()[0].text, "The file 'old.kfx' already exists. Overwrite it?");
    EXPECT_EQ(messages->Shown()[0].buttons, kButtonsYesNo);
    EXPECT_EQ(messages->Shown()[0].title, "Overwrite");
    EXPECT_EQ(ReadBytes(existing), QByteArray(100, 'x'));
    EXPECT_EQ(WhatTheWindowShows(*window), before);
    EXPECT_EQ(store.ArchivePath(), archive.toStdString());

    messages->WillAnswer(kAnswerYes);
    dialog->WillChoose(existing);
    window->cmdNew->click();
    EXPECT_EQ(ReadBytes(existing).size(), 9);
    EXPECT_EQ(WhatTheWindowShows(*window), (Shown{{}, "Size: ", "Offset: ", existing, -1}));
}

TEST_F(Commands, OpenShowsThePathAndTheRowsInDirectoryOrder) {
    const QString archive = MakeArchive("two.kfx", {{"ZED.TXT", "1"}, {"ALPHA", "22"}});
    OpenThroughWindow(archive);
    EXPECT_EQ(WhatTheWindowShows(*window),
              (Shown{{"ZED.TXT        ", "ALPHA          "}, "Size: ", "Offset: ", archive, -1}));
    EXPECT_TRUE(messages->Shown().empty());
}

TEST_F(Commands, OpeningANonArchiveKeepsTheCurrentOneButDropsTheSelection) {
    const QString archive = MakeArchive("two.kfx", {{"A", "1"}, {"B", "22"}});
    OpenThroughWindow(archive);
    ClickRow(1);
    const QString notArchive = Path("notes.txt");
    WriteBytes(notArchive, "just some text");
    OpenThroughWindow(notArchive);

    EXPECT_EQ(WhatTheWindowShows(*window),
              (Shown{{"A              ", "B              "}, "Size: ", "Offset: ", archive, -1}));
    EXPECT_EQ(store.ArchivePath(), archive.toStdString());
    EXPECT_TRUE(messages->Shown().empty());
}

TEST_F(Commands, AddingRebuildsTheListAndResetsTheLabels) {
    OpenThroughWindow(MakeArchive("one.kfx", {{"FIRST", "1"}}));
    ClickRow(0);
    ASSERT_EQ(window->lblSize->text(), "Size: 1 bytes");
    ASSERT_EQ(window->lblOffset->text(), "Offset: 33");  // just past header and one entry
    const QString added = Path("second.bin");
    WriteBytes(added, "abc");
    dialog->WillChoose(added);
    window->cmdAdd->click();

    const QString path = window->txtArchive->text();
    EXPECT_EQ(WhatTheWindowShows(*window),
              (Shown{{"FIRST          ", "SECOND.BIN     "}, "Size: ", "Offset: ", path, -1}));

    dialog->WillChoose(added);  // the same name again: refused without a word
    window->cmdAdd->click();
    EXPECT_EQ(Rows().size(), 2);
    EXPECT_TRUE(messages->Shown().empty());
}

TEST_F(Commands, SelectingARowShowsItsSizeAndOffset) {
    const QByteArray big(1234567, 'b');
    OpenThroughWindow(MakeArchive("sizes.kfx", {{"FIVE", "hello"}, {"EMPTY", ""}, {"BIG", big}}));
    // Data start after the header and three entries: 9 + 3 * 23 + 1.
    ClickRow(0);
    EXPECT_EQ(window->lblSize->text(), "Size: 5 bytes");
    EXPECT_EQ(window->lblOffset->text(), "Offset: 79");
    ClickRow(1);
    EXPECT_EQ(window->lblSize->text(), "Size:  bytes");
    EXPECT_EQ(window->lblOffset->text(), "Offset: 84");
    ClickRow(2);
    EXPECT_EQ(window->lblSize->text(), "Size: " + Grouped({"1", "234", "567"}) + " bytes");
    EXPECT_EQ(window->lblOffset->text(), "Offset: 84");
}

TEST_F(Commands, ArrowKeysMoveTheSelectionAndTheLabels) {
    OpenThroughWindow(MakeArchive("three.kfx", {{"A", "1"}, {"B", "22"}, {"C", "333"}}));
    ShowWindow();
    ClickRow(0);
    QTest::keyClick(window->lstFiles, Qt::Key_Down);
    EXPECT_EQ(window->lstFiles->ListIndex(), 1);
    EXPECT_EQ(window->lblSize->text(), "Size: 2 bytes");
    QTest::keyClick(window->lstFiles, Qt::Key_Down);
    EXPECT_EQ(window->lblSize->text(), "Size: 3 bytes");
    EXPECT_EQ(window->lblOffset->text(), "Offset: 82");
    QTest::keyClick(window->lstFiles, Qt::Key_Up);
    EXPECT_EQ(window->lblSize->text(), "Size: 2 bytes");
}

TEST_F(Commands, ExtractWritesTheEntryAsTheWholeTarget) {
    OpenThroughWindow(MakeArchive("two.kfx", {{"FIVE", "hello"}, {"EMPTY", ""}}));
    ClickRow(0);
    const Shown before = WhatTheWindowShows(*window);
    const QString target = Path("out.bin");
    dialog->WillChoose(target);
    window->cmdExtract->click();
    EXPECT_EQ(ReadBytes(target), "hello");
    EXPECT_TRUE(messages->Shown().empty());  // a new file needs no question
    EXPECT_EQ(WhatTheWindowShows(*window), before);

    ClickRow(1);
    const QString empty = Path("empty.bin");
    dialog->WillChoose(empty);
    window->cmdExtract->click();
    EXPECT_TRUE(QFile::exists(empty));
    EXPECT_EQ(ReadBytes(empty).size(), 0);
}

TEST_F(Commands, ExtractOntoAnExistingFileOnlyAfterYes) {
    OpenThroughWindow(MakeArchive("one.kfx", {{"FIVE", "hello"}}));
    ClickRow(0);
    const QString target = Path("target.bin");
    WriteBytes(target, QByteArray(100, 'x'));

    messages->WillAnswer(kAnswerNo);
    dialog->WillChoose(target);
    window->cmdExtract->click();
    ASSERT_EQ(messages->Shown().size(), 1U);
    EXPECT_EQ(messages->Shown()[0].text, "The file 'target.bin' already exists. Overwrite it?");
    EXPECT_EQ(messages->Shown()[0].title, "Overwrite");
    EXPECT_EQ(ReadBytes(target), QByteArray(100, 'x'));

    messages->WillAnswer(kAnswerYes);
    dialog->WillChoose(target);
    window->cmdExtract->click();
    EXPECT_EQ(ReadBytes(target), "hello");
}

TEST_F(Commands, RowsShowStoredNamesAsTextButExtractUsesTheStoredBytes) {
    // "ÉTÉ" in the archive's 8-bit code page.
    OpenThroughWindow(MakeArchive("accents.kfx", {{"\xC9T\xC9", "summer"}, {"ETE", "other"}}));
    EXPECT_EQ(Rows().first(), QString::fromUtf8("\u00C9T\u00C9            "));
    ClickRow(0);
    const QString target = Path("ete.bin");
    dialog->WillChoose(target);
    window->cmdExtract->click();
    EXPECT_EQ(ReadBytes(target), "summer");
}

}  // namespace
}  // namespace kofrex::test
