// WorkFolder: the private, per-run folder for extracted images, and the
// removal of those that killed runs left behind.
#include "convert/WorkFolder.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "support/Func_2.h"
#include "support/Platform.h"

#ifdef _WIN32
#include <random>
#include <windows.h>
#else
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velkaro {

namespace {

namespace fs = std::filesystem;

constexpr char kPrefix[] = "velkaro-work-";

#ifdef _WIN32
// On Windows a file held open without delete sharing is the lock: nobody can
// delete it while we live, and anybody can once we are gone. It lies beside
// the folder (velkaro-work-N.lock), so that the folder holds only images.
fs::path LockFileOf(const fs::path &folder) {
  fs::path lock = folder;
  lock += L".lock";
  return lock;
}

void Unlock(std::intptr_t lock) { CloseHandle(reinterpret_cast<HANDLE>(lock)); }

// The lock comes first, so that no folder of ours is ever unlocked.
bool MakeLockedFolder(const fs::path &parent, fs::path &made, std::intptr_t &lock) {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate = parent / (kPrefix + std::to_string(random() % 1000000000u));
    HANDLE h = CreateFileW(LockFileOf(candidate).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (h == INVALID_HANDLE_VALUE) continue;
    std::error_code ec;
    if (!fs::create_directory(candidate, ec)) {
      CloseHandle(h);
      DeleteFileW(LockFileOf(candidate).c_str());
      continue;
    }
    made = candidate;
    lock = reinterpret_cast<std::intptr_t>(h);
    return true;
  }
  return false;
}

// Stale when its lock file is there and can be deleted: its owner is gone. A
// folder without one is left alone.
bool TakeIfStale(const fs::path &folder) {
  std::error_code ec;
  return fs::is_directory(folder, ec) && DeleteFileW(LockFileOf(folder).c_str()) != 0;
}
#else
void Unlock(std::intptr_t lock) { ::close(static_cast<int>(lock)); }

bool SameIdentity(const struct stat &a, const struct stat &b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// mkdtemp makes the folder with mode 0700 and fails rather than reuse a
// name. We lock it at once; a sweeper that took the lock first may have
// removed it, which the check afterwards notices.
bool MakeLockedFolder(const fs::path &parent, fs::path &made, std::intptr_t &lock) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string pattern = (parent / (std::string(kPrefix) + "XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) return false;
    const int fd = ::open(pattern.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) continue;
    struct stat held {}, named {};
    int locked;
    do {
      locked = ::flock(fd, LOCK_EX);
    } while (locked != 0 && errno == EINTR);
    if (locked == 0 && ::fstat(fd, &held) == 0 && ::lstat(pattern.c_str(), &named) == 0 &&
        SameIdentity(held, named)) {
      made = pattern;
      lock = fd;
      return true;
    }
    ::close(fd);
  }
  return false;
}

// Stale when it is ours and its lock can be taken: the run that made it is
// gone. The lock stays taken (returned in `lock`) while we remove it.
bool TakeIfStale(const fs::path &folder, int &lock) {
  struct stat named {};
  if (::lstat(folder.c_str(), &named) != 0 || !S_ISDIR(named.st_mode) ||
      named.st_uid != ::geteuid())
    return false;
  lock = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
  if (lock < 0) return false;
  struct stat held {};
  if (::flock(lock, LOCK_EX | LOCK_NB) == 0 && ::fstat(lock, &held) == 0 &&
      SameIdentity(held, named))
    return true;
  ::close(lock);
  lock = -1;
  return false;
}
#endif

}  // namespace

std::optional<WorkFolder> WorkFolder::Create() {
  std::error_code ec;
  const fs::path parent = fs::temp_directory_path(ec);
  if (ec)
    return std::nullopt;
  fs::path made;
  std::intptr_t lock = -1;
  if (!MakeLockedFolder(parent, made, lock))
    return std::nullopt;
  return WorkFolder(FromFsPath(made) + PathSeparator(), lock);
}

WorkFolder::WorkFolder(WorkFolder &&other) noexcept
    : path_(std::move(other.path_)), lock_(other.lock_) {
  other.path_.clear();
  other.lock_ = -1;
}

WorkFolder &WorkFolder::operator=(WorkFolder &&other) noexcept {
  if (this != &other) {
    remove();
    path_ = std::move(other.path_);
    lock_ = other.lock_;
    other.path_.clear();
    other.lock_ = -1;
  }
  return *this;
}

WorkFolder::~WorkFolder() { remove(); }

void WorkFolder::remove() {
  const fs::path folder = ToFsPath(path_).parent_path();  // path_ ends with the separator
  if (!path_.empty()) {
    // remove_all deletes links found inside, never what they point at.
    std::error_code ec;
    fs::remove_all(folder, ec);
    path_.clear();
  }
  if (lock_ != -1) {
    Unlock(lock_);
#ifdef _WIN32
    DeleteFileW(LockFileOf(folder).c_str());
#endif
  }
  lock_ = -1;
}

int WorkFolder::RemoveStale() {
  std::error_code ec;
  const fs::path parent = fs::temp_directory_path(ec);
  if (ec)
    return 0;
  int removed = 0;
  for (fs::directory_iterator it(parent, ec), end; !ec && it != end; it.increment(ec)) {
    // Compared as UTF-16: a narrow conversion of another entry's name could fail.
    const std::u16string name = FromFsPath(it->path().filename());
    if (name.rfind(std::u16string(kPrefix, kPrefix + sizeof kPrefix - 1), 0) != 0)
      continue;
#ifdef _WIN32
    if (!TakeIfStale(it->path()))
      continue;
    std::error_code removeError;
    fs::remove_all(it->path(), removeError);
#else
    int lock = -1;
    if (!TakeIfStale(it->path(), lock))
      continue;
    std::error_code removeError;
    fs::remove_all(it->path(), removeError);
    ::close(lock);
#endif
    ++removed;
  }
  return removed;
}

}  // namespace velkaro
