// The Qt dialog and message box, driven through their real widgets.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "qt_common_dialog.h"
#include "qt_message_box.h"
#include "window_fixture.h"

namespace kofrex {
namespace {

// Acts on the next modal widget as soon as it is shown; stops watching when `owner` goes.
void WhenModalShown(std::function<void(QWidget*)> act, QObject* owner = nullptr) {
    auto* poll = new QTimer(owner);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            act(modal);
        }
    });
    poll->start();
}

void TypeNameAndAccept(QWidget* modal, const QString& name) {
    auto* field = modal->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(field, nullptr);
    field->setText(name);
    QTest::keyClick(field, Qt::Key_Return);
}

TEST(QtNameFilters, PairsBecomeQtFiltersAndStarDotStarMatchesEverything) {
    EXPECT_EQ(ToQtNameFilters("Kofrex Archives (*.kfx)|*.kfx|All files (*.*)|*.*"),
              QStringList({"Kofrex Archives (*.kfx)", "All files (*)"}));
    EXPECT_EQ(ToQtNameFilters("Pictures|*.png;*.jpg"), QStringList({"Pictures (*.png *.jpg)"}));
    EXPECT_EQ(ToQtNameFilters(""), QStringList());
}

class QtDialog : public ::testing::Test {
  protected:
    QtDialog() {
        dialog.DefaultExt = ".kfx";
        dialog.Filter = "Kofrex Archives (*.kfx)|*.kfx|All files (*.*)|*.*";
        dialog.Flags = 0x80004;
    }
    QString Path(const QString& name) const { return folder.filePath(name); }

    QTemporaryDir folder;
    QtCommonDialog dialog{nullptr};
};

TEST_F(QtDialog, ATypedNameWithoutExtensionGetsTheDefaultOne) {
    bool nativeDialog = true;
    WhenModalShown([&](QWidget* modal) {
        nativeDialog = dialog.Widget().testOption(QFileDialog::DontUseNativeDialog) == false;
        TypeNameAndAccept(modal, Path("typed"));
    });
    dialog.ShowSave();
    EXPECT_FALSE(nativeDialog);
    EXPECT_EQ(dialog.FileName, Path("typed.kfx"));
    EXPECT_EQ(dialog.FileTitle(), "typed.kfx");
}

TEST_F(QtDialog, CancelLeavesTheFileNameAsSet) {
    WhenModalShown([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    dialog.FileName = "";
    dialog.ShowOpen();
    EXPECT_EQ(dialog.FileName, "");
}

TEST_F(QtDialog, SavingOntoAnExistingFileAsksNothing) {
    QFile existing(Path("old.kfx"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    bool asked = false;
    QObject watching;
    WhenModalShown([&](QWidget* fileDialog) {
        // A question would open over the dialog: answer it No and give up on the dialog.
        WhenModalShown(
            [&, fileDialog](QWidget* modal) {
                if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                    asked = true;
                    box->button(QMessageBox::No)->click();
                    QTimer::singleShot(0, fileDialog, &QWidget::close);
                }
            },
            &watching);
        TypeNameAndAccept(fileDialog, Path("old.kfx"));
    });
    dialog.ShowSave();
    EXPECT_FALSE(asked);
    EXPECT_EQ(dialog.FileName, Path("old.kfx"));
}

TEST_F(QtDialog, OpenHonoursMustExistAndTheFolderCarriesOver) {
    dialog.Flags = 0x81004;
    WhenModalShown([&](QWidget* modal) {
        EXPECT_EQ(dialog.Widget().fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(dialog.Widget().acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(dialog.Widget().nameFilters(),
                  QStringList({"Kofrex Archives (*.kfx)", "All files (*)"}));
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    dialog.DialogTitle = "Open archive...";
    dialog.ShowOpen();
    EXPECT_EQ(dialog.Widget().windowTitle(), "Open archive...");

    dialog.Flags = 0x80004;
    WhenModalShown([&](QWidget* modal) { TypeNameAndAccept(modal, Path("first")); });
    dialog.ShowSave();
    // The next use starts in the folder of the last one, with an empty name field.
    dialog.FileName = "";
    QString startFolder = "unset";
    QString startName = "unset";
    WhenModalShown([&](QWidget* modal) {
        startFolder = dialog.Widget().directory().absolutePath();
        startName = modal->findChild<QLineEdit*>("fileNameEdit")->text();
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    dialog.ShowSave();
    EXPECT_EQ(startFolder, QDir(folder.path()).absolutePath());
    EXPECT_EQ(startName, "");
    EXPECT_EQ(dialog.FileName, "");
}

TEST_F(QtDialog, EnterAmidCompletionsLeavesNoListBehindToSwallowTheNextClick) {
    QFile existing(Path("readme.txt"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    dialog.Flags = 0x81004;
    bool listShown = false;
    WhenModalShown([&](QWidget* modal) {
        auto* field = modal->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(field, nullptr);
        field->setText(Path("readme.txt"));
        // The list as typing brings it up; offscreen, completions arrive too late to wait for.
        field->completer()->popup()->show();
        listShown = field->completer()->popup()->isVisible();
        QTest::keyClick(field, Qt::Key_Return);
    });
    dialog.ShowOpen();
    EXPECT_TRUE(listShown);
    EXPECT_EQ(dialog.FileName, Path("readme.txt"));
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    auto* field = dialog.Widget().findChild<QLineEdit*>("fileNameEdit");
    EXPECT_FALSE(field->completer()->popup()->isVisible());
}

class QtMessages : public ::testing::Test {
  protected:
    QtMessageBox messages{nullptr};
};

TEST_F(QtMessages, YesNoBoxHasNoIconAndYesIsTheDefault) {
    QString title;
    QMessageBox::Icon icon = QMessageBox::Warning;
    WhenModalShown([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        icon = box->icon();
        QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_EQ(messages.Show("Overwrite it?", kButtonsYesNo, "Overwrite"), kAnswerYes);
    EXPECT_EQ(title, "Overwrite");
    EXPECT_EQ(icon, QMessageBox::NoIcon);
}

TEST_F(QtMessages, NoAnswersSevenAndAnUntitledBoxBearsTheApplicationTitle) {
    WhenModalShown([](QWidget* modal) {
        qobject_cast<QMessageBox*>(modal)->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(messages.Show("Overwrite it?", kButtonsYesNo, "Overwrite"), kAnswerNo);

    QString title;
    int buttons = 0;
    WhenModalShown([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        title = box->windowTitle();
        buttons = static_cast<int>(box->buttons().size());
        QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_EQ(messages.Show("Select a file."), kAnswerOk);
    EXPECT_EQ(title, "Kofrex");
    EXPECT_EQ(buttons, 1);
}

}  // namespace
}  // namespace kofrex
