// FolderHandle: POSIX through the *at() calls; Windows through a handle that
// denies the folder's rename and deletion, and the folder's final path.
#include "support/FolderHandle.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "support/FileIO.h"
#include "support/Func_2.h"
#include "support/ResourceShortage.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velkaro {

namespace fs = std::filesystem;

bool IsPlainEntryName(const std::u16string &name) {
  if (name.empty() || name == u"." || name == u"..") return false;
  for (char16_t c : name)
    if (c == u'/' || IsForbiddenPathChar(c)) return false;
#ifdef _WIN32
  if (name.find_first_of(u"\\:") != std::u16string::npos) return false;
#endif
  // Elsewhere a backslash is a character of the name like any other: names
  // in Shift-JIS bytes hold 0x5C as the second byte of 表 or ソ.
  return true;
}

FolderHandle::~FolderHandle() { close(); }

FolderHandle::FolderHandle(FolderHandle &&other) noexcept
    : handle_(other.handle_), lockHandle_(other.lockHandle_), path_(std::move(other.path_)) {
  other.handle_ = other.lockHandle_ = -1;
}

FolderHandle &FolderHandle::operator=(FolderHandle &&other) noexcept {
  if (this != &other) {
    close();
    handle_ = other.handle_;
    lockHandle_ = other.lockHandle_;
    path_ = std::move(other.path_);
    other.handle_ = other.lockHandle_ = -1;
  }
  return *this;
}

bool FolderHandle::isOpen() const { return handle_ != -1; }

bool FolderHandle::openParentOf(const std::u16string &path, std::u16string &name) {
  if (!IsUsablePath(path)) return false;
  const fs::path p = ToFsPath(path);
  name = FromFsPath(p.filename());
  if (!IsPlainEntryName(name)) return false;
  const fs::path parent = p.parent_path();
  return open(parent.empty() ? u"." : FromFsPath(parent));
}

std::u16string FolderHandle::pathOf(const std::u16string &name) const {
  if (!path_.empty() && (path_.back() == u'/' || path_.back() == PathSeparator()))
    return path_ + name;
  return path_ + PathSeparator() + name;
}

bool FolderHandle::exists(const std::u16string &name) const {
  FileStatus st;
  return status(name, st, false);
}

#ifndef _WIN32

namespace {

std::string Native(const std::u16string &name) { return ToFsPath(name).native(); }

int Fd(std::intptr_t h) { return static_cast<int>(h); }

// Where a lock file can live that goes away with the user's session.
fs::path RuntimeFolder() {
  if (const char *runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    std::error_code ec;
    if (fs::is_directory(runtime, ec)) return runtime;
  }
  std::error_code ec;
  fs::path temp = fs::temp_directory_path(ec);
  return ec ? fs::path("/tmp") : temp;
}

}  // namespace

