// Where the settings file lives: beside the executable when its folder is
// writable, else in the user's configuration folder.
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "AppTests.h"
#include "UnitVal.h"

namespace velkaro::test {
namespace {

class UnitValTest : public QObject {
  Q_OBJECT

 private slots:
  void besideAWritableExecutable() {
    QCOMPARE(SettingsFileNameFor(QStringLiteral("/opt/velkaro/bin/velkaro"), true),
             QDir::toNativeSeparators(QStringLiteral("/opt/velkaro/bin/velkaro.dat")));
    QCOMPARE(SettingsFileNameFor(QStringLiteral("/opt/velkaro/bin/velkaro.exe"), true),
             QDir::toNativeSeparators(QStringLiteral("/opt/velkaro/bin/velkaro.dat")));
  }

  void inTheConfigurationFolderForAReadOnlyExecutable() {
    QVERIFY(QStandardPaths::isTestModeEnabled());
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    const QString name = SettingsFileNameFor(QStringLiteral("/usr/bin/velkaro"), false);
    QCOMPARE(name, QDir::toNativeSeparators(QDir(config).filePath(QStringLiteral("velkaro.dat"))));
    QVERIFY(QFileInfo(config).isDir());  // made, so the settings can be written
  }

  void writabilityIsTried() {
    QTemporaryDir dir;
    QVERIFY(IsFolderWritable(dir.path()));
    QVERIFY(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
    QVERIFY(!IsFolderWritable(dir.filePath(QStringLiteral("missing"))));
  }

  void theDefaultUsesThisProgramsFolder() {
    const QString executable = QCoreApplication::applicationFilePath();
    QCOMPARE(DefaultSettingsFileName(),
             SettingsFileNameFor(executable, IsFolderWritable(QFileInfo(executable).absolutePath())));
  }
};

}  // namespace

std::unique_ptr<QObject> MakeUnitValTest() { return std::make_unique<UnitValTest>(); }

}  // namespace velkaro::test

#include "UnitValTest.moc"
