#pragma once

#include <stdexcept>
#include <string>

namespace kofrex {

// The one error the store raises. The window shows Number() and Description() to the user
// and then ends the program, so both must make sense on their own.
class ArchiveError : public std::runtime_error {
  public:
    ArchiveError(int number, std::string description);

    int Number() const noexcept { return number_; }
    const std::string& Description() const noexcept { return description_; }

    // The current errno with its system text, for a failed file operation.
    static ArchiveError FromErrno(int errnoValue);
    // A count, a position or an archive length that would pass the signed 32-bit range.
    static ArchiveError Overflow();
    // Data the directory names are no longer in the archive file: it changed since it was read.
    static ArchiveError EntryOutsideArchive();

  private:
    int number_;
    std::string description_;
};

}  // namespace kofrex
