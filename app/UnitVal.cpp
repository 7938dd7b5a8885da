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

QString SettingsFileNameFor(const QString &executablePath, bool executableFolderWritable) {
  const QString besideExecutable = QDir::toNativeSeparators(QString::fromStdU16String(
      ReplaceExt(QDir::toNativeSeparators(executablePath).toStdU16String(), u".dat")));
  if (executableFolderWritable)
    return besideExecutable;
  const QString configFolder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
  QDir().mkpath(configFolder);
  return QDir::toNativeSeparators(QDir(configFolder).filePath(QFileInfo(besideExecutable).fileName()));
}

QString DefaultSettingsFileName() {
  const QString executable = QCoreApplication::applicationFilePath();
  return SettingsFileNameFor(executable, IsFolderWritable(QFileInfo(executable).absolutePath()));
}

bool IsFolderWritable(const QString &folder) {
  QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".velkaro-probe-XXXXXX")));
  return probe.open();
}

}  // namespace velkaro
