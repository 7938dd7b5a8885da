// Paths between the core's UTF-16 and the file system's native form.
#include "support/Platform.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "support/Utf8.h"

#ifdef _WIN32
#include <windows.h>
#else
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

namespace {

// 100-nanosecond intervals since 1601-01-01 UTC <-> the Unix epoch.
constexpr std::int64_t kEpochDifference = 116444736000000000LL;

FileTime FromFiletime(const FILETIME &ft) {
  const std::int64_t ticks =
      static_cast<std::int64_t>((static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime) -
      kEpochDifference;
  std::int64_t seconds = ticks / 10000000;
  std::int64_t rest = ticks % 10000000;
  if (rest < 0) {
    rest += 10000000;
    --seconds;
  }
  return {seconds, rest * 100};
}

FILETIME ToFiletime(const FileTime &t) {
  const auto ticks = static_cast<std::uint64_t>(t.seconds * 10000000 + t.nanoseconds / 100 +
                                                kEpochDifference);
  return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// Opens a file or folder (links followed) just to ask about it: no access
// rights, every sharing mode, so nobody else's work is disturbed.
HANDLE OpenForQuery(const std::filesystem::path &path, DWORD access, DWORD extraFlags = 0) {
  return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | extraFlags, nullptr);
}

// CON, PRN, AUX, NUL, COM1-9, LPT1-9 (and the superscript digits Windows
// also takes), before any extension and trailing blanks or dots.
bool IsDeviceName(std::u16string name) {
  name = name.substr(0, name.find(u'.'));
  while (!name.empty() && (name.back() == u' ' || name.back() == u'.')) name.pop_back();
  for (char16_t &c : name)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  if (name == u"CON" || name == u"PRN" || name == u"AUX" || name == u"NUL" ||
      name == u"CONIN$" || name == u"CONOUT$")
    return true;
  if (name.size() != 4) return false;
  const std::u16string stem = name.substr(0, 3);
  const char16_t digit = name[3];
  const bool numbered = (digit >= u'1' && digit <= u'9') || digit == u'\u00B9' ||
                        digit == u'\u00B2' || digit == u'\u00B3';
  return numbered && (stem == u"COM" || stem == u"LPT");
}

bool NamesDevice(const std::u16string &path) {
  std::size_t start = 0;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == u'\\' || path[i] == u'/') {
      // A drive ("C:") or the "\\?\" prefix is no name.
      const std::u16string part = path.substr(start, i - start);
      if (!(part.size() == 2 && part[1] == u':') && IsDeviceName(part)) return true;
      start = i + 1;
    }
  }
  return false;
}

}  // namespace

std::uint32_t KeptAttributes(std::uint32_t attributes) {
  return attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
}

bool QueryOpenFileStatus(std::intptr_t handle, FileStatus &status) {
  const HANDLE h = reinterpret_cast<HANDLE>(handle);
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info)) return false;
  status.folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  status.regular = GetFileType(h) == FILE_TYPE_DISK && !status.folder;
  status.mode = KeptAttributes(info.dwFileAttributes);
  status.readOnly = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  status.identity = {info.dwVolumeSerialNumber,
                     (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  status.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  status.access = FromFiletime(info.ftLastAccessTime);
  status.modification = FromFiletime(info.ftLastWriteTime);
  status.creation = FromFiletime(info.ftCreationTime);
  status.hasCreation = true;
  return true;
}

bool QueryFileStatus(const std::filesystem::path &path, FileStatus &status) {
  // Through a handle, so a link is followed to the file it names.
  const HANDLE h = OpenForQuery(path, 0);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = QueryOpenFileStatus(reinterpret_cast<std::intptr_t>(h), status);
  CloseHandle(h);
  return ok;
}

bool SetFileTimes(const std::filesystem::path &path, const FileStatus &times) {
  const HANDLE h = OpenForQuery(path, FILE_WRITE_ATTRIBUTES);
  if (h == INVALID_HANDLE_VALUE) return false;
  const FILETIME access = ToFiletime(times.access);
  const FILETIME modification = ToFiletime(times.modification);
  const FILETIME creation = ToFiletime(times.creation);
  const bool ok = SetFileTime(h, times.hasCreation ? &creation : nullptr, &access, &modification) != 0;
  CloseHandle(h);
  return ok;
}

bool ToLocalTime(const FileTime &time, std::tm &local) {
  // Through SYSTEMTIME: the daylight-saving rule of the date itself, as
  // Explorer shows it (FileTimeToLocalFileTime would apply today's).
  const FILETIME ft = ToFiletime(time);
  SYSTEMTIME utc{}, here{};
  if (!FileTimeToSystemTime(&ft, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &here))
    return false;
  local = std::tm{};
  local.tm_year = here.wYear - 1900;
  local.tm_mon = here.wMonth - 1;
  local.tm_mday = here.wDay;
  local.tm_hour = here.wHour;
  local.tm_min = here.wMinute;
  local.tm_sec = here.wSecond;
  local.tm_wday = here.wDayOfWeek;
  return true;
}

#else

std::filesystem::path ToFsPath(const std::u16string &path) {
  return std::filesystem::path(utf8::FromUtf16Escaped(path));
}

std::u16string FromFsPath(const std::filesystem::path &path) {
  return utf8::ToUtf16Escaped(path.native());
}

bool QueryFileStatus(const std::filesystem::path &path, FileStatus &status) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  FillFileStatus(st, status);
  return true;
}

bool QueryOpenFileStatus(std::intptr_t handle, FileStatus &status) {
  struct stat st {};
  if (::fstat(static_cast<int>(handle), &st) != 0) return false;
  status = {};
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

std::u16string LongPathName(const std::u16string &path) {
#ifdef _WIN32
  if (!IsUsablePath(path)) return path;
  const auto *in = reinterpret_cast<const wchar_t *>(path.c_str());
  const DWORD size = GetLongPathNameW(in, nullptr, 0);
  if (size == 0) return path;
  std::u16string full(size, u'\0');
  const DWORD n = GetLongPathNameW(in, reinterpret_cast<wchar_t *>(full.data()), size);
  if (n == 0 || n >= size) return path;
  full.resize(n);
  return full;
#else
  return path;
#endif
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
#ifdef _WIN32
  if (NamesDevice(path)) return false;
#endif
  return true;
}

std::u16string ExecutableFolder() {
#ifdef _WIN32
  std::wstring buffer(32768, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (n == 0 || n >= buffer.size())
    return {};
  buffer.resize(n);
  const std::filesystem::path exe(buffer);
#else
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec)
    return {};
#endif
  return FromFsPath(exe.parent_path() / "");
}

std::u16string UserConfigFolder(const std::u16string &app) {
  const auto env = [](const char *name) -> std::u16string {
#ifdef _WIN32
    std::wstring wide(name, name + std::strlen(name));
    const wchar_t *value = _wgetenv(wide.c_str());
    return value && *value ? std::u16string(value, value + std::wcslen(value)) : std::u16string();
#else
    const char *value = std::getenv(name);
    return value && *value ? FromFsPath(std::filesystem::path(value)) : std::u16string();
#endif
  };
#ifdef _WIN32
  std::u16string base = env("LOCALAPPDATA");
#else
  std::u16string base = env("XDG_CONFIG_HOME");
  if (base.empty() && !env("HOME").empty())
    base = env("HOME") + u"/.config";
#endif
  if (base.empty())
    return {};
  return FromFsPath(ToFsPath(base) / ToFsPath(app) / "");
}

}  // namespace velkaro
