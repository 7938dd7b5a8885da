// The main window driven as a user drives it: start-up without settings, the
// tree selecting folders, the file-type box, sorting clicks, the refusals and
// messages of the conversion, a conversion end to end, the double-click
// checks, the settings dialog, the settings across two window lifetimes and
// the shutdown.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QScreen>
#include <QStyleOptionComboBox>
#include <QUrl>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTableWidget>
#include <QLibraryInfo>
#include <QImage>
#include <QDragEnterEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <memory>

#include "AppTestSupport.h"
#include "AppTests.h"
#include "UndoButton.h"
#include "ElidedLabel.h"
#include "FileListModel.h"
#include "KindsPanel.h"
#include "Translations.h"
#include "Unit1.h"
#include "Unit2.h"
#include "UnitVal.h"
#include "MapLine.h"
#include "ResultView.h"
#include "service/SettingsFile.h"
#include "service/WindowOptions.h"
#include "service/WindowPlacement.h"
#include "convert/UnitV.h"
#include "support/MarkedFolder.h"
#include "plExplorerFolderTree.h"

namespace velkaro::test {
namespace {

const QString kNoDestination = QStringLiteral("保存先フォルダを指示して下さい。");
const QString kDestinationMissing = QStringLiteral("保存先フォルダが存在しません。");
const QString kSameFolder = QStringLiteral("保存先フォルダは参照フォルダと同じにしないで下さい。");

QString Listed(int n) {
  return QStringLiteral("ファイル検索しました（ファイル数：%1）").arg(n);
}

QString Converted(int n) { return QStringLiteral("%1個のファイルを変換しました。").arg(n); }

QString Unsupported(const QString &name, const QString &ext) {
  return QStringLiteral("このファイル拡張子（種類）の変換には対応していません。\r\nファイル名：") +
         name + QStringLiteral("\r\n　　拡張子：") + ext;
}

QString Native(const QString &path) { return QDir::toNativeSeparators(path); }

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  // A window on a settings file of its own, shown.
  std::unique_ptr<TForm1> Start(const QString &settingsFile) {
    auto form = std::make_unique<TForm1>(TForm1Options{settingsFile, &desktop_});
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
      qWarning("window not exposed");
    if (!QTest::qWaitFor([&] { return !form->isListing(); }, 10000))
      qWarning("the first listing did not end");
    return form;
  }
  std::unique_ptr<TForm1> Start() { return Start(settingsFile()); }

  QString settingsFile() const { return settingsDir_->filePath(QStringLiteral("velkaro.dat")); }

  // Writes a settings file through the product's format: a started window
  // closed after the source and destination folders were set.
  void WriteSettings(const QString &source, const QString &dest) {
    auto form = Start();
    SelectInTree(*form, source);
    QTRY_COMPARE(form->preFolder(), Native(source));
    desktop_.folderToChoose = Native(dest);
    button(*form, "Button1")->click();
    form->close();
    desktop_.clear();
  }

  // Selects the folder in the tree as a user does (not by writing SelectFolder),
  // and waits for the window to list it.
  static void SelectInTree(TForm1 &form, const QString &folder) {
    QTreeView *view = form.folderTree()->treeView();
    const QModelIndex index = form.folderTree()->fileSystemModel()->index(folder);
    QVERIFY(index.isValid());
    view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    QTRY_COMPARE(form.preFolder(), Native(folder));
    WaitForRows(form);
  }

  // The listing and the batch run off the window's thread: wait for them.
  static void WaitForRows(TForm1 &form) { QTRY_VERIFY_WITH_TIMEOUT(!form.isListing(), 10000); }
  static void Convert(TForm1 &form) {
    button(form, "ButtonT")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!form.batchRunning(), 30000);
  }
  // The result view's rows: name, outcome, reason.
  static QList<QStringList> Results(const TForm1 &form) {
    QList<QStringList> rows;
    const QTableWidget *table = form.resultView()->table();
    for (int r = 0; r < table->rowCount(); ++r)
      rows << QStringList{table->item(r, 0)->text(), table->item(r, 1)->text(),
                          table->item(r, 2)->text()};
    return rows;
  }

