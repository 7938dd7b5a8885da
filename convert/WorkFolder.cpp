// WorkFolder: the private, per-run folder for extracted images.
#include "convert/WorkFolder.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "support/Func_2.h"
#include "support/Platform.h"

#ifdef _WIN32
#include <random>
#else
#include <cstdlib>
#endif

namespace velkaro {

namespace {

namespace fs = std::filesystem;

// The one platform call of this unit: a new folder with a unique name that
// only this user may enter. mkdtemp creates it with mode 0700 and fails
// rather than reuse an existing name.
bool MakeUniqueFolder(const fs::path &parent, fs::path &made) {
#ifdef _WIN32
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate = parent / ("velkaro-" + std::to_string(random()));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      made = candidate;
      return true;
    }
  }
  return false;
#else
  std::string pattern = (parent / "velkaro-work-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr)
    return false;
  made = pattern;
  return true;
#endif
}

}  // namespace

std::optional<WorkFolder> WorkFolder::Create() {
  std::error_code ec;
  const fs::path parent = fs::temp_directory_path(ec);
  if (ec)
    return std::nullopt;
  fs::path made;
  if (!MakeUniqueFolder(parent, made))
    return std::nullopt;
  return WorkFolder(FromFsPath(made) + PathSeparator());
}

WorkFolder::WorkFolder(WorkFolder &&other) noexcept : path_(std::move(other.path_)) {
  other.path_.clear();
}

WorkFolder &WorkFolder::operator=(WorkFolder &&other) noexcept {
  if (this != &other) {
    remove();
    path_ = std::move(other.path_);
    other.path_.clear();
  }
  return *this;
}

WorkFolder::~WorkFolder() { remove(); }

void WorkFolder::remove() {
  if (path_.empty())
    return;
  // remove_all deletes links found inside, never what they point at.
  std::error_code ec;
  fs::remove_all(ToFsPath(path_), ec);
  path_.clear();
}

}  // namespace velkaro
