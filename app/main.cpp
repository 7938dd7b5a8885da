// velkaro: the desktop application. No options: everything it keeps is in
// the settings file.
#include <QApplication>

#include "AppFont.h"
#include "DiagnosticsLog.h"
#include "Translations.h"
#include "Unit1.h"

int main(int argc, char *argv[]) {
  QApplication application(argc, argv);
  // The application title of the message boxes and the name of the
  // configuration folder. Left as the application name rather than set as
  // the display name, which Qt would append to every window title.
  QCoreApplication::setApplicationName(QStringLiteral("Velkaro"));
  QCoreApplication::setApplicationVersion(QStringLiteral("1.10"));
  // No console on Windows: Qt's warnings go to a log file instead.
  velkaro::InstallDiagnosticsLog();
  velkaro::InstallApplicationFont();
  // The whole interface is Japanese, the standard dialogs included.
  velkaro::InstallQtTranslation(application, velkaro::QtTranslationFolders());

  velkaro::TForm1 form1;
  form1.show();
  return QApplication::exec();
}
