#include "test_support.h"

#include <stdlib.h>

#include <algorithm>
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

int FaultyFileSystem::Fault(const char* kind) {
    calls.emplace_back(kind);
    return fault ? fault(kind, static_cast<int>(calls.size())) : 0;
}

}  // namespace kofrex::test
