#pragma once

namespace kofrex {

// What became of a file given to the store to add, or of a change to one entry (where Stored
// means the change was made). Every outcome but Stored leaves the archive as it was; the
// caller decides what to tell the user.
enum class AddOutcome {
    Stored,
    DuplicateName,   // its stored name is already in the archive
    NotRegularFile,  // a folder, a pipe, a device or a socket
    Unreadable,      // missing, or not readable by this user
    ArchiveItself,   // the current archive, under whatever path or link
    NoArchive,       // no archive is current, or it is gone or no longer an archive
    // A change by row only: the archive is no longer the file the table was read from. Nothing
    // was changed, and the table has been read again.
    ArchiveChanged,
    NoSuchEntry,  // a change by row only: no row of the table has that index
    NoName,       // a rename only: the stored name would be blank

};

}  // namespace kofrex
