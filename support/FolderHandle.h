// FolderHandle: a folder opened once, and the files in it looked at,
// renamed and removed relative to that handle.
//
// The batch checks its destination folder once and then keeps it open. Were
// the folder's path replaced while the batch runs (by a link to the source
// folder, say), every later write still lands in the folder that was
// checked: on POSIX all calls go through the handle (openat, renameat); on
// Windows the handle denies the folder's rename and deletion while it is held.
//
// Names given to the member functions are plain entry names: no separators.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/Platform.h"

namespace velkaro {

class FolderHandle {
 public:
  FolderHandle() = default;
  ~FolderHandle();
  FolderHandle(FolderHandle &&other) noexcept;
  FolderHandle &operator=(FolderHandle &&other) noexcept;
  FolderHandle(const FolderHandle &) = delete;
  FolderHandle &operator=(const FolderHandle &) = delete;

  // Opens the folder at path (links followed). False when it is no folder.
  bool open(const std::u16string &path);
  // Opens the entry `name` of `parent` when it is a folder itself, never
  // one a link leads to.
  bool openIn(const FolderHandle &parent, const std::u16string &name);
  // The folder holding `path`'s last component, and that component.
  bool openParentOf(const std::u16string &path, std::u16string &name);
  void close();
  bool isOpen() const;
  // The path the folder was opened by (for messages).
  const std::u16string &path() const { return path_; }
  // path() joined with a name: what the entry is called for the user.
  std::u16string pathOf(const std::u16string &name) const;

  // An advisory lock on the folder, held until close(): a second batch into
  // the same folder, from this process or another, gets Busy. It goes with
  // the process and leaves no file behind.
  enum class LockResult { Locked, Busy, Failed };
  LockResult tryLock();

  FileIdentity identity() const;
  // The entry's status; links are followed unless followLinks is false.
  bool status(const std::u16string &name, FileStatus &status, bool followLinks = true) const;
  // True when something (a file, a folder, even a dangling link) has the name.
  bool exists(const std::u16string &name) const;
  // Renames `from` over `to`, replacing `to` (itself, never what it links to).
  bool rename(const std::u16string &from, const std::u16string &to) const;
  // Renames `from` into another open folder as `to`, replacing `to`.
  bool renameInto(const std::u16string &from, const FolderHandle &other,
                  const std::u16string &to) const;
  // Removes the entry (a link itself, never what it links to); not folders.
  bool remove(const std::u16string &name) const;
  // Keeps the entry out of the user's sight: Windows' hidden attribute (a
  // name starting with a dot is hidden on POSIX already).
  bool hide(const std::u16string &name) const;
  // Makes the folder `name`, open to its owner only (POSIX). False when it
  // cannot be made; alreadyExists then tells whether the name was taken.
  bool makeFolder(const std::u16string &name, bool &alreadyExists) const;
  // Removes the folder `name` when it is empty.
  bool removeFolder(const std::u16string &name) const;
  // The names of the folder's entries.
  std::vector<std::u16string> entryNames() const;
  // Flushes the folder's entries to the disk (best effort).
  void sync() const;

  // The native handle: a file descriptor on POSIX, a HANDLE on Windows.
  std::intptr_t native() const { return handle_; }

 private:
  std::intptr_t handle_ = -1;
  std::intptr_t lockHandle_ = -1;  // a fallback lock file, when the folder cannot be locked
  std::u16string path_;
};

// True for a name that can be used relative to a folder handle: not empty,
// no separator of this platform ("/", and on Windows "\\" and ":"), not "."
// or "..", no character a path may not hold.
bool IsPlainEntryName(const std::u16string &name);

}  // namespace velkaro
