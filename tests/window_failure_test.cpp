// Errors no command handles, refusals the window adds, and archives beyond 16-bit rows.

#include <QDir>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTest>
#include <new>

#include "window_fixture.h"

namespace kofrex::test {
namespace {

using LastResort = WindowTest;
using Refusals = WindowTest;
using LargeArchive = WindowTest;

TEST_F(LastResort, AStoreErrorIsShownAndEndsTheProgram) {
    OpenThroughWindow(MakeArchive("one.kfx", {{"FIVE", "hello"}}));
    ClickRow(0);
    dialog->WillChoose(Path("no such folder/out.bin"));
    window->cmdExtract->click();

    ASSERT_EQ(messages->Shown().size(), 1U);
    const MessageShown& shown = messages->Shown()[0];
    EXPECT_TRUE(shown.text.contains(QString::number(ENOENT))) << shown.text.toStdString();
    EXPECT_TRUE(shown.text.contains("No such file or directory")) << shown.text.toStdString();
    EXPECT_EQ(shown.title, "Kofrex");
    EXPECT_EQ(shown.buttons, kButtonsOkOnly);
    EXPECT_FALSE(shown.waitCursorShown);
    EXPECT_EQ(exitStatuses, std::vector<int>{kErrorExitStatus});
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(LastResort, OutOfMemoryAndForeignErrorsEndTheProgramToo) {
    fs.onOpen = [] { throw std::bad_alloc(); };
    dialog->WillChoose(Path("any.kfx"));
    window->cmdBrowse->click();
    fs.onOpen = [] { throw 42; };
    dialog->WillChoose(Path("any.kfx"));
    window->cmdNew->click();

    ASSERT_EQ(messages->Shown().size(), 2U);
    EXPECT_TRUE(messages->Shown()[0].text.contains("Out of memory"));
    EXPECT_TRUE(messages->Shown()[1].text.contains("unexpected error"));
    for (const MessageShown& shown : messages->Shown()) {
        EXPECT_EQ(shown.title, "Kofrex");
    }
    EXPECT_EQ(exitStatuses, (std::vector<int>{kErrorExitStatus, kErrorExitStatus}));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(LastResort, AFailedExtractLeavesTheTargetAsItWas) {
    OpenThroughWindow(MakeArchive("one.kfx", {{"FIVE", "hello"}}));
    ClickRow(0);
    const QString target = Path("keep.bin");
    WriteBytes(target, "previous content");
    fs.failWrite = [] { return true; };
    messages->WillAnswer(kAnswerYes);
    dialog->WillChoose(target);
    window->cmdExtract->click();

    ASSERT_EQ(messages->Shown().size(), 2U);  // the question, then the error
    EXPECT_TRUE(messages->Shown()[1].text.contains(QString::number(ENOSPC)));
    EXPECT_EQ(exitStatuses.size(), 1U);
    EXPECT_EQ(ReadBytes(target), "previous content");
    EXPECT_EQ(QDir(Path("")).entryList(QDir::Files).size(), 2);  // no stray temporary file
}

TEST_F(Refusals, ExtractOntoTheCurrentArchiveIsRefusedBeforeAnyQuestion) {
    const QString archive = MakeArchive("self.kfx", {{"FIVE", "hello"}});
    const QByteArray image = ReadBytes(archive);
    OpenThroughWindow(archive);
    ClickRow(0);
    // However the path is spelled, it is still the archive.
    for (const QString& spelling : {archive, Path("./self.kfx")}) {
        messages->WillAnswer(kAnswerYes);
        dialog->WillChoose(spelling);
        window->cmdExtract->click();
    }

    ASSERT_EQ(messages->Shown().size(), 2U);
    for (const MessageShown& shown : messages->Shown()) {
        EXPECT_EQ(shown.text, "A file cannot be extracted onto the archive itself.");
        EXPECT_EQ(shown.buttons, kButtonsOkOnly);
        EXPECT_EQ(shown.title, "Kofrex");
    }
    EXPECT_EQ(ReadBytes(archive), image);
    EXPECT_EQ(window->lstFiles->ListIndex(), 0);
    EXPECT_TRUE(exitStatuses.empty());
}

TEST_F(LargeArchive, RowsPastThe16BitLimitAreListedSelectableAndExtractable) {
    constexpr int kCount = 40000;
    std::vector<StoredFile> files;
    files.reserve(kCount);
    for (int i = 0; i < kCount; ++i) {
        files.push_back({"F" + QByteArray::number(i), QByteArray::number(i)});
    }
    OpenThroughWindow(MakeArchive("large.kfx", files));
    ASSERT_EQ(window->lstFiles->ListCount(), kCount);
    EXPECT_EQ(window->lstFiles->List(kCount - 1), "F39999         ");

    ShowWindow();
    window->lstFiles->setFocus();
    QTest::keyClick(window->lstFiles, Qt::Key_End);
    ASSERT_EQ(window->lstFiles->ListIndex(), kCount - 1);
    EXPECT_EQ(window->lblSize->text(), "Size: 5 bytes");
    const auto lastOffset = store.Entries().back().Offset;
    EXPECT_GT(lastOffset, 32767);
    EXPECT_EQ(window->lblOffset->text().remove(QRegularExpression("\\D")),
              QString::number(lastOffset));

    const QString target = Path("last.bin");
    dialog->WillChoose(target);
    window->cmdExtract->click();
    EXPECT_EQ(ReadBytes(target), "39999");
    EXPECT_TRUE(messages->Shown().empty());
}

}  // namespace
}  // namespace kofrex::test
