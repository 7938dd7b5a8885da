// MarkedFolder: the folder, its marker and the lock; POSIX through the *at()
// calls and flock, Windows through a marker held open without delete
// sharing (nobody can delete it while its run lives, anybody can after).
// The lock is POSIX's flock on the folder itself, Windows's marker handle.
#include "support/MarkedFolder.h"

#include <string>

#include "support/IoFaults.h"
#include "support/Platform.h"
#include "support/ResourceShortage.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velkaro {

const char16_t kFolderMarkerName[] = u".velkaro-folder";

namespace {

// Names the folder by its identity: a copy of the folder, or the marker
// put into another folder, proves nothing.
std::string MarkerText(const FileIdentity &id) {
  return "This folder was made by Velkaro for a conversion; it may be removed once that ended.\n"
         "velkaro-folder " +
         std::to_string(id.volume) + " " + std::to_string(id.file) + "\n";
}

constexpr std::size_t kMarkerReadLimit = 1024;

// What a sweeper found of a folder's marker.
enum class Marker { Refused, Missing, Read };

#ifndef _WIN32

int Fd(std::intptr_t h) { return static_cast<int>(h); }

std::string Native(const std::u16string &name) { return ToFsPath(name).native(); }

bool IsMine(const FileStatus &status) { return status.owner == ::geteuid(); }

// The folder's own descriptor carries the lock (one descriptor per folder
// instead of two); it is taken before the marker is made, so a sweeper that
// can take it finds either no proof or the whole of it.
bool CreateMarker(const FolderHandle &folder, const std::string &text, std::intptr_t &held) {
  held = -1;
  int locked;
  do {
    locked = ::flock(Fd(folder.native()), LOCK_EX);
  } while (locked != 0 && errno == EINTR);
  if (locked != 0) return false;
  const int fd = ::openat(Fd(folder.native()), Native(kFolderMarkerName).c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    NoteShortageOfLastError();
    return false;
  }
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t put = ::write(fd, text.data() + done, text.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) break;
    done += static_cast<std::size_t>(put);
  }
  const bool closed = ::close(fd) == 0;
  if (done == text.size() && closed) return true;
  ::unlinkat(Fd(folder.native()), Native(kFolderMarkerName).c_str(), 0);
  return false;
}

// Takes the lock of a folder whose run is gone and reads its marker, a
// plain file of ours.
Marker TakeMarker(const FolderHandle &folder, std::string &text, std::intptr_t &held) {
  held = -1;
  if (::flock(Fd(folder.native()), LOCK_EX | LOCK_NB) != 0) return Marker::Refused;
  const int fd = ::openat(Fd(folder.native()), Native(kFolderMarkerName).c_str(),
                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? Marker::Missing : Marker::Refused;
  struct stat st {};
  char buffer[kMarkerReadLimit];
  ssize_t got = -1;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid()) {
    do {
      got = ::pread(fd, buffer, sizeof buffer, 0);
    } while (got < 0 && errno == EINTR);
  }
  ::close(fd);
  if (got < 0) return Marker::Refused;
  text.assign(buffer, static_cast<std::size_t>(got));
  return Marker::Read;
}

// Removed while the folder is still locked, so no sweeper takes it midway.
void DeleteMarker(const FolderHandle &folder, std::intptr_t) {
  ::unlinkat(Fd(folder.native()), Native(kFolderMarkerName).c_str(), 0);
}

void CloseMarker(std::intptr_t) {}  // the lock goes with the folder's descriptor

#else  // _WIN32

