// Where the window's diagnostics go: on Windows, with no console, into the
// log file (a console opened for them once ended the window with it).
#include <QFile>
#include <QTest>
#include <memory>

#include "AppTests.h"
#include "DiagnosticsLog.h"

namespace velkaro::test {
namespace {

class DiagnosticsLogTest : public QObject {
  Q_OBJECT

 private slots:
  void warningsGoToTheLogFile() {
#ifdef Q_OS_WIN
    const QString path = DiagnosticsLogPath();
    QVERIFY(path.endsWith(QStringLiteral("/velkaro.log")));
    QFile::remove(path);
    InstallDiagnosticsLog();
    qWarning("フォント %s が見つかりません", "Tahoma");
    qInstallMessageHandler(nullptr);
    QFile log(path);
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    QVERIFY2(text.contains(QStringLiteral("warning: フォント Tahoma が見つかりません\r\n")),
             qPrintable(text));
#else
    QVERIFY(DiagnosticsLogPath().isEmpty());  // stderr stays where it is
#endif
  }
};

}  // namespace

std::unique_ptr<QObject> MakeDiagnosticsLogTest() { return std::make_unique<DiagnosticsLogTest>(); }

}  // namespace velkaro::test

#include "DiagnosticsLogTest.moc"
