// File access for the formats and helpers: whole-file reads, streamed reads
// and writes that notice every failure, and the atomic replacement of a file.
//
// Files are opened for reading with others allowed to read (on Windows,
// FILE_SHARE_READ without FILE_SHARE_WRITE); POSIX has no sharing modes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "support/ByteReader.h"
#include "support/FolderHandle.h"
#include "support/IoFaults.h"
#include "support/MarkedFolder.h"
#include "support/Platform.h"

namespace velkaro {

// Only regular files are read (links followed): a FIFO or device would
// block or never end.

// Reads the whole file into out. False when it cannot be opened or read.
bool ReadWholeFile(const std::u16string &path, std::vector<std::uint8_t> &out);

// The bytes of a whole file in memory of their own, for the drawing readers.
// Unlike a vector the memory is not zero-filled before the read overwrites
// it, and it comes straight from the system in whole pages, which makes
// reading a large drawing markedly faster.
class FileBytes {
 public:
  FileBytes() = default;
  ~FileBytes();
  FileBytes(const FileBytes &) = delete;
  FileBytes &operator=(const FileBytes &) = delete;

  std::span<const std::uint8_t> bytes() const { return {data_, size_}; }
  operator std::span<const std::uint8_t>() const { return bytes(); }
  std::size_t size() const { return size_; }
  void clear();

 private:
  friend bool ReadFileStart(const std::u16string &path, std::size_t maxBytes, FileBytes &out,
                            std::uint64_t &fileSize);
  // Room for at least `capacity` bytes, keeping those read so far. False
  // when the memory cannot be had.
  bool reserve(std::size_t capacity);

  std::uint8_t *data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

// Reads the whole file into out, to its end even when it grows meanwhile.
// False (and out empty) when it cannot be opened or read. The memory out
// already holds is reused: a caller reading many files into one FileBytes
// spares the system handing out (and the program faulting in) fresh pages
// for each.
bool ReadWholeFile(const std::u16string &path, FileBytes &out);
// The same up to maxBytes from the start; fileSize receives the size the
// file had when it was opened.
bool ReadFileStart(const std::u16string &path, std::size_t maxBytes, FileBytes &out,
                   std::uint64_t &fileSize);

// What one reading of a file's records over some of its bytes found.
struct RecordsRead {
  bool ok = false;          // the records were read to their end
  std::size_t used = 0;     // how far into the bytes the reading went
  bool wantedMore = false;  // some read asked for bytes past their end
};

// A file's records read without holding the whole of a file far larger than
// they are (a drawing padded to gigabytes): `read` goes over the file's
// first `firstPart` bytes, and over the whole file only when it failed or
// wanted more there — so its answer is always the one the whole file gives.
// False when the file could not be read; otherwise `result` is the last
// answer of `read`, whose bytes stay in `bytes`, and `trailing` counts the
// bytes of the file past those the records used.
inline constexpr std::size_t kRecordsFirstPartBytes = std::size_t{64} << 20;
bool ReadFileRecords(const std::u16string &path, FileBytes &bytes,
                     const std::function<RecordsRead(std::span<const std::uint8_t>)> &read,
                     RecordsRead &result, std::uint64_t &trailing,
                     std::size_t firstPart = kRecordsFirstPartBytes);

// Reads at most maxBytes from the start of the file; fileSize receives the
// file's full size. False when it cannot be opened or read.
bool ReadFilePrefix(const std::u16string &path, std::size_t maxBytes,
                    std::vector<std::uint8_t> &out, std::uint64_t &fileSize);

// A file opened for streamed reading.
class InputFile {
 public:
  InputFile() = default;
  ~InputFile();
  InputFile(const InputFile &) = delete;
  InputFile &operator=(const InputFile &) = delete;

  bool open(const std::u16string &path);
  // The entry `name` of an open folder (links followed).
  bool openIn(const FolderHandle &folder, const std::u16string &name);
  // Up to dst.size() bytes; 0 at the end. Throws StreamError on a read error.
  std::size_t read(std::span<std::uint8_t> dst);
  std::uint64_t size() const;
  // The open file's status (size, times, mode, identity).
  bool status(FileStatus &status) const;
  void close();
  bool isOpen() const { return handle_ >= 0; }

 private:
  std::intptr_t handle_ = -1;
};

// A file created (or truncated) for writing. Every write is checked: a failed
// or short write throws StreamError("File I/O Error").
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile &) = delete;
  OutputFile &operator=(const OutputFile &) = delete;

  bool create(const std::u16string &path);
  // Creates a file that must not exist yet (O_EXCL); false when it does or
  // cannot be created. alreadyExists() then tells the two apart.
  bool createNew(const std::u16string &path);
  bool alreadyExists() const { return alreadyExists_; }
  // createNew for the entry `name` of an open folder, readable and writable
  // by the owner only, and locked (see AtomicFileWriter) once created.
  bool createNewLockedIn(const FolderHandle &folder, const std::u16string &name);
  // Gives the open file the permission bits of `mode` that 0777 covers
  // (POSIX; nothing elsewhere).
  bool setMode(std::uint32_t mode);
  // Gives the open file the access, modification and (where it can be set)
  // creation times of `times`, through its handle.
  bool setTimes(const FileStatus &times);
  void write(std::span<const std::uint8_t> bytes);
  // Flushes to the disk (fsync) and closes. Throws StreamError when the data
  // cannot be flushed or the close fails.
  void close();
  // Closes without flushing or reporting anything, for a file about to be
  // deleted.
  void abandon();
  bool isOpen() const { return handle_ >= 0; }

 private:
  bool openForWriting(const std::u16string &path, bool mustBeNew);

