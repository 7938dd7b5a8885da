// WorkFolder: a private folder for the images of the drawing being converted.
//
// Each run (window session, CLI worker) gets its own, created with mode 0700
// under the system's temporary folder with a unique name, so two instances
// never delete each other's images and the executable's folder may be
// read-only. It is removed, with anything left in it, when the object goes.
//
// While it lives the folder is locked, so that a later run can remove the
// folders of runs that were killed (RemoveStale) and never one in use.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace velkaro {

class WorkFolder {
 public:
  // A new unique folder; nullopt when none can be created.
  static std::optional<WorkFolder> Create();

  WorkFolder(WorkFolder &&other) noexcept;
  WorkFolder &operator=(WorkFolder &&other) noexcept;
  WorkFolder(const WorkFolder &) = delete;
  WorkFolder &operator=(const WorkFolder &) = delete;
  ~WorkFolder();

  // The folder with a trailing separator (BindImageFolder).
  const std::u16string &path() const { return path_; }
  // Removes the folder and its content now.
  void remove();

  // Removes the work folders that runs which no longer live left in the
  // temporary folder. Returns how many.
  static int RemoveStale();

 private:
  WorkFolder(std::u16string path, std::intptr_t lock) : path_(std::move(path)), lock_(lock) {}
  std::u16string path_;
  std::intptr_t lock_ = -1;  // holds the folder's lock
};

}  // namespace velkaro
