// velkaro-screenshot: renders the main window listing a folder, the
// settings dialog, and the main window previewing an example drawing with
// one text kind highlighted, to PNG files (for `make screenshot`). It runs the real
// windows on a settings file of its own in a temporary folder, so nothing of
// the user's settings is read or written.
//
//   velkaro-screenshot SOURCE_FOLDER OUTPUT_FOLDER
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QSplitter>
#include <QTableView>
#include <QTemporaryDir>
#include <QThread>
#include <QToolButton>
#include <QTreeView>
#include <cstdio>

#include "AppFont.h"
#include "Desktop.h"
#include "FileListModel.h"
#include "PreviewPane.h"
#include "Unit1.h"
#include "Unit2.h"
#include "plExplorerFolderTree.h"
#include "service/SettingsFile.h"

namespace {

// Shows nothing: a screenshot run must never wait for a click.
class SilentDesktop final : public velkaro::Desktop {
 public:
  void ShowMessage(QWidget *, const QString &text) override { Report(text); }
  void ShowError(QWidget *, const QString &text) override { Report(text); }
  void Beep() override {}
  QString ChooseFolder(QWidget *, const QString &, const QString &) override { return {}; }
  bool OpenFile(const QString &) override { return false; }

 private:
  static void Report(const QString &text) {
    std::fprintf(stderr, "velkaro-screenshot: message: %s\n", text.toLocal8Bit().constData());
  }
};

// Lets the folder tree load in the background for a moment.
void Settle(int milliseconds) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < milliseconds) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(10);
  }
}

// Runs the event loop until `ready` holds or `milliseconds` have passed.
template <typename F>
bool SettleUntil(F ready, int milliseconds) {
  QElapsedTimer clock;
  clock.start();
  while (!ready() && clock.elapsed() < milliseconds) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(10);
  }
  return ready();
}

bool Save(QWidget *widget, const QString &file) {
  widget->repaint();
  if (!widget->grab().save(file)) {
    std::fprintf(stderr, "velkaro-screenshot: cannot write %s\n", file.toLocal8Bit().constData());
    return false;
  }
  std::printf("%s\n", QDir::toNativeSeparators(file).toLocal8Bit().constData());
  return true;
}

}  // namespace

int main(int argc, char *argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("Velkaro"));
  velkaro::InstallApplicationFont();

  const QStringList arguments = QCoreApplication::arguments();
  if (arguments.size() != 3) {
    std::fprintf(stderr, "usage: velkaro-screenshot SOURCE_FOLDER OUTPUT_FOLDER\n");
    return 2;
  }
  const QString source = QDir::toNativeSeparators(QFileInfo(arguments[1]).absoluteFilePath());
  const QString output = QFileInfo(arguments[2]).absoluteFilePath();
  if (!QFileInfo(source).isDir() || !QDir().mkpath(output)) {
    std::fprintf(stderr, "velkaro-screenshot: no folder %s, or cannot make %s\n",
                 source.toLocal8Bit().constData(), output.toLocal8Bit().constData());
    return 2;
  }

  QTemporaryDir work;
  const QString settingsFile = work.filePath(QStringLiteral("velkaro.dat"));
  velkaro::TSettings settings;
  settings.Width = 760;
  settings.Height = 520;
  settings.Panel1Width = 220;
  settings.preFolder = source.toStdU16String();
  settings.destFolder = QDir::toNativeSeparators(work.filePath(QStringLiteral("out"))).toStdU16String();
  settings.columnWidths = {120, 48, 150, 130, 64, 44};
  velkaro::SaveSettings(settingsFile.toStdU16String(), settings);

  SilentDesktop desktop;
  velkaro::TForm1 form1({settingsFile, &desktop});
  form1.show();
  Settle(1500);

  auto *list = form1.findChild<QTableView *>(QStringLiteral("ListView1"));
  if (list && list->model()->rowCount() > 1) {
    list->selectionModel()->select(list->model()->index(0, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    list->selectionModel()->select(list->model()->index(1, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  // The preview of the first selected row, once drawn.
  SettleUntil(
      [&] {
        const velkaro::PreviewPane *pane = form1.previewPane();
        return pane->state() == velkaro::PreviewPane::State::Note ||
               (pane->state() == velkaro::PreviewPane::State::Shown &&
                pane->canvas()->pictureCurrent());
      },
      5000);
  bool ok = Save(&form1, QDir(output).filePath(QStringLiteral("main-window.png")));

  velkaro::TForm2 *dialog = form1.settingsDialog();
  dialog->show();
  Settle(200);
  ok = Save(dialog, QDir(output).filePath(QStringLiteral("settings-dialog.png"))) && ok;
  dialog->hide();

  // The preview of an example drawing with the texts of kind 3 highlighted.
  form1.resize(1000, 760);
  if (auto *split = form1.findChild<QSplitter *>(QStringLiteral("PreviewSplitter")))
    split->setSizes({250, 400});
  velkaro::PreviewPane *pane = form1.previewPane();
  const auto &rows = form1.fileListModel()->rows();
  int planRow = -1;
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (rows[i].caption == u"plan600.jww")
      planRow = static_cast<int>(i);
  if (list && planRow >= 0) {
    list->selectionModel()->select(list->model()->index(planRow, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    const bool shown = SettleUntil(
        [&] { return pane->state() == velkaro::PreviewPane::State::Shown; }, 10000);
    if (shown)
      pane->legendButton(3)->click();
    if (!shown || !SettleUntil([&] { return pane->canvas()->pictureCurrent(); }, 10000)) {
      std::fprintf(stderr, "velkaro-screenshot: the preview was not ready: %s\n",
                   pane->note().toLocal8Bit().constData());
      ok = false;
    }
    ok = Save(&form1, QDir(output).filePath(QStringLiteral("main-window-preview.png"))) && ok;
  } else {
    std::fprintf(stderr, "velkaro-screenshot: no plan600.jww in the source folder\n");
    ok = false;
  }
  return ok ? 0 : 1;
}
