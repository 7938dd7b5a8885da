// File access: the reading and writing loops written once, over a few
// primitives that each platform gives below, side by side. POSIX works with
// file descriptors (EINTR retried); Windows with CreateFileW and
// FILE_SHARE_READ, FlushFileBuffers, and transfers cut to the 32-bit counts
// ReadFile and WriteFile take. Handles are kept as std::intptr_t, -1 for
// none. Every call that can fail passes the fault seam (IoFaults.h) first.
#include "support/FileIO.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#ifdef _WIN32
#include <windows.h>

#include <atomic>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "support/Interrupt.h"
#include "support/IoFaults.h"
#include "support/Platform.h"
#include "support/ResourceShortage.h"

namespace velkaro {

namespace {

constexpr const char *kIoError = "File I/O Error";
constexpr std::intptr_t kNoHandle = -1;

// ---- The platform's primitives ---------------------------------------------
// SystemOpen(path) / SystemOpenIn(folder, name): an existing regular file for
// reading (a FIFO or device would block or never end); SystemRead and
// SystemWrite: one transfer, -1 on an error; SizeOf; SystemFlush (write-back
// errors that a write may not have seen: full disk, quota, I/O);
// SystemClose; SystemCreate; AllocatePages and FreePages; AccessDenied (of
// the last failed call).

#ifndef _WIN32

int Fd(std::intptr_t handle) { return static_cast<int>(handle); }

// O_NONBLOCK keeps the open itself from hanging on a FIFO and has no effect
// on regular files.
std::intptr_t SystemOpenAt(int dirfd, const std::string &native) {
  int fd;
  do {
    fd = ::openat(dirfd, native.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return kNoHandle;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = EISDIR;  // any "not a regular file"
    return kNoHandle;
  }
  return fd;
}

std::intptr_t SystemOpen(const std::u16string &path) {
  return SystemOpenAt(AT_FDCWD, ToFsPath(path).native());
}

std::intptr_t SystemOpenIn(const FolderHandle &folder, const std::u16string &name) {
  return SystemOpenAt(Fd(folder.native()), ToFsPath(name).native());
}

std::ptrdiff_t SystemRead(std::intptr_t h, std::uint8_t *dst, std::size_t n) {
  ssize_t got;
  do {
    got = ::read(Fd(h), dst, n);
  } while (got < 0 && errno == EINTR);
  return got;
}

std::ptrdiff_t SystemWrite(std::intptr_t h, const std::uint8_t *src, std::size_t n) {
  ssize_t put;
  do {
    put = ::write(Fd(h), src, n);
  } while (put < 0 && errno == EINTR);
  return put;
}

bool SizeOf(std::intptr_t h, std::uint64_t &size) {
  struct stat st {};
  if (::fstat(Fd(h), &st) != 0 || st.st_size < 0) return false;
  size = static_cast<std::uint64_t>(st.st_size);
  return true;
}

bool SystemFlush(std::intptr_t h) { return ::fsync(Fd(h)) == 0 || errno == EINVAL; }

bool SystemClose(std::intptr_t h) { return ::close(Fd(h)) == 0 || errno == EINTR; }

// 0666 lets the umask decide, giving the file the permissions any new file
// of the user gets.
std::intptr_t SystemCreate(const std::u16string &path, bool mustBeNew, bool &alreadyExists) {
  const std::string native = ToFsPath(path).native();
  int fd;
  do {
    fd = ::open(native.c_str(),
                O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | (mustBeNew ? O_EXCL : O_TRUNC), 0666);
  } while (fd < 0 && errno == EINTR);
  alreadyExists = fd < 0 && errno == EEXIST;
  return fd < 0 ? kNoHandle : fd;
}

bool AccessDenied() { return errno == EACCES || errno == EPERM; }

// Anonymous pages arrive zeroed by the system and untouched until read
// into. A large buffer is taken in whole 2 MiB units: the system then
// places it on a 2 MiB boundary, which measurably speeds up filling it.
void *AllocatePages(std::size_t &capacity) {
  constexpr std::size_t kLargeUnit = std::size_t{2} << 20;
  if (capacity >= kLargeUnit) capacity = (capacity + kLargeUnit - 1) / kLargeUnit * kLargeUnit;
  void *p = ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) {
    NoteShortageOfLastError();
    return nullptr;
  }
#ifdef MADV_HUGEPAGE
  // Filled once, start to end: one fault per 2 MiB instead of per 4 KiB page
  // (a third of a large drawing's conversion went to page faults). Only a
  // request; the system may decline.
  if (capacity >= kLargeUnit) ::madvise(p, capacity, MADV_HUGEPAGE);
#endif
  return p;
}

void FreePages(void *p, std::size_t capacity) { ::munmap(p, capacity); }

#else  // _WIN32

// Virus scanners and the search indexer open a fresh file for a moment:
// about two seconds in all before a file counts as held.
constexpr int kInUseTries = 20;
constexpr DWORD kInUsePauseMs = 100;
// ReadFile and WriteFile take a 32-bit count: larger transfers go in pieces.
constexpr std::size_t kMaxTransfer = 1u << 30;

HANDLE Handle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }
std::intptr_t Stored(HANDLE h) {
  return h == INVALID_HANDLE_VALUE ? kNoHandle : reinterpret_cast<std::intptr_t>(h);
}

std::wstring Wide(const std::u16string &path) { return ToFsPath(path).native(); }

std::atomic<int> gSharingViolations{0};

std::intptr_t SystemOpen(const std::u16string &path) {
  HANDLE h = INVALID_HANDLE_VALUE;
  RetryWhileInUse([&] {
    h = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    return h != INVALID_HANDLE_VALUE;
  });
  if (h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    return kNoHandle;
  }
  return Stored(h);
}

// Through the folder's path: the held folder handle keeps the folder from
// being renamed or deleted meanwhile.
std::intptr_t SystemOpenIn(const FolderHandle &folder, const std::u16string &name) {
  return SystemOpen(folder.pathOf(name));
}

std::ptrdiff_t SystemRead(std::intptr_t h, std::uint8_t *dst, std::size_t n) {
  DWORD got = 0;
  if (!ReadFile(Handle(h), dst, static_cast<DWORD>(std::min(n, kMaxTransfer)), &got, nullptr))
    return -1;
  return got;
}

std::ptrdiff_t SystemWrite(std::intptr_t h, const std::uint8_t *src, std::size_t n) {
  DWORD put = 0;
  if (!WriteFile(Handle(h), src, static_cast<DWORD>(std::min(n, kMaxTransfer)), &put, nullptr))
    return -1;
  return put;
}

bool SizeOf(std::intptr_t h, std::uint64_t &size) {
  LARGE_INTEGER li{};
  if (!GetFileSizeEx(Handle(h), &li) || li.QuadPart < 0) return false;
  size = static_cast<std::uint64_t>(li.QuadPart);
  return true;
}

bool SystemFlush(std::intptr_t h) { return FlushFileBuffers(Handle(h)) != 0; }

bool SystemClose(std::intptr_t h) { return CloseHandle(Handle(h)) != 0; }

std::intptr_t SystemCreate(const std::u16string &path, bool mustBeNew, bool &alreadyExists) {
  const HANDLE h =
      CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                  mustBeNew ? CREATE_NEW : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    alreadyExists = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
    return kNoHandle;
  }
  alreadyExists = false;
  if (GetFileType(h) != FILE_TYPE_DISK) {  // a device or pipe under that name
    CloseHandle(h);
    return kNoHandle;
  }
  return Stored(h);
}

