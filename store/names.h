#pragma once

// Stored names are Windows-1252 bytes: the archive's 8-bit code page on every platform.
// Paths on Linux are UTF-8, so names are converted before they are upper-cased and cut,
// which keeps every stored byte a whole character.

#include <string>
#include <string_view>

namespace kofrex {

// UTF-8 to Windows-1252. A character with no Windows-1252 form, and every byte that is not
// valid UTF-8, becomes "?".
std::string EncodeWindows1252(std::string_view utf8);

// Windows-1252 to UTF-8, for display. The five unassigned bytes show as U+FFFD.
std::string DecodeWindows1252(std::string_view windows1252);

// Upper case as Windows-1252 has it: a-z, the accented small letters, and š œ ž ÿ.
char UpperCase1252(char c);
std::string UpperCase1252(std::string_view windows1252);

// Leading and trailing spaces removed; no other character counts as space.
std::string_view TrimSpaces(std::string_view text);

// The last component of `path` (after the last "/"), in Windows-1252, upper case.
std::string GetStoredName(std::string_view path);

// True when the file at `path` is stored under its own name, changed at most in case: no
// character replaced by "?", nothing cut, no space lost at either end.
bool KeepsFileName(std::string_view path);

// Exactly kNameSize bytes: cut after the last whole one, or padded with spaces.
std::string FitName(std::string_view name);

// The folder beside the archive at `archive` that its entries are extracted into: its path
// without the ".kfx" (in any case), or with ".files" added where there is no name before one.
std::string FolderNamedAfter(std::string_view archive);

}  // namespace kofrex