bool FolderHandle::open(const std::u16string &path) {
  close();
  if (!IsUsablePath(path)) return false;
  int fd;
  do {
    fd = ::open(Native(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    NoteShortageOfLastError();
    return false;
  }
  handle_ = fd;
  path_ = path;
  return true;
}

bool FolderHandle::openIn(const FolderHandle &parent, const std::u16string &name) {
  close();
  if (!parent.isOpen() || !IsPlainEntryName(name)) return false;
  int fd;
  do {
    fd = ::openat(Fd(parent.handle_), Native(name).c_str(),
                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    NoteShortageOfLastError();
    return false;
  }
  handle_ = fd;
  path_ = parent.pathOf(name);
  return true;
}

void FolderHandle::close() {
  if (lockHandle_ != -1) ::close(Fd(lockHandle_));
  if (handle_ != -1) ::close(Fd(handle_));
  handle_ = lockHandle_ = -1;
  path_.clear();
}

FolderHandle::LockResult FolderHandle::tryLock() {
  if (!isOpen()) return LockResult::Failed;
  if (::flock(Fd(handle_), LOCK_EX | LOCK_NB) == 0) return LockResult::Locked;
  if (errno == EWOULDBLOCK) return LockResult::Busy;
  // Some network file systems cannot lock a folder: a lock file keyed by the
  // folder's identity in the user's runtime folder does instead.
  const FileIdentity id = identity();
  const fs::path lockFile = RuntimeFolder() / ("velkaro-lock-" + std::to_string(id.volume) + "-" +
                                               std::to_string(id.file));
  const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return LockResult::Failed;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const bool busy = errno == EWOULDBLOCK;
    ::close(fd);
    return busy ? LockResult::Busy : LockResult::Failed;
  }
  lockHandle_ = fd;
  return LockResult::Locked;
}

FileIdentity FolderHandle::identity() const {
  struct stat st {};
  if (!isOpen() || ::fstat(Fd(handle_), &st) != 0) return {};
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

bool FolderHandle::status(const std::u16string &name, FileStatus &status, bool followLinks) const {
  if (!isOpen() || !IsPlainEntryName(name)) return false;
  struct stat st {};
  if (::fstatat(Fd(handle_), Native(name).c_str(), &st, followLinks ? 0 : AT_SYMLINK_NOFOLLOW) != 0)
    return false;
  status = {};
  FillFileStatus(st, status);
  return true;
}

bool FolderHandle::rename(const std::u16string &from, const std::u16string &to) const {
  if (!isOpen() || !IsPlainEntryName(from) || !IsPlainEntryName(to)) return false;
  return ::renameat(Fd(handle_), Native(from).c_str(), Fd(handle_), Native(to).c_str()) == 0;
}

bool FolderHandle::renameInto(const std::u16string &from, const FolderHandle &other,
                              const std::u16string &to) const {
  if (!isOpen() || !other.isOpen() || !IsPlainEntryName(from) || !IsPlainEntryName(to))
    return false;
  return ::renameat(Fd(handle_), Native(from).c_str(), Fd(other.handle_), Native(to).c_str()) == 0;
}

bool FolderHandle::remove(const std::u16string &name) const {
  if (!isOpen() || !IsPlainEntryName(name)) return false;
  return ::unlinkat(Fd(handle_), Native(name).c_str(), 0) == 0;
}

// A name starting with a dot is hidden already.
bool FolderHandle::hide(const std::u16string &name) const {
  return isOpen() && IsPlainEntryName(name);
}

bool FolderHandle::makeFolder(const std::u16string &name, bool &alreadyExists) const {
  alreadyExists = false;
  if (!isOpen() || !IsPlainEntryName(name)) return false;
  if (::mkdirat(Fd(handle_), Native(name).c_str(), 0700) == 0) return true;
  alreadyExists = errno == EEXIST;
  return false;
}

bool FolderHandle::removeFolder(const std::u16string &name) const {
  if (!isOpen() || !IsPlainEntryName(name)) return false;
  return ::unlinkat(Fd(handle_), Native(name).c_str(), AT_REMOVEDIR) == 0;
}

std::vector<std::u16string> FolderHandle::entryNames() const {
  std::vector<std::u16string> names;
  if (!isOpen()) return names;
  // fdopendir takes the descriptor over; a duplicate keeps ours open, and
  // its own position starts at the beginning after rewinddir.
  const int dup = ::openat(Fd(handle_), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dup < 0) return names;
  DIR *dir = ::fdopendir(dup);
  if (!dir) {
    ::close(dup);
    return names;
  }
  while (const dirent *entry = ::readdir(dir)) {
    const std::string n = entry->d_name;
    if (n != "." && n != "..") names.push_back(FromFsPath(fs::path(n)));
  }
  ::closedir(dir);
  return names;
}

void FolderHandle::sync() const {
  if (isOpen()) ::fsync(Fd(handle_));
}

#else  // _WIN32

namespace {

HANDLE H(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

std::wstring Wide(const std::u16string &s) { return std::wstring(s.begin(), s.end()); }

}  // namespace

bool FolderHandle::open(const std::u16string &path) {
  close();
  if (!IsUsablePath(path)) return false;
  // No FILE_SHARE_DELETE: while we hold the folder nobody can rename or
  // delete it, so its path keeps leading to the folder that was checked.
  HANDLE h = CreateFileW(Wide(path).c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    NoteShortageOfLastError();
    return false;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info) ||
      !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    CloseHandle(h);
    return false;
  }
  // Entries are named through the folder's final path, not the spelling we
  // were given, which might pass through a junction that can change.
  wchar_t buffer[32768];
  const DWORD n = GetFinalPathNameByHandleW(h, buffer, 32768, FILE_NAME_NORMALIZED);
  if (n == 0 || n >= 32768) {
    CloseHandle(h);
    return false;
  }
  handle_ = reinterpret_cast<std::intptr_t>(h);
  path_ = std::u16string(buffer, buffer + n);
  return true;
}

bool FolderHandle::openIn(const FolderHandle &parent, const std::u16string &name) {
  close();
  if (!parent.isOpen() || !IsPlainEntryName(name)) return false;
  // Not through a junction or symbolic link: the reparse point itself is
  // opened, and refused below.
  HANDLE h = CreateFileW(Wide(parent.pathOf(name)).c_str(),
                         FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    NoteShortageOfLastError();
    return false;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info) ||
      !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    CloseHandle(h);
    return false;
  }
  handle_ = reinterpret_cast<std::intptr_t>(h);
  path_ = parent.pathOf(name);
  return true;
}

void FolderHandle::close() {
  if (lockHandle_ != -1) {
    ReleaseSemaphore(H(lockHandle_), 1, nullptr);
    CloseHandle(H(lockHandle_));
  }
  if (handle_ != -1) CloseHandle(H(handle_));
  handle_ = lockHandle_ = -1;
  path_.clear();
}

FolderHandle::LockResult FolderHandle::tryLock() {
  if (!isOpen()) return LockResult::Failed;
  // A named semaphore of one keyed by the folder's identity: it goes with
  // the last handle to it, so with the process, and leaves nothing on the
  // disk. Unlike a mutex it is not re-entrant, so a second batch in the same
  // process is refused too.
  const FileIdentity id = identity();
  const std::wstring name = L"Local\\velkaro-dest-" + std::to_wstring(id.volume) + L"-" +
                            std::to_wstring(id.file);
  HANDLE semaphore = CreateSemaphoreW(nullptr, 1, 1, name.c_str());
  if (!semaphore) return LockResult::Failed;
  if (WaitForSingleObject(semaphore, 0) != WAIT_OBJECT_0) {
    CloseHandle(semaphore);
    return LockResult::Busy;
  }
  lockHandle_ = reinterpret_cast<std::intptr_t>(semaphore);
  return LockResult::Locked;
}

FileIdentity FolderHandle::identity() const {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!isOpen() || !GetFileInformationByHandle(H(handle_), &info)) return {};
  return {info.dwVolumeSerialNumber,
          (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

bool FolderHandle::status(const std::u16string &name, FileStatus &status, bool followLinks) const {
  if (!isOpen() || !IsPlainEntryName(name)) return false;
  (void)followLinks;  // QueryFileStatus opens the file itself, links followed
  status = {};
  return QueryFileStatus(ToFsPath(pathOf(name)), status);
}

bool FolderHandle::rename(const std::u16string &from, const std::u16string &to) const {
  if (!isOpen() || !IsPlainEntryName(from) || !IsPlainEntryName(to)) return false;
  // A scanner that opened `to` a moment ago holds off the replace briefly.
  return RetryWhileInUse([&] {
    return !SimulatedSharingViolation() && MoveFileExW(Wide(pathOf(from)).c_str(), Wide(pathOf(to)).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  });
}

bool FolderHandle::renameInto(const std::u16string &from, const FolderHandle &other,
                              const std::u16string &to) const {
  if (!isOpen() || !other.isOpen() || !IsPlainEntryName(from) || !IsPlainEntryName(to))
    return false;
  return MoveFileExW(Wide(pathOf(from)).c_str(), Wide(other.pathOf(to)).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool FolderHandle::remove(const std::u16string &name) const {
  if (!isOpen() || !IsPlainEntryName(name)) return false;
  return DeleteFileW(Wide(pathOf(name)).c_str()) != 0;
}

bool FolderHandle::hide(const std::u16string &name) const {
  if (!isOpen() || !IsPlainEntryName(name)) return false;
  const std::wstring path = Wide(pathOf(name));
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         SetFileAttributesW(path.c_str(), attributes | FILE_ATTRIBUTE_HIDDEN) != 0;
}

bool FolderHandle::makeFolder(const std::u16string &name, bool &alreadyExists) const {
  alreadyExists = false;
  if (!isOpen() || !IsPlainEntryName(name)) return false;
  if (CreateDirectoryW(Wide(pathOf(name)).c_str(), nullptr)) return true;
  alreadyExists = GetLastError() == ERROR_ALREADY_EXISTS;
  return false;
}

bool FolderHandle::removeFolder(const std::u16string &name) const {
  if (!isOpen() || !IsPlainEntryName(name)) return false;
  return RemoveDirectoryW(Wide(pathOf(name)).c_str()) != 0;
}

std::vector<std::u16string> FolderHandle::entryNames() const {
  std::vector<std::u16string> names;
  if (!isOpen()) return names;
  std::error_code ec;
  for (fs::directory_iterator it(ToFsPath(path_), ec), end; !ec && it != end; it.increment(ec))
    names.push_back(FromFsPath(it->path().filename()));
  return names;
}

void FolderHandle::sync() const {}

#endif

}  // namespace velkaro
