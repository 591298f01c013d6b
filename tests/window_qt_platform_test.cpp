// The Qt file dialog and message box, driven through their real widgets.

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>

#include "qt_common_dialog.h"
#include "qt_message_box.h"
#include "window_fixture.h"

namespace kofrex::test {
namespace {

QLineEdit* NameField(QWidget* dialog) {
    return dialog->findChild<QLineEdit*>("fileNameEdit");
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

TEST(QtDialog, TranslatesItsPropertiesAndReturnsTheChosenFileOrNothing) {
    const ScratchFolder folder;
    QtCommonDialog dialog(nullptr);
    QFileDialog& widget = dialog.Widget();
    dialog.DefaultExt = ".kfx";
    dialog.Filter = "Kofrex Archives (*.kfx)|*.kfx|All files (*.*)|*.*";
    dialog.Flags = 0x80004;
    dialog.DialogTitle = "New archive...";
    WriteFile(folder / "old.kfx", "");
    {
        QObject scope;
        WhenShown(scope, [&](QWidget* shown) {
            EXPECT_EQ(shown, &widget);
            EXPECT_EQ(std::tuple(widget.windowTitle(), widget.acceptMode(), widget.fileMode()),
                      std::tuple(QString("New archive..."), QFileDialog::AcceptSave,
                                 QFileDialog::AnyFile));
            EXPECT_EQ(widget.nameFilters(),
                      QStringList({"Kofrex Archives (*.kfx)", "All files (*)"}));
            // The commands ask before replacing a file; the dialog must not ask as well.
            NameField(shown)->setText(QString::fromStdString(folder / "old"));
            QTest::keyClick(NameField(shown), Qt::Key_Return);
        });
        dialog.ShowSave();
    }
    EXPECT_EQ(dialog.FileName, QString::fromStdString(folder / "old.kfx"));
    EXPECT_EQ(dialog.FileTitle(), "old.kfx");

    dialog.FileName.clear();
    dialog.Filter = "Pictures|*.png;*.jpg";
    dialog.Flags = 0x81004;
    const QString typed = QString::fromStdString(folder / "old.kfx");
    for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
        QObject scope;
        WhenShown(scope, [&](QWidget* shown) {
            EXPECT_EQ(widget.fileMode(), QFileDialog::ExistingFile);
            EXPECT_EQ(widget.nameFilters(), QStringList({"Pictures (*.png *.jpg)"}));
            // The last use's folder, with an empty name field.
            EXPECT_EQ(widget.directory().absolutePath(), QFileInfo(typed).absolutePath());
            EXPECT_EQ(NameField(shown)->text(), "");
            NameField(shown)->setText(typed);
            NameField(shown)->completer()->popup()->show();  // as typing brings it up
            QTest::keyClick(NameField(shown), key);
        });
        dialog.ShowOpen();
        EXPECT_EQ(dialog.FileName, key == Qt::Key_Escape ? "" : typed);
        EXPECT_FALSE(NameField(&widget)->completer()->popup()->isVisible());
    }
}

TEST(QtMessages, AnswerAsPressedWithoutIconAndWithTheApplicationTitleByDefault) {
    QtMessageBox messages(nullptr);
    // Buttons, title and the key pressed; what the box showed, and the answer.
    const std::vector<std::tuple<int, QString, Qt::Key, QString>> cases = {
        {kButtonsYesNo, "Overwrite", Qt::Key_Return, "Overwrite, 2 buttons, icon 0: 6"},
        {kButtonsYesNo, "Overwrite", Qt::Key_Escape, "Overwrite, 2 buttons, icon 0: 7"},
        {kButtonsOkOnly, "", Qt::Key_Return, "Kofrex, 1 buttons, icon 0: 1"}};
    for (const auto& [buttons, title, key, expected] : cases) {
        QObject scope;
        QString shown;
        WhenShown(scope, [&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            shown = QString("%1, %2 buttons, icon %3")
                        .arg(box->windowTitle())
                        .arg(box->buttons().size())
                        .arg(box->icon());
            QTest::keyClick(box, key);
        });
        shown += ": " + QString::number(messages.Show("Text", buttons, title));
        EXPECT_EQ(shown, expected);
    }
}

}  // namespace
}  // namespace kofrex::test
