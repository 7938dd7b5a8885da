// velkaro-screenshot: renders the main window listing a folder (with the map
// in force beside the convert button), the settings dialog, the dialog
// showing the kinds of the selected drawings, the look before a batch, a
// batch running with its 中止 button, the undo of that batch (its confirmation
// and its result), the result of a batch into a read-only
// destination, and the main window previewing an example drawing with one
// text kind highlighted, to PNG files (for `make screenshot`). It runs the real
// windows on a settings file of its own in a temporary folder, so nothing of
// the user's settings is read or written.
//
//   velkaro-screenshot SOURCE_FOLDER OUTPUT_FOLDER
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFile>
#include <QItemSelectionModel>
#include <QMessageBox>
#include <QPushButton>
#include <QProgressBar>
#include <QSplitter>
#include <QTableView>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <algorithm>
#include <cstdio>

#include "AppFont.h"
#include "Desktop.h"
#include "FileListModel.h"
#include "NamedMapsPanel.h"
#include "PreviewPane.h"
#include "ResultView.h"
#include "Unit1.h"
#include "Unit2.h"
#include "plExplorerFolderTree.h"
#include "convert/UnitV.h"

namespace {

bool Save(QWidget *widget, const QString &file);
void Settle(int milliseconds);

// Waits for no click: messages are printed, or, while `captureTo` is set,
// shown as the real message box, saved to that file and closed.
class SilentDesktop final : public velkaro::Desktop {
 public:
  QString captureTo;
  bool captured = false;

  void ShowMessage(QWidget *parent, const QString &text) override {
    Report(text);
    if (captureTo.isEmpty())
      return;
    QMessageBox box(QMessageBox::NoIcon, velkaro::ApplicationTitle(), text, QMessageBox::Ok, parent);
    box.show();
    Settle(300);
    captured = Save(&box, captureTo);
    box.close();
  }
  void ShowError(QWidget *, const QString &text) override { Report(text); }
  bool Confirm(QWidget *parent, const QString &text) override {
    Report(text);
    if (!confirmTo.isEmpty()) {
      QMessageBox box(QMessageBox::Question, velkaro::ApplicationTitle(), text,
                      QMessageBox::Yes | QMessageBox::No, parent);
      box.button(QMessageBox::Yes)->setText(QStringLiteral("はい(&Y)"));
      box.button(QMessageBox::No)->setText(QStringLiteral("いいえ(&N)"));
      box.show();
      Settle(300);
      Save(&box, confirmTo);
      box.close();
      confirmTo.clear();
    }
    return true;
  }
  QString confirmTo;
  void Beep() override {}
  QString ChooseFolder(QWidget *, const QString &, const QString &) override { return {}; }
  QString AskText(QWidget *, const QString &, const QString &, const QString &) override { return {}; }
  QString ChooseFile(QWidget *, const QString &, const QString &, bool) override {
    return fileToChoose;
  }
  QString fileToChoose;
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

  // A first start (no settings file yet) at the default size, the source
  // folder dropped on the list: the columns fit their contents.
  QTemporaryDir work;
  const QString settingsFile = work.filePath(QStringLiteral("velkaro.dat"));
  SilentDesktop desktop;
  velkaro::TForm1 form1({settingsFile, &desktop});
  form1.show();
  form1.SetSourceFolder(source);
  form1.SetDestinationFolder(QDir::toNativeSeparators(work.path()));
  Settle(1500);

