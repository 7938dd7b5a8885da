// DiagnosticsLog: Qt's message handler for the window program on Windows.
#include "DiagnosticsLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>
#include <QtGlobal>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace velkaro {

#ifdef Q_OS_WIN

namespace {

QMutex gLogMutex;
QFile *gLog = nullptr;  // opened at the first message; lives to the end

void WriteDiagnostic(QtMsgType type, const QMessageLogContext &context, const QString &message) {
  const QString line = qFormatLogMessage(type, context, message) + QStringLiteral("\r\n");
  OutputDebugStringW(reinterpret_cast<const wchar_t *>(line.utf16()));
  QMutexLocker lock(&gLogMutex);
  if (!gLog) {
    const QString path = DiagnosticsLogPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    gLog = new QFile(path);
    if (!gLog->open(QIODevice::WriteOnly | QIODevice::Append))
      return;  // the debugger still has it
  }
  if (gLog->isOpen()) {
    gLog->write(line.toUtf8());
    gLog->flush();
  }
}

}  // namespace

void InstallDiagnosticsLog() {
  qSetMessagePattern(QStringLiteral("%{time yyyy-MM-dd hh:mm:ss} %{type}: %{message}"));
  qInstallMessageHandler(WriteDiagnostic);
}

QString DiagnosticsLogPath() {
  return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
         QStringLiteral("/velkaro.log");
}

#else

void InstallDiagnosticsLog() {}

QString DiagnosticsLogPath() { return QString(); }

#endif

}  // namespace velkaro
