#pragma once

// A folder of this user's own for the entries the window opens or drags out: other programs
// read them there while Kofrex runs, and nothing of them outlives it.

#include <optional>
#include <string>

#include "file.h"
#include "file_system.h"

namespace kofrex {

class PrivateFolder {
  public:
    // Creates `base`/kofrex-XXXXXX, for this user alone, and holds its lock, which marks it as in
    // use by a running Kofrex. It is emptied and removed by the destructor, or where the program
    // ends otherwise, as its temporary files are (see RemoveTemporariesWhenEnded).
    PrivateFolder(FileSystem& fs, const std::string& base);
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    const std::string& Path() const { return path_; }

  private:
    FileSystem& fs_;
    std::string path_;
    std::optional<File> folder_;  // holds the lock
    int slot_ = -1;               // see RemoveFolderWhenEnded()
};

// Empties and removes each kofrex-XXXXXX folder in `base` that this user owns and no running
// Kofrex holds: left by one that was killed. Only its files go; a folder with anything else in it
// stays, as does a link of that name.
void RemoveAbandonedPrivateFolders(FileSystem& fs, const std::string& base);

}  // namespace kofrex
