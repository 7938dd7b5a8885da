// Where the settings file lives: beside the executable when its folder is
// writable, else in the user's configuration folder.
#include <QDir>
#include <QFile>
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
    for (const QString &executable : {QStringLiteral("/opt/velkaro/bin/velkaro"),
                                      QStringLiteral("/opt/velkaro/bin/velkaro.exe")}) {
      const SettingsFiles files = SettingsFilesFor(executable, true);
      QCOMPARE(files.load, QDir::toNativeSeparators(QStringLiteral("/opt/velkaro/bin/velkaro.dat")));
      QCOMPARE(files.save, files.load);
    }
  }

  // A read-only program saves in the user's folder; it reads the office's
  // file beside it until the user has a file of their own.
  void aReadOnlyProgramReadsBesideItAndSavesInTheConfigurationFolder() {
    QVERIFY(QStandardPaths::isTestModeEnabled());
    QTemporaryDir program;
    const QString executable = program.filePath(QStringLiteral("velkaro"));
    const QString beside = QDir::toNativeSeparators(program.filePath(QStringLiteral("velkaro.dat")));
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    const QString own = QDir::toNativeSeparators(QDir(config).filePath(QStringLiteral("velkaro.dat")));
    QFile::remove(own);

    const struct {
      bool besideExists, ownExists;
      QString load;
    } cases[] = {{false, false, own}, {true, false, beside}, {true, true, own}, {false, true, own}};
    for (const auto &c : cases) {
      QFile::remove(beside);
      QFile::remove(own);
      if (c.besideExists)
        QVERIFY(QFile(beside).open(QIODevice::WriteOnly));
      if (c.ownExists)
        QVERIFY(QFile(own).open(QIODevice::WriteOnly));
      const SettingsFiles files = SettingsFilesFor(executable, false);
      QCOMPARE(files.load, c.load);
      QCOMPARE(files.save, own);
      QVERIFY(QFileInfo(config).isDir());  // made, so the settings can be written
    }
    QFile::remove(own);
  }

  void writabilityIsTried() {
    QTemporaryDir dir;
    QVERIFY(IsFolderWritable(dir.path()));
    QVERIFY(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
    QVERIFY(!IsFolderWritable(dir.filePath(QStringLiteral("missing"))));
  }

  void theDefaultUsesThisProgramsFolder() {
    const QString executable = QCoreApplication::applicationFilePath();
    const SettingsFiles expected =
        SettingsFilesFor(executable, IsFolderWritable(QFileInfo(executable).absolutePath()));
    QCOMPARE(DefaultSettingsFiles().load, expected.load);
    QCOMPARE(DefaultSettingsFiles().save, expected.save);
  }
};

}  // namespace

std::unique_ptr<QObject> MakeUnitValTest() { return std::make_unique<UnitValTest>(); }

}  // namespace velkaro::test

#include "UnitValTest.moc"
