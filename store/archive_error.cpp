#include "archive_error.h"

#include <cerrno>
#include <cstring>

namespace kofrex {
namespace {

// What went wrong and what the user can do about it, for the failures a user meets.
std::string PlainWords(int errnoValue) {
    switch (errnoValue) {
        case ENOSPC:
            return "the disk is full. Free some space and try again.";
        case EDQUOT:
            return "your disk quota is used up. Free some space and try again.";
        case EACCES:
        case EPERM:
            return "permission denied. Choose a file and folder you may write to, or ask "
                   "their owner for access.";
        case EROFS:
            return "the disk is mounted read-only.";
        case ENOENT:
            return "it does not exist (it may have been moved or deleted).";
        case ENOTDIR:
            return "a part of the path is not a folder.";
        case EISDIR:
            return "it is a folder.";
        case ENAMETOOLONG:
            return "the name is longer than the file system allows.";
        case EIO:
            return "the disk reported an input/output error.";
        case EFBIG:
            return "the file would be larger than this file system or your limits allow.";
        default:
            return std::string(std::strerror(errnoValue)) + ".";
    }
}

const std::string kArchiveLimit = " 2,147,483,647 bytes, the most a .kfx archive can hold.";

}  // namespace

ArchiveError::ArchiveError(int number, std::string description)
    : std::runtime_error(description), number_(number), description_(std::move(description)) {}

ArchiveError ArchiveError::FromErrno(int errnoValue, const std::string& action,
                                     const std::string& path) {
    return ArchiveError(errnoValue,
                        "Could not " + action + " " + path + ": " + PlainWords(errnoValue));
}

ArchiveError ArchiveError::Overflow(const std::string& path) {
    return ArchiveError(EOVERFLOW, "The archive " + path + " would grow past" + kArchiveLimit +
                                       " Store the file in another archive.");
}

ArchiveError ArchiveError::TooLarge(const std::string& path) {
    return ArchiveError(EOVERFLOW, "The file " + path + " is larger than" + kArchiveLimit);
}

ArchiveError ArchiveError::EntryOutsideArchive(const std::string& path) {
    return ArchiveError(EBADMSG, "The archive " + path +
                                     " is shorter than its directory says: another program has "
                                     "changed it. Open it again.");
}

ArchiveError ArchiveError::NotRegularFile(const std::string& path) {
    return ArchiveError(EINVAL, "Could not write " + path +
                                    ": it is not a regular file (a folder, a device, a pipe or a "
                                    "socket). Choose a file.");
}

ArchiveError ArchiveError::HardLinked(const std::string& path) {
    return ArchiveError(EMLINK, "Kofrex leaves " + path +
                                    " unchanged: it has other hard links, which replacing it "
                                    "would split from it. Copy it to a file of its own first.");
}

ArchiveError ArchiveError::LinkRefused(const std::string& link) {
    return ArchiveError(EACCES, "Kofrex does not follow the link " + link +
                                    ": it belongs to another user and lies in a folder that every "
                                    "user may write to, where anyone can plant a link. Choose "
                                    "another name.");
}

ArchiveError ArchiveError::FolderWithoutRenameRight(const std::string& path,
                                                    const std::string& folder, bool sticky) {
    return ArchiveError(
        EACCES, "Could not replace " + path + ": " +
                    (sticky ? "in the folder " + folder +
                                  " only the file's owner or the folder's owner may replace it."
                            : "you may not create files in the folder " + folder + ".") +
                    " Copy it to a folder of your own first.");
}

ArchiveError ArchiveError::OwnedByOtherUser(const std::string& path) {
    return ArchiveError(EPERM, "Kofrex leaves " + path +
                                   " unchanged: it belongs to another user, and adding to it "
                                   "would make it yours. Ask its owner to add the file, or copy "
                                   "the archive first.");
}

ArchiveError ArchiveError::ReplacedMeanwhile(const std::string& path) {
    return ArchiveError(ESTALE, "The archive " + path +
                                    " was replaced by another program while Kofrex was adding "
                                    "to it, so nothing was added. Its list has been read again; "
                                    "add the file once more.");
}

ArchiveError ArchiveError::DataInsideDirectory(const std::string& path) {
    return ArchiveError(EBADMSG, "Kofrex cannot add to " + path +
                                     ": an entry's data lie inside the archive's directory, which "
                                     "an add would change. Extract its files and store them in a "
                                     "new archive.");
}

}  // namespace kofrex
