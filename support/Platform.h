// The seam between the core's UTF-16 paths and the platform's file system.
//
// On Windows a path is UTF-16 already. On POSIX a file name is a byte string
// that need not be UTF-8: bytes that do not decode are carried as the lone
// surrogates U+DC80..U+DCFF ("surrogate escape"), so every name the file
// system hands us can be turned back into the same bytes.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace velkaro {

std::filesystem::path ToFsPath(const std::u16string &path);
std::u16string FromFsPath(const std::filesystem::path &path);

// Characters no path may hold here: U+0000 on POSIX (the native call would
// silently cut the name there); on Windows also the controls below U+0020,
// '"', '<', '>' and '|'.
bool IsForbiddenPathChar(char16_t c);
// False for the empty path and for one holding a forbidden character; on
// Windows also for a path naming a device (CON, PRN, AUX, NUL, COM1-9,
// LPT1-9, with any extension), which would open the device, not a file.
bool IsUsablePath(const std::u16string &path);

// A time stamp: seconds since 1970-01-01 UTC and nanoseconds.
struct FileTime {
  std::int64_t seconds = 0;
  std::int64_t nanoseconds = 0;
};

// Which file a name leads to: equal identities are one file (or folder),
// whatever the spellings, links or letter case that reached it.
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t file = 0;
  bool operator==(const FileIdentity &) const = default;
};

// What the listing and the backup copy need to know of a file.
struct FileStatus {
  bool regular = false;  // a plain file (not a folder, FIFO or device)
  bool folder = false;
  std::uint64_t size = 0;
  // Permission bits (POSIX); the hidden and system attributes (Windows),
  // which an output or a backup keeps as POSIX keeps the bits.
  std::uint32_t mode = 0;
  bool readOnly = false;  // Windows' read-only attribute: the user's "do not touch"
  std::uint32_t owner = 0;  // the owning user (POSIX)
  FileIdentity identity;
  FileTime access, modification;
  bool hasCreation = false;  // POSIX keeps no creation time that can be set
  FileTime creation;
};

// The status of the file at path, links followed. False when there is none.
bool QueryFileStatus(const std::filesystem::path &path, FileStatus &status);
// The status of an open file: a file descriptor on POSIX, a HANDLE on Windows.
bool QueryOpenFileStatus(std::intptr_t handle, FileStatus &status);
// Gives the file the access, modification and (where the platform can set
// one) creation times of `times`.
bool SetFileTimes(const std::filesystem::path &path, const FileStatus &times);
// The local calendar time of a time stamp.
bool ToLocalTime(const FileTime &time, std::tm &local);

// True when both paths lead to one existing file or folder (links followed):
// their identities (POSIX device and inode; Windows volume serial number and
// file index) are compared, so a trailing separator, other letter case or an
// 8.3 short name of the same folder is still the same folder.
bool SameFileOrFolder(const std::u16string &a, const std::u16string &b);

// The folder of the running program, with a trailing separator; empty when
// it cannot be told.
std::u16string ExecutableFolder();
// Where a user's own settings for the program `app` live, as the window's
// toolkit places them (Windows: %LOCALAPPDATA%\app; elsewhere
// $XDG_CONFIG_HOME/app or ~/.config/app), with a trailing separator; empty
// when no such folder can be named.
std::u16string UserConfigFolder(const std::u16string &app);
// The path with every part that was given in its 8.3 short form (1___~1OQ.JWW)
// spelled in its long name (Windows). The path as given when nothing exists
// there, and on POSIX, where there are no short names.
std::u16string LongPathName(const std::u16string &path);

#ifdef _WIN32
// Of a file's attributes, those FileStatus::mode carries: hidden and system.
std::uint32_t KeptAttributes(std::uint32_t attributes);
#endif

#ifndef _WIN32
// The status of a stat() result, for callers that stat a handle.
void FillFileStatus(const struct stat &st, FileStatus &status);
#endif

}  // namespace velkaro
