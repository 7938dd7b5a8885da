// WorkFolder: a private folder for the images of the drawing being converted.
//
// Each run (window session, CLI worker) gets its own, created with mode 0700
// under the system's temporary folder with a unique name, so two instances
// never delete each other's images and the executable's folder may be
// read-only. It is removed, with anything left in it, when the object goes.
#pragma once

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

 private:
  explicit WorkFolder(std::u16string path) : path_(std::move(path)) {}
  std::u16string path_;
};

}  // namespace velkaro
