#pragma once

// What the store, window and fuzz tests share: a scratch folder, whole-file reads and writes,
// archive images built from the byte layout without the store's help, and a file system that
// records every call and fails any of them on request.

#include <cerrno>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "file_system.h"

namespace kofrex::test {

using Bytes = std::string;

class ScratchFolder {
  public:
    ScratchFolder();  // in $KOFREX_TEST_FOLDER when set, else in the system's temporary folder
    ~ScratchFolder();
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    std::vector<std::string> Names() const;  // sorted; shows a file left behind
    int HeldAfterRemoval() const;  // files in it this process holds open, though their name is gone

  private:
    std::string path_;
    // Its last close, in whatever process, removes the folder.
    std::unique_ptr<FILE, decltype(&::pclose)> watcher_{nullptr, &::pclose};
};

// The number of the ArchiveError that `work` raises, 0 when it raises none; its description
// goes to `description` when given.
int ErrorOf(const std::function<void()>& work, std::string* description = nullptr);
void WriteFile(const std::string& path, const Bytes& bytes);
Bytes ReadFile(const std::string& path);
Bytes Le32(std::int32_t value);
// "" for equal bytes, else both sizes and the first differing offset with the bytes around it in
// hex, so that a failing comparison of two archives reads in one line rather than megabytes.
std::string ByteDifference(const Bytes& actual, const Bytes& expected);
#define EXPECT_SAME_BYTES(actual, expected) \
    EXPECT_EQ(::kofrex::test::ByteDifference(actual, expected), "")

struct StoredFile {
    Bytes name;  // cut or padded with spaces to 15 bytes
    Bytes data;
};
// A well-formed archive holding `files` in directory order, the data after the directory.
Bytes ArchiveImage(const std::vector<StoredFile>& files);

// The real file system. `fault` sees each call's kind (the method's name) and number, from 1,
// and returns the errno to fail it with, 0 to let it through, or kShort to let a read or write
// move only half its bytes; it may also throw, or end the process.
#define KOFREX_FAULTY(Result, Method, Parameters, Arguments)                \
    Result Method Parameters override {                                     \
        return Pass(#Method, [&] { return FileSystem::Method Arguments; }); \
    }
#define KOFREX_SHORTABLE(Method, Parameters, Arguments)                                          \
    ssize_t Method Parameters override {                                                         \
        return Move(#Method, count, [&](size_t count) { return FileSystem::Method Arguments; }); \
    }

class FaultyFileSystem : public FileSystem {
  public:
    static constexpr int kShort = -1;
    std::function<int(std::string_view kind, int number)> fault;
    std::vector<std::string> calls;
    std::optional<uid_t> user;  // another user than the one running the tests

    KOFREX_FAULTY(int, Open, (const char* path, int flags, mode_t mode), (path, flags, mode))
    KOFREX_FAULTY(int, OpenUnnamed, (const char* folder, mode_t mode), (folder, mode))
    KOFREX_FAULTY(int, Sync, (int fd), (fd))
    KOFREX_FAULTY(int, SyncFileSystem, (int fd), (fd))
    KOFREX_FAULTY(int, Status, (int fd, struct stat& status), (fd, status))
    KOFREX_FAULTY(int, PathStatus, (const char* path, struct stat& status), (path, status))
    KOFREX_FAULTY(int, LinkStatus, (const char* path, struct stat& status), (path, status))
    KOFREX_FAULTY(int, ReadLink, (const char* path, std::string& target), (path, target))
    KOFREX_FAULTY(int, MayWrite, (const char* path), (path))
    KOFREX_FAULTY(int, Lock, (int fd, int operation), (fd, operation))
    KOFREX_FAULTY(int, ListAttributes, (const char* path, std::string& names), (path, names))
    KOFREX_FAULTY(int, GetAttribute, (const char* path, const char* name, std::string& value),
                  (path, name, value))
    KOFREX_FAULTY(int, SetAttribute, (int fd, const char* name, const std::string& value),
                  (fd, name, value))
    KOFREX_FAULTY(int, StartWriteBack, (int fd, off_t from, off_t count), (fd, from, count))
    KOFREX_FAULTY(int, ChangeOwner, (int fd, uid_t owner, gid_t group), (fd, owner, group))
    KOFREX_FAULTY(int, ChangeMode, (int fd, mode_t mode), (fd, mode))
    KOFREX_FAULTY(int, Name, (int fd, const char* path), (fd, path))
    KOFREX_FAULTY(int, Rename, (const char* from, const char* to), (from, to))
    KOFREX_FAULTY(int, RenameNoReplace, (const char* from, const char* to), (from, to))
    KOFREX_FAULTY(int, Duplicate, (int fd), (fd))
    KOFREX_FAULTY(int, ListFolder, (const char* folder, std::vector<std::string>& names),
                  (folder, names))
    uid_t User() override { return user.value_or(FileSystem::User()); }
    KOFREX_FAULTY(int, Remove, (const char* path), (path))
    KOFREX_SHORTABLE(Read, (int fd, void* buffer, size_t count), (fd, buffer, count))
    KOFREX_SHORTABLE(ReadAt, (int fd, void* buffer, size_t count, off_t at),
                     (fd, buffer, count, at))
    KOFREX_SHORTABLE(WriteAt, (int fd, const void* buffer, size_t count, off_t at),
                     (fd, buffer, count, at))
    int Close(int fd) override {  // the descriptor goes even when the close reports an error
        const int result = FileSystem::Close(fd);
        return Pass("Close", [=] { return result; });
    }

  private:
    int Fault(const char* kind);
    template <class Call>
    auto Pass(const char* kind, Call call) -> decltype(call()) {
        const int error = Fault(kind);
        return error > 0 ? (errno = error, -1) : call();
    }
    template <class Call>  // a short write stands for a disk filling up during the call
    ssize_t Move(const char* kind, size_t count, Call call) {
        const int error = Fault(kind);
        return error > 0 ? (errno = error, -1) : call(error == kShort ? (count + 1) / 2 : count);
    }
};
#undef KOFREX_FAULTY
#undef KOFREX_SHORTABLE

}  // namespace kofrex::test
