#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace kofrex {

// A text of the store's errors, which the window and the command line look up in their
// translations under the context "kofrex::ArchiveError" (lupdate knows it as an alias of
// QT_TRANSLATE_NOOP). The store itself has no Qt and keeps the English.
#define KOFREX_TEXT(context, text) text

// A value in an error's message: a path, shown as it is, or a phrase of the store's own, which
// is translated as the message is.
struct ErrorArgument {
    std::string text;
    bool phrase = false;
};

// `message` with %1, %2, ... replaced by `arguments` in one pass, so that a %2 inside a path
// stays as it is.
std::string FilledIn(const std::string& message, const std::vector<ErrorArgument>& arguments);

// What a failed file operation was doing: each its own message, so that every one is found by
// the translation tools and a misspelled one does not compile.
enum class Failed { Open, Read, Write, Replace, CreateFileIn, WriteToFolder, CreateFolder };

// The one error the store raises. The window shows Number() and Description() to the user
// and then ends the program, so the description names the file and says in plain words what
// went wrong and, where it helps, what the user can do.
class ArchiveError : public std::runtime_error {
  public:
    ArchiveError(int number, std::string description);
    // `message` is English with %1, %2, ... for `arguments`, marked with KOFREX_TEXT.
    ArchiveError(int number, const char* message, std::vector<ErrorArgument> arguments);

    int Number() const noexcept { return number_; }
    const std::string& Description() const noexcept { return description_; }
    // The description before its values are filled in, and the values, for translating it.
    const std::string& Message() const noexcept { return message_; }
    const std::vector<ErrorArgument>& Arguments() const noexcept { return arguments_; }

    // A failed file operation: "Could not <action> <path>: <errno in plain words>."
    static ArchiveError FromErrno(int errnoValue, Failed action, const std::string& path);
    // The archive at `path` would pass the signed 32-bit positions of the format.
    static ArchiveError Overflow(const std::string& path);
    // A file to store that alone is larger than an archive can hold.
    static ArchiveError TooLarge(const std::string& path);
    // Data the directory names are no longer in the archive file: it changed since it was read.
    static ArchiveError EntryOutsideArchive(const std::string& path);
    // Something other than a regular file where a file is to be written.
    static ArchiveError NotRegularFile(const std::string& path);
    // A file with other hard links, which replacing it would split from them.
    static ArchiveError HardLinked(const std::string& path);

    // A link another user planted in a shared folder, which is not followed.
    static ArchiveError LinkRefused(const std::string& link);
    // A folder in which no new file may take the place of `path`: not writable by this user, or
    // `sticky` and neither the file nor the folder this user's.
    static ArchiveError FolderWithoutRenameRight(const std::string& path, const std::string& folder,
                                                 bool sticky);
    // An archive of another user, which replacing it would hand to this user.
    static ArchiveError OwnedByOtherUser(const std::string& path);
    // Another program put a new file in the archive's place while an add copied the old one.
    static ArchiveError ReplacedMeanwhile(const std::string& path);
    // An entry whose data lie in the header or directory, which an add rewrites.
    static ArchiveError DataInsideDirectory(const std::string& path);

  private:
    int number_;
    std::string message_;
    std::vector<ErrorArgument> arguments_;
    std::string description_;
};

// Raised where an extract would write over the archive it reads, however the target is spelled
// or linked: nothing was written.
class WouldReplaceArchive : public ArchiveError {
  public:
    explicit WouldReplaceArchive(const std::string& path);
};

// Raised when something took a target's name after it was found free, or free of what the user
// agreed to replace: nothing was written, and the caller may ask the user again.
class TargetAppeared : public std::runtime_error {
  public:
    explicit TargetAppeared(const std::string& path) : std::runtime_error(path) {}
};

}  // namespace kofrex
