#pragma once

// Errors that no command handles: a file that vanished, a folder without write permission, a
// full disk, the archive's size limit, no memory left. None of them ends the program.

#include <QString>

#include <functional>
#include <optional>
#include "error_text.h"

namespace kofrex {

// Runs `work`. When an error escapes it, returns what the user is shown for it: "Error N: "
// and the error's description, which names the file and says what the user can do.
std::optional<QString> ErrorEscaping(const std::function<void()>& work);

}  // namespace kofrex