  std::intptr_t handle_ = -1;
  bool alreadyExists_ = false;
};

// Writes a new file under `target` in one piece: the bytes go to a
// temporary file in a temporary folder beside it (".velkaro-<random>.tmp",
// a MarkedFolder: created exclusively, open to the owner only), which
// replaces `target` only once everything was written, flushed and closed. A
// crash or kill at any moment leaves either the old file or the complete new
// one under the target name, never a part. The rename replaces a link at the
// target itself, never writing through it into the file it points at.
//
// The temporary folder carries the proof that a writer of ours made it and
// is locked while the writer lives, so a later run removes what a dead one
// left (RemoveStaleTemporaryFiles) and nothing else. A stop request
// (Interrupt.h) makes the next write fail, which discards the temporary file.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(std::u16string target);
  // The file `name` in an open folder: every step goes through the handle.
  // With `staging` (a temporary folder of the same folder, made by
  // MakeTemporaryFolder, that outlives the writer) the temporary file goes
  // there: a batch spares making and flushing a folder for every file.
  AtomicFileWriter(const FolderHandle &folder, std::u16string name,
                   const MarkedFolder *staging = nullptr);
  ~AtomicFileWriter();  // discards the temporary file unless committed
  AtomicFileWriter(const AtomicFileWriter &) = delete;
  AtomicFileWriter &operator=(const AtomicFileWriter &) = delete;

  // The permission bits the finished file gets (POSIX; only those of 0777:
  // setuid, setgid and sticky never pass to a copy). Without this call it
  // gets those of the file it replaces, or those any new file of the user
  // gets when there was none.
  void setMode(std::uint32_t mode) { mode_ = mode; hasMode_ = true; }
  // The time stamps the finished file gets, set through its open handle
  // before it takes the target's name.
  void setTimes(const FileStatus &times) { times_ = times; hasTimes_ = true; }

  // Creates the temporary file. False when that is impossible.
  bool open();
  // Throws StreamError("File I/O Error") on a failed or short write.
  void write(std::span<const std::uint8_t> bytes);
  // Flushes, closes and renames over the target. False on any failure, in
  // which case the temporary file is gone and the target is untouched.
  bool commit();
  void discard();
  // Lets go of everything as a killed process would (tests of the sweep).
  void abandonForTesting();

 private:
  const FolderHandle &folder() const { return borrowed_ ? *borrowed_ : own_; }
  const MarkedFolder &staging() const { return sharedStaging_ ? *sharedStaging_ : ownStaging_; }
  bool applyMode();

  std::u16string target_;  // as given, for the path form
  const FolderHandle *borrowed_ = nullptr;
  FolderHandle own_;
  std::u16string name_;
  const MarkedFolder *sharedStaging_ = nullptr;
  MarkedFolder ownStaging_;  // a folder of its own, without a shared one
  std::u16string tempName_;
  std::uint32_t mode_ = 0;
  bool hasMode_ = false;
  FileStatus times_;
  bool hasTimes_ = false;
  OutputFile out_;
};

// Makes a temporary folder in `folder` for the writers of one batch (or one
// writer). False when none can be made.
bool MakeTemporaryFolder(const FolderHandle &folder, MarkedFolder &staging);

// Removes the temporary folders that writers which no longer run left in the
// folder (after a kill or a power cut): only those that prove to be ours
// (RemoveAbandonedFolder); one still held by its writer, another user's and
// anything merely named like ours stay. Returns how many were removed.
int RemoveStaleTemporaryFiles(const FolderHandle &folder);

// The same for the folder that holds `target`, for a writer of a single file
// that keeps no folder open.
int RemoveStaleTemporaryFilesBeside(const std::u16string &target);

// CopyFileWithTimes within one open folder: the entry `from` (links
// followed) copied to `to` with its time stamps and permission bits, through
// a temporary file (in `staging`, when given). False when no complete copy
// was made.
bool CopyEntryWithTimes(const FolderHandle &folder, const std::u16string &from,
                        const std::u16string &to, const MarkedFolder *staging = nullptr);
// True when both entries of the folder can be read and hold the same bytes.
bool SameEntryBytes(const FolderHandle &folder, const std::u16string &a, const std::u16string &b);

// The permission bits any new file of the user gets (POSIX: 0666 less the umask).
std::uint32_t DefaultNewFileMode();

// Windows: calls `attempt` again while it fails with a sharing violation
// (GetLastError), for about two seconds in all: virus scanners and the
// search indexer hold a fresh file open for a moment. POSIX has no sharing
// modes: one call.
bool RetryWhileInUse(const std::function<bool()> &attempt);
// True when another program holds the entry so that it cannot be replaced
// (Windows: a handle that denies deletion, still there after the retries).
// False on POSIX.
bool HeldByAnotherProgram(const FolderHandle &folder, const std::u16string &name);
// Test seam (Windows): the next `count` attempts to replace a file (the
// check above and the renames over a file) fail with ERROR_SHARING_VIOLATION
// before reaching the system, as while a scanner holds the file. 0 switches
// it off. Nothing on POSIX.
void SetSharingViolationsForTesting(int count);
// The seam's side of such an attempt: true (and the error set) while it
// simulates a violation.
bool SimulatedSharingViolation();

// What stands in the way of reading a file, for a message that says why.
enum class ReadProblem { None, Missing, NotRegularFile, PermissionDenied, Unreadable };
ReadProblem ProbeReadable(const std::u16string &path);

// The whole of `bytes` as the new content of `target`, atomically. A stop
// request (Interrupt.h) leaves the target as it was.
bool WriteFileAtomically(const std::u16string &target, std::span<const std::uint8_t> bytes);

}  // namespace velkaro
