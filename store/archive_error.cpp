#include "archive_error.h"

#include <cerrno>
#include <cstring>

namespace kofrex {

ArchiveError::ArchiveError(int number, std::string description)
    : std::runtime_error(description), number_(number), description_(std::move(description)) {}

ArchiveError ArchiveError::FromErrno(int errnoValue) {
    return ArchiveError(errnoValue, std::strerror(errnoValue));
}

ArchiveError ArchiveError::Overflow() {
    return ArchiveError(EOVERFLOW, "Overflow");
}

ArchiveError ArchiveError::EntryOutsideArchive() {
    return ArchiveError(EBADMSG, "The archive file is shorter than its directory says");
}

}  // namespace kofrex