bool AccessDenied() { return GetLastError() == ERROR_ACCESS_DENIED; }

// Whole pages from the system, zeroed and untouched until read into.
void *AllocatePages(std::size_t &capacity) {
  void *p = VirtualAlloc(nullptr, capacity, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (!p) NoteResourceShortage(ResourceShortage::Memory);
  return p;
}

void FreePages(void *p, std::size_t) { VirtualFree(p, 0, MEM_RELEASE); }

#endif

// ---- The same on every platform --------------------------------------------

// What a failed open or read leaves noted for the thread (ResourceShortage.h).
void NoteFailedRead() {
  NoteShortageOfLastError();
  NoteReadFailure();
}

std::intptr_t OpenForReading(const std::u16string &path) {
  if (!IsUsablePath(path)) return kNoHandle;
  const std::intptr_t h = IoFaultHere(IoStep::Open) ? kNoHandle : SystemOpen(path);
  if (h == kNoHandle) NoteFailedRead();
  return h;
}

std::ptrdiff_t ReadSome(std::intptr_t h, std::uint8_t *dst, std::size_t n) {
  const std::ptrdiff_t got = IoFaultHere(IoStep::Read) ? -1 : SystemRead(h, dst, n);
  if (got < 0) NoteFailedRead();
  return got;
}

// Fills dst as far as the file goes; false on a read error.
bool ReadFully(std::intptr_t h, std::uint8_t *dst, std::size_t n, std::size_t &delivered) {
  delivered = 0;
  while (delivered < n) {
    const std::ptrdiff_t got = ReadSome(h, dst + delivered, n - delivered);
    if (got < 0) return false;
    if (got == 0) break;
    delivered += static_cast<std::size_t>(got);
  }
  return true;
}

// Short writes are continued: a write lands whole or fails.
bool WriteFully(std::intptr_t h, const std::uint8_t *src, std::size_t n) {
  while (n > 0) {
    const std::ptrdiff_t put = IoFaultHere(IoStep::Write) ? -1 : SystemWrite(h, src, n);
    if (put <= 0) return false;
    src += put;
    n -= static_cast<std::size_t>(put);
  }
  return true;
}

// Reads up to `limit` bytes from the start into `out`, sized by what the
// file's size says; fileSize receives that size.
bool ReadInto(std::intptr_t h, std::uint64_t limit, std::vector<std::uint8_t> &out,
              std::uint64_t &fileSize) {
  if (!SizeOf(h, fileSize)) return false;
  const std::uint64_t want = std::min(limit, fileSize);
  if (want >= SIZE_MAX / 4) return false;
  out.resize(static_cast<std::size_t>(want));
  std::size_t delivered = 0;
  const bool ok = ReadFully(h, out.data(), out.size(), delivered);
  out.resize(delivered);
  return ok;
}

}  // namespace