  template <typename T>
  static T *child(const TForm1 &form, const char *name) {
    return form.findChild<T *>(QString::fromLatin1(name));
  }
  static QPushButton *button(const TForm1 &form, const char *name) {
    return child<QPushButton>(form, name);
  }
  static QTableView *list(const TForm1 &form) { return child<QTableView>(form, "ListView1"); }
  static QStringList captions(const TForm1 &form) {
    QStringList names;
    for (const ListRow &row : form.fileListModel()->rows())
      names << QString::fromStdU16String(row.caption);
    return names;
  }
  static int rowOf(const TForm1 &form, const QString &caption) {
    return static_cast<int>(captions(form).indexOf(caption));
  }
  static void ClickHeader(const TForm1 &form, int column) {
    QHeaderView *header = list(form)->horizontalHeader();
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(x, header->height() / 2));
  }
  static void SelectRows(TForm1 &form, const QStringList &names) {
    QTableView *view = list(form);
    view->clearSelection();
    for (const QString &name : names) {
      const int row = rowOf(form, name);
      QVERIFY2(row >= 0, qPrintable(name));
      ClickRow(view, row, Qt::ControlModifier);
    }
  }

  QString folder(const QString &name) {
    const QString path = workDir_->filePath(name);
    QDir().mkpath(path);
    return path;
  }

  // A folder (or file) dragged from a file manager and dropped on `target`;
  // whether the drop was taken.
  static bool Drop(QWidget *target, const QString &path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
      return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    return drop.isAccepted();
  }

  // Which way the sort arrow of a section points: 1 down, -1 up, 0 none
  // (the widest row of its dark pixels is at its top for a downward arrow).
  static int ArrowDirection(QHeaderView &header, int section) {
    const QImage image = header.grab().toImage();
    const int left = header.sectionViewportPosition(section);
    const int right = left + header.sectionSize(section);
    // The text is at the left; the arrow in the right part of the section.
    const int from = left + header.fontMetrics().horizontalAdvance(
                                header.model()->headerData(section, Qt::Horizontal).toString()) + 12;
    std::vector<std::pair<int, int>> rows;  // (y, dark pixels)
    for (int y = 0; y < image.height(); ++y) {
      int dark = 0;
      for (int x = from; x < right - 1; ++x)
        dark += qGray(image.pixel(x, y)) < 160 ? 1 : 0;
      if (dark > 0)
        rows.push_back({y, dark});
    }
    if (rows.size() < 2)
      return 0;
    return rows.front().second > rows.back().second ? 1 : (rows.front().second < rows.back().second ? -1 : 0);
  }

  RecordingDesktop desktop_;
  std::unique_ptr<QTemporaryDir> settingsDir_;
  std::unique_ptr<QTemporaryDir> workDir_;

 private slots:
  void init() {
    desktop_ = RecordingDesktop();
    settingsDir_ = std::make_unique<QTemporaryDir>();
    workDir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(settingsDir_->isValid() && workDir_->isValid());
    ResetMojiShuMap();
  }

  void firstStartWithoutSettingsFile() {
    QVERIFY(!QFile::exists(settingsFile()));
    auto form = Start();
    QCOMPARE(form->windowTitle(), QStringLiteral("Velkaro Ver.1.10"));
    QCOMPARE(form->pos(), QPoint(64, 64));
    QCOMPARE(form->size(), QSize(600, 520));
    // 200 px for the tree, unless the platform's font makes the right-hand
    // side need more of the 600 (Wine's wide fallback font does).
    const auto *splitter = child<QSplitter>(*form, "Splitter1");
    const int treeRoom = splitter->width() - splitter->handleWidth() -
                         child<QWidget>(*form, "Panel2")->minimumSizeHint().width();
    QCOMPARE(child<QWidget>(*form, "Panel1")->width(), std::min(200, treeRoom));
    QCOMPARE(child<QComboBox>(*form, "ComboBox1")->currentText(), QStringLiteral("ALL Files (*.*)"));
    QCOMPARE(child<QLabel>(*form, "Label1")->text(), QStringLiteral("参照フォルダ："));
    QCOMPARE(child<QLineEdit>(*form, "Edit1")->text(), QString());
    QCOMPARE(form->preFolder(), QString());
    QCOMPARE(form->fileListModel()->rowCount(), 0);
    QCOMPARE(form->statusText(), QString());  // nothing is searched: no "searching" for ever
    QVERIFY(form->folderTree()->SelectFolder().isEmpty());
    QVERIFY(child<QTimer>(*form, "Timer1")->isActive());
    QCOMPARE(child<QTimer>(*form, "Timer1")->interval(), 200);
    QCOMPARE(form->Sort1(), -1);
    QCOMPARE(form->Sort2(), 0);
    QVERIFY(form->hasDrawingData());
    QVERIFY(QFileInfo(TempFolder).isDir());
    QCOMPARE(SettingsFileName, settingsFile());
    for (int k = 0; k < 10; ++k)
      QCOMPARE(MojiShuMap[static_cast<std::size_t>(k)], k + 1);
  }

  void componentsCaptionsAndTabOrder() {
    auto form = Start();
    const std::pair<const char *, const char *> captionsOf[] = {
        {"Button1", "保存先フォルダ"}, {"Button2", "変換設定(&S)"}, {"ButtonT", "変換 (&T)"},
        {"ButtonX", "終了 (&X)"}};
    for (const auto &[name, caption] : captionsOf)
      QCOMPARE(button(*form, name)->text(), QString::fromUtf8(caption));
    QCOMPARE(child<QLabel>(*form, "Label2")->text(), QStringLiteral("ファイルの種類："));
    QCOMPARE(child<QLabel>(*form, "Label3")->text(), QStringLiteral("※変換対象は"));
    QCOMPARE(child<QLabel>(*form, "Label4")->text(), QStringLiteral("JWW/JWCのみ"));
    for (const char *name : {"Panel1", "Panel2", "Panel3", "Splitter1", "StatusBar1", "ListView1"})
      QVERIFY2(child<QWidget>(*form, name), name);
    QCOMPARE(child<QWidget>(*form, "Panel3")->height(), 80);

    auto *types = child<QComboBox>(*form, "ComboBox1");
    const QStringList entries = {QStringLiteral("ALL Files (*.*)"),
                                 QStringLiteral("Jw_cad ファイル (*.jw?)"),
                                 QStringLiteral("Jw_cad 図面ファイル (*.jww)"),
                                 QStringLiteral("Jw_cad 図形ファイル (*.jws)"),
                                 QStringLiteral("JW_CAD 図面ファイル (*.jwc)"),
                                 QStringLiteral("JW_CAD 図形ファイル (*.jwk)"),
                                 QStringLiteral("JWW/JWC（変換対象）")};
    QCOMPARE(types->count(), entries.size());
    for (int i = 0; i < types->count(); ++i)
      QCOMPARE(types->itemText(i), entries[i]);
    QVERIFY(!types->isEditable());

    auto *edit = child<QLineEdit>(*form, "Edit1");
    QVERIFY(!edit->isReadOnly());  // a path may be typed or pasted

    QTableView *view = list(*form);
    const QStringList headers = {QStringLiteral("ファイル名"), QStringLiteral("種類"),
                                 QStringLiteral("図面メモ"), QStringLiteral("更新日時"),
                                 QStringLiteral("サイズ"), QStringLiteral("Ver.")};
    for (int c = 0; c < headers.size(); ++c)
      QCOMPARE(view->model()->headerData(c, Qt::Horizontal).toString(), headers[c]);
    QVERIFY(view->showGrid());
    QCOMPARE(view->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(view->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(view->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(!view->isSortingEnabled());

    // Tab reaches every control of Panel3, the destination box included,
    // top to bottom and left to right, then the list.
    QWidget *w = types;
    QStringList order;
    for (int i = 0; i < 7; ++i, w = w->nextInFocusChain()) {
      while (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisible())
        w = w->nextInFocusChain();
      order << w->objectName();
    }
    QCOMPARE(order, QStringList({QStringLiteral("ComboBox1"), QStringLiteral("Button1"),
                                 QStringLiteral("Edit1"), QStringLiteral("Button2"),
                                 QStringLiteral("ButtonT"), QStringLiteral("ButtonX"),
                                 QStringLiteral("ListView1")}));
  }

  void treeSelectionRelistsWithinATick() {
    const QString source = folder(QStringLiteral("source"));
    QVERIFY(WriteFile(source + QStringLiteral("/a.jww"), JwwDrawing(700, u"A B", {1})));
    QVERIFY(WriteFilled(source + QStringLiteral("/c.txt"), 10));
    QDir().mkpath(source + QStringLiteral("/sub"));
    auto form = Start();

    SelectInTree(*form, source);
    QTRY_COMPARE(form->preFolder(), Native(source));
    QCOMPARE(child<QLabel>(*form, "Label1")->text(), QStringLiteral("参照フォルダ：") + Native(source));
    QCOMPARE(form->fileListModel()->rowCount(), 2);
    QCOMPARE(form->statusText(), Listed(2));
    const ListRow &a = form->fileListModel()->row(rowOf(*form, QStringLiteral("a.jww")));
    QCOMPARE(a.subItems[0], std::u16string(u".jww"));
    QCOMPARE(a.subItems[1], std::u16string(u"AB"));
    QCOMPARE(a.subItems[4], std::u16string(u"700"));

    // Selecting the folder that is shown already does not relist: a file
    // added since stays unlisted however often the timer polls.
    QVERIFY(WriteFilled(source + QStringLiteral("/d.txt"), 1));
    SelectInTree(*form, source);
    form->Timer1Timer();
    form->Timer1Timer();
    QCOMPARE(form->fileListModel()->rowCount(), 2);
    QVERIFY(child<QTimer>(*form, "Timer1")->isActive());

    // Another folder, and back: both relist.
    const QString other = folder(QStringLiteral("other"));
    SelectInTree(*form, other);
    QTRY_COMPARE(form->preFolder(), Native(other));
    QCOMPARE(form->fileListModel()->rowCount(), 0);
    QCOMPARE(form->statusText(), Listed(0));
    SelectInTree(*form, source);
    QTRY_COMPARE(form->fileListModel()->rowCount(), 3);
  }

  void startUpSelectsTheSourceFolderWithoutRelisting() {
    const QString source = folder(QStringLiteral("source"));
    QVERIFY(WriteFilled(source + QStringLiteral("/a.txt"), 1));
    WriteSettings(source, folder(QStringLiteral("dest")));

    auto form = Start();
    QCOMPARE(form->preFolder(), Native(source));
    QCOMPARE(form->fileListModel()->rowCount(), 1);
    QCOMPARE(form->folderTree()->SelectedItemPath(), Native(source));
    QVERIFY(form->folderTree()->SelectFolder().isEmpty());
    QCOMPARE(child<QLineEdit>(*form, "Edit1")->text(), Native(workDir_->filePath(QStringLiteral("dest"))));
  }

  void fileTypeBoxRelists() {
    const QString source = folder(QStringLiteral("source"));
    QVERIFY(WriteFile(source + QStringLiteral("/a.jww"), JwwDrawing(600, u"m", {1})));
    QVERIFY(WriteFilled(source + QStringLiteral("/b.txt"), 3));
    QVERIFY(WriteFilled(source + QStringLiteral("/c.jws"), 3));
    WriteSettings(source, folder(QStringLiteral("dest")));
    auto form = Start();
    QCOMPARE(form->fileListModel()->rowCount(), 3);

    auto *types = child<QComboBox>(*form, "ComboBox1");
    types->setFocus();
    QTest::keyClick(types, Qt::Key_Down);  // "Jw_cad ファイル (*.jw?)"
    QCOMPARE(types->currentIndex(), 1);
    WaitForRows(*form);
    QCOMPARE(captions(*form).size(), 2);
    QTest::keyClick(types, Qt::Key_Down);  // "Jw_cad 図面ファイル (*.jww)"
    WaitForRows(*form);
    QCOMPARE(captions(*form), QStringList({QStringLiteral("a.jww")}));
    QCOMPARE(form->statusText(), Listed(1));
    QVERIFY(child<QTimer>(*form, "Timer1")->isActive());
  }

  void fileTypeChangeWithoutSourceKeepsPolling() {
    auto form = Start();
    auto *types = child<QComboBox>(*form, "ComboBox1");
    types->setFocus();
    QTest::keyClick(types, Qt::Key_Down);
    WaitForRows(*form);
    QCOMPARE(form->statusText(), QString());
    QVERIFY(child<QTimer>(*form, "Timer1")->isActive());
    const QString source = folder(QStringLiteral("source"));
    QVERIFY(WriteFile(source + QStringLiteral("/a.jww"), JwwDrawing(600, u"m", {1})));
    SelectInTree(*form, source);
    QTRY_COMPARE(form->fileListModel()->rowCount(), 1);
  }

  void sortingClicksAlternate() {
    const QString source = folder(QStringLiteral("source"));
    QVERIFY(WriteFilled(source + QStringLiteral("/a.jww"), 1000));
    QVERIFY(WriteFilled(source + QStringLiteral("/b.JWC"), 900));
    QVERIFY(WriteFilled(source + QStringLiteral("/C.txt"), 50));
    WriteSettings(source, folder(QStringLiteral("dest")));
    auto form = Start();
    QCOMPARE(form->fileListModel()->rowCount(), 3);
    // A selection follows its row through the sort.
    SelectRows(*form, {QStringLiteral("b.JWC")});

    ClickHeader(*form, 4);  // サイズ, first click: descending
    QCOMPARE(form->Sort1(), 4);
    QCOMPARE(form->Sort2(), 1);
    QCOMPARE(captions(*form), QStringList({QStringLiteral("a.jww"), QStringLiteral("b.JWC"),
                                           QStringLiteral("C.txt")}));
    ClickHeader(*form, 4);  // ascending: 50, 900, 1000 by value
    QCOMPARE(form->Sort2(), 0);
    QCOMPARE(captions(*form), QStringList({QStringLiteral("C.txt"), QStringLiteral("b.JWC"),
                                           QStringLiteral("a.jww")}));
    ClickHeader(*form, 0);  // another column continues the alternation: Z to A
    QCOMPARE(form->Sort1(), 0);
    QCOMPARE(form->Sort2(), 1);
    QCOMPARE(captions(*form), QStringList({QStringLiteral("C.txt"), QStringLiteral("b.JWC"),
                                           QStringLiteral("a.jww")}));
    ClickHeader(*form, 0);  // A to Z, ASCII letters compared without case
    QCOMPARE(captions(*form), QStringList({QStringLiteral("a.jww"), QStringLiteral("b.JWC"),
                                           QStringLiteral("C.txt")}));

    const QModelIndexList selected = list(*form)->selectionModel()->selectedRows();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.first().row(), rowOf(*form, QStringLiteral("b.JWC")));

    // A relisting keeps the enumeration's order and the sort state.
    form->ComboBox1Select();
    QCOMPARE(form->Sort1(), 0);
    QCOMPARE(form->Sort2(), 0);
  }

  void refusalsShowTheirMessageAndFocusTheDestinationButton() {
    const QString source = folder(QStringLiteral("source"));
    QVERIFY(WriteFile(source + QStringLiteral("/p.jww"), JwwDrawing(600, u"m", {1})));
    auto form = Start();
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    SelectInTree(*form, source);
    QTRY_COMPARE(form->preFolder(), Native(source));
    SelectRows(*form, {QStringLiteral("p.jww")});
    auto *destButton = button(*form, "Button1");

    const struct {
      QString dest;
      QString message;
    } cases[] = {
        {QString(), kNoDestination},
        {workDir_->filePath(QStringLiteral("missing")), kDestinationMissing},
        {source, kSameFolder},
        {source + QStringLiteral("/"), kSameFolder},  // another spelling of the same folder
    };
    for (const auto &c : cases) {
      desktop_.clear();
      desktop_.folderToChoose = Native(c.dest);
      if (!c.dest.isEmpty())
        destButton->click();
      list(*form)->setFocus();
      button(*form, "ButtonT")->click();
      QCOMPARE(desktop_.messages(), QStringList({c.message}));
      QTRY_VERIFY(destButton->hasFocus());
      QVERIFY(form->statusText() != Converted(0));
    }
    QVERIFY(!form->progressBar()->isVisible());
  }

  // Rows that do not convert interrupt nothing: they are listed in the
  // result with their extension's message, beside the files converted.
  void unsupportedExtensionsAreListedInTheResult() {
    const QString source = folder(QStringLiteral("source"));
    QVERIFY(WriteFilled(source + QStringLiteral("/a.jws"), 10));
    QVERIFY(WriteFile(source + QStringLiteral("/b.jww"), JwwDrawing(600, u"m", {1})));
    QVERIFY(WriteFilled(source + QStringLiteral("/c.txt"), 10));
    const QString dest = folder(QStringLiteral("dest"));
    WriteSettings(source, dest);
    auto form = Start();
    SelectRows(*form, {QStringLiteral("a.jws"), QStringLiteral("b.jww"), QStringLiteral("c.txt")});
    Convert(*form);
    QVERIFY(desktop_.messages().isEmpty());
    QCOMPARE(form->statusText(), Converted(1));
    QVERIFY(QFile::exists(dest + QStringLiteral("/b.jww")));
    QVERIFY(!QFile::exists(dest + QStringLiteral("/a.jws")));
    const auto flat = [](QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral(" ")); };
    QCOMPARE(Results(*form),
             (QList<QStringList>{
                 {QStringLiteral("a.jws"), QStringLiteral("変換対象外"),
                  flat(Unsupported(QStringLiteral("a.jws"), QStringLiteral(".jws")))},
                 {QStringLiteral("b.jww"), QStringLiteral("変換しました"), QString()},
                 {QStringLiteral("c.txt"), QStringLiteral("変換対象外"),
                  flat(Unsupported(QStringLiteral("c.txt"), QStringLiteral(".txt")))}}));
    QVERIFY(form->resultView()->isVisible());
    QVERIFY(!form->progressBar()->isVisible());
    QVERIFY(!form->stopButton()->isVisible());
    // Copied as text, one tab-separated line per row after the summary.
    const QStringList lines = form->resultView()->resultText().split(QStringLiteral("\r\n"));
    QCOMPARE(lines.value(0), Converted(1));
    QCOMPARE(lines.value(2), QStringLiteral("b.jww\t変換しました\t"));
    // The button opens the destination folder.
    form->resultView()->findChild<QPushButton *>(QStringLiteral("ResultOpenDestination"))->click();
    QCOMPARE(desktop_.calls.back().kind, DesktopCall::OpenFile);
    QCOMPARE(desktop_.calls.back().text, Native(dest));
  }

  void nothingSelectedSaysSo() {
    const QString source = folder(QStringLiteral("source"));
    QVERIFY(WriteFile(source + QStringLiteral("/b.jww"), JwwDrawing(600, u"m", {1})));
    const QString dest = folder(QStringLiteral("dest"));
    WriteSettings(source, dest);
    auto form = Start();
    button(*form, "ButtonT")->click();
    QCOMPARE(desktop_.messages(), QStringList({QStringLiteral("変換するファイルを選んで下さい。")}));
    QVERIFY(!form->batchRunning());
    QVERIFY(form->statusText() != Converted(0));
    QVERIFY(QDir(dest).entryList(QDir::Files).isEmpty());
  }

  void convertingSelectedRowsEndToEnd() {
    const QString source = folder(QStringLiteral("source"));
    const QString dest = folder(QStringLiteral("dest"));
    QVERIFY(WriteFile(source + QStringLiteral("/p.jww"), JwwDrawing(600, u"m", {1, 2, 20001, 0})));
    QVERIFY(WriteFile(source + QStringLiteral("/PLAN.JWW"), JwwDrawing(420, u"plan", {10})));
    QVERIFY(WriteFile(source + QStringLiteral("/q.jww"), JwwDrawing(700, u"not selected", {1})));
    QVERIFY(WriteFilled(source + QStringLiteral("/broken.jww"), 40));  // not a drawing
    const QByteArray whole = JwwDrawing(600, u"cut", {1, 2});
    QVERIFY(WriteFile(source + QStringLiteral("/cut.jww"), whole.left(whole.size() * 3 / 4)));
    const QByteArray jwc = ReadFile(QStringLiteral(VELKARO_EXAMPLES_DIR "/office.jwc"));
    QVERIFY(!jwc.isEmpty());
    QVERIFY(WriteFile(source + QStringLiteral("/office.jwc"), jwc));
    const QByteArray earlier = JwwDrawing(600, u"earlier", {3});
    QVERIFY(WriteFile(dest + QStringLiteral("/p.jww"), earlier));
    WriteSettings(source, dest);
    auto form = Start();

    // The map from the dialog: old kind 1 becomes 2 (and 2 becomes 1).
    QTimer::singleShot(0, form.get(), [&] {
      TForm2 *dialog = form->settingsDialog();
      QVERIFY(dialog->isVisible());
      dialog->ComboBox(1)->setCurrentIndex(1);
      dialog->Button1->click();
    });
    button(*form, "Button2")->click();
    QCOMPARE(MojiShuMap[0], 2);
    QCOMPARE(MojiShuMap[1], 1);

    SelectRows(*form, {QStringLiteral("p.jww"), QStringLiteral("PLAN.JWW"), QStringLiteral("broken.jww"),
                       QStringLiteral("cut.jww"), QStringLiteral("office.jwc")});
    Convert(*form);

    // One look before writing: the files, the map and the destination.
    QCOMPARE(desktop_.textsOf(DesktopCall::Confirm),
             QStringList({QStringLiteral("5個のファイルを変換します。\r\n\r\n文字種の対応：1→2, 2→1\r\n保存先：") +
                          Native(dest) + QStringLiteral("\r\n\r\nよろしいですか？")}));
    // Only the files written count; the others are named with the reason,
    // a damaged one with where it is damaged.
    QVERIFY(desktop_.messages().isEmpty());
    QCOMPARE(form->statusText(), Converted(3) + QStringLiteral("（2個は変換できませんでした）"));
    const QList<QStringList> results = Results(*form);
    QCOMPARE(results.size(), 5);
    QCOMPARE(results[0].mid(0, 2), QStringList({QStringLiteral("broken.jww"), QStringLiteral("変換できませんでした")}));
    QVERIFY2(results[0][2].startsWith(QStringLiteral("Jw_cad の図面ではありません")), qPrintable(results[0][2]));
    QCOMPARE(results[1].mid(0, 2), QStringList({QStringLiteral("cut.jww"), QStringLiteral("変換できませんでした")}));
    QVERIFY2(results[1][2].startsWith(QStringLiteral("読み込めません。ファイルが途中で切れています（")) &&
                 results[1][2].contains(QStringLiteral("位置 0x")),
             qPrintable(results[1][2]));
    QCOMPARE(results[2][1], QStringLiteral("変換しました"));
    QVERIFY(!form->progressBar()->isVisible());
    QVERIFY(QFile::exists(dest + QStringLiteral("/office.jwc")));
    QVERIFY(ReadFile(dest + QStringLiteral("/office.jwc")) != jwc);  // its kinds 1 and 2 traded
    std::int32_t version = 0;
    QCOMPARE(JwwTextKinds(dest + QStringLiteral("/p.jww"), &version),
             std::vector<std::uint32_t>({2, 1, 20002, 0}));
    QCOMPARE(version, 600);
    QCOMPARE(ReadFile(dest + QStringLiteral("/p.BAK")), earlier);
    QCOMPARE(JwwTextKinds(dest + QStringLiteral("/PLAN.JWW"), &version), std::vector<std::uint32_t>({10}));
    QCOMPARE(version, 420);
    QVERIFY(!QFile::exists(dest + QStringLiteral("/PLAN.BAK")));
    QVERIFY(!QFile::exists(dest + QStringLiteral("/broken.jww")));
    QVERIFY(!QFile::exists(dest + QStringLiteral("/q.jww")));
    // The sources are untouched.
    QCOMPARE(JwwTextKinds(source + QStringLiteral("/p.jww")),
             std::vector<std::uint32_t>({1, 2, 20001, 0}));
    // The list is not refreshed by a conversion.
    QCOMPARE(form->fileListModel()->rowCount(), 6);
  }

  void boundImagesLeaveTheWorkFolderEmpty() {
    const QString source = folder(QStringLiteral("source"));
    const QString dest = folder(QStringLiteral("dest"));
    const QByteArray image(5000, '\x42');
    QVERIFY(WriteFile(source + QStringLiteral("/img.jww"), JwwDrawingWithImage(u"a.bmp", image)));
    WriteSettings(source, dest);
    auto form = Start();
    SelectRows(*form, {QStringLiteral("img.jww")});
    Convert(*form);
    QCOMPARE(form->statusText(), Converted(1));
    QVERIFY(QFile::exists(dest + QStringLiteral("/img.jww")));
    QVERIFY(QFileInfo(TempFolder).isDir());
    // No image left: the folder's marker (its proof of being ours) is all it holds.
    QCOMPARE(QDir(TempFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{QString::fromStdU16String(kFolderMarkerName)});
    // The image went back into the output.
    QVERIFY(ReadFile(dest + QStringLiteral("/img.jww")).contains(image));
  }

  void aWorkFolderRemovedBehindTheWindowIsMadeAgain() {
    const QString source = folder(QStringLiteral("source"));
    const QString dest = folder(QStringLiteral("dest"));
    QVERIFY(WriteFile(source + QStringLiteral("/img.jww"),
                      JwwDrawingWithImage(u"b.bmp", QByteArray(300, '\x07'))));
    WriteSettings(source, dest);
    auto form = Start();
    const QString first = TempFolder;
#ifdef _WIN32
    QSKIP("the work folder's marker is held open without delete sharing: no cleaner removes it");
#endif
    QVERIFY(QDir(first).removeRecursively());
    SelectRows(*form, {QStringLiteral("img.jww")});
    Convert(*form);
    QCOMPARE(form->statusText(), Converted(1));
    QVERIFY(QFileInfo(TempFolder).isDir());
    QVERIFY(ReadFile(dest + QStringLiteral("/img.jww")).contains(QByteArray(300, '\x07')));
  }

  void doubleClickChecks() {
    auto form = Start();
    QTableView *view = list(*form);

    // No source folder: beep, error box, status.
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    QCOMPARE(desktop_.count(DesktopCall::Beep), 1);
    QCOMPARE(desktop_.errors(), QStringList({QStringLiteral("参照フォルダを指定して下さい。")}));
    QCOMPARE(form->statusText(), QStringLiteral("参照フォルダを指定して下さい。"));
    form->close();

    // A source folder that no longer exists.
    const QString gone = folder(QStringLiteral("gone"));
    QVERIFY(WriteFilled(gone + QStringLiteral("/a.jww"), 5));
    WriteSettings(gone, folder(QStringLiteral("dest")));
    form = Start();
    view = list(*form);
    QCOMPARE(form->fileListModel()->rowCount(), 1);
    QVERIFY(QDir(gone).removeRecursively());
    desktop_.clear();
    DoubleClickRow(view, 0);
    QCOMPARE(desktop_.messages(), QStringList({QStringLiteral("参照フォルダが存在しません。")}));
    QCOMPARE(form->statusText(), QStringLiteral("参照フォルダが存在しません。"));
    form->close();

    // A folder with files: no row selected, then a row.
    const QString source = folder(QStringLiteral("source"));
    QVERIFY(WriteFilled(source + QStringLiteral("/a.jww"), 5));
    QVERIFY(WriteFilled(source + QStringLiteral("/b.txt"), 5));
    WriteSettings(source, folder(QStringLiteral("dest")));
    form = Start();
    view = list(*form);
    desktop_.clear();
    const QPoint below(20, view->viewport()->height() - 5);  // empty space below the rows
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, below);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, below);
    QCOMPARE(desktop_.messages(), QStringList({QStringLiteral("ファイルを指示して下さい。")}));
    QCOMPARE(form->statusText(), QStringLiteral("ファイルを指示して下さい。"));

    desktop_.clear();
    DoubleClickRow(view, rowOf(*form, QStringLiteral("a.jww")));
    const QString opened = Native(source) + QDir::separator() + QStringLiteral("a.jww");
    QCOMPARE(desktop_.count(DesktopCall::OpenFile), 1);
    QCOMPARE(desktop_.calls.back().text, opened);
    QCOMPARE(form->statusText(), QStringLiteral("ファイル「") + opened + QStringLiteral("」"));
    QVERIFY(desktop_.messages().isEmpty());

    // An opening that fails (no program for the file) says so and leaves
    // the status as it was.
    desktop_.openSucceeds = false;
    form->ComboBox1Select();
    WaitForRows(*form);
    const QString before = form->statusText();
    DoubleClickRow(view, rowOf(*form, QStringLiteral("b.txt")));
    QCOMPARE(desktop_.count(DesktopCall::OpenFile), 2);
    const QString failed = Native(source) + QDir::separator() + QStringLiteral("b.txt");
    QCOMPARE(desktop_.messages(),
             QStringList({QStringLiteral("ファイル「") + failed +
                          QStringLiteral("」を開くプログラムが見つかりません。")}));
    QCOMPARE(form->statusText(), before);
  }

  void destinationButtonUsesTheChooser() {
    auto form = Start();
    const QString first = folder(QStringLiteral("first"));
    desktop_.folderToChoose = Native(first);
    button(*form, "Button1")->click();
    QCOMPARE(desktop_.calls.back().kind, DesktopCall::ChooseFolder);
    QCOMPARE(desktop_.calls.back().text,
             QStringLiteral("変換後のファイルを保存するフォルダを指定して下さい"));
    // Nothing chosen yet and no source folder: the browser starts at home.
    QCOMPARE(desktop_.calls.back().extra, Native(QDir::homePath()));
    QCOMPARE(form->destinationFolder(), Native(first));

    desktop_.folderToChoose.clear();  // cancelled: nothing changes
    button(*form, "Button1")->click();
    QCOMPARE(desktop_.calls.back().extra, Native(first));  // starts at the last choice
    QCOMPARE(form->destinationFolder(), Native(first));
  }

  void settingsDialogSuspendsTheTimerAndTheTree() {
    auto form = Start();
    bool checked = false;
    QTimer::singleShot(0, form.get(), [&] {
      checked = true;
      QVERIFY(form->settingsDialog()->isVisible());
      QVERIFY(!child<QTimer>(*form, "Timer1")->isActive());
      QVERIFY(!form->folderTree()->IdleRunning());
      QTest::keyClick(form->settingsDialog(), Qt::Key_Escape);
    });
    button(*form, "Button2")->click();
    QVERIFY(checked);
    QVERIFY(!form->settingsDialog()->isVisible());
    QVERIFY(child<QTimer>(*form, "Timer1")->isActive());
    QCOMPARE(child<QTimer>(*form, "Timer1")->interval(), 200);
    QVERIFY(form->folderTree()->IdleRunning());
  }

  void settingsRoundTripAcrossTwoWindowLifetimes() {
    const QString source = folder(QStringLiteral("図面 source"));
    const QString dest = folder(QStringLiteral("保存先"));
    {
      auto form = Start();
      // Within the test screen: a window reaching past it would be moved in.
      form->move(40, 30);
      form->resize(700, 500);
      child<QSplitter>(*form, "Splitter1")->setSizes({230, 700 - 230});
      SelectInTree(*form, source);
      QTRY_COMPARE(form->preFolder(), Native(source));
      desktop_.folderToChoose = Native(dest);
      button(*form, "Button1")->click();
      auto *types = child<QComboBox>(*form, "ComboBox1");
      types->setFocus();
      QTest::keyClick(types, Qt::Key_End);
      QCOMPARE(types->currentIndex(), 6);  // JWW/JWC only
      for (int c = 0; c < 6; ++c)
        list(*form)->horizontalHeader()->resizeSection(c, 50 + 10 * c);
      form->settingsDialog()->move(150, 160);
      QTimer::singleShot(0, form.get(), [&] {
        TForm2 *dialog = form->settingsDialog();
        dialog->ComboBox(1)->setCurrentIndex(9);
        dialog->ComboBox(10)->setCurrentIndex(0);
        dialog->Button1->click();
      });
      button(*form, "Button2")->click();
      QCOMPARE(child<QWidget>(*form, "Panel1")->width(), 230);
      button(*form, "ButtonX")->click();  // closes: the settings are written
      QVERIFY(!form->isVisible());
      QVERIFY(!form->hasDrawingData());
    }
    QFile file(settingsFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 27);  // 26 lines ended by CR LF
    QCOMPARE(lines[5].trimmed(), Native(source).toUtf8().toHex().toUpper());

    ResetMojiShuMap();
    auto form = Start();
    QCOMPARE(form->pos(), QPoint(40, 30));
    QCOMPARE(form->size(), QSize(700, 500));
    QCOMPARE(child<QWidget>(*form, "Panel1")->width(), 230);
    QCOMPARE(form->preFolder(), Native(source));
    QCOMPARE(child<QLabel>(*form, "Label1")->text(), QStringLiteral("参照フォルダ：") + Native(source));
    QCOMPARE(form->destinationFolder(), Native(dest));
    QCOMPARE(child<QComboBox>(*form, "ComboBox1")->currentIndex(), 6);
    for (int c = 0; c < 6; ++c)
      QCOMPARE(list(*form)->horizontalHeader()->sectionSize(c), 50 + 10 * c);
    QCOMPARE(form->settingsDialog()->pos(), QPoint(150, 160));
    QCOMPARE(MojiShuMap, (TMojiShuMap{10, 2, 3, 4, 5, 6, 7, 8, 9, 1}));
  }

  // ---- The window in a drafter's day -------------------------------------

  // The saved position is the frame's, and each start shows the frame there
  // and saves it unchanged: no creeping up by the title bar. Run under a real
  // X server with a window manager by scripts/check-window-position.
  void positionRoundTripsAcrossRestarts() {
    TSettings saved;
    saved.Left = 100;
    saved.Top = 90;
    QVERIFY(SaveSettings(settingsFile().toStdU16String(), saved));
    for (int start = 0; start < 3; ++start) {
      auto form = Start();
      QTRY_COMPARE(form->frameGeometry().topLeft(), QPoint(100, 90));
      QCOMPARE(form->size(), QSize(600, 520));
      form->close();
      TSettings back;
      LoadSettings(settingsFile().toStdU16String(), back);
      QCOMPARE(QPoint(back.Left, back.Top), QPoint(100, 90));
      QCOMPARE(QSize(back.Width, back.Height), QSize(600, 520));
    }
  }

  void aPositionOffEveryScreenIsBroughtBack() {
    for (const QPoint &off : {QPoint(5000, 100), QPoint(100, -3000), QPoint(-2000, -2000)}) {
      TSettings saved;
      saved.Left = off.x();
      saved.Top = off.y();
      QVERIFY(SaveSettings(settingsFile().toStdU16String(), saved));
      auto form = Start();
      std::vector<TBounds> screens;
      for (const QScreen *screen : QGuiApplication::screens()) {
        const QRect r = screen->availableGeometry();
        screens.push_back({r.x(), r.y(), r.width(), r.height()});
      }
      QVERIFY2(TitleBarOnAScreen({form->x(), form->y(), form->width(), form->height()}, screens),
               qPrintable(QStringLiteral("%1,%2").arg(form->x()).arg(form->y())));
      form->close();
    }
  }

  // Settings read from one file (an office's, beside a read-only program)
  // are saved to another (the user's).
  void settingsReadFromOneFileAreSavedToAnother() {
    const QString office = settingsDir_->filePath(QStringLiteral("office.dat"));
    TSettings standard;
    standard.map = {3, 1, 2, 4, 5, 6, 7, 8, 9, 10};
    QVERIFY(SaveSettings(office.toStdU16String(), standard));
    auto form = std::make_unique<TForm1>(TForm1Options{settingsFile(), &desktop_, office});
    form->show();
    QCOMPARE(MojiShuMap, standard.map);
    form->close();
    TSettings saved;
    QCOMPARE(LoadSettingsFile(settingsFile().toStdU16String(), saved), SettingsFileState::Read);
    QCOMPARE(saved.map, standard.map);
    QCOMPARE(ReadFile(office), QByteArray(SettingsFileText(standard).c_str()));
  }

  // A long status text keeps its end (the destination of the file being
  // converted) in view beside the progress bar.
  void aLongStatusTextKeepsItsEnd() {
    auto form = Start();
    auto *status = child<ElidedLabel>(*form, "StatusText");
    form->progressBar()->show();
    const QString text = QStringLiteral("ファイル「") + QString(200, QLatin1Char('s')) +
                         QStringLiteral("」→「/保存先/p.jww」変換中です。");
    status->setText(text);
    QVERIFY(status->shownText() != text);
    QVERIFY(status->shownText().endsWith(QStringLiteral("p.jww」変換中です。")));
  }

  // At 600 x 520 the file-type box shows its longest entry whole; a wider
  // window gives the box nothing more.
  void theFileTypeBoxShowsItsLongestEntry() {
    auto form = Start();
    auto *types = child<QComboBox>(*form, "ComboBox1");
    QStyleOptionComboBox option;
    option.initFrom(types);
    option.editable = false;
    const QRect field =
        types->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, types);
    for (int i = 0; i < types->count(); ++i)
      QVERIFY2(types->fontMetrics().horizontalAdvance(types->itemText(i)) <= field.width(),
               qPrintable(types->itemText(i)));
    QWidget *panel3 = child<QWidget>(*form, "Panel3");
    for (const char *name : {"ComboBox1", "ButtonT", "ButtonX", "Label4"})
      QVERIFY2(child<QWidget>(*form, name)->geometry().right() < panel3->width(), name);
    const int width = types->width();
    form->resize(1400, 700);
    QTRY_VERIFY(panel3->width() > 1000);
    QCOMPARE(types->width(), width);
  }

  // A deep source folder keeps its own name in view; the whole path is the
  // label's tool tip.
  void aDeepSourceFolderIsShortenedInTheMiddle() {
    QString deep = workDir_->path();
    for (int i = 0; i < 12; ++i)
      deep += QStringLiteral("/folder-%1").arg(i);
    deep += QStringLiteral("/図面2024");
    QVERIFY(QDir().mkpath(deep));
    auto form = Start();
    SelectInTree(*form, deep);
    QTRY_COMPARE(form->preFolder(), Native(deep));
    auto *label = child<ElidedLabel>(*form, "Label1");
    QCOMPARE(label->text(), QStringLiteral("参照フォルダ：") + Native(deep));
    QCOMPARE(label->toolTip(), Native(deep));
    const QString shown = label->shownText();
    QVERIFY(shown != label->text());
    QVERIFY(shown.startsWith(QStringLiteral("参照フォルダ：")));
    QVERIFY(shown.endsWith(QStringLiteral("図面2024")));
  }

  // The first click sorts descending and the arrow points down, as Explorer
  // shows it; after a relist the rows are in name order and no arrow shows.
  void theSortArrowPointsTheWayTheRowsGo() {
    const QString source = folder(QStringLiteral("source"));
    for (const char *name : {"b.jww", "a.jww", "c.jww"})
      QVERIFY(WriteFilled(source + QLatin1Char('/') + QLatin1String(name), 5));
    WriteSettings(source, folder(QStringLiteral("dest")));
    auto form = Start();
    QCOMPARE(captions(*form), QStringList({QStringLiteral("a.jww"), QStringLiteral("b.jww"),
                                           QStringLiteral("c.jww")}));
    QHeaderView *header = list(*form)->horizontalHeader();
    header->resizeSection(0, 120);
    ClickHeader(*form, 0);
    QCOMPARE(captions(*form).first(), QStringLiteral("c.jww"));
    QCOMPARE(ArrowDirection(*header, 0), 1);  // down
    ClickHeader(*form, 0);
    QCOMPARE(captions(*form).first(), QStringLiteral("a.jww"));
    QCOMPARE(ArrowDirection(*header, 0), -1);  // up
    QTest::keyClick(form.get(), Qt::Key_F5);  // relists
    WaitForRows(*form);
    QVERIFY(!header->isSortIndicatorShown());
    QCOMPARE(form->statusText(), Listed(3));
  }

  // F5 lists the source folder again.
  void f5Relists() {
    const QString source = folder(QStringLiteral("source"));
    QVERIFY(WriteFilled(source + QStringLiteral("/a.jww"), 5));
    WriteSettings(source, folder(QStringLiteral("dest")));
    auto form = Start();
    QCOMPARE(form->fileListModel()->rowCount(), 1);
    QVERIFY(WriteFilled(source + QStringLiteral("/b.jww"), 5));
    list(*form)->setFocus();
    QTest::keyClick(list(*form), Qt::Key_F5);
    WaitForRows(*form);
    QCOMPARE(form->fileListModel()->rowCount(), 2);
  }

  // A folder dropped on the tree or the list becomes the source folder; one
  // dropped on the destination box the destination. Files are not taken.
  void droppedFoldersBecomeSourceAndDestination() {
    const QString a = folder(QStringLiteral("dropped-a"));
    const QString b = folder(QStringLiteral("dropped-b"));
    const QString dest = folder(QStringLiteral("dropped-dest"));
    QVERIFY(WriteFilled(a + QStringLiteral("/x.jww"), 5));
    QVERIFY(WriteFilled(b + QStringLiteral("/y.jww"), 5));
    auto form = Start();
    const struct {
      QWidget *target;
      QString folder;
    } drops[] = {{list(*form)->viewport(), a}, {form->folderTree()->treeView()->viewport(), b}};
    for (const auto &d : drops) {
      QVERIFY(Drop(d.target, d.folder));
      WaitForRows(*form);
      QCOMPARE(form->preFolder(), Native(d.folder));
      QCOMPARE(child<QLabel>(*form, "Label1")->text(), QStringLiteral("参照フォルダ：") + Native(d.folder));
      QCOMPARE(form->fileListModel()->rowCount(), 1);
      QCOMPARE(form->folderTree()->SelectedItemPath(), Native(d.folder));
    }
    QVERIFY(Drop(child<QLineEdit>(*form, "Edit1"), dest));
    QCOMPARE(form->destinationFolder(), Native(dest));
    QVERIFY(!Drop(child<QLineEdit>(*form, "Edit1"), b + QStringLiteral("/y.jww")));  // a file
    QCOMPARE(form->destinationFolder(), Native(dest));
    // A drawing dropped on the list: its folder is listed and it is selected.
    QVERIFY(WriteFilled(a + QStringLiteral("/z.jww"), 5));
    QVERIFY(Drop(list(*form)->viewport(), a + QStringLiteral("/z.jww")));
    WaitForRows(*form);
    QCOMPARE(form->preFolder(), Native(a));
    const QModelIndexList selected = list(*form)->selectionModel()->selectedRows();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.first().row(), rowOf(*form, QStringLiteral("z.jww")));
  }

  // A typed or pasted destination is checked as the conversion checks it.
  void aTypedDestinationIsChecked() {
    const QString source = folder(QStringLiteral("source"));
    const QString dest = folder(QStringLiteral("dest"));
    WriteSettings(source, QString());
    auto form = Start();
    auto *edit = child<QLineEdit>(*form, "Edit1");
    const struct {
      QString typed, stored, status;
    } cases[] = {
        {QStringLiteral("\"") + dest + QStringLiteral("\" "), Native(dest), QString()},
        {QUrl::fromLocalFile(dest).toString(), Native(dest), QString()},
        {source, Native(source), kSameFolder},
        {workDir_->filePath(QStringLiteral("missing")), Native(workDir_->filePath(QStringLiteral("missing"))),
         kDestinationMissing},
    };
    for (const auto &c : cases) {
      form->ComboBox1Select();  // a known status before
      WaitForRows(*form);
      edit->setFocus();
      edit->setText(c.typed);
      QTest::keyClick(edit, Qt::Key_Return);
      QCOMPARE(form->destinationFolder(), c.stored);
      QCOMPARE(edit->toolTip(), c.status);
      QCOMPARE(form->statusText(), c.status.isEmpty() ? Listed(0) : c.status);
    }
  }

  // The browser starts in the destination, else the source folder.
  void theBrowserStartsInTheDestinationElseTheSource() {
    const QString source = folder(QStringLiteral("source"));
    WriteSettings(source, QString());
    auto form = Start();
    button(*form, "Button1")->click();
    QCOMPARE(desktop_.calls.back().extra, Native(source));
    const QString dest = folder(QStringLiteral("dest"));
    desktop_.folderToChoose = Native(dest);
    button(*form, "Button1")->click();
    button(*form, "Button1")->click();
    QCOMPARE(desktop_.calls.back().extra, Native(dest));
  }

  // With no settings file the columns fit what they show (date and version
  // whole at 600 x 520); once the user sets a width it is kept.
  void aFirstStartFitsTheColumns() {
    const QString source = folder(QStringLiteral("source"));
    QVERIFY(WriteFile(source + QStringLiteral("/a-rather-long-drawing-name.jww"),
                      JwwDrawing(700, u"a memo that is long enough to be cut", {1})));
    auto form = Start();
    SelectInTree(*form, source);
    QTRY_COMPARE(form->fileListModel()->rowCount(), 1);
    QTableView *view = list(*form);
    QHeaderView *header = view->horizontalHeader();
    const QFontMetrics metrics = view->fontMetrics();
    for (int c : {3, 4, 5}) {
      const QString text = form->fileListModel()->data(form->fileListModel()->index(0, c), Qt::DisplayRole).toString();
      QVERIFY2(header->sectionSize(c) > metrics.horizontalAdvance(text), qPrintable(text));
    }
    // Whole within the list, as long as the platform's font leaves room for
    // the fixed columns beside a narrowed name and memo.
    int fixed = 0;
    for (int c : {1, 3, 4, 5})
      fixed += header->sectionSize(c);
    const int room = view->viewport()->width() - view->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    if (fixed + 2 * 40 <= room)  // 40 px: the narrowest name and memo
      QVERIFY(header->sectionViewportPosition(5) + header->sectionSize(5) <= view->viewport()->width());
    else
      qWarning("the platform's font is too wide for every column to fit in 600 px");
    header->resizeSection(0, 300);  // the user's width
    form->Relist();
    WaitForRows(*form);
    QCOMPARE(header->sectionSize(0), 300);
  }

  void theStandardDialogsAreJapanese() {
    // Beside the program (the Windows build and package) or Qt's own folder
    // (qt6-translations-l10n on Linux).
    QTemporaryDir empty;
    const QString loaded = InstallQtTranslation(*qApp, QStringList{empty.path()} + QtTranslationFolders());
    QVERIFY(loaded.endsWith(QStringLiteral("qtbase_ja.qm")));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("キャンセル"));
    QVERIFY(QCoreApplication::translate("QFileDialog", "Look in:") != QStringLiteral("Look in:"));
    QCOMPARE(InstallQtTranslation(*qApp, {empty.path()}), QString());
  }

  // The settings dialog shows the kinds of the selected drawings and what
  // each becomes as the choices change.
  void theSettingsDialogShowsTheKindsOfTheSelection() {
    const QString source = folder(QStringLiteral("source"));
    QVERIFY(WriteFile(source + QStringLiteral("/a.jww"), JwwDrawing(700, u"a", {1, 1, 2})));
    QVERIFY(WriteFile(source + QStringLiteral("/b.jww"), JwwDrawing(600, u"b", {1, 10})));
    WriteSettings(source, QString());
    auto form = Start();
    SelectRows(*form, {QStringLiteral("a.jww"), QStringLiteral("b.jww")});
    QStringList seen;
    bool changedBold = false;
    QTimer::singleShot(0, form.get(), [&] {
      TForm2 *dialog = form->settingsDialog();
      KindsPanel *panel = dialog->kindsPanel();
      QTableWidget *table = panel->table();
      // The drawings are read while the dialog is already open.
      QTRY_VERIFY(panel->isVisible());
      QCOMPARE(dialog->windowTitle(), QStringLiteral("変換設定"));
      QVERIFY(panel->geometry().bottom() < dialog->height());
      seen << table->item(0, KindsPanel::Texts)->text() << table->item(1, KindsPanel::Texts)->text()
           << table->item(9, KindsPanel::Texts)->text() << table->item(0, KindsPanel::Width)->text()
           << table->item(0, KindsPanel::NewKind)->text();
      dialog->ComboBox(1)->setCurrentIndex(9);  // old kind 1 becomes 10 (and 10 becomes 1)
      seen << table->item(0, KindsPanel::NewKind)->text() << table->item(9, KindsPanel::NewKind)->text();
      changedBold = table->item(0, KindsPanel::NewKind)->font().bold() &&
                    !table->item(1, KindsPanel::NewKind)->font().bold();
      dialog->Button2->click();
    });
    button(*form, "Button2")->click();
    QCOMPARE(seen, QStringList({QStringLiteral("3"), QStringLiteral("1"), QStringLiteral("1"),
                                QStringLiteral("1"), MojiShuName(1), MojiShuName(10), MojiShuName(1)}));
    QVERIFY(changedBold);

    // Nothing selected: the dialog has its plain size.
    list(*form)->clearSelection();
    QSize plain;
    QTimer::singleShot(0, form.get(), [&] {
      plain = form->settingsDialog()->size();
      form->settingsDialog()->Button2->click();
    });
    button(*form, "Button2")->click();
    QCOMPARE(plain, QSize(437 + 236, 223));
  }

  void shutdownRemovesTheWorkFolder() {
    auto form = Start();
    const QString work = TempFolder;
    QVERIFY(QFileInfo(work).isDir());
    QVERIFY(WriteFilled(work + QStringLiteral("left-over.bmp"), 10));
    form->close();
    QVERIFY(!QFileInfo::exists(work));
    QVERIFY(!form->hasDrawingData());
    QVERIFY(!child<QTimer>(*form, "Timer1")->isActive());
    QVERIFY(QFile::exists(settingsFile()));
  }

  // ---- What the window does, shown and kept at once -----------------------

  // A crash after the dialog's OK must not bring back the map of the run
  // before: the map, the folder and the destination are saved when they change.
  void theMapInForceIsSavedAndShownAtOnce() {
    const QString source = folder(QStringLiteral("source"));
    const QString dest = folder(QStringLiteral("dest"));
    auto form = Start();
    QCOMPARE(form->mapLine()->text(), QStringLiteral("変更なし"));
    SelectInTree(*form, source);
    desktop_.folderToChoose = Native(dest);
    button(*form, "Button1")->click();
    QTimer::singleShot(0, form.get(), [&] {
      form->settingsDialog()->ComboBox(1)->setCurrentIndex(2);  // 1 -> 3 (and 3 -> 1)
      form->settingsDialog()->Button1->click();
    });
    button(*form, "Button2")->click();
    QCOMPARE(form->mapLine()->text(), QStringLiteral("1→3, 3→1"));
    QVERIFY(form->mapLine()->toolTip().contains(QStringLiteral("文字種1 → 文字種3")));
    // Read back while the window is still open, as after a crash.
    TSettings onDisk;
    QCOMPARE(LoadSettingsFile(settingsFile().toStdU16String(), onDisk), SettingsFileState::Read);
    QCOMPARE(onDisk.map, (TMojiShuMap{3, 2, 1, 4, 5, 6, 7, 8, 9, 10}));
    QCOMPARE(QString::fromStdU16String(onDisk.preFolder), Native(source));
    QCOMPARE(QString::fromStdU16String(onDisk.destFolder.value_or(u"")), Native(dest));
  }

  // The look before writing can be turned off in the dialog; the choice is
  // kept beside the settings file, whose 26 lines stay as older copies read them.
  void theConfirmationCanBeDeclinedOrTurnedOff() {
    const QString source = folder(QStringLiteral("source"));
    QVERIFY(WriteFile(source + QStringLiteral("/a.jww"), JwwDrawing(600, u"a", {1})));
    const QString dest = folder(QStringLiteral("dest"));
    WriteSettings(source, dest);
    auto form = Start();
    SelectRows(*form, {QStringLiteral("a.jww")});
    desktop_.confirmAnswer = false;
    Convert(*form);
    QVERIFY(desktop_.textsOf(DesktopCall::Confirm).value(0).contains(QStringLiteral("文字種は変わりません")));
    QVERIFY(QDir(dest).entryList(QDir::Files).isEmpty());
    QTimer::singleShot(0, form.get(), [&] {
      form->settingsDialog()->confirmBox()->setChecked(false);
      form->settingsDialog()->Button1->click();
    });
    button(*form, "Button2")->click();
    desktop_.clear();
    Convert(*form);
    QCOMPARE(desktop_.count(DesktopCall::Confirm), 0);
    QVERIFY(QFile::exists(dest + QStringLiteral("/a.jww")));
    form->close();
    QVERIFY(!LoadWindowOptions(WindowOptionsFileName(settingsFile().toStdU16String())).confirmBeforeConvert);
    QCOMPARE(ReadFile(settingsFile()).count('\n'), 26);
  }

  // 元に戻す takes the last batch into the destination back: it names the
  // batch before anything changes, lists each file, and is gone once there
  // is nothing left to undo.
  void theLastBatchCanBeUndone() {
    const QString source = folder(QStringLiteral("source"));
    const QString dest = folder(QStringLiteral("dest"));
    QVERIFY(WriteFile(source + QStringLiteral("/a.jww"), JwwDrawing(600, u"a", {1})));
    QVERIFY(WriteFile(source + QStringLiteral("/b.jww"), JwwDrawing(600, u"b", {2})));
    const QByteArray earlier = JwwDrawing(420, u"old", {1});
    QVERIFY(WriteFile(dest + QStringLiteral("/a.jww"), earlier));
    WriteSettings(source, dest);
    auto form = Start();
    QVERIFY(!form->undoButton()->isVisible());
    SelectRows(*form, {QStringLiteral("a.jww"), QStringLiteral("b.jww")});
    Convert(*form);
    QVERIFY(form->undoButton()->isVisible());
    QVERIFY(form->undoButton()->toolTip().contains(QStringLiteral("の変換（2個のファイル、変更なし）")));

    desktop_.clear();
    desktop_.confirmAnswer = false;
    form->undoButton()->click();
    QVERIFY(desktop_.textsOf(DesktopCall::Confirm).value(0).contains(QStringLiteral("を元に戻しますか？")));
    QVERIFY(QFile::exists(dest + QStringLiteral("/b.jww")));

    desktop_.confirmAnswer = true;
    form->undoButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!form->batchRunning(), 30000);
    QCOMPARE(ReadFile(dest + QStringLiteral("/a.jww")), earlier);
    QVERIFY(!QFile::exists(dest + QStringLiteral("/b.jww")));
    QCOMPARE(form->statusText(), QStringLiteral("2個のファイルを元に戻しました。"));
    QCOMPARE(form->resultView()->windowTitle(), QStringLiteral("元に戻した結果"));
    QCOMPARE(Results(*form),
             (QList<QStringList>{
                 {QStringLiteral("b.jww"), QStringLiteral("元に戻しました"),
                  QStringLiteral("変換前には無かったファイルなので取り除きました（b.BAK に残しました）")},
                 {QStringLiteral("a.jww"), QStringLiteral("元に戻しました"),
                  QStringLiteral("元のファイルに戻しました（a.bk1 から）")}}));
    QVERIFY(!form->undoButton()->isVisible());
  }

  // The window answers while a batch runs: the progress moves, its inputs
  // are locked, and 中止 stops it between files. The files finished are
  // whole, nothing half-written is left, and every row is in the result.
  void aBatchRunsOffTheWindowAndStopsBetweenFiles() {
    const QString source = folder(QStringLiteral("source"));
    const QString dest = folder(QStringLiteral("dest"));
    const QByteArray drawing = JwwDrawing(600, u"m", std::vector<std::uint32_t>(3000, 1));
    QStringList names;
    for (int i = 0; i < 300; ++i) {
      names << QStringLiteral("d%1.jww").arg(i, 3, 10, QLatin1Char('0'));
      QVERIFY(WriteFile(source + QLatin1Char('/') + names.back(), drawing));
    }
    WriteSettings(source, dest);
    auto form = Start();
    list(*form)->selectAll();
    QList<int> seen;
    connect(form->progressBar(), &QProgressBar::valueChanged, form.get(), [&](int value) {
      seen << value;
      if (value == 2)
        form->stopButton()->click();
    });
    button(*form, "ButtonT")->click();
    QVERIFY(form->batchRunning());
    QVERIFY(form->stopButton()->isVisible());
    for (const char *locked : {"ButtonT", "Button1", "Button2"})
      QVERIFY2(!button(*form, locked)->isEnabled(), locked);
    QTRY_VERIFY_WITH_TIMEOUT(!form->batchRunning(), 60000);
    QVERIFY2(seen.size() >= 2 && seen.contains(2), "the progress moved while the window ran events");
    for (const char *unlocked : {"ButtonT", "Button1", "Button2"})
      QVERIFY2(button(*form, unlocked)->isEnabled(), unlocked);
    QStringList written = QDir(dest).entryList(QDir::Files | QDir::Hidden);
    // The record of what the stopped batch finished, for 元に戻す.
    QVERIFY(written.removeOne(QString::fromStdU16String(kBatchRecordName)));
    QVERIFY2(written.size() >= 2 && written.size() < 300, qPrintable(QString::number(written.size())));
    for (const QString &name : written)
      QVERIFY2(JwwTextKinds(dest + QLatin1Char('/') + name).size() == 3000, qPrintable(name));
    const QList<QStringList> results = Results(*form);
    QCOMPARE(results.size(), 300);
    int converted = 0;
    for (const QStringList &row : results)
      converted += row[1] == QStringLiteral("変換しました") ? 1 : 0;
    QCOMPARE(converted, written.size());
    QCOMPARE(results.back()[1], QStringLiteral("変換していません"));
    QVERIFY(form->resultView()->summary()->text().contains(QStringLiteral("中止しました")));
    // The files in progress when 中止 came were given up whole.
    QVERIFY2(form->statusText().startsWith(Converted(converted)), qPrintable(form->statusText()));
  }

  // Closing while a batch runs asks, stops the batch cleanly and then closes.
  void closingDuringABatchStopsItFirst() {
    const QString source = folder(QStringLiteral("source"));
    const QString dest = folder(QStringLiteral("dest"));
    const QByteArray drawing = JwwDrawing(600, u"m", std::vector<std::uint32_t>(3000, 1));
    for (int i = 0; i < 100; ++i)
      QVERIFY(WriteFile(source + QStringLiteral("/d%1.jww").arg(i), drawing));
    WriteSettings(source, dest);
    auto form = Start();
    list(*form)->selectAll();
    button(*form, "ButtonT")->click();
    QVERIFY(form->batchRunning());
    desktop_.clear();
    form->close();
    QCOMPARE(desktop_.count(DesktopCall::Confirm), 1);
    QTRY_VERIFY_WITH_TIMEOUT(!form->isVisible(), 60000);
    QVERIFY(!form->batchRunning());
    QVERIFY(!form->hasDrawingData());
    for (const QString &name : QDir(dest).entryList(QDir::Files | QDir::Hidden))
      QVERIFY2(name.endsWith(QStringLiteral(".jww")) || name == QString::fromStdU16String(kBatchRecordName),
               qPrintable(name));  // no temporary file
  }

  // The status never shows what no longer holds.
  void staleStatusTextsGo() {
    const QString source = folder(QStringLiteral("source"));
    QVERIFY(WriteFile(source + QStringLiteral("/a.jww"), JwwDrawing(600, u"a", {1})));
    const QString dest = folder(QStringLiteral("dest"));
    WriteSettings(source, QString());
    auto form = Start();
    form->SetDestinationFolder(workDir_->filePath(QStringLiteral("missing")));
    QCOMPARE(form->statusText(), kDestinationMissing);
    form->SetDestinationFolder(dest);
    QCOMPARE(form->statusText(), QString());
    SelectRows(*form, {QStringLiteral("a.jww")});
    Convert(*form);
    QCOMPARE(form->statusText(), Converted(1));
    button(*form, "ButtonT")->click();
    QVERIFY(form->statusText() != Converted(1));  // the last count is gone while it runs
    QTRY_VERIFY(!form->batchRunning());
  }

  // Home and End go to the first and the last file, not across the columns.
  void homeAndEndGoToTheFirstAndLastFile() {
    const QString source = folder(QStringLiteral("source"));
    for (const char *name : {"a.jww", "b.jww", "c.jww"})
      QVERIFY(WriteFilled(source + QLatin1Char('/') + QLatin1String(name), 5));
    WriteSettings(source, QString());
    auto form = Start();
    QTableView *view = list(*form);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_End);
    QCOMPARE(view->currentIndex().row(), 2);
    QCOMPARE(view->selectionModel()->selectedRows().size(), 1);
    QTest::keyClick(view, Qt::Key_Home, Qt::ShiftModifier);
    QCOMPARE(view->currentIndex().row(), 0);
    QCOMPARE(view->selectionModel()->selectedRows().size(), 3);
    QTest::keyClick(view, Qt::Key_Home);
    QCOMPARE(view->selectionModel()->selectedRows().size(), 1);
  }

  // The settings dialog opens over the main window, not at the screen's
  // corner; a place the user gave it is kept.
  void theSettingsDialogOpensOverTheWindow() {
    auto form = Start();
    QPoint centre;
    QTimer::singleShot(0, form.get(), [&] {
      centre = form->settingsDialog()->geometry().center();
      form->settingsDialog()->Button2->click();
    });
    button(*form, "Button2")->click();
    QVERIFY2((centre - form->frameGeometry().center()).manhattanLength() < 40,
             qPrintable(QStringLiteral("%1,%2").arg(centre.x()).arg(centre.y())));
  }

  // A window saved larger than the screen (900 x 600 on a 1024 x 600 one)
  // comes back whole inside it. Also run by scripts/check-window-position.
  void aWindowLargerThanTheScreenComesBackInside() {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    TSettings saved;
    saved.Left = screen.x() + 200;
    saved.Top = screen.y() + 80;
    saved.Width = screen.width() + 300;
    saved.Height = screen.height() + 200;
    QVERIFY(SaveSettings(settingsFile().toStdU16String(), saved));
    auto form = Start();
    QTRY_VERIFY2(screen.contains(form->frameGeometry()),
                 qPrintable(QStringLiteral("%1,%2 %3x%4")
                                .arg(form->frameGeometry().x())
                                .arg(form->frameGeometry().y())
                                .arg(form->frameGeometry().width())
                                .arg(form->frameGeometry().height())));
  }

  // A maximised window comes back maximised, and its size for when it is
  // not is kept.
  void aMaximisedWindowComesBackMaximised() {
    {
      auto form = Start();
      form->showMaximized();
      QTRY_VERIFY(form->isMaximized());
      form->close();
    }
    QVERIFY(LoadWindowOptions(WindowOptionsFileName(settingsFile().toStdU16String())).maximized);
    TSettings saved;
    LoadSettings(settingsFile().toStdU16String(), saved);
    QCOMPARE(QSize(saved.Width, saved.Height), QSize(600, 520));
    auto form = Start();
    QTRY_VERIFY(form->isMaximized());
    // The room a maximised window gains goes to the name and the memo.
    // (Checked where the platform's maximising is known; under Wine the
    // columns saved by the first start are already wider than the list.)
#ifndef _WIN32
    QHeaderView *header = list(*form)->horizontalHeader();
    const auto used = [&] {
      int sum = 0;
      for (int c = 0; c < 6; ++c)
        sum += header->sectionSize(c);
      return sum;
    };
    if (list(*form)->viewport()->width() > 500) {  // it grew
      QTRY_VERIFY(header->sectionSize(0) > 80 && header->sectionSize(2) > 80);
      QTRY_VERIFY(std::abs(list(*form)->viewport()->width() - used()) <= 2);
    }
#endif
  }
};

}  // namespace

std::unique_ptr<QObject> MakeMainWindowTest() { return std::make_unique<MainWindowTest>(); }

}  // namespace velkaro::test

#include "MainWindowTest.moc"
