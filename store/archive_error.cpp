#include "archive_error.h"

#include <cerrno>
#include <cstring>
#include <iterator>

namespace kofrex {
namespace {

// What went wrong and what the user can do about it, for the failures a user meets; empty for
// the others.
std::string PlainWords(int errnoValue) {
    switch (errnoValue) {
        case ENOSPC:
            return KOFREX_TEXT("kofrex::ArchiveError",
                               "the disk is full. Free some space and try again.");
        case EDQUOT:
            return KOFREX_TEXT("kofrex::ArchiveError",
                               "your disk quota is used up. Free some space and try again.");
        case EACCES:
        case EPERM:
            return KOFREX_TEXT(
                "kofrex::ArchiveError",
                "permission denied. Choose a file and folder you may write to, or ask "
                "their owner for access.");
        case EROFS:
            return KOFREX_TEXT("kofrex::ArchiveError", "the disk is mounted read-only.");
        case ENOENT:
            return KOFREX_TEXT("kofrex::ArchiveError",
                               "it does not exist (it may have been moved or deleted).");
        case ENOTDIR:
            return KOFREX_TEXT("kofrex::ArchiveError", "a part of the path is not a folder.");
        case EISDIR:
            return KOFREX_TEXT("kofrex::ArchiveError", "it is a folder.");
        case ENAMETOOLONG:
            return KOFREX_TEXT("kofrex::ArchiveError",
                               "the name is longer than the file system allows.");
        case EIO:
            return KOFREX_TEXT("kofrex::ArchiveError", "the disk reported an input/output error.");
        case EFBIG:
            return KOFREX_TEXT(
                "kofrex::ArchiveError",
                "the file would be larger than this file system or your limits allow.");
        default:
            return {};  // the system's own words, which are no phrase of the store
    }
}

// The message of each failed action, indexed by Failed.
constexpr const char* kFailedMessages[] = {
    KOFREX_TEXT("kofrex::ArchiveError", "Could not open %1: %2"),
    KOFREX_TEXT("kofrex::ArchiveError", "Could not read %1: %2"),
    KOFREX_TEXT("kofrex::ArchiveError", "Could not write %1: %2"),
    KOFREX_TEXT("kofrex::ArchiveError", "Could not replace %1: %2"),
    KOFREX_TEXT("kofrex::ArchiveError", "Could not create a file in the folder %1: %2"),
    KOFREX_TEXT("kofrex::ArchiveError", "Could not write to the folder %1: %2"),
    KOFREX_TEXT("kofrex::ArchiveError", "Could not create the folder %1: %2"),
};
static_assert(std::size(kFailedMessages) == static_cast<std::size_t>(Failed::CreateFolder) + 1);

}  // namespace

std::string FilledIn(const std::string& message, const std::vector<ErrorArgument>& arguments) {
    std::string filled;
    for (std::size_t i = 0; i < message.size(); ++i) {
        const char next = message[i + 1];  // '\0' past the end
        const bool placeholder = message[i] == '%' && next >= '1' &&
                                 static_cast<std::size_t>(next - '0') <= arguments.size();
        if (placeholder) {
            filled += arguments[static_cast<std::size_t>(next - '1')].text;
            ++i;
        } else {
            filled += message[i];
        }
    }
    return filled;
}

ArchiveError::ArchiveError(int number, std::string description)
    : std::runtime_error(description),
      number_(number),
      message_(description),
      description_(std::move(description)) {}

ArchiveError::ArchiveError(int number, const char* message, std::vector<ErrorArgument> arguments)
    : std::runtime_error(FilledIn(message, arguments)),
      number_(number),
      message_(message),
      arguments_(std::move(arguments)),
      description_(what()) {}

ArchiveError ArchiveError::FromErrno(int errnoValue, Failed action, const std::string& path) {
    const std::string known = PlainWords(errnoValue);
    return ArchiveError(errnoValue, kFailedMessages[static_cast<std::size_t>(action)],
                        {{path},
                         known.empty() ? ErrorArgument{std::string(std::strerror(errnoValue)) + "."}
                                       : ErrorArgument{known, true}});
}

ArchiveError ArchiveError::Overflow(const std::string& path) {
    return ArchiveError(EOVERFLOW,
                        KOFREX_TEXT("kofrex::ArchiveError",
                                    "The archive %1 would grow past 2,147,483,647 bytes, the most "
                                    "a .kfx archive can hold. Store the file in another archive."),
                        {{path}});
}

ArchiveError ArchiveError::TooLarge(const std::string& path) {
    return ArchiveError(EOVERFLOW,
                        KOFREX_TEXT("kofrex::ArchiveError",
                                    "The file %1 is larger than 2,147,483,647 bytes, the most a "
                                    ".kfx archive can hold."),
                        {{path}});
}

ArchiveError ArchiveError::EntryOutsideArchive(const std::string& path) {
    return ArchiveError(EBADMSG,
                        KOFREX_TEXT("kofrex::ArchiveError",
                                    "The archive %1 is shorter than its directory says: another "
                                    "program has changed it. Open it again."),
                        {{path}});
}

ArchiveError ArchiveError::NotRegularFile(const std::string& path) {
    return ArchiveError(EINVAL,
                        KOFREX_TEXT("kofrex::ArchiveError",
                                    "Could not write %1: it is not a regular file (a folder, a "
                                    "device, a pipe or a socket). Choose a file."),
                        {{path}});
}

ArchiveError ArchiveError::HardLinked(const std::string& path) {
    return ArchiveError(EMLINK,
                        KOFREX_TEXT("kofrex::ArchiveError",
                                    "Kofrex leaves %1 unchanged: it has other hard links, which "
                                    "replacing it would split from it. Copy it to a file of its "
                                    "own first."),
                        {{path}});
}

ArchiveError ArchiveError::LinkRefused(const std::string& link) {
    return ArchiveError(EACCES,
                        KOFREX_TEXT("kofrex::ArchiveError",
                                    "Kofrex does not follow the link %1: it belongs to another "
                                    "user and lies in a folder that every user may write to, "
                                    "where anyone can plant a link. Choose another name."),
                        {{link}});
}

ArchiveError ArchiveError::FolderWithoutRenameRight(const std::string& path,
                                                    const std::string& folder, bool sticky) {
    return ArchiveError(
        EACCES,
        sticky ? KOFREX_TEXT("kofrex::ArchiveError",
                             "Could not replace %1: in the folder %2 only the file's owner or "
                             "the folder's owner may replace it. Copy it to a folder of your own "
                             "first.")
               : KOFREX_TEXT("kofrex::ArchiveError",
                             "Could not replace %1: you may not create files in the folder %2. "
                             "Copy it to a folder of your own first."),
        {{path}, {folder}});
}

ArchiveError ArchiveError::OwnedByOtherUser(const std::string& path) {
    return ArchiveError(EPERM,
                        KOFREX_TEXT("kofrex::ArchiveError",
                                    "Kofrex leaves %1 unchanged: it belongs to another user, and "
                                    "adding to it would make it yours. Ask its owner to add the "
                                    "file, or copy the archive first."),
                        {{path}});
}

ArchiveError ArchiveError::ReplacedMeanwhile(const std::string& path) {
    return ArchiveError(ESTALE,
                        KOFREX_TEXT("kofrex::ArchiveError",
                                    "The archive %1 was replaced by another program while Kofrex "
                                    "was adding to it, so nothing was added. Its list has been "
                                    "read again; add the file once more."),
                        {{path}});
}

ArchiveError ArchiveError::DataInsideDirectory(const std::string& path) {
    return ArchiveError(EBADMSG,
                        KOFREX_TEXT("kofrex::ArchiveError",
                                    "Kofrex cannot add to %1: an entry's data lie inside the "
                                    "archive's directory, which an add would change. Extract its "
                                    "files and store them in a new archive."),
                        {{path}});
}

WouldReplaceArchive::WouldReplaceArchive(const std::string& path)
    : ArchiveError(EPERM,
                   KOFREX_TEXT("kofrex::ArchiveError",
                               "Kofrex leaves %1 unchanged: it is the archive the entries are "
                               "read from, and writing an entry over it would lose every other "
                               "entry."),
                   {{path}}) {}

}  // namespace kofrex
