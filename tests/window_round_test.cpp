// The window's progress and cancel, its dialogs and list, drops and the archive named on start.

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <cstdio>

#include "qt_common_dialog.h"
#include "window_fixture.h"

namespace kofrex::test {
namespace {

class Round : public WindowTest {
  protected:
    // A window whose progress dialog shows at the first report.
    void ShowProgressAtOnce() {
        auto scriptedDialog = std::make_unique<ScriptedDialog>();
        auto scriptedMessages = std::make_unique<ScriptedMessageBox>();
        dialog = scriptedDialog.get();
        messages = scriptedMessages.get();
        window.reset();
        window = std::make_unique<frmMain>(
            store, WindowPlatform{std::move(scriptedDialog), std::move(scriptedMessages),
                                  [](int) {}, std::chrono::milliseconds(0)});
    }
    // Drags `urls` onto the window with Shift, which asks for a move, and drops them; true when
    // the window took them, as a copy.
    bool Drop(const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter({9, 9}, Qt::CopyAction | Qt::MoveAction, &data, {},
                              Qt::ShiftModifier);
        QDropEvent drop({9, 9}, enter.possibleActions(), &data, {}, Qt::ShiftModifier);
        QApplication::sendEvent(window.get(), &enter);
        if (enter.isAccepted() && enter.dropAction() == Qt::CopyAction) {
            QApplication::sendEvent(window.get(), &drop);
            QCoreApplication::processEvents();
        }
        return enter.isAccepted() && drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
    }
    QString LastMessage() const { return messages->Shown().empty() ? "" : MessageTexts().back(); }
};

TEST_F(Round, EachUseOfTheQtDialogStartsWithNothingChosenAndTheTypedNameCounts) {
    WriteBytes(Path("data.bin"), "12345");
    ShowWindow();
    for (const bool save : {false, true}) {
        QtCommonDialog qt(window.get());
        QFileDialog& widget = qt.Widget();
        widget.setDirectory(Path(""));
        auto* list = widget.findChild<QAbstractItemView*>("listView");
        const auto whenShown = [&](std::function<void()> act) {
            QTimer::singleShot(0, [&widget, act] {
                ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
                act();
                if (widget.isVisible()) {  // Enter accepted nothing
                    widget.reject();
                }
            });
        };
        whenShown([&] {  // the name typed with its folder selects the file in the list
            ASSERT_TRUE(
                QTest::qWaitFor([&] { return list->model()->rowCount(list->rootIndex()); }));
            QTest::keyClicks(widget.findChild<QLineEdit*>("fileNameEdit"), Path("data.bin"));
            // Typed with the list of completions up, Qt also leaves the folder selected, first.
            QItemSelectionModel* selection = list->selectionModel();
            const QModelIndex file = selection->selectedRows().value(0);
            ASSERT_EQ(file.data().toString(), "data.bin");
            selection->select(list->rootIndex(),
                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            selection->select(file, QItemSelectionModel::Select | QItemSelectionModel::Rows);
            QTest::keyClick(widget.focusWidget(), Qt::Key_Return);
        });
        qt.ShowOpen();
        ASSERT_EQ(qt.FileName, Path("data.bin"));
        qt.FileName.clear();
        ShowWindow();  // the window, not the hidden dialog, has the focus between uses
        whenShown([&] { QTest::keyClick(widget.focusWidget(), Qt::Key_Return); });
        save ? qt.ShowSave() : qt.ShowOpen();
        EXPECT_EQ(qt.FileName, "") << "save " << save;
    }
}

TEST_F(Round, TheListKeepsItsRowAndTheFirstKeySelectsOne) {
    OpenThroughWindow(MakeArchive("three.kfx", {{"A", "1"}, {"B", "22"}, {"C", "333"}}));
    ShowWindow();
    ListBox* list = window->lstFiles;
    for (const auto& [key, row] :
         {std::pair{Qt::Key_Down, 0}, {Qt::Key_Up, 0}, {Qt::Key_Home, 0}, {Qt::Key_End, 2}}) {
        window->ListFiles();
        window->txtArchive->setFocus();
        list->setFocus();  // Qt's current row is now row 0, with no row selected
        QTest::keyClick(list, key);
        EXPECT_EQ(window->lblSize->text(), QString("Size: %1 bytes").arg(row + 1)) << key;
    }
    ClickRow(1);
    const QPoint below(9, list->viewport()->height() - 4);
    const QPoint onRow = list->visualRect(list->model()->index(1, 0)).center();
    const std::function<void()> attempts[] = {
        [&] { QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, below); },
        [&] { QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, onRow); },
        [&] { QTest::keyClick(list, Qt::Key_Space, Qt::ControlModifier); },
    };
    for (std::size_t i = 0; i < std::size(attempts); ++i) {
        attempts[i]();
        EXPECT_EQ(list->ListIndex(), 1) << i;
    }
    EXPECT_EQ(window->lblSize->text(), "Size: 2 bytes");
    QTest::keyClick(list, Qt::Key_Down);  // with a row selected, keys move as Qt moves them
    EXPECT_EQ(list->ListIndex(), 2);
}

TEST_F(Round, EscapeInTheProgressDialogLeavesArchiveAndTargetAsTheyWere) {
    ShowProgressAtOnce();
    int escaped = 0;  // each progress dialog gets an Escape as soon as it is up
    QTimer escape;
    escape.callOnTimeout([&] {
        auto* box = window->findChild<QProgressDialog*>();
        if (escaped < 3 && box && box->isVisible()) {
            QTest::keyClick(box, Qt::Key_Escape);
            ++escaped;
        }
    });
    escape.start(0);
    const QByteArray big(4 << 20, 'x');
    const QString archive = MakeArchive("big.kfx", {{"BIG.BIN", big}});
    WriteBytes(Path("new.bin"), big);
    WriteBytes(Path("target.bin"), "old");
    const QByteArray before = ReadBytes(archive);
    OpenThroughWindow(archive);
    dialog->WillChoose(Path("new.bin"));
    window->cmdAdd->click();
    ClickRow(0);
    dialog->WillChoose(Path("target.bin"));
    messages->WillAnswer(kAnswerYes);
    window->cmdExtract->click();
    WriteBytes(Path("small.txt"), "s");  // not escaped, but a cancel stops the rest of a drop
    EXPECT_TRUE(
        Drop({QUrl::fromLocalFile(Path("new.bin")), QUrl::fromLocalFile(Path("small.txt"))}));
    EXPECT_EQ(escaped, 3);
    EXPECT_EQ(ReadBytes(archive), before);
    EXPECT_EQ(ReadBytes(Path("target.bin")), "old");
    EXPECT_EQ(Rows(), QStringList({"BIG.BIN        "}));
    EXPECT_EQ(QDir(Path("")).entryList(QDir::Files | QDir::Hidden).size(), 4);  // no temporary
    EXPECT_EQ(LastMessage(), "The file 'target.bin' already exists. Overwrite it?");
}

// What another program does to the archive between its opening and a click on Extract, and a
// target in a folder that does not exist.
TEST_F(Round, AChangedArchiveIsReadAgainOrTheErrorNamesTheFile) {
    const QString archive = Path("shared.kfx");
    const struct {
        std::function<void()> change;
        QString start, named;
        std::size_t exits;
        int rows;
    } cases[] = {
        {[&] {
             std::rename(qPrintable(MakeArchive("o.kfx", {{"A", "1"}, {"B", "2"}})),
                         qPrintable(archive));
         },
         "The archive has changed since it was opened. Its list has been read", "", 0, 2},
        {[&] { std::remove(qPrintable(archive)); }, "Error 2: ", archive, 1, 1},
        {[&] { std::remove(qPrintable(archive)), WriteBytes(archive, "junk"); }, "Error ", archive,
         2, 1},
        {[&] { dialog->WillChoose(Path("gone/out.bin")); }, "Error 2: ", Path("gone"), 3, 1},
    };
    for (const auto& c : cases) {
        OpenThroughWindow(MakeArchive("shared.kfx", {{"A", "1"}}));
        ClickRow(0);
        c.change();
        window->cmdExtract->click();
        const std::string shown = LastMessage().toStdString();
        EXPECT_TRUE(LastMessage().startsWith(c.start) && LastMessage().contains(c.named)) << shown;
        EXPECT_EQ(messages->Shown().back().title, "Kofrex");
        EXPECT_EQ(exitStatuses.size(), c.exits) << shown;
        EXPECT_EQ(Rows().size(), c.rows) << shown;
    }
}

TEST_F(Round, ScreenReadersGetTheControlsNamesAndTheEntrysValues) {
    OpenThroughWindow(MakeArchive("one.kfx", {{"README.TXT", "hello"}}));
    ClickRow(0);
    const std::pair<QWidget*, QString> named[] = {
        {window->txtArchive, "Archive name:"}, {window->lstFiles, "Files in archive:"},
        {window->cmdBrowse, "Open archive"},   {window->lblSize, "Size: 5 bytes"},
        {window->lblOffset, "Offset: 33"},
    };
    for (const auto& [widget, name] : named) {
        EXPECT_EQ(QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name), name);
    }
}

