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

#include <ostream>
#include "file_system.h"
#include "modKofrex.h"

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
// An archive promising 2,200,000 entries, a little over three pieces of 16 MiB as a directory is
// read: the first piece whole, the rest a hole of zeros, refused at its first row.
void WriteHugeArchive(const std::string& path);
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
class FaultyFileSystem : public FileSystem {
  public:
    static constexpr int kShort = -1;
    std::function<int(Call kind, int number)> fault;
    std::vector<Call> calls;
    std::optional<uid_t> user;        // another user than the one running the tests
    std::optional<long> descriptors;  // a lower limit of open descriptors

    uid_t User() override { return user.value_or(FileSystem::User()); }
    long DescriptorLimit() override { return descriptors.value_or(FileSystem::DescriptorLimit()); }

  protected:
    int Fault(Call kind) override;
    size_t Portion(size_t count) override { return answer_ == kShort ? (count + 1) / 2 : count; }

  private:
    int answer_ = 0;  // the last call's
};

}  // namespace kofrex::test

namespace kofrex {

// How a failing comparison shows the store's records: as entries, never as raw object bytes.
void PrintTo(const ArchiveEntry& entry, std::ostream* out);
void PrintTo(const EntryTable& table, std::ostream* out);
void PrintTo(const ArchiveHeader& header, std::ostream* out);
void PrintTo(AddOutcome outcome, std::ostream* out);

}  // namespace kofrex
