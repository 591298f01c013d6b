// The window as it stands at start: texts, geometry, focus, keyboard.

#include <QApplication>
#include <QTest>

#include "window_fixture.h"

namespace kofrex::test {
namespace {

using Layout = WindowTest;

TEST_F(Layout, StartsWithTheCaptionsAndNothingCurrent) {
    EXPECT_EQ(window->windowTitle(), "Kofrex - by Quorvane");
    EXPECT_EQ(window->cmdExtract->text(), "&Extract...");
    EXPECT_EQ(window->Frame1->title(), "Chunk info");
    EXPECT_EQ(window->lblOffset->text(), "Offset:");
    EXPECT_EQ(window->lblSize->text(), "Size:");
    EXPECT_EQ(window->cmdNew->text(), "&New Archive...");
    EXPECT_EQ(window->cmdAdd->text(), "&Add...");
    EXPECT_EQ(window->cmdBrowse->text(), "...");
    EXPECT_EQ(window->txtArchive->text(), "");
    EXPECT_FALSE(window->txtArchive->isReadOnly());
    EXPECT_EQ(window->Label2->text(), "Files in archive:");
    EXPECT_EQ(window->Label1->text(), "Archive name:");
    EXPECT_EQ(window->lstFiles->ListCount(), 0);
    EXPECT_EQ(window->lstFiles->ListIndex(), -1);
    EXPECT_EQ(window->cDlg->DefaultExt, ".kfx");
    EXPECT_EQ(window->cDlg->Filter, "Kofrex Archives (*.kfx)|*.kfx|All files (*.*)|*.*");
    EXPECT_EQ(window->cDlg->DialogTitle, "");
    EXPECT_EQ(window->cDlg->FileName, "");
    EXPECT_TRUE(dialog->Uses().empty());
}

TEST_F(Layout, EveryControlStandsWhereTheTableSays) {
    ShowWindow();
    EXPECT_EQ(window->size(), QSize(404, 380));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    const std::vector<std::pair<QWidget*, QRect>> table = {
        {window->cmdExtract, {280, 128, 121, 25}}, {window->Frame1, {280, 160, 121, 209}},
        {window->lblOffset, {8, 104, 105, 41}},    {window->lblSize, {8, 40, 105, 41}},
        {window->cmdNew, {280, 48, 121, 25}},      {window->cmdAdd, {280, 96, 121, 25}},
        {window->lstFiles, {8, 96, 265, 277}},     {window->cmdBrowse, {376, 16, 25, 25}},
        {window->txtArchive, {80, 16, 297, 25}},
    };
    for (const auto& [control, rect] : table) {
        EXPECT_EQ(control->geometry(), rect) << control->metaObject()->className();
        EXPECT_TRUE(control->isVisible());
        EXPECT_TRUE(control->isEnabled());
    }
    EXPECT_EQ(window->lblSize->parentWidget(), window->Frame1);
    EXPECT_EQ(window->lblOffset->parentWidget(), window->Frame1);
    EXPECT_EQ(window->lblSize->mapTo(window.get(), QPoint(0, 0)), QPoint(288, 200));
    EXPECT_EQ(window->lblOffset->mapTo(window.get(), QPoint(0, 0)), QPoint(288, 264));
}

TEST_F(Layout, CaptionLabelsFitTheirTextAndEntryLabelsWrap) {
    ShowWindow();
    EXPECT_EQ(window->Label1->pos(), QPoint(8, 16));
    EXPECT_EQ(window->Label2->pos(), QPoint(8, 72));
    for (QLabel* label : {window->Label1, window->Label2}) {
        EXPECT_EQ(label->size(), label->sizeHint()) << label->text().toStdString();
    }
    for (QLabel* label : {window->lblSize, window->lblOffset}) {
        EXPECT_TRUE(label->wordWrap());
        EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
    }
}

TEST_F(Layout, FocusStartsInThePathBoxAndTabCyclesThroughTheSixControls) {
    ShowWindow();
    EXPECT_EQ(QApplication::focusWidget(), window->txtArchive);
    const std::vector<QWidget*> cycle = {window->lstFiles, window->cmdBrowse,  window->cmdNew,
                                         window->cmdAdd,   window->cmdExtract, window->txtArchive};
    for (QWidget* expected : cycle) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), expected) << expected->metaObject()->className();
    }
}

TEST_F(Layout, FocusOnTheListSelectsNoRow) {
    OpenThroughWindow(MakeArchive("two.kfx", {{"A", "1"}, {"B", "22"}}));
    ShowWindow();
    QTest::keyClick(window->txtArchive, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), window->lstFiles);
    EXPECT_EQ(window->lstFiles->ListIndex(), -1);
    EXPECT_EQ(window->lblSize->text(), "Size: ");
}

TEST_F(Layout, AccessKeysRunTheirCommands) {
    ShowWindow();
    dialog->WillChoose("");
    QTest::keyClick(window.get(), Qt::Key_N, Qt::AltModifier);
    // The click comes through a short timer.
    QTRY_COMPARE(dialog->Uses().size(), 1U);
    EXPECT_EQ(dialog->Uses().back().dialogTitle, "New archive...");

    OpenThroughWindow(MakeArchive("one.kfx", {{"A", "1"}}));
    ASSERT_EQ(dialog->Uses().size(), 2U);
    dialog->WillChoose("");
    QTest::keyClick(window.get(), Qt::Key_A, Qt::AltModifier);
    QTRY_COMPARE(dialog->Uses().size(), 3U);
    EXPECT_EQ(dialog->Uses().back().filter, "All files (*.*)|*.*");

    QTest::keyClick(window.get(), Qt::Key_E, Qt::AltModifier);
    QTRY_COMPARE(messages->Shown().size(), 1U);
    EXPECT_EQ(messages->Shown().back().text, "Select a file that you would like to extract first.");
}

TEST_F(Layout, EnterInThePathBoxRunsNothing) {
    ShowWindow();
    QTest::keyClicks(window->txtArchive, Path("typed.kfx"));
    QTest::keyClick(window->txtArchive, Qt::Key_Return);
    QTest::keyClick(window->txtArchive, Qt::Key_Escape);
    QTest::qWait(150);  // long enough for any animated click to land
    EXPECT_TRUE(dialog->Uses().empty());
    EXPECT_TRUE(messages->Shown().empty());
    EXPECT_EQ(store.ArchivePath(), "");
    for (QPushButton* button :
         {window->cmdNew, window->cmdAdd, window->cmdExtract, window->cmdBrowse}) {
        EXPECT_FALSE(button->isDefault());
        EXPECT_FALSE(button->autoDefault());
    }
}

}  // namespace
}  // namespace kofrex::test