HANDLE H(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

std::wstring Wide(const std::u16string &s) { return std::wstring(s.begin(), s.end()); }

bool IsMine(const FileStatus &) { return true; }  // a folder of another user denies us anyway

// Without FILE_SHARE_DELETE: held, it cannot be deleted (or opened by a
// sweeper, which asks for sole access); DELETE lets us remove it ourselves.
bool CreateMarker(const FolderHandle &folder, const std::string &text, std::intptr_t &held) {
  held = -1;
  const HANDLE h = CreateFileW(Wide(folder.pathOf(kFolderMarkerName)).c_str(),
                               GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD put = 0;
  if (WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &put, nullptr) &&
      put == text.size()) {
    held = reinterpret_cast<std::intptr_t>(h);
    return true;
  }
  FILE_DISPOSITION_INFO dispose{TRUE};
  SetFileInformationByHandle(h, FileDispositionInfo, &dispose, sizeof dispose);
  CloseHandle(h);
  return false;
}

// Sole access is refused while the run that made it holds it open.
Marker TakeMarker(const FolderHandle &folder, std::string &text, std::intptr_t &held) {
  held = -1;
  const HANDLE h = CreateFileW(Wide(folder.pathOf(kFolderMarkerName)).c_str(),
                               GENERIC_READ | DELETE, 0, nullptr, OPEN_EXISTING,
                               FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    return GetLastError() == ERROR_FILE_NOT_FOUND ? Marker::Missing : Marker::Refused;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
    CloseHandle(h);
    return Marker::Refused;
  }
  char buffer[kMarkerReadLimit];
  DWORD got = 0;
  if (!ReadFile(h, buffer, sizeof buffer, &got, nullptr)) got = 0;
  text.assign(buffer, got);
  held = reinterpret_cast<std::intptr_t>(h);
  return Marker::Read;
}

void DeleteMarker(const FolderHandle &, std::intptr_t marker) {
  if (marker == -1) return;
  FILE_DISPOSITION_INFO dispose{TRUE};
  SetFileInformationByHandle(H(marker), FileDispositionInfo, &dispose, sizeof dispose);
  CloseHandle(H(marker));
}

void CloseMarker(std::intptr_t marker) {
  if (marker != -1) CloseHandle(H(marker));
}

#endif

// Removes the plain files beside the marker; true when the marker is then
// all the folder holds.
bool RemovePlainFiles(const FolderHandle &folder) {
  bool onlyMarker = true;
  for (const std::u16string &entry : folder.entryNames())
    if (entry != kFolderMarkerName && !folder.remove(entry)) onlyMarker = false;
  return onlyMarker;
}

bool HoldsOnlyItsMarker(const FolderHandle &folder) {
  for (const std::u16string &entry : folder.entryNames())
    if (entry != kFolderMarkerName) return false;
  return true;
}

// The marker, then the folder. On Windows a folder cannot be removed while
// a handle to it is open, so ours goes first.
void RemoveEmptied(const FolderHandle &parent, const std::u16string &name, FolderHandle &folder,
                   std::intptr_t marker) {
  DeleteMarker(folder, marker);
  folder.close();
  parent.removeFolder(name);
}

}  // namespace

MarkedFolder::~MarkedFolder() { remove(); }

MarkedFolder::Made MarkedFolder::create(const FolderHandle &parent, const std::u16string &name) {
  remove();
  bool taken = false;
  if (!parent.makeFolder(name, taken)) return taken ? Made::NameTaken : Made::Failed;
  parent_ = &parent;
  name_ = name;
  marked_ = folder_.openIn(parent, name) && !IoFaultHere(IoStep::Create) &&
            CreateMarker(folder_, MarkerText(folder_.identity()), marker_);
  if (marked_) return Made::Yes;
  // A sweeper took the folder while it was still empty: another name will do.
  const bool vanished = !parent.exists(name);
  // Out of descriptors, say: the folder goes at once, never left to pile up.
  remove();
  return vanished ? Made::NameTaken : Made::Failed;
}

void MarkedFolder::remove() {
  if (!parent_) return;
  if (folder_.isOpen() && RemovePlainFiles(folder_) && marked_) {
    RemoveEmptied(*parent_, name_, folder_, marker_);
  } else {
    CloseMarker(marker_);
    folder_.close();
    parent_->removeFolder(name_);  // a folder that never got its marker
  }
  marker_ = -1;
  marked_ = false;
  parent_ = nullptr;
  name_.clear();
}

void MarkedFolder::abandonForTesting() {
  CloseMarker(marker_);
  marker_ = -1;
  marked_ = false;
  folder_.close();
  parent_ = nullptr;
  name_.clear();
}

bool RemoveAbandonedFolder(const FolderHandle &parent, const std::u16string &name) {
  FileStatus status;
  if (!parent.status(name, status, false) || !status.folder || !IsMine(status)) return false;
  FolderHandle folder;
  if (!folder.openIn(parent, name)) return false;
  std::string text;
  std::intptr_t marker = -1;
  const Marker found = TakeMarker(folder, text, marker);
  if (found == Marker::Refused) return false;
  // A run killed between making the folder and finishing its marker can
  // have left nothing else: an empty folder, or one with a marker cut short.
  const std::string proof = MarkerText(folder.identity());
  const bool cutShort = found == Marker::Missing ||
                        (text.size() < proof.size() && proof.compare(0, text.size(), text) == 0);
  if (cutShort ? !HoldsOnlyItsMarker(folder) : (text != proof || !RemovePlainFiles(folder))) {
    CloseMarker(marker);
    return false;
  }
  RemoveEmptied(parent, name, folder, marker);
  return !parent.exists(name);
}

}  // namespace velkaro
