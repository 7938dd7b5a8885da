// UnitVal: AppFolder, TempFolder, SettingsFileName.
#include "UnitVal.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include "support/Func_2.h"

namespace velkaro {

QString AppFolder;
QString TempFolder;
QString SettingsFileName;

SettingsFiles SettingsFilesFor(const QString &executablePath, bool executableFolderWritable) {
  const QString besideExecutable = QDir::toNativeSeparators(QString::fromStdU16String(
      ReplaceExt(QDir::toNativeSeparators(executablePath).toStdU16String(), u".dat")));
  if (executableFolderWritable)
    return {besideExecutable, besideExecutable};
  const QString configFolder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
  QDir().mkpath(configFolder);
  const QString own =
      QDir::toNativeSeparators(QDir(configFolder).filePath(QFileInfo(besideExecutable).fileName()));
  const bool readBeside = !QFileInfo::exists(own) && QFileInfo::exists(besideExecutable);
  return {readBeside ? besideExecutable : own, own};
}

SettingsFiles DefaultSettingsFiles() {
  const QString executable = QCoreApplication::applicationFilePath();
  return SettingsFilesFor(executable, IsFolderWritable(QFileInfo(executable).absolutePath()));
}

bool IsFolderWritable(const QString &folder) {
  QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".velkaro-probe-XXXXXX")));
  return probe.open();
}

}  // namespace velkaro
