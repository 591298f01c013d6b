#pragma once

// The store's errors in the user's language, for the window and the command line alike.

#include <QString>

#include "archive_error.h"

namespace kofrex {

// The error's description in the user's language.
QString TranslatedDescription(const ArchiveError& error);

}  // namespace kofrex
