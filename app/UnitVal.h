// UnitVal: the folder and file-name values the main window fixes at start-up,
// and where the settings file lives.
#pragma once

#include <QString>

namespace velkaro {

// The executable's folder with a trailing separator.
extern QString AppFolder;
// The work folder for the images drawings carry, with a trailing separator;
// empty when none could be made.
extern QString TempFolder;
// The settings file.
extern QString SettingsFileName;

// Where the settings are read and where they are saved.
struct SettingsFiles {
  QString load;
  QString save;
};

// The executable's path with the extension ".dat" when the executable's
// folder is writable: read and saved there. Otherwise the settings are saved
// under the same file name in the user's configuration folder
// (QStandardPaths::AppConfigLocation) and read from there once that file
// exists; until then a file beside the executable is read when there is one
// (the office's standard settings beside an installed copy).
SettingsFiles SettingsFilesFor(const QString &executablePath, bool executableFolderWritable);
// The same for this program, probing its folder.
SettingsFiles DefaultSettingsFiles();

// Whether a file can be created in the folder (tried, not guessed from
// permission bits, which say nothing of read-only mounts or ACLs).
bool IsFolderWritable(const QString &folder);

}  // namespace velkaro