bool ReadWholeFile(const std::u16string &path, std::vector<std::uint8_t> &out) {
  out.clear();
  const std::intptr_t h = OpenForReading(path);
  if (h == kNoHandle) return false;
  bool ok = false;
  try {
    // Read straight into a buffer of the file's size, then on to the end:
    // the size is only a hint, the file may grow while we read.
    std::uint64_t size = 0;
    ok = ReadInto(h, UINT64_MAX, out, size);
    std::uint8_t block[65536];
    while (ok && out.size() >= size) {
      const std::ptrdiff_t got = ReadSome(h, block, sizeof block);
      if (got < 0) ok = false;
      if (got <= 0) break;
      out.insert(out.end(), block, block + got);
    }
  } catch (...) {  // out of memory for a huge file
    NoteResourceShortage(ResourceShortage::Memory);
    ok = false;
  }
  SystemClose(h);
  if (!ok) out.clear();
  return ok;
}

bool ReadFilePrefix(const std::u16string &path, std::size_t maxBytes,
                    std::vector<std::uint8_t> &out, std::uint64_t &fileSize) {
  out.clear();
  fileSize = 0;
  const std::intptr_t h = OpenForReading(path);
  if (h == kNoHandle) return false;
  bool ok = false;
  try {
    ok = ReadInto(h, maxBytes, out, fileSize);
  } catch (...) {  // out of memory
    NoteResourceShortage(ResourceShortage::Memory);
    ok = false;
  }
  SystemClose(h);
  if (!ok) out.clear();
  return ok;
}

// ---- FileBytes ---------------------------------------------------------------

FileBytes::~FileBytes() { clear(); }

void FileBytes::clear() {
  if (data_) FreePages(data_, capacity_);
  data_ = nullptr;
  size_ = capacity_ = 0;
}

bool FileBytes::reserve(std::size_t capacity) {
  if (capacity <= capacity_) return true;
  void *p = AllocatePages(capacity);
  if (!p) return false;
  if (size_ > 0) std::memcpy(p, data_, size_);
  const std::size_t size = size_;
  clear();
  data_ = static_cast<std::uint8_t *>(p);
  size_ = size;
  capacity_ = capacity;
  return true;
}

bool ReadFileStart(const std::u16string &path, std::size_t maxBytes, FileBytes &out,
                   std::uint64_t &fileSize) {
  out.size_ = 0;  // an earlier file's memory is filled again, not handed back
  fileSize = 0;
  const std::intptr_t h = OpenForReading(path);
  if (h == kNoHandle) return false;
  // The size is only a hint: the file may grow while we read. One page more
  // than it says lets the read notice the end without a second buffer.
  bool ok = SizeOf(h, fileSize);
  if (ok) {
    const std::uint64_t hint = std::min<std::uint64_t>(fileSize + 4096, maxBytes);
    ok = hint < SIZE_MAX / 4 && out.reserve(static_cast<std::size_t>(hint));
  }
  while (ok) {
    const std::size_t room = std::min(out.capacity_, maxBytes) - out.size_;
    if (room == 0) {
      if (out.size_ == maxBytes) break;  // as far as asked
      ok = out.reserve(out.capacity_ * 2);
      continue;
    }
    const std::ptrdiff_t got = ReadSome(h, out.data_ + out.size_, room);
    if (got < 0) ok = false;
    if (got <= 0) break;
    out.size_ += static_cast<std::size_t>(got);
  }
  SystemClose(h);
  if (!ok) out.clear();
  return ok;
}

