#include "test_support.h"

#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "archive_error.h"

namespace kofrex::test {

ScratchFolder::ScratchFolder() {
    const char* base = std::getenv("KOFREX_TEST_FOLDER");
    path_ = (base ? base : std::filesystem::temp_directory_path().string()) + "/kofrex-XXXXXX";
    if (::mkdtemp(path_.data()) == nullptr) {
        throw std::runtime_error("cannot make a scratch folder: " + path_);
    }
    // A shell removes it once its input ends: when this process and its forks have gone,
    // however they end (killed, or by _exit in a child).
    watcher_.reset(::popen(("cat >/dev/null; rm -rf -- '" + path_ + "'").c_str(), "we"));
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> ScratchFolder::Names() const {
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(path_)) {
        names.push_back(item.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

int ScratchFolder::HeldAfterRemoval() const {
    int held = 0;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ignored;
        const std::string file = std::filesystem::read_symlink(fd.path(), ignored).string();
        held += file.starts_with(path_ + "/") && file.ends_with(" (deleted)");
    }
    return held;
}

int ErrorOf(const std::function<void()>& work, std::string* description) {
    try {
        work();
        return 0;
    } catch (const ArchiveError& error) {
        if (description) {
            *description = error.Description();
        }
        return error.Number();
    }
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    if (!std::ofstream(path, std::ios::binary).write(bytes.data(), std::ssize(bytes))) {
        throw std::runtime_error("cannot write " + path);
    }
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return in ? Bytes(std::istreambuf_iterator<char>(in), {})
              : throw std::runtime_error("cannot read " + path);
}

Bytes Le32(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    return {char(bits), char(bits >> 8), char(bits >> 16), char(bits >> 24)};
}

void WriteHugeArchive(const std::string& path) {
    Bytes archive = "KFRX\x01" + Le32(2'200'000);
    const Bytes row = Bytes("X") + Bytes(14, ' ') + Le32(1) + Le32(0);
    for (int i = 0; i < (16 << 20) / 23; ++i) {
        archive += row;
    }
    WriteFile(path, archive);
    std::filesystem::resize_file(path, 9 + 23 * 2'200'000);
}

std::string ByteDifference(const Bytes& actual, const Bytes& expected) {
    if (actual == expected) {  // the common case, at the speed of a memory compare
        return "";
    }
    const auto at = static_cast<std::size_t>(
        std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end()).first -
        actual.begin());
    const auto around = [at](const Bytes& bytes) {  // four bytes either side, the first marked
        std::string hex;
        for (std::size_t i = at < 4 ? 0 : at - 4; i < std::min(bytes.size(), at + 5); ++i) {
            char byte[8];
            std::snprintf(byte, sizeof byte, i == at ? " [%02x]" : " %02x", bytes[i] & 0xFF);
            hex += byte;
        }
        return hex;
    };
    return std::to_string(actual.size()) + " bytes, expected " + std::to_string(expected.size()) +
           "; at " + std::to_string(at) + ":" + around(actual) + " | expected:" + around(expected);
}

Bytes ArchiveImage(const std::vector<StoredFile>& files) {
    const auto count = static_cast<std::int32_t>(files.size());
    Bytes image = "KFRX\x01" + Le32(count), data;
    for (const auto& [name, bytes] : files) {
        image += (name + std::string(15, ' ')).substr(0, 15) +
                 Le32(9 + 23 * count + 1 + static_cast<std::int32_t>(data.size())) +
                 Le32(static_cast<std::int32_t>(bytes.size()));
        data += bytes;
    }
    return image + data;
}

int FaultyFileSystem::Fault(Call kind) {
    calls.emplace_back(kind);
    answer_ = fault ? fault(kind, static_cast<int>(calls.size())) : 0;
    return answer_ > 0 ? answer_ : 0;
}

}  // namespace kofrex::test

namespace kofrex {

void PrintTo(const ArchiveEntry& entry, std::ostream* out) {
    *out << '"' << entry.Name << "\" at " << entry.Offset << ", " << entry.Size << " bytes";
}

void PrintTo(const EntryTable& table, std::ostream* out) {
    *out << table.size() << " entries";
    for (std::size_t row = 0; row < table.size() && row < 20; ++row) {
        *out << (row == 0 ? ": " : "; ");
        PrintTo(table[row], out);
    }
}

void PrintTo(const ArchiveHeader& header, std::ostream* out) {
    *out << '"' << std::string(header.Signature.data(), header.Signature.size()) << "\" version "
         << int{header.Version} << ", " << header.FileCount << " entries";
}

void PrintTo(AddOutcome outcome, std::ostream* out) {
    static constexpr const char* kNames[] = {"Stored",         "DuplicateName", "NotRegularFile",
                                             "Unreadable",     "ArchiveItself", "NoArchive",
                                             "ArchiveChanged", "NoSuchEntry",   "NoName"};
    *out << kNames[static_cast<int>(outcome)];
}

}  // namespace kofrex
