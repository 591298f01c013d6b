#pragma once

namespace kofrex {

// What became of a file given to the store to add. Every outcome but Stored leaves the archive
// as it was; the caller decides what to tell the user.
enum class AddOutcome {
    Stored,
    DuplicateName,   // its stored name is already in the archive
    NotRegularFile,  // a folder, a pipe, a device or a socket
    Unreadable,      // missing, or not readable by this user
    ArchiveItself,   // the current archive, under whatever path or link
    NoArchive,       // no archive is current, or it is gone or no longer an archive
};

}  // namespace kofrex
