#pragma once

// A window over a real store in a scratch folder, with the scripted dialog and message box and
// the file system of the store tests, which a test can make fail.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTest>
#include <memory>
#include <ostream>
#include <vector>

#include "frmMain.h"
#include "modKofrex.h"
#include "scripted_platform.h"
#include "test_support.h"

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace kofrex::test {

class WindowTest : public ::testing::Test {
  protected:
    WindowTest() {
        auto scriptedDialog = std::make_unique<ScriptedDialog>();
        auto scriptedMessages = std::make_unique<ScriptedMessageBox>();
        dialog = scriptedDialog.get();
        messages = scriptedMessages.get();
        window = std::make_unique<frmMain>(
            store, WindowPlatform{std::move(scriptedDialog), std::move(scriptedMessages),
                                  [this](int status) { exitStatuses.push_back(status); }});
    }

    QString Path(const QString& name) const {
        return QString::fromStdString(folder_ / name.toStdString());
    }
    static void WriteBytes(const QString& path, const QByteArray& bytes) {
        WriteFile(path.toStdString(), bytes.toStdString());
    }
    static QByteArray ReadBytes(const QString& path) {
        return QByteArray::fromStdString(ReadFile(path.toStdString()));
    }
    // Writes an archive holding `files` in this order and returns its path.
    QString MakeArchive(const QString& name, const std::vector<StoredFile>& files) const {
        WriteFile(folder_ / name.toStdString(), ArchiveImage(files));
        return Path(name);
    }
    void ShowWindow() {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    // Opens `path` through the open command, as a user picking it would.
    void OpenThroughWindow(const QString& path) {
        dialog->WillChoose(path);
        window->cmdBrowse->click();
    }
    void ClickRow(int row) {
        const QModelIndex index = window->lstFiles->model()->index(row, 0);
        window->lstFiles->scrollTo(index);
        QTest::mouseClick(window->lstFiles->viewport(), Qt::LeftButton, {},
                          window->lstFiles->visualRect(index).center());
    }
    QStringList Rows() const {
        QStringList rows;
        for (int i = 0; i < window->lstFiles->ListCount(); ++i) {
            rows << window->lstFiles->List(i);
        }
        return rows;
    }
    QStringList MessageTexts() const {
        QStringList texts;
        for (const MessageShown& shown : messages->Shown()) {
            texts << shown.text;
        }
        return texts;
    }

    FaultyFileSystem fs;
    modKofrex store{fs};
    ScriptedDialog* dialog = nullptr;
    ScriptedMessageBox* messages = nullptr;
    std::vector<int> exitStatuses;
    std::unique_ptr<frmMain> window;

  private:
    ScratchFolder folder_;
};

}  // namespace kofrex::test