// ---- InputFile -------------------------------------------------------------

InputFile::~InputFile() { close(); }

bool InputFile::open(const std::u16string &path) {
  close();
  handle_ = OpenForReading(path);
  return handle_ != kNoHandle;
}

bool InputFile::openIn(const FolderHandle &folder, const std::u16string &name) {
  close();
  if (!folder.isOpen() || !IsPlainEntryName(name)) return false;
  handle_ = IoFaultHere(IoStep::Open) ? kNoHandle : SystemOpenIn(folder, name);
  if (handle_ == kNoHandle) NoteFailedRead();
  return handle_ != kNoHandle;
}

bool InputFile::status(FileStatus &status) const {
  return handle_ != kNoHandle && QueryOpenFileStatus(handle_, status);
}

std::size_t InputFile::read(std::span<std::uint8_t> dst) {
  if (handle_ == kNoHandle) throw StreamError(kIoError, "read from a file that is not open");
  std::size_t delivered = 0;
  if (!ReadFully(handle_, dst.data(), dst.size(), delivered))
    throw StreamError(kIoError, "read failed");
  return delivered;
}

std::uint64_t InputFile::size() const {
  std::uint64_t size = 0;
  if (handle_ == kNoHandle || !SizeOf(handle_, size)) return 0;
  return size;
}

void InputFile::close() {
  if (handle_ != kNoHandle) SystemClose(handle_);
  handle_ = kNoHandle;
}

// ---- OutputFile ------------------------------------------------------------

OutputFile::~OutputFile() { abandon(); }

bool OutputFile::create(const std::u16string &path) { return openForWriting(path, false); }

bool OutputFile::createNew(const std::u16string &path) { return openForWriting(path, true); }

bool OutputFile::openForWriting(const std::u16string &path, bool mustBeNew) {
  abandon();
  alreadyExists_ = false;
  if (!IsUsablePath(path) || IoFaultHere(IoStep::Create)) return false;
  handle_ = SystemCreate(path, mustBeNew, alreadyExists_);
  if (handle_ == kNoHandle) NoteShortageOfLastError();
  return handle_ != kNoHandle;
}

void OutputFile::abandon() {
  if (handle_ != kNoHandle) SystemClose(handle_);
  handle_ = kNoHandle;
}

void OutputFile::write(std::span<const std::uint8_t> bytes) {
  if (handle_ == kNoHandle) throw StreamError(kIoError, "write to a file that is not open");
  if (StopRequested()) throw StreamError(kIoError, "interrupted");
  const std::size_t allowed = BytesAllowedByWriteFailureSeam(bytes.size());
  if (!WriteFully(handle_, bytes.data(), allowed)) throw StreamError(kIoError, "write failed");
  if (allowed < bytes.size()) throw StreamError(kIoError, "short write (simulated full disk)");
}

void OutputFile::close() {
  if (handle_ == kNoHandle) return;
  const std::intptr_t h = handle_;
  handle_ = kNoHandle;
  const bool flushed = !IoFaultHere(IoStep::Flush) && SystemFlush(h);
  const bool closed = SystemClose(h);
  if (!flushed || !closed) throw StreamError(kIoError, "flush or close failed");
}

ReadProblem ProbeReadable(const std::u16string &path) {
  if (!IsUsablePath(path)) return ReadProblem::Missing;
  FileStatus st;
  if (!QueryFileStatus(ToFsPath(path), st))
    return AccessDenied() ? ReadProblem::PermissionDenied : ReadProblem::Missing;
  if (!st.regular) return ReadProblem::NotRegularFile;
  const std::intptr_t h = OpenForReading(path);
  if (h == kNoHandle) return AccessDenied() ? ReadProblem::PermissionDenied : ReadProblem::Unreadable;
  SystemClose(h);
  return ReadProblem::None;
}

// ---- What only one platform has ------------------------------------------------

#ifndef _WIN32

