#include "test_support.h"

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace kofrex::test {

ScratchFolder::ScratchFolder() : ScratchFolder(std::filesystem::temp_directory_path()) {}

ScratchFolder::ScratchFolder(const std::filesystem::path& base) {
    std::string pattern = (base / "kofrex-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a scratch folder");
    }
    path_ = pattern;
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

void WriteFile(const std::string& path, const ByteString& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

ByteString ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    return ByteString(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint64_t Hash64(const ByteString& bytes) {
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (const char c : bytes) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3u;
    }
    return hash;
}

ByteString Le32(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    ByteString out;
    for (int i = 0; i < 4; ++i) {
        out += static_cast<char>((bits >> (8 * i)) & 0xFF);
    }
    return out;
}

ByteString EntryImage(const std::string& name15, std::int32_t offset, std::int32_t size) {
    return name15 + Le32(offset) + Le32(size);
}

ByteString ArchiveImage(const std::vector<StoredFile>& files) {
    const auto count = static_cast<std::int32_t>(files.size());
    ByteString image = "KFRX\x01" + Le32(count);
    ByteString data;
    std::int32_t position = 9 + 23 * count + 1;
    for (const StoredFile& file : files) {
        const auto size = static_cast<std::int32_t>(file.data.size());
        image += EntryImage(file.name15, position, size);
        data += file.data;
        position += size;
    }
    return image + data;
}

void FaultyFileSystem::FailFrom(int first, bool persistent, int error, Fault fault) {
    first_ = first;
    persistent_ = persistent;
    error_ = error;
    fault_ = fault;
}

bool FaultyFileSystem::ShouldFail(const char* kind) {
    ++calls_;
    kinds_.emplace_back(kind);
    const bool fails = first_ > 0 && (calls_ == first_ || (persistent_ && calls_ > first_));
    if (fails && failedCall_.empty()) {
        failedCall_ = kind;
    }
    if (fails) {
        errno = error_;
    }
    return fails;
}

int FaultyFileSystem::Open(const char* path, int flags, mode_t mode) {
    return ShouldFail("open") ? -1 : FileSystem::Open(path, flags, mode);
}

int FaultyFileSystem::OpenUnnamed(const char* folder, mode_t mode) {
    return ShouldFail("open") ? -1 : FileSystem::OpenUnnamed(folder, mode);
}

ssize_t FaultyFileSystem::Read(int fd, void* buffer, size_t count) {
    return ShouldFail("read") ? -1 : FileSystem::Read(fd, buffer, count);
}

ssize_t FaultyFileSystem::ReadAt(int fd, void* buffer, size_t count, off_t position) {
    return ShouldFail("read") ? -1 : FileSystem::ReadAt(fd, buffer, count, position);
}

ssize_t FaultyFileSystem::WriteAt(int fd, const void* buffer, size_t count, off_t position) {
    if (!ShouldFail("write")) {
        return FileSystem::WriteAt(fd, buffer, count, position);
    }
    if (fault_ == Fault::kShortWrite && count > 1) {
        // Half the bytes go out, as on a disk that fills up during the call.
        return FileSystem::WriteAt(fd, buffer, count / 2, position);
    }
    return -1;
}

int FaultyFileSystem::Sync(int fd) {
    return ShouldFail("flush") ? -1 : FileSystem::Sync(fd);
}

int FaultyFileSystem::Close(int fd) {
    // The descriptor is released even when the close reports an error, as on Linux.
    const int result = FileSystem::Close(fd);
    return ShouldFail("close") ? -1 : result;
}

int FaultyFileSystem::Status(int fd, struct stat& status) {
    return ShouldFail("status") ? -1 : FileSystem::Status(fd, status);
}

int FaultyFileSystem::PathStatus(const char* path, struct stat& status) {
    return ShouldFail("status") ? -1 : FileSystem::PathStatus(path, status);
}

int FaultyFileSystem::ResolveLinks(const char* path, std::string& resolved) {
    return ShouldFail("resolve") ? -1 : FileSystem::ResolveLinks(path, resolved);
}

int FaultyFileSystem::ChangeOwner(int fd, uid_t owner, gid_t group) {
    return ShouldFail("chown") ? -1 : FileSystem::ChangeOwner(fd, owner, group);
}

int FaultyFileSystem::ChangeMode(int fd, mode_t mode) {
    return ShouldFail("chmod") ? -1 : FileSystem::ChangeMode(fd, mode);
}

int FaultyFileSystem::Name(int fd, const char* path) {
    return ShouldFail("name") ? -1 : FileSystem::Name(fd, path);
}

int FaultyFileSystem::Rename(const char* from, const char* to) {
    return ShouldFail("rename") ? -1 : FileSystem::Rename(from, to);
}

}  // namespace kofrex::test
