#pragma once

// A window over a real store in a scratch folder, with the scripted dialog and message box and
// the file system of the store tests, which a test can make fail.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <ostream>
#include <vector>

#include "frmMain.h"
#include "modKofrex.h"
#include "scripted_platform.h"
#include "test_support.h"

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace kofrex::test {

class WindowTest : public ::testing::Test {
  protected:
    WindowTest();

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

    void ShowWindow();
    // Opens `path` through the open command, as a user picking it would.
    void OpenThroughWindow(const QString& path) {
        dialog->WillChoose(path);
        window->cmdBrowse->click();
    }
    void ClickRow(int row);
    QStringList Rows() const;
    QStringList MessageTexts() const;

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
