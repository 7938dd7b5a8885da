// Windows file access, the twin of FileIO.cpp. Calls relative to an open
// folder go through FolderHandle's paths: on Windows the held folder handle
// keeps the folder from being renamed or deleted meanwhile. A temporary file
// is "locked" by its writer's handle, opened without FILE_SHARE_DELETE, so
// nobody can delete it while the writer lives. Files are opened with
// FILE_SHARE_READ only: others may read while we read or write, nobody else
// writes. Writes are flushed with FlushFileBuffers, and the atomic replace is
// a rename with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH, which NTFS
// performs as one step.
#include "support/FileIO.h"

#ifdef _WIN32

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>

#include "support/FolderHandle.h"
#include "support/Platform.h"
#include "support/ResourceShortage.h"

namespace velkaro {

namespace {

constexpr const char *kIoError = "File I/O Error";
// Virus scanners and the search indexer open a fresh file for a moment:
// about two seconds in all before a file counts as held.
constexpr int kInUseTries = 20;
constexpr DWORD kInUsePauseMs = 100;
// ReadFile and WriteFile take a 32-bit count: larger transfers go in pieces.
constexpr std::size_t kMaxTransfer = 1u << 30;

HANDLE Handle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }
std::intptr_t Stored(HANDLE h) {
  return h == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<std::intptr_t>(h);
}

std::wstring Wide(const std::u16string &path) { return ToFsPath(path).native(); }

std::atomic<int> gSharingViolations{0};

// Opens an existing plain file for reading; folders, devices and pipes are
// refused (a pipe would block or never end).
HANDLE OpenRegularForReading(const std::u16string &path) {
  if (!IsUsablePath(path)) return INVALID_HANDLE_VALUE;
  HANDLE h = INVALID_HANDLE_VALUE;
  RetryWhileInUse([&] {
    h = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    return h != INVALID_HANDLE_VALUE;
  });
  if (h == INVALID_HANDLE_VALUE) {
    NoteShortageOfLastError();
    return h;
  }
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    return INVALID_HANDLE_VALUE;
  }
  return h;
}

bool SizeOf(HANDLE h, std::uint64_t &size) {
  LARGE_INTEGER li{};
  if (!GetFileSizeEx(h, &li) || li.QuadPart < 0) return false;
  size = static_cast<std::uint64_t>(li.QuadPart);
  return true;
}

// Fills dst as far as the file goes; false on a read error.
bool ReadFully(HANDLE h, std::uint8_t *dst, std::size_t n, std::size_t &delivered) {
  delivered = 0;
  while (delivered < n) {
    DWORD got = 0;
    const auto want = static_cast<DWORD>(std::min(n - delivered, kMaxTransfer));
    if (!ReadFile(h, dst + delivered, want, &got, nullptr)) return false;
    if (got == 0) break;
    delivered += got;
  }
  return true;
}

bool WriteFully(HANDLE h, const std::uint8_t *src, std::size_t n) {
  while (n > 0) {
    DWORD put = 0;
    const auto want = static_cast<DWORD>(std::min(n, kMaxTransfer));
    if (!WriteFile(h, src, want, &put, nullptr) || put == 0) return false;
    src += put;
    n -= put;
  }
  return true;
}

bool StatusOfHandle(HANDLE h, FileStatus &status) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info)) return false;
  const auto time = [](const FILETIME &ft) {
    const std::int64_t ticks =
        static_cast<std::int64_t>((static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) |
                                  ft.dwLowDateTime) -
        116444736000000000LL;
    return FileTime{ticks / 10000000, ticks % 10000000 * 100};
  };
  status.folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  status.regular = !status.folder && GetFileType(h) == FILE_TYPE_DISK;
  status.mode = KeptAttributes(info.dwFileAttributes);
  status.readOnly = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  status.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  status.identity = {info.dwVolumeSerialNumber,
                     (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  status.access = time(info.ftLastAccessTime);
  status.modification = time(info.ftLastWriteTime);
  status.creation = time(info.ftCreationTime);
  status.hasCreation = true;
  return true;
}

}  // namespace

bool ReadWholeFile(const std::u16string &path, std::vector<std::uint8_t> &out) {
  out.clear();
  const HANDLE h = OpenRegularForReading(path);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = false;
  try {
    // The size is only a hint: the file may grow while we read.
    std::uint64_t size = 0;
    if (SizeOf(h, size) && size < SIZE_MAX / 4) {
      out.resize(static_cast<std::size_t>(size));
      std::size_t delivered = 0;
      ok = ReadFully(h, out.data(), out.size(), delivered);
      out.resize(delivered);
      std::uint8_t block[65536];
      while (ok && delivered == size) {
        std::size_t got = 0;
        ok = ReadFully(h, block, sizeof block, got);
        if (got == 0) break;
        out.insert(out.end(), block, block + got);
      }
    }
  } catch (...) {  // out of memory for a huge file
    NoteResourceShortage(ResourceShortage::Memory);
    ok = false;
  }
  CloseHandle(h);
  if (!ok) out.clear();
  return ok;
}

// ---- FileBytes ---------------------------------------------------------------

FileBytes::~FileBytes() { clear(); }

void FileBytes::clear() {
  if (data_) VirtualFree(data_, 0, MEM_RELEASE);
  data_ = nullptr;
  size_ = capacity_ = 0;
}

bool FileBytes::reserve(std::size_t capacity) {
  if (capacity <= capacity_) return true;
  // Whole pages from the system, zeroed and untouched until read into.
  void *p = VirtualAlloc(nullptr, capacity, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (!p) {
    NoteResourceShortage(ResourceShortage::Memory);
    return false;
  }
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
  const HANDLE h = OpenRegularForReading(path);
  if (h == INVALID_HANDLE_VALUE) return false;
  // One page more than the size says lets the read notice the end.
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
    std::size_t got = 0;
    ok = ReadFully(h, out.data_ + out.size_, room, got);
    if (got == 0) break;
    out.size_ += got;
  }
  CloseHandle(h);
  if (!ok) out.clear();
  return ok;
}

