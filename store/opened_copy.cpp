#include "opened_copy.h"

#include <vector>

namespace kofrex {
namespace {

constexpr std::size_t kPiece = std::size_t{1} << 16;
constexpr std::uint64_t kFnvBasis = 14695981039346656037ULL;
constexpr std::uint64_t kFnvPrime = 1099511628211ULL;

// FNV-1a over the whole file: an edit changes it, a save of the same bytes does not.
std::uint64_t Fingerprint(File& file) {
    std::uint64_t hash = kFnvBasis;
    std::vector<char> buffer(kPiece);
    std::int64_t position = 0;
    for (;;) {
        const std::size_t read = file.ReadAt(buffer.data(), buffer.size(), position);
        for (std::size_t i = 0; i < read; ++i) {
            hash = (hash ^ static_cast<unsigned char>(buffer[i])) * kFnvPrime;
        }
        if (read < buffer.size()) {
            return hash;
        }
        position += static_cast<std::int64_t>(read);
    }
}

}  // namespace

OpenedCopy::OpenedCopy(FileSystem& fs, std::string path, std::string archive, std::int32_t row,
                       std::string name)
    : fs_(&fs),
      path_(std::move(path)),
      archive_(std::move(archive)),
      row_(row),
      name_(std::move(name)) {
    TakeAsCurrent();
}

std::optional<FileIdentity> OpenedCopy::IdentityNow() const {
    struct stat status {};
    if (fs_->PathStatus(path_.c_str(), status) != 0) {
        return std::nullopt;
    }
    return FileIdentity::Of(status);
}

std::optional<OpenedCopy::Content> OpenedCopy::ContentNow() const {
    std::optional<File> file = File::OpenSource(*fs_, path_);
    if (!file) {
        return std::nullopt;
    }
    try {
        Content content{FileIdentity::Of(file->Status()), 0};
        content.fingerprint = Fingerprint(*file);
        return content;
    } catch (const ArchiveError&) {
        return std::nullopt;  // unreadable now: nothing to put back
    }
}

bool OpenedCopy::Differs(const std::optional<Content>& content) const {
    // Untouched since: no need to read it.
    if (content && IdentityNow() == content->identity) {
        return false;
    }
    const std::optional<Content> now = ContentNow();
    if (!now) {
        return false;
    }
    return !content || now->identity.length != content->identity.length ||
           now->fingerprint != content->fingerprint;
}

bool OpenedCopy::Edited() const {
    return Differs(taken_);
}

bool OpenedCopy::EditedSinceAsked() const {
    return Edited() && Differs(asked_);
}

void OpenedCopy::MarkAsked() {
    asked_ = ContentNow();
}

void OpenedCopy::TakeAsCurrent() {
    taken_ = ContentNow();
}

std::int32_t OpenedCopy::RowIn(const EntryTable& entries) const {
    const auto named = [&](std::int32_t row) {
        return entries.NameAt(static_cast<std::size_t>(row - 1)) == name_;
    };
    const auto rows = static_cast<std::int32_t>(entries.size());
    if (row_ >= 1 && row_ <= rows && named(row_)) {
        return row_;
    }
    for (std::int32_t row = 1; row <= rows; ++row) {
        if (named(row)) {
            return row;
        }
    }
    return 0;
}

}  // namespace kofrex
