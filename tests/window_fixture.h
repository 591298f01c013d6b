#pragma once

// A window over a real store in a scratch folder, with the scripted dialog and message box,
// and a file system that a test can make fail.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <cerrno>
#include <functional>
#include <memory>
#include <ostream>
#include <utility>
#include <vector>

#include "file_system.h"
#include "frmMain.h"
#include "modKofrex.h"
#include "scripted_platform.h"

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace kofrex::test {

// The real file system, with hooks that make opening throw or writing fail.
class FaultyFileSystem : public FileSystem {
  public:
    std::function<bool()> failWrite;  // true: the write fails with ENOSPC
    std::function<void()> onOpen;     // may throw

    int Open(const char* path, int flags, mode_t mode) override {
        if (onOpen) {
            onOpen();
        }
        return FileSystem::Open(path, flags, mode);
    }
    ssize_t WriteAt(int fd, const void* buffer, size_t count, off_t position) override {
        if (failWrite && failWrite()) {
            errno = ENOSPC;
            return -1;
        }
        return FileSystem::WriteAt(fd, buffer, count, position);
    }
};

struct StoredFile {
    QByteArray name;  // up to 15 bytes; padded with spaces
    QByteArray data;
};

class WindowTest : public ::testing::Test {
  protected:
    WindowTest();
    ~WindowTest() override;

    QString Path(const QString& name) const { return folder_.filePath(name); }
    static void WriteBytes(const QString& path, const QByteArray& bytes);
    static QByteArray ReadBytes(const QString& path);
    // Writes an archive holding `files` in this order and returns its path.
    QString MakeArchive(const QString& name, const std::vector<StoredFile>& files) const;

    void ShowWindow();
    // Opens `path` through the open command, as a user picking it would.
    void OpenThroughWindow(const QString& path);
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
    QTemporaryDir folder_;
};

}  // namespace kofrex::test