TEST_F(Round, AnArchiveNamedOnStartOrDroppedOpensAndDroppedFilesAreAddedInOrder) {
    const QString archive = MakeArchive("drop.kfx", {});
    WriteBytes(Path("a.txt"), "a");
    WriteBytes(Path("b.txt"), "bb");
    window->OpenNamedArchive(Path("a.txt"));  // no archive: said so, by name
    EXPECT_EQ(LastMessage(),
              "The file '" + Path("a.txt") + "' is not an archive that Kofrex can read.");
    const QUrl a = QUrl::fromLocalFile(Path("a.txt")), b = QUrl::fromLocalFile(Path("b.txt"));
    EXPECT_FALSE(Drop({QUrl::fromLocalFile(archive), a}));
    EXPECT_FALSE(Drop({QUrl("https://example.org/x.kfx")}));
    EXPECT_EQ(store.ArchivePath(), "");
    EXPECT_TRUE(Drop({QUrl::fromLocalFile(archive)}));
    EXPECT_EQ(window->txtArchive->text(), archive);
    EXPECT_TRUE(Drop({b, QUrl("https://example.org/c.txt"), a, b}));
    EXPECT_EQ(Rows(), QStringList({"B.TXT          ", "A.TXT          "}));
    window->OpenNamedArchive(MakeArchive("named.kfx", {}));
    EXPECT_EQ(window->txtArchive->text(), Path("named.kfx"));
    EXPECT_EQ(messages->Shown().size(), 1u);
}

}  // namespace
}  // namespace kofrex::test
