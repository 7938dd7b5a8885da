// WorkFolder: the private, per-run folder for extracted images, and the
// removal of those that killed runs left behind.
#include "convert/WorkFolder.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#include "support/FolderHandle.h"
#include "support/Func_2.h"
#include "support/MarkedFolder.h"
#include "support/Platform.h"

namespace velkaro {

namespace {

namespace fs = std::filesystem;

constexpr char16_t kPrefix[] = u"velkaro-work-";

std::u16string RandomName() {
  static std::atomic<std::uint64_t> counter{0};
  std::random_device random;
  const std::uint64_t value = ((static_cast<std::uint64_t>(random()) << 32) ^ random()) +
                              counter.fetch_add(1) * 0x9E3779B97F4A7C15ull;
  char digits[17];
  std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(value));
  return kPrefix + FromFsPath(fs::path(digits));
}

// The temporary folder, opened by the path the system names it with.
std::unique_ptr<FolderHandle> OpenTemporaryFolder(fs::path &temp) {
  std::error_code ec;
  temp = fs::temp_directory_path(ec);
  auto folder = std::make_unique<FolderHandle>();
  if (ec || !folder->open(FromFsPath(temp)))
    return nullptr;
  return folder;
}

}  // namespace

std::optional<WorkFolder> WorkFolder::Create() {
  fs::path temp;
  std::unique_ptr<FolderHandle> parent = OpenTemporaryFolder(temp);
  if (!parent)
    return std::nullopt;
  auto folder = std::make_unique<MarkedFolder>();
  for (int attempt = 0; attempt < 100; ++attempt) {
    switch (folder->create(*parent, RandomName())) {
      case MarkedFolder::Made::Yes: {
        // Named as the system names the temporary folder (on Windows the
        // handle's final path would begin with \\?\, which not every
        // consumer of the images' paths takes).
        std::u16string path = FromFsPath(temp / ToFsPath(folder->name())) + PathSeparator();
        return WorkFolder(std::move(parent), std::move(folder), std::move(path));
      }
      case MarkedFolder::Made::NameTaken:
        continue;
      case MarkedFolder::Made::Failed:
        return std::nullopt;  // out of descriptors or room: trying again makes no folder either
    }
  }
  return std::nullopt;
}

WorkFolder::WorkFolder(std::unique_ptr<FolderHandle> parent, std::unique_ptr<MarkedFolder> folder,
                       std::u16string path)
    : parent_(std::move(parent)), folder_(std::move(folder)), path_(std::move(path)) {}

WorkFolder::WorkFolder(WorkFolder &&other) noexcept
    : parent_(std::move(other.parent_)), folder_(std::move(other.folder_)),
      path_(std::move(other.path_)) {
  other.path_.clear();
}

WorkFolder &WorkFolder::operator=(WorkFolder &&other) noexcept {
  if (this != &other) {
    remove();
    parent_ = std::move(other.parent_);
    folder_ = std::move(other.folder_);
    path_ = std::move(other.path_);
    other.path_.clear();
  }
  return *this;
}

WorkFolder::~WorkFolder() { remove(); }

void WorkFolder::remove() {
  if (folder_ && folder_->isOpen()) {
    // Folders inside are ours too while we hold the folder; remove_all
    // deletes links found in them, never what they point at.
    std::error_code ec;
    const fs::path here = ToFsPath(path_);
    for (fs::directory_iterator it(here, ec), end; !ec && it != end; it.increment(ec)) {
      std::error_code kind;
      if (it->symlink_status(kind).type() == fs::file_type::directory)
        fs::remove_all(it->path(), kind);
    }
  }
  folder_.reset();  // before the folder that holds it
  parent_.reset();
  path_.clear();
}

int WorkFolder::RemoveStale() {
  fs::path temp;
  const std::unique_ptr<FolderHandle> parent = OpenTemporaryFolder(temp);
  if (!parent)
    return 0;
  const std::u16string prefix = kPrefix;
  int removed = 0;
  for (const std::u16string &name : parent->entryNames())
    if (name.rfind(prefix, 0) == 0 && RemoveAbandonedFolder(*parent, name))
      ++removed;
  return removed;
}

}  // namespace velkaro
