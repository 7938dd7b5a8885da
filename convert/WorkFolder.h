// WorkFolder: a private folder for the images of the drawing being converted.
//
// Each run (window session, CLI worker) gets its own, made open to its owner
// only under the system's temporary folder with a unique name, so two
// instances never delete each other's images and the executable's folder may
// be read-only. It is removed, with anything left in it, when the object goes.
//
// It is a MarkedFolder: a later run removes the folders of runs that were
// killed (RemoveStale), and never one in use or one merely named like ours.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace velkaro {

class FolderHandle;
class MarkedFolder;

class WorkFolder {
 public:
  // A new unique folder; nullopt when none can be created (and then none
  // was left behind).
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
  WorkFolder(std::unique_ptr<FolderHandle> parent, std::unique_ptr<MarkedFolder> folder,
             std::u16string path);
  // The temporary folder, held where the marked folder can rely on it.
  std::unique_ptr<FolderHandle> parent_;
  std::unique_ptr<MarkedFolder> folder_;
  std::u16string path_;
};

}  // namespace velkaro