bool ReadFilePrefix(const std::u16string &path, std::size_t maxBytes,
                    std::vector<std::uint8_t> &out, std::uint64_t &fileSize) {
  out.clear();
  fileSize = 0;
  const HANDLE h = OpenRegularForReading(path);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = false;
  try {
    if (SizeOf(h, fileSize)) {
      const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(maxBytes, fileSize));
      out.resize(want);
      std::size_t delivered = 0;
      ok = ReadFully(h, out.data(), want, delivered);
      out.resize(delivered);
    }
  } catch (...) {  // out of memory
    NoteResourceShortage(ResourceShortage::Memory);
    ok = false;
  }
  CloseHandle(h);
  if (!ok) out.clear();
  return ok;
}

// ---- InputFile -------------------------------------------------------------

InputFile::~InputFile() { close(); }

bool InputFile::open(const std::u16string &path) {
  close();
  handle_ = Stored(OpenRegularForReading(path));
  return handle_ >= 0;
}

std::size_t InputFile::read(std::span<std::uint8_t> dst) {
  if (handle_ < 0) throw StreamError(kIoError, "read from a file that is not open");
  std::size_t delivered = 0;
  if (!ReadFully(Handle(handle_), dst.data(), dst.size(), delivered))
    throw StreamError(kIoError, "read failed");
  return delivered;
}

bool InputFile::openIn(const FolderHandle &folder, const std::u16string &name) {
  return open(folder.pathOf(name));
}

bool InputFile::status(FileStatus &status) const {
  return handle_ >= 0 && StatusOfHandle(Handle(handle_), status);
}

std::uint64_t InputFile::size() const {
  std::uint64_t size = 0;
  if (handle_ < 0 || !SizeOf(Handle(handle_), size)) return 0;
  return size;
}

void InputFile::close() {
  if (handle_ >= 0) CloseHandle(Handle(handle_));
  handle_ = -1;
}

// ---- OutputFile ------------------------------------------------------------

OutputFile::~OutputFile() { abandon(); }

bool OutputFile::create(const std::u16string &path) { return openForWriting(path, CREATE_ALWAYS); }

bool OutputFile::createNew(const std::u16string &path) { return openForWriting(path, CREATE_NEW); }

bool OutputFile::openForWriting(const std::u16string &path, int disposition) {
  abandon();
  alreadyExists_ = false;
  if (!IsUsablePath(path)) return false;
  const HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               static_cast<DWORD>(disposition), FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    NoteShortageOfLastError();
    alreadyExists_ = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
    return false;
  }
  if (GetFileType(h) != FILE_TYPE_DISK) {  // a device or pipe under that name
    CloseHandle(h);
    return false;
  }
  handle_ = Stored(h);
  return true;
}

bool OutputFile::createNewLockedIn(const FolderHandle &folder, const std::u16string &name) {
  return createNew(folder.pathOf(name));  // no FILE_SHARE_DELETE: held, it cannot be removed
}

// The hidden and system attributes of the file replaced or copied. Best
// effort: an attribute the volume cannot keep is no reason to lose the file.
bool OutputFile::setMode(std::uint32_t mode) {
  if (handle_ < 0) return false;
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
  return handle_ >= 0 && SetFileTime(Handle(handle_), times.hasCreation ? &creation : nullptr,
                                     &access, &modification) != 0;
}

void OutputFile::abandon() {
  if (handle_ >= 0) CloseHandle(Handle(handle_));
  handle_ = -1;
}

void OutputFile::write(std::span<const std::uint8_t> bytes) {
  if (handle_ < 0) throw StreamError(kIoError, "write to a file that is not open");
  const std::size_t allowed = BytesAllowedByWriteFailureSeam(bytes.size());
  if (!WriteFully(Handle(handle_), bytes.data(), allowed))
    throw StreamError(kIoError, "write failed");
  if (allowed < bytes.size()) throw StreamError(kIoError, "short write (simulated full disk)");
}

void OutputFile::close() {
  if (handle_ < 0) return;
  const HANDLE h = Handle(handle_);
  handle_ = -1;
  // FlushFileBuffers reports write-back errors (full disk, I/O) that
  // WriteFile may not have seen.
  const bool flushed = FlushFileBuffers(h) != 0;
  const bool closed = CloseHandle(h) != 0;
  if (!flushed || !closed) throw StreamError(kIoError, "flush or close failed");
}

bool RetryWhileInUse(const std::function<bool()> &attempt) {
  for (int tries = 1;; ++tries) {
    if (attempt())
      return true;
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

std::uint32_t DefaultNewFileMode() { return 0; }

ReadProblem ProbeReadable(const std::u16string &path) {
  if (!IsUsablePath(path)) return ReadProblem::Missing;
  FileStatus st;
  if (!QueryFileStatus(ToFsPath(path), st))
    return GetLastError() == ERROR_ACCESS_DENIED ? ReadProblem::PermissionDenied
                                                 : ReadProblem::Missing;
  if (!st.regular) return ReadProblem::NotRegularFile;
  const HANDLE h = OpenRegularForReading(path);
  if (h == INVALID_HANDLE_VALUE)
    return GetLastError() == ERROR_ACCESS_DENIED ? ReadProblem::PermissionDenied
                                                 : ReadProblem::Unreadable;
  CloseHandle(h);
  return ReadProblem::None;
}

}  // namespace velkaro

#endif  // _WIN32
