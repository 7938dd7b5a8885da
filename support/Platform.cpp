// Paths between the core's UTF-16 and the file system's native form.
#include "support/Platform.h"

#include "support/Utf8.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace velkaro {

#ifdef _WIN32

std::filesystem::path ToFsPath(const std::u16string &path) {
  return std::filesystem::path(std::wstring(path.begin(), path.end()));
}

std::u16string FromFsPath(const std::filesystem::path &path) {
  const std::wstring &w = path.native();
  return std::u16string(w.begin(), w.end());
}

#else

std::filesystem::path ToFsPath(const std::u16string &path) {
  return std::filesystem::path(utf8::FromUtf16Escaped(path));
}

std::u16string FromFsPath(const std::filesystem::path &path) {
  return utf8::ToUtf16Escaped(path.native());
}

// A Windows build implements these three with GetFileAttributesExW,
// SetFileTime (creation time included) and FileTimeToLocalFileTime.

bool QueryFileStatus(const std::filesystem::path &path, FileStatus &status) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  FillFileStatus(st, status);
  return true;
}

void FillFileStatus(const struct stat &st, FileStatus &status) {
  status.regular = S_ISREG(st.st_mode);
  status.folder = S_ISDIR(st.st_mode);
  status.size = static_cast<std::uint64_t>(st.st_size);
  status.mode = static_cast<std::uint32_t>(st.st_mode & 07777);
  status.owner = static_cast<std::uint32_t>(st.st_uid);
  status.identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  status.access = {st.st_atim.tv_sec, st.st_atim.tv_nsec};
  status.modification = {st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
  // Linux keeps a birth time (statx) but offers no call to set it.
  status.hasCreation = false;
}

bool SetFileTimes(const std::filesystem::path &path, const FileStatus &times) {
  const struct timespec ts[2] = {
      {static_cast<std::time_t>(times.access.seconds), static_cast<long>(times.access.nanoseconds)},
      {static_cast<std::time_t>(times.modification.seconds),
       static_cast<long>(times.modification.nanoseconds)}};
  return ::utimensat(AT_FDCWD, path.c_str(), ts, 0) == 0;
}

bool ToLocalTime(const FileTime &time, std::tm &local) {
  const auto t = static_cast<std::time_t>(time.seconds);
  return localtime_r(&t, &local) != nullptr;
}

#endif

bool SameFileOrFolder(const std::u16string &a, const std::u16string &b) {
  if (!IsUsablePath(a) || !IsUsablePath(b)) return false;
  FileStatus x, y;
  return QueryFileStatus(ToFsPath(a), x) && QueryFileStatus(ToFsPath(b), y) &&
         x.identity == y.identity;
}

bool IsForbiddenPathChar(char16_t c) {
#ifdef _WIN32
  return c < 0x20 || c == u'"' || c == u'<' || c == u'>' || c == u'|';
#else
  return c == 0;
#endif
}

bool IsUsablePath(const std::u16string &path) {
  if (path.empty()) return false;
  for (char16_t c : path)
    if (IsForbiddenPathChar(c)) return false;
  return true;
}

}  // namespace velkaro
