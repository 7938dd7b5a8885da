// The test program of the desktop application: runs one test class (its name
// the first argument; the rest goes to QTest) or, without arguments, all.
#include <QApplication>
#include <QStandardPaths>
#include <QTest>
#include <cstring>
#include <functional>
#include <map>
#include <memory>

#include "AppFont.h"
#include "AppTests.h"

int main(int argc, char *argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("Velkaro"));
  QStandardPaths::setTestModeEnabled(true);
  velkaro::InstallApplicationFont();

  const std::map<std::string, std::function<std::unique_ptr<QObject>()>> classes = {
      {"MainWindowTest", velkaro::test::MakeMainWindowTest},
      {"FolderTreeTest", velkaro::test::MakeFolderTreeTest},
      {"SettingsDialogTest", velkaro::test::MakeSettingsDialogTest},
      {"FileListModelTest", velkaro::test::MakeFileListModelTest},
      {"UnitValTest", velkaro::test::MakeUnitValTest},
      {"PreviewPaneTest", velkaro::test::MakePreviewPaneTest},
      {"DiagnosticsLogTest", velkaro::test::MakeDiagnosticsLogTest},
  };
  int failures = 0;
  if (argc > 1 && classes.count(argv[1])) {
    std::unique_ptr<QObject> test = classes.at(argv[1])();
    argv[1] = argv[0];
    return QTest::qExec(test.get(), argc - 1, argv + 1);
  }
  for (const auto &[name, make] : classes) {
    std::unique_ptr<QObject> test = make();
    failures += QTest::qExec(test.get(), argc, argv);
  }
  return failures == 0 ? 0 : 1;
}