  auto *list = form1.findChild<QTableView *>(QStringLiteral("ListView1"));
  const int rows = list ? list->model()->rowCount() : 0;
  for (int row = std::max(0, rows - 2); row < rows; ++row)  // two drawings
    list->selectionModel()->select(list->model()->index(row, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
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

  // The settings dialog without a selection, then with every drawing
  // selected: the kinds of the selection under the map.
  velkaro::TForm2 *dialog = form1.settingsDialog();
  const auto grabDialog = [&](const QString &name, bool accept) {
    QTimer::singleShot(0, &form1, [&, name, accept] {
      // The kinds of the selection are read while the dialog is open.
      SettleUntil([&] { return dialog->windowTitle() == QStringLiteral("変換設定"); }, 10000);
      Settle(200);
      ok = Save(dialog, QDir(output).filePath(name)) && ok;
      if (accept)
        dialog->Button1Click();
      else
        dialog->reject();
    });
    form1.Button2Click();
  };
  list->clearSelection();
  grabDialog(QStringLiteral("settings-dialog.png"), false);
  list->selectAll();
  velkaro::MojiShuMap = {2, 1, 3, 4, 5, 6, 7, 8, 9, 10};  // kinds 1 and 2 trade places
  grabDialog(QStringLiteral("kinds-panel.png"), true);  // the map line shows it from here on

  // The map suggested from a template: the drawings of a partner whose kinds
  // 1 and 2 hold each other's looks (made by converting the examples with
  // that map), the office's plan600.jww as the template.
  {
    const QString partner = work.filePath(QStringLiteral("partner"));
    QDir().mkpath(partner);
    velkaro::MojiShuMap = {2, 1, 3, 4, 5, 6, 7, 8, 9, 10};
    form1.SetDestinationFolder(QDir::toNativeSeparators(partner));
    list->clearSelection();
    for (int row = 0; row < list->model()->rowCount(); ++row) {
      const QString name = list->model()->index(row, 0).data().toString();
      if (name.endsWith(QStringLiteral(".jww")))
        list->selectionModel()->select(list->model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    form1.ButtonTClick();
    SettleUntil([&] { return !form1.batchRunning(); }, 20000);
    form1.resultView()->close();
    velkaro::MojiShuMap = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    form1.SetSourceFolder(QDir::toNativeSeparators(partner));
    SettleUntil([&] { return !form1.isListing(); }, 10000);
    list->selectAll();
    desktop.fileToChoose = QDir(source).filePath(QStringLiteral("plan600.jww"));
    QTimer::singleShot(0, &form1, [&] {
      SettleUntil([&] { return dialog->windowTitle() == QStringLiteral("変換設定"); }, 10000);
      dialog->namedMaps()->SuggestFromTemplate();
      Settle(200);
      ok = Save(dialog, QDir(output).filePath(QStringLiteral("map-suggestion.png"))) && ok;
      dialog->reject();
    });
    form1.Button2Click();
    form1.SetSourceFolder(source);
    SettleUntil([&] { return !form1.isListing(); }, 10000);
  }

  // The look before a batch, and the batch running: 中止 and the progress.
  // The rows convert one after another, each written and flushed; enough of
  // them keep the batch running while it is taken.
  const QString many = work.filePath(QStringLiteral("many"));
  const QString manyDest = work.filePath(QStringLiteral("many-dest"));
  QDir().mkpath(many);
  QDir().mkpath(manyDest);
  const QString largest = QDir(source).filePath(QStringLiteral("plan600.jww"));
  for (int i = 0; i < 600; ++i)
    QFile::copy(largest, QDir(many).filePath(QStringLiteral("plan%1.jww").arg(i, 3, 10, QLatin1Char('0'))));
  form1.SetSourceFolder(QDir::toNativeSeparators(many));
  SettleUntil([&] { return !form1.isListing(); }, 10000);
  form1.SetDestinationFolder(QDir::toNativeSeparators(manyDest));
  list->selectAll();
  desktop.confirmTo = QDir(output).filePath(QStringLiteral("batch-confirmation.png"));
  form1.ButtonTClick();
  SettleUntil([&] { return !form1.batchRunning() || form1.progressBar()->value() >= 3; }, 20000);
  if (form1.batchRunning()) {
    ok = Save(&form1, QDir(output).filePath(QStringLiteral("batch-running.png"))) && ok;
    form1.StopBatch();
  } else {
    std::fprintf(stderr, "velkaro-screenshot: the batch ended before it could be taken\n");
    ok = false;
  }
  SettleUntil([&] { return !form1.batchRunning(); }, 60000);
  form1.resultView()->close();

  // 元に戻す for that batch: the confirmation naming it, and what became of
  // each file it wrote.
  desktop.confirmTo = QDir(output).filePath(QStringLiteral("undo-confirmation.png"));
  form1.UndoClick();
  SettleUntil([&] { return !form1.batchRunning(); }, 20000);
  Settle(300);
  ok = Save(form1.resultView(), QDir(output).filePath(QStringLiteral("undo-result.png"))) && ok;
  form1.resultView()->close();

  // A batch into a read-only destination: the result lists each file and why.
  form1.SetSourceFolder(source);
  SettleUntil([&] { return !form1.isListing(); }, 10000);
  const QString readOnly = work.filePath(QStringLiteral("read-only"));
  QDir().mkpath(readOnly);
  QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                      QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                                      QFileDevice::ReadOther | QFileDevice::ExeOther);
  form1.SetDestinationFolder(QDir::toNativeSeparators(readOnly));
  list->clearSelection();
  const int shown = list->model()->rowCount();
  for (int row = std::max(0, shown - 3); row < shown; ++row)
    list->selectionModel()->select(list->model()->index(row, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
  form1.ButtonTClick();
  SettleUntil([&] { return !form1.batchRunning(); }, 20000);
  QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  velkaro::ResultView *result = form1.resultView();
  Settle(300);
  if (result->isVisible() && !result->resultText().contains(QStringLiteral("変換できませんでした"))) {
    // Root writes into a read-only folder: no failure to show.
    std::fprintf(stderr, "velkaro-screenshot: batch-failure.png not made: the read-only "
                         "destination was written (running as root?)\n");
    ok = false;
  } else {
    ok = Save(result, QDir(output).filePath(QStringLiteral("batch-failure.png"))) && ok;
  }
  result->close();

  // The preview of an example drawing with the texts of kind 3 highlighted.
  form1.resize(1000, 760);
  if (auto *split = form1.findChild<QSplitter *>(QStringLiteral("PreviewSplitter")))
    split->setSizes({250, 400});
  velkaro::PreviewPane *pane = form1.previewPane();
  const auto &listed = form1.fileListModel()->rows();
  int planRow = -1;
  for (std::size_t i = 0; i < listed.size(); ++i)
    if (listed[i].caption == u"plan600.jww")
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
