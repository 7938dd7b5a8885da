// The seam between the core's UTF-16 paths and the platform's file system.
//
// On Windows a path is UTF-16 already. On POSIX a file name is a byte string
// that need not be UTF-8: bytes that do not decode are carried as the lone
// surrogates U+DC80..U+DCFF ("surrogate escape"), so every name the file
// system hands us can be turned back into the same bytes.
#pragma once

#include <filesystem>
#include <string>

namespace velkaro {

std::filesystem::path ToFsPath(const std::u16string &path);
std::u16string FromFsPath(const std::filesystem::path &path);

// Characters no path may hold here: U+0000 on POSIX (the native call would
// silently cut the name there); on Windows also the controls below U+0020,
// '"', '<', '>' and '|'.
bool IsForbiddenPathChar(char16_t c);
// False for the empty path and for one holding a forbidden character.
bool IsUsablePath(const std::u16string &path);

}  // namespace velkaro
