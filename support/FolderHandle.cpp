// FolderHandle: POSIX through the *at() calls; Windows through a handle that
// denies the folder's rename and deletion, and the folder's final path. The
// checks every call makes are written once; each platform's primitives stand
// side by side above them.
#include "support/FolderHandle.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "support/FileIO.h"
#include "support/Func_2.h"
#include "support/IoFaults.h"
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


// ---- The platform's primitives ---------------------------------------------
// Each is called with an open folder and plain names, the fault seam passed.

namespace {

#ifndef _WIN32

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

int OpenFolderAt(int dirfd, const std::u16string &name, int flags) {
  int fd;
  do {
    fd = ::openat(dirfd, Native(name).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | flags);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

std::intptr_t SystemOpenFolder(const std::u16string &path, std::u16string &named) {
  named = path;
  return OpenFolderAt(AT_FDCWD, path, 0);
}

std::intptr_t SystemOpenFolderIn(const FolderHandle &parent, const std::u16string &name) {
  return OpenFolderAt(Fd(parent.native()), name, O_NOFOLLOW);
}

void SystemCloseFolder(std::intptr_t handle, std::intptr_t lock) {
  if (lock != -1) ::close(Fd(lock));
  if (handle != -1) ::close(Fd(handle));
}

bool SystemRename(const FolderHandle &folder, const std::u16string &from, const FolderHandle &other,
                  const std::u16string &to, bool) {
  return ::renameat(Fd(folder.native()), Native(from).c_str(), Fd(other.native()),
                    Native(to).c_str()) == 0;
}

bool SystemRemove(const FolderHandle &folder, const std::u16string &name, bool isFolder) {
  return ::unlinkat(Fd(folder.native()), Native(name).c_str(), isFolder ? AT_REMOVEDIR : 0) == 0;
}

// A name starting with a dot is hidden already.
bool SystemHide(const FolderHandle &, const std::u16string &) { return true; }

bool SystemMakeFolder(const FolderHandle &folder, const std::u16string &name, bool &alreadyExists) {
  if (::mkdirat(Fd(folder.native()), Native(name).c_str(), 0700) == 0) return true;
  alreadyExists = errno == EEXIST;
  return false;
}

std::vector<std::u16string> SystemEntryNames(const FolderHandle &folder) {
  std::vector<std::u16string> names;
  // fdopendir takes the descriptor over; a duplicate keeps ours open, and
  // its own position starts at the beginning after rewinddir.
  const int dup = ::openat(Fd(folder.native()), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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

void SystemSync(const FolderHandle &folder) { ::fsync(Fd(folder.native())); }

#else  // _WIN32

HANDLE H(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

std::wstring Wide(const std::u16string &s) { return std::wstring(s.begin(), s.end()); }

// No FILE_SHARE_DELETE: while we hold the folder nobody can rename or delete
// it, so its path keeps leading to the folder that was checked. With
// `reparse` a junction or link is opened itself, and refused.
HANDLE OpenFolderHandle(const std::u16string &path, bool reparse) {
  HANDLE h = CreateFileW(Wide(path).c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | (reparse ? FILE_FLAG_OPEN_REPARSE_POINT : 0),
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return h;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info) ||
      !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (reparse && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))) {
    CloseHandle(h);
    return INVALID_HANDLE_VALUE;
  }
  return h;
}

std::intptr_t SystemOpenFolder(const std::u16string &path, std::u16string &named) {
  const HANDLE h = OpenFolderHandle(path, false);
  if (h == INVALID_HANDLE_VALUE) return -1;
  // Entries are named through the folder's final path, not the spelling we
  // were given, which might pass through a junction that can change.
  wchar_t buffer[32768];
  const DWORD n = GetFinalPathNameByHandleW(h, buffer, 32768, FILE_NAME_NORMALIZED);
  if (n == 0 || n >= 32768) {
    CloseHandle(h);
    return -1;
  }
  named = std::u16string(buffer, buffer + n);
  return reinterpret_cast<std::intptr_t>(h);
}

std::intptr_t SystemOpenFolderIn(const FolderHandle &parent, const std::u16string &name) {
  const HANDLE h = OpenFolderHandle(parent.pathOf(name), true);
  return h == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<std::intptr_t>(h);
}

void SystemCloseFolder(std::intptr_t handle, std::intptr_t lock) {
  if (lock != -1) {
    ReleaseSemaphore(H(lock), 1, nullptr);
    CloseHandle(H(lock));
  }
  if (handle != -1) CloseHandle(H(handle));
}

// Within one folder a scanner that opened `to` a moment ago holds off the
// replace briefly: `retry` waits for it.
bool SystemRename(const FolderHandle &folder, const std::u16string &from, const FolderHandle &other,
                  const std::u16string &to, bool retry) {
  const auto move = [&] {
    return MoveFileExW(Wide(folder.pathOf(from)).c_str(), Wide(other.pathOf(to)).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  };
  return retry ? RetryWhileInUse([&] { return !SimulatedSharingViolation() && move(); }) : move();
}

bool SystemRemove(const FolderHandle &folder, const std::u16string &name, bool isFolder) {
  const std::wstring path = Wide(folder.pathOf(name));
  return (isFolder ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str())) != 0;
}

bool SystemHide(const FolderHandle &folder, const std::u16string &name) {
  const std::wstring path = Wide(folder.pathOf(name));
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         SetFileAttributesW(path.c_str(), attributes | FILE_ATTRIBUTE_HIDDEN) != 0;
}

bool SystemMakeFolder(const FolderHandle &folder, const std::u16string &name, bool &alreadyExists) {
  if (CreateDirectoryW(Wide(folder.pathOf(name)).c_str(), nullptr)) return true;
  alreadyExists = GetLastError() == ERROR_ALREADY_EXISTS;
  return false;
}

std::vector<std::u16string> SystemEntryNames(const FolderHandle &folder) {
  std::vector<std::u16string> names;
  std::error_code ec;
  for (fs::directory_iterator it(ToFsPath(folder.path()), ec), end; !ec && it != end;
       it.increment(ec))
    names.push_back(FromFsPath(it->path().filename()));
  return names;
}

void SystemSync(const FolderHandle &) {}

#endif

}  // namespace

// ---- The same on every platform --------------------------------------------

bool FolderHandle::open(const std::u16string &path) {
  close();
  if (!IsUsablePath(path) || IoFaultHere(IoStep::OpenFolder)) return false;
  handle_ = SystemOpenFolder(path, path_);
  if (handle_ == -1) {
    NoteShortageOfLastError();
    path_.clear();
  }
  return handle_ != -1;
}

bool FolderHandle::openIn(const FolderHandle &parent, const std::u16string &name) {
  close();
  if (!parent.isOpen() || !IsPlainEntryName(name) || IoFaultHere(IoStep::OpenFolder))
    return false;
  handle_ = SystemOpenFolderIn(parent, name);
  if (handle_ == -1) {
    NoteShortageOfLastError();
    return false;
  }
  path_ = parent.pathOf(name);
  return true;
}

void FolderHandle::close() {
  SystemCloseFolder(handle_, lockHandle_);
  handle_ = lockHandle_ = -1;
  path_.clear();
}

bool FolderHandle::rename(const std::u16string &from, const std::u16string &to) const {
  if (!isOpen() || !IsPlainEntryName(from) || !IsPlainEntryName(to) ||
      IoFaultHere(IoStep::Rename))
    return false;
  return SystemRename(*this, from, *this, to, true);
}

bool FolderHandle::renameInto(const std::u16string &from, const FolderHandle &other,
                              const std::u16string &to) const {
  if (!isOpen() || !other.isOpen() || !IsPlainEntryName(from) || !IsPlainEntryName(to) ||
      IoFaultHere(IoStep::Rename))
    return false;
  return SystemRename(*this, from, other, to, false);
}

bool FolderHandle::remove(const std::u16string &name) const {
  if (!isOpen() || !IsPlainEntryName(name) || IoFaultHere(IoStep::Remove)) return false;
  return SystemRemove(*this, name, false);
}

bool FolderHandle::hide(const std::u16string &name) const {
  return isOpen() && IsPlainEntryName(name) && SystemHide(*this, name);
}

bool FolderHandle::makeFolder(const std::u16string &name, bool &alreadyExists) const {
  alreadyExists = false;
  if (!isOpen() || !IsPlainEntryName(name) || IoFaultHere(IoStep::MakeFolder)) return false;
  return SystemMakeFolder(*this, name, alreadyExists);
}

bool FolderHandle::removeFolder(const std::u16string &name) const {
  if (!isOpen() || !IsPlainEntryName(name) || IoFaultHere(IoStep::RemoveFolder)) return false;
  return SystemRemove(*this, name, true);
}

std::vector<std::u16string> FolderHandle::entryNames() const {
  if (!isOpen() || IoFaultHere(IoStep::ListFolder)) return {};
  return SystemEntryNames(*this);
}

void FolderHandle::sync() const {
  if (isOpen() && !IoFaultHere(IoStep::Flush)) SystemSync(*this);
}

// ---- What only one platform has ------------------------------------------------

#ifndef _WIN32

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

// Only the system's "no such entry" counts as absent: an entry whose status
// cannot be had (an I/O error) may be there, and is never written over as if
// it were not.
bool FolderHandle::exists(const std::u16string &name) const {
  FileStatus st;
  if (status(name, st, false)) return true;
  return isOpen() && IsPlainEntryName(name) && errno != ENOENT && errno != ENOTDIR;
}

bool FolderHandle::status(const std::u16string &name, FileStatus &status, bool followLinks) const {
  if (!isOpen() || !IsPlainEntryName(name) || IoFaultHere(IoStep::Status)) return false;
  struct stat st {};
  if (::fstatat(Fd(handle_), Native(name).c_str(), &st, followLinks ? 0 : AT_SYMLINK_NOFOLLOW) != 0)
    return false;
  status = {};
  FillFileStatus(st, status);
  return true;
}

#else  // _WIN32

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
  FileStatus status;
  if (!isOpen() || !QueryOpenFileStatus(handle_, status)) return {};
  return status.identity;
}

// As on POSIX: absent only when the system says so.
bool FolderHandle::exists(const std::u16string &name) const {
  FileStatus st;
  if (status(name, st, false)) return true;
  if (!isOpen() || !IsPlainEntryName(name)) return false;
  if (GetFileAttributesW(Wide(pathOf(name)).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  const DWORD error = GetLastError();
  return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND && error != ERROR_INVALID_NAME;
}

bool FolderHandle::status(const std::u16string &name, FileStatus &status, bool followLinks) const {
  if (!isOpen() || !IsPlainEntryName(name) || IoFaultHere(IoStep::Status)) return false;
  (void)followLinks;  // QueryFileStatus opens the file itself, links followed
  status = {};
  return QueryFileStatus(ToFsPath(pathOf(name)), status);
}

#endif

}  // namespace velkaro
