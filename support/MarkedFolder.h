// MarkedFolder: a private folder that carries the proof that a run of ours
// made it, and the removal of such folders whose run is gone.
//
// A kill or a power cut leaves behind whatever a run had in the making: the
// temporary files of the atomic writer, the work folders with extracted
// images. A later run may remove them only when it can prove they are ours;
// a name is no proof (a user may call a folder anything). So each is a folder
// that holds, from its creation on, a marker file naming the folder's own
// identity, owned by us and locked for as long as its run lives. A copy of
// such a folder, another user's, a link or anything without that marker is
// never touched, and nothing is ever removed recursively: only the plain
// files directly inside a proven folder, then the folder when it is empty.
// A run killed while it made a folder can leave it empty, or holding a
// marker cut short and nothing else; such a folder of ours goes too, since
// nothing is lost with it.
#pragma once

#include <cstdint>
#include <string>

#include "support/FolderHandle.h"

namespace velkaro {

class MarkedFolder {
 public:
  MarkedFolder() = default;
  ~MarkedFolder();  // removes the folder
  MarkedFolder(const MarkedFolder &) = delete;
  MarkedFolder &operator=(const MarkedFolder &) = delete;

  enum class Made { Yes, NameTaken, Failed };
  // Makes the folder `name` in `parent` (owner only), writes its marker and
  // locks it. A folder that cannot be finished is removed at once. `parent`
  // must outlive this object.
  Made create(const FolderHandle &parent, const std::u16string &name);
  bool isOpen() const { return folder_.isOpen(); }
  // The folder itself, for creating and renaming the entries in it.
  const FolderHandle &folder() const { return folder_; }
  const std::u16string &name() const { return name_; }

  // Removes the plain files in the folder, its marker and the folder. What
  // is no plain file (a folder someone made inside) stays, and so does the
  // folder then.
  void remove();
  // Lets go of the folder as a killed process would: handles closed,
  // nothing removed.
  void abandonForTesting();

 private:
  const FolderHandle *parent_ = nullptr;
  std::u16string name_;
  FolderHandle folder_;
  bool marked_ = false;
  std::intptr_t marker_ = -1;  // Windows: the marker held open, the lock
};

// The marker's name inside a marked folder.
extern const char16_t kFolderMarkerName[];

// Removes the folder `name` of `parent` when it proves to be a marked folder
// of ours whose run is gone: owned by us, its marker naming this very folder
// and not locked (or, unlocked, empty but for a marker cut short). True when
// it was removed.
bool RemoveAbandonedFolder(const FolderHandle &parent, const std::u16string &name);

}  // namespace velkaro