bool OutputFile::createNewLockedIn(const FolderHandle &folder, const std::u16string &name) {
  abandon();
  alreadyExists_ = false;
  if (!folder.isOpen() || !IsPlainEntryName(name) || IoFaultHere(IoStep::Create)) return false;
  const int dirfd = Fd(folder.native());
  const std::string native = ToFsPath(name).native();
  int fd;
  do {
    fd = ::openat(dirfd, native.c_str(),
                  O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW, 0600);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    alreadyExists_ = errno == EEXIST;
    NoteShortageOfLastError();
    return false;
  }
  // A sweeper that found the file before we locked it may have removed it
  // (it could take the lock); then the name is no longer ours and we start
  // over with another.
  struct stat mine {}, named {};
  int locked;
  do {
    locked = ::flock(fd, LOCK_EX);
  } while (locked != 0 && errno == EINTR);
  if (locked != 0 || ::fstat(fd, &mine) != 0 ||
      ::fstatat(dirfd, native.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
      mine.st_ino != named.st_ino || mine.st_dev != named.st_dev) {
    ::close(fd);
    alreadyExists_ = true;  // try another name
    return false;
  }
  handle_ = fd;
  return true;
}

// Permission bits only: a copy made setuid (or setgid) would run with the
// rights of whoever owns the original, not those its owner gave it.
bool OutputFile::setMode(std::uint32_t mode) {
  return handle_ != kNoHandle && ::fchmod(Fd(handle_), static_cast<mode_t>(mode & 0777)) == 0;
}

bool OutputFile::setTimes(const FileStatus &times) {
  const struct timespec ts[2] = {
      {static_cast<std::time_t>(times.access.seconds), static_cast<long>(times.access.nanoseconds)},
      {static_cast<std::time_t>(times.modification.seconds),
       static_cast<long>(times.modification.nanoseconds)}};
  return handle_ != kNoHandle && ::futimens(Fd(handle_), ts) == 0;
}

std::uint32_t DefaultNewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

bool RetryWhileInUse(const std::function<bool()> &attempt) { return attempt(); }

bool HeldByAnotherProgram(const FolderHandle &, const std::u16string &) { return false; }

void SetSharingViolationsForTesting(int) {}

bool SimulatedSharingViolation() { return false; }

#else  // _WIN32

bool OutputFile::createNewLockedIn(const FolderHandle &folder, const std::u16string &name) {
  return createNew(folder.pathOf(name));  // no FILE_SHARE_DELETE: held, it cannot be removed
}

// The hidden and system attributes of the file replaced or copied. Best
// effort: an attribute the volume cannot keep is no reason to lose the file.
bool OutputFile::setMode(std::uint32_t mode) {
  if (handle_ == kNoHandle) return false;
  const DWORD kept = KeptAttributes(mode);
  if (kept != 0) {
    FILE_BASIC_INFO info{};  // times of 0 stay as they are
    info.FileAttributes = kept | FILE_ATTRIBUTE_ARCHIVE;
    SetFileInformationByHandle(Handle(handle_), FileBasicInfo, &info, sizeof info);
  }
  return true;
}

// Set on the handle: the file system then keeps these times when the
// handle is closed, whatever was written through it.
bool OutputFile::setTimes(const FileStatus &times) {
  const auto filetime = [](const FileTime &t) {
    const auto ticks = static_cast<std::uint64_t>(t.seconds * 10000000 + t.nanoseconds / 100 +
                                                  116444736000000000LL);
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  };
  const FILETIME access = filetime(times.access);
  const FILETIME modification = filetime(times.modification);
  const FILETIME creation = filetime(times.creation);
  return handle_ != kNoHandle &&
         SetFileTime(Handle(handle_), times.hasCreation ? &creation : nullptr, &access,
                     &modification) != 0;
}

std::uint32_t DefaultNewFileMode() { return 0; }

bool RetryWhileInUse(const std::function<bool()> &attempt) {
  for (int tries = 1;; ++tries) {
    if (attempt()) return true;
    const DWORD error = GetLastError();
    if ((error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) ||
        tries >= kInUseTries)
      return false;
    Sleep(kInUsePauseMs);
    SetLastError(error);
  }
}

bool SimulatedSharingViolation() {
  int left = gSharingViolations.load();
  while (left > 0 && !gSharingViolations.compare_exchange_weak(left, left - 1)) {
  }
  if (left <= 0) return false;
  SetLastError(ERROR_SHARING_VIOLATION);
  return true;
}

bool HeldByAnotherProgram(const FolderHandle &folder, const std::u16string &name) {
  if (!folder.isOpen() || !IsPlainEntryName(name)) return false;
  // A file cannot be renamed over while any handle to it is open, even one
  // that shares deletion: opening it with no sharing at all fails exactly then.
  const bool free = RetryWhileInUse([&] {
    if (SimulatedSharingViolation()) return false;
    const HANDLE h = CreateFileW(Wide(folder.pathOf(name)).c_str(), FILE_READ_ATTRIBUTES | DELETE,
                                 0, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
  });
  if (free) return false;
  const DWORD error = GetLastError();
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

void SetSharingViolationsForTesting(int count) { gSharingViolations.store(count); }

#endif

}  // namespace velkaro
