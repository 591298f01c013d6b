#include "test_support.h"

#include "archive_error.h"

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace kofrex::test {

ScratchFolder::ScratchFolder() {
    const char* base = std::getenv("KOFREX_TEST_FOLDER");
    path_ = (base ? base : std::filesystem::temp_directory_path().string()) + "/kofrex-XXXXXX";
    if (::mkdtemp(path_.data()) == nullptr) {
        throw std::runtime_error("cannot make a scratch folder: " + path_);
    }
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

int ErrorOf(const std::function<void()>& work) {
    try {
        work();
    } catch (const ArchiveError& error) {
        return error.Number();
    }
    return 0;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    if (!std::ofstream(path, std::ios::binary).write(bytes.data(), std::ssize(bytes))) {
        throw std::runtime_error("cannot write " + path);
    }
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes Le32(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    return {char(bits), char(bits >> 8), char(bits >> 16), char(bits >> 24)};
}

Bytes ArchiveImage(const std::vector<StoredFile>& files) {
    const auto count = static_cast<std::int32_t>(files.size());
    Bytes image = "KFRX\x01" + Le32(count);
    Bytes data;
    for (const StoredFile& file : files) {
        image += (file.name + std::string(15, ' ')).substr(0, 15) +
                 Le32(9 + 23 * count + 1 + static_cast<std::int32_t>(data.size())) +
                 Le32(static_cast<std::int32_t>(file.data.size()));
        data += file.data;
    }
    return image + data;
}

int FaultyFileSystem::Fault(const char* kind) {
    calls.emplace_back(kind);
    return fault ? fault(kind, static_cast<int>(calls.size())) : 0;
}

ssize_t FaultyFileSystem::Read(int fd, void* buffer, size_t count) {
    const int error = Fault("Read");
    return error > 0 ? (errno = error, -1) : FileSystem::Read(fd, buffer, Part(error, count));
}

ssize_t FaultyFileSystem::ReadAt(int fd, void* buffer, size_t count, off_t at) {
    const int error = Fault("ReadAt");
    return error > 0 ? (errno = error, -1) : FileSystem::ReadAt(fd, buffer, Part(error, count), at);
}

ssize_t FaultyFileSystem::WriteAt(int fd, const void* buffer, size_t count, off_t at) {
    const int error = Fault("WriteAt");  // a short write: a disk filling up during the call
    return error > 0 ? (errno = error, -1)
                     : FileSystem::WriteAt(fd, buffer, Part(error, count), at);
}

int FaultyFileSystem::Close(int fd) {
    const int result = FileSystem::Close(fd);  // released even when the close reports an error
    const int error = Fault("Close");
    return error > 0 ? (errno = error, -1) : result;
}

}  // namespace kofrex::test
