// POSIX file access. Every call is checked; EINTR is retried and short
// writes are continued, so a write either lands whole or raises
// StreamError("File I/O Error"). Windows has its own unit, FileIO_win.cpp
// (CreateFileW with FILE_SHARE_READ, FlushFileBuffers, MoveFileExW).
#include "support/FileIO.h"

#ifndef _WIN32

#include <cerrno>
#include <cstdint>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/Interrupt.h"
#include "support/Platform.h"
#include "support/ResourceShortage.h"

namespace velkaro {

namespace {

constexpr const char *kIoError = "File I/O Error";

int Fd(std::intptr_t handle) { return static_cast<int>(handle); }

// Opens an existing regular file for reading. A FIFO or device would block or
// never end, so they are refused; O_NONBLOCK keeps the open itself from
// hanging on a FIFO and has no effect on regular files.
int OpenRegularForReadingAt(int dirfd, const std::string &native) {
  int fd;
  do {
    fd = ::openat(dirfd, native.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    NoteShortageOfLastError();
    return -1;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = EISDIR;  // any "not a regular file"
    return -1;
  }
  return fd;
}

int OpenRegularForReading(const std::u16string &path) {
  if (!IsUsablePath(path)) return -1;
  return OpenRegularForReadingAt(AT_FDCWD, ToFsPath(path).native());
}

// Reads up to n bytes; -1 on a read error.
ssize_t ReadSome(int fd, std::uint8_t *dst, std::size_t n) {
  ssize_t got;
  do {
    got = ::read(fd, dst, n);
  } while (got < 0 && errno == EINTR);
  return got;
}

// Fills dst as far as the file goes; false on a read error.
bool ReadFully(int fd, std::uint8_t *dst, std::size_t n, std::size_t &delivered) {
  delivered = 0;
  while (delivered < n) {
    const ssize_t got = ReadSome(fd, dst + delivered, n - delivered);
    if (got < 0) return false;
    if (got == 0) break;
    delivered += static_cast<std::size_t>(got);
  }
  return true;
}

bool WriteFully(int fd, const std::uint8_t *src, std::size_t n) {
  while (n > 0) {
    const ssize_t put = ::write(fd, src, n);
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (put == 0) return false;
    src += put;
    n -= static_cast<std::size_t>(put);
  }
  return true;
}

}  // namespace

bool ReadWholeFile(const std::u16string &path, std::vector<std::uint8_t> &out) {
  out.clear();
  const int fd = OpenRegularForReading(path);
  if (fd < 0) return false;
  bool ok = false;
  try {
    // Read straight into a buffer of the file's size, then on to the end:
    // the size is only a hint, the file may grow while we read.
    struct stat st {};
    if (::fstat(fd, &st) == 0) {
      out.resize(static_cast<std::size_t>(st.st_size));
      std::size_t delivered = 0;
      ok = ReadFully(fd, out.data(), out.size(), delivered);
      out.resize(delivered);
      std::uint8_t block[65536];
      while (ok && delivered == static_cast<std::size_t>(st.st_size)) {
        const ssize_t got = ReadSome(fd, block, sizeof block);
        if (got < 0) ok = false;
        if (got <= 0) break;
        out.insert(out.end(), block, block + got);
      }
    }
  } catch (...) {  // out of memory for a huge file
    NoteResourceShortage(ResourceShortage::Memory);
    ok = false;
  }
  ::close(fd);
  if (!ok) out.clear();
  return ok;
}

// ---- FileBytes ---------------------------------------------------------------

FileBytes::~FileBytes() { clear(); }

void FileBytes::clear() {
  if (data_) ::munmap(data_, capacity_);
  data_ = nullptr;
  size_ = capacity_ = 0;
}

bool FileBytes::reserve(std::size_t capacity) {
  if (capacity <= capacity_) return true;
  // Anonymous pages arrive zeroed by the system and untouched until read
  // into. A large buffer is taken in whole 2 MiB units: the system then
  // places it on a 2 MiB boundary, which measurably speeds up filling it.
  constexpr std::size_t kLargeUnit = std::size_t{2} << 20;
  if (capacity >= kLargeUnit) capacity = (capacity + kLargeUnit - 1) / kLargeUnit * kLargeUnit;
  void *p = ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) {
    NoteShortageOfLastError();
    return false;
  }
#ifdef MADV_HUGEPAGE
  // Filled once, start to end: one fault per 2 MiB instead of per 4 KiB page
  // (a third of a large drawing's conversion went to page faults). Only a
  // request; the system may decline.
  if (capacity >= kLargeUnit) ::madvise(p, capacity, MADV_HUGEPAGE);
#endif
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
  const int fd = OpenRegularForReading(path);
  if (fd < 0) return false;
  // The size is only a hint: the file may grow while we read. One page more
  // than it says lets the read notice the end without a second buffer.
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && st.st_size >= 0;
  if (ok) {
    fileSize = static_cast<std::uint64_t>(st.st_size);
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
    const ssize_t got = ReadSome(fd, out.data_ + out.size_, room);
    if (got < 0) ok = false;
    if (got <= 0) break;
    out.size_ += static_cast<std::size_t>(got);
  }
  ::close(fd);
  if (!ok) out.clear();
  return ok;
}

bool ReadFilePrefix(const std::u16string &path, std::size_t maxBytes,
                    std::vector<std::uint8_t> &out, std::uint64_t &fileSize) {
  out.clear();
  fileSize = 0;
  const int fd = OpenRegularForReading(path);
  if (fd < 0) return false;
  bool ok = false;
  try {
    struct stat st {};
    if (::fstat(fd, &st) == 0) {
      fileSize = static_cast<std::uint64_t>(st.st_size);
      const std::size_t want =
          static_cast<std::size_t>(std::min<std::uint64_t>(maxBytes, fileSize));
      out.resize(want);
      std::size_t delivered = 0;
      ok = ReadFully(fd, out.data(), want, delivered);
      out.resize(delivered);
    }
  } catch (...) {  // out of memory
    NoteResourceShortage(ResourceShortage::Memory);
    ok = false;
  }
  ::close(fd);
  if (!ok) out.clear();
  return ok;
}

// ---- InputFile -------------------------------------------------------------

InputFile::~InputFile() { close(); }

bool InputFile::open(const std::u16string &path) {
  close();
  handle_ = OpenRegularForReading(path);
  return handle_ >= 0;
}

bool InputFile::openIn(const FolderHandle &folder, const std::u16string &name) {
  close();
  if (!folder.isOpen() || !IsPlainEntryName(name)) return false;
  handle_ = OpenRegularForReadingAt(static_cast<int>(folder.native()), ToFsPath(name).native());
  return handle_ >= 0;
}

bool InputFile::status(FileStatus &status) const {
  struct stat st {};
  if (handle_ < 0 || ::fstat(Fd(handle_), &st) != 0) return false;
  status = {};
  FillFileStatus(st, status);
  return true;
}

std::size_t InputFile::read(std::span<std::uint8_t> dst) {
  if (handle_ < 0) throw StreamError(kIoError, "read from a file that is not open");
  std::size_t delivered = 0;
  if (!ReadFully(Fd(handle_), dst.data(), dst.size(), delivered))
    throw StreamError(kIoError, "read failed");
  return delivered;
}

std::uint64_t InputFile::size() const {
  struct stat st {};
  if (handle_ < 0 || ::fstat(Fd(handle_), &st) != 0) return 0;
  return static_cast<std::uint64_t>(st.st_size);
}

void InputFile::close() {
  if (handle_ >= 0) ::close(Fd(handle_));
  handle_ = -1;
}

// ---- OutputFile ------------------------------------------------------------

OutputFile::~OutputFile() { abandon(); }

bool OutputFile::create(const std::u16string &path) { return openForWriting(path, O_TRUNC); }

bool OutputFile::createNew(const std::u16string &path) { return openForWriting(path, O_EXCL); }

// 0666 lets the umask decide, giving the file the permissions any new file
// of the user gets.
bool OutputFile::openForWriting(const std::u16string &path, int flags) {
  abandon();
  alreadyExists_ = false;
  if (!IsUsablePath(path)) return false;
  const std::string native = ToFsPath(path).native();
  int fd;
  do {
    fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | flags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    alreadyExists_ = errno == EEXIST;
    NoteShortageOfLastError();
    return false;
  }
  handle_ = fd;
  return true;
}

bool OutputFile::createNewLockedIn(const FolderHandle &folder, const std::u16string &name) {
  abandon();
  alreadyExists_ = false;
  if (!folder.isOpen() || !IsPlainEntryName(name)) return false;
  const int dirfd = static_cast<int>(folder.native());
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
  return handle_ >= 0 && ::fchmod(Fd(handle_), static_cast<mode_t>(mode & 0777)) == 0;
}

bool OutputFile::setTimes(const FileStatus &times) {
  const struct timespec ts[2] = {
      {static_cast<std::time_t>(times.access.seconds), static_cast<long>(times.access.nanoseconds)},
      {static_cast<std::time_t>(times.modification.seconds),
       static_cast<long>(times.modification.nanoseconds)}};
  return handle_ >= 0 && ::futimens(Fd(handle_), ts) == 0;
}

void OutputFile::abandon() {
  if (handle_ >= 0) ::close(Fd(handle_));
  handle_ = -1;
}

void OutputFile::write(std::span<const std::uint8_t> bytes) {
  if (handle_ < 0) throw StreamError(kIoError, "write to a file that is not open");
  if (StopRequested()) throw StreamError(kIoError, "interrupted");
  const std::size_t allowed = BytesAllowedByWriteFailureSeam(bytes.size());
  if (!WriteFully(Fd(handle_), bytes.data(), allowed))
    throw StreamError(kIoError, "write failed");
  if (allowed < bytes.size()) throw StreamError(kIoError, "short write (simulated full disk)");
}

void OutputFile::close() {
  if (handle_ < 0) return;
  const int fd = Fd(handle_);
  handle_ = -1;
  // fsync reports write-back errors (full disk, quota, I/O) that write()
  // may not have seen; close can report them too.
  const bool synced = ::fsync(fd) == 0 || errno == EINVAL;
  const bool closed = ::close(fd) == 0 || errno == EINTR;
  if (!synced || !closed) throw StreamError(kIoError, "flush or close failed");
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

ReadProblem ProbeReadable(const std::u16string &path) {
  if (!IsUsablePath(path)) return ReadProblem::Missing;
  const std::string native = ToFsPath(path).native();
  struct stat st {};
  if (::stat(native.c_str(), &st) != 0)
    return errno == EACCES ? ReadProblem::PermissionDenied : ReadProblem::Missing;
  if (!S_ISREG(st.st_mode)) return ReadProblem::NotRegularFile;
  const int fd = OpenRegularForReading(path);
  if (fd < 0) return errno == EACCES || errno == EPERM ? ReadProblem::PermissionDenied
                                                       : ReadProblem::Unreadable;
  ::close(fd);
  return ReadProblem::None;
}

}  // namespace velkaro

#endif  // !_WIN32
