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

}  // namespace velkaro
