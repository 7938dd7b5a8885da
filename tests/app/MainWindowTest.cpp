// The main window driven as a user drives it: start-up without settings, the
// tree selecting folders, the file-type box, sorting clicks, the refusals and
// messages of the conversion, a conversion end to end, the double-click
// checks, the settings dialog, the settings across two window lifetimes and
// the shutdown.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <memory>

#include "AppTestSupport.h"
#include "AppTests.h"
#include "FileListModel.h"
#include "Unit1.h"
#include "Unit2.h"
#include "UnitVal.h"
#include "convert/UnitV.h"
#include "plExplorerFolderTree.h"

namespace velkaro::test {
namespace {

const QString kSearching = QStringLiteral("ファイル検索中です");
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

  // Selects the folder in the tree as a user does (not by writing SelectFolder).
  static void SelectInTree(TForm1 &form, const QString &folder) {
    QTreeView *view = form.folderTree()->treeView();
    const QModelIndex index = form.folderTree()->fileSystemModel()->index(folder);
    QVERIFY(index.isValid());
    view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
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
    QCOMPARE(child<QWidget>(*form, "Panel1")->width(), 200);
    for (int c = 0; c < 6; ++c)
      QCOMPARE(list(*form)->horizontalHeader()->sectionSize(c), 80);
    QCOMPARE(child<QComboBox>(*form, "ComboBox1")->currentText(), QStringLiteral("ALL Files (*.*)"));
    QCOMPARE(child<QLabel>(*form, "Label1")->text(), QStringLiteral("参照フォルダ："));
    QCOMPARE(child<QLineEdit>(*form, "Edit1")->text(), QString());
    QCOMPARE(form->preFolder(), QString());
    QCOMPARE(form->fileListModel()->rowCount(), 0);
    QCOMPARE(form->statusText(), kSearching);  // an empty folder name lists nothing
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
                                 QStringLiteral("JW_CAD 図形ファイル (*.jwk)")};
    QCOMPARE(types->count(), entries.size());
    for (int i = 0; i < types->count(); ++i)
      QCOMPARE(types->itemText(i), entries[i]);
    QVERIFY(!types->isEditable());

    auto *edit = child<QLineEdit>(*form, "Edit1");
    QVERIFY(edit->isReadOnly());
    QVERIFY(!(edit->focusPolicy() & Qt::TabFocus));

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

    // Tab order in Panel3: ComboBox1, Button1, ButtonT, ButtonX, Button2.
    QWidget *w = types;
    QStringList order;
    for (int i = 0; i < 5; ++i, w = w->nextInFocusChain()) {
      while (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisible())
        w = w->nextInFocusChain();
      order << w->objectName();
    }
    QCOMPARE(order, QStringList({QStringLiteral("ComboBox1"), QStringLiteral("Button1"),
                                 QStringLiteral("ButtonT"), QStringLiteral("ButtonX"),
                                 QStringLiteral("Button2")}));
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
    QCOMPARE(captions(*form).size(), 2);
    QTest::keyClick(types, Qt::Key_Down);  // "Jw_cad 図面ファイル (*.jww)"
    QCOMPARE(captions(*form), QStringList({QStringLiteral("a.jww")}));
    QCOMPARE(form->statusText(), Listed(1));
    QVERIFY(child<QTimer>(*form, "Timer1")->isActive());
  }

  void fileTypeChangeWithoutSourceKeepsPolling() {
    auto form = Start();
    auto *types = child<QComboBox>(*form, "ComboBox1");
    types->setFocus();
    QTest::keyClick(types, Qt::Key_Down);
    QCOMPARE(form->statusText(), kSearching);
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

  void unsupportedExtensionsGetTheirMessage() {
    const QString source = folder(QStringLiteral("source"));
    QVERIFY(WriteFilled(source + QStringLiteral("/a.jws"), 10));
    QVERIFY(WriteFile(source + QStringLiteral("/b.jww"), JwwDrawing(600, u"m", {1})));
    QVERIFY(WriteFilled(source + QStringLiteral("/c.txt"), 10));
    const QString dest = folder(QStringLiteral("dest"));
    WriteSettings(source, dest);
    auto form = Start();
    SelectRows(*form, {QStringLiteral("a.jws"), QStringLiteral("b.jww"), QStringLiteral("c.txt")});

    QList<int> progressAtMessage;
    desktop_.onMessage = [&](const QString &) {
      progressAtMessage << (form->progressBar()->isVisible() ? form->progressBar()->maximum() : -1)
                        << form->progressBar()->value();
    };
    button(*form, "ButtonT")->click();
    QCOMPARE(desktop_.messages(),
             QStringList({Unsupported(QStringLiteral("a.jws"), QStringLiteral(".jws")),
                          Unsupported(QStringLiteral("c.txt"), QStringLiteral(".txt"))}));
    QCOMPARE(form->statusText(), Converted(1));
    QVERIFY(QFile::exists(dest + QStringLiteral("/b.jww")));
    QVERIFY(!QFile::exists(dest + QStringLiteral("/a.jws")));
    // The progress bar shows rows done of the three selected while the batch
    // runs (a message comes before its row is done; rows in the list's order).
    QCOMPARE(progressAtMessage.size(), 4);
    QCOMPARE(progressAtMessage[0], 3);
    QCOMPARE(progressAtMessage[2], 3);
    QVERIFY(progressAtMessage[1] >= 0 && progressAtMessage[1] < progressAtMessage[3]);
    QVERIFY(progressAtMessage[3] <= 2);
    QVERIFY(!form->progressBar()->isVisible());
  }

  void nothingSelectedConvertsNothing() {
    const QString source = folder(QStringLiteral("source"));
    QVERIFY(WriteFile(source + QStringLiteral("/b.jww"), JwwDrawing(600, u"m", {1})));
    const QString dest = folder(QStringLiteral("dest"));
    WriteSettings(source, dest);
    auto form = Start();
    button(*form, "ButtonT")->click();
    QCOMPARE(form->statusText(), Converted(0));
    QVERIFY(desktop_.messages().isEmpty());
    QVERIFY(QDir(dest).entryList(QDir::Files).isEmpty());
  }

  void convertingSelectedRowsEndToEnd() {
    const QString source = folder(QStringLiteral("source"));
    const QString dest = folder(QStringLiteral("dest"));
    QVERIFY(WriteFile(source + QStringLiteral("/p.jww"), JwwDrawing(600, u"m", {1, 2, 20001, 0})));
    QVERIFY(WriteFile(source + QStringLiteral("/PLAN.JWW"), JwwDrawing(420, u"plan", {10})));
    QVERIFY(WriteFile(source + QStringLiteral("/q.jww"), JwwDrawing(700, u"not selected", {1})));
    QVERIFY(WriteFilled(source + QStringLiteral("/broken.jww"), 40));  // not a drawing
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
                       QStringLiteral("office.jwc")});
    button(*form, "ButtonT")->click();

    // The broken one is counted too, and told after the batch.
    QCOMPARE(desktop_.messages(),
             QStringList{QStringLiteral("次のファイルは変換できませんでした。\r\n\r\n"
                                        "broken.jww：Jw_cad の図面ではありません")});
    QCOMPARE(form->statusText(), Converted(4) + QStringLiteral("（1個は変換できませんでした）"));
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
    QCOMPARE(form->fileListModel()->rowCount(), 5);
  }

  void boundImagesLeaveTheWorkFolderEmpty() {
    const QString source = folder(QStringLiteral("source"));
    const QString dest = folder(QStringLiteral("dest"));
    const QByteArray image(5000, '\x42');
    QVERIFY(WriteFile(source + QStringLiteral("/img.jww"), JwwDrawingWithImage(u"a.bmp", image)));
    WriteSettings(source, dest);
    auto form = Start();
    SelectRows(*form, {QStringLiteral("img.jww")});
    button(*form, "ButtonT")->click();
    QCOMPARE(form->statusText(), Converted(1));
    QVERIFY(QFile::exists(dest + QStringLiteral("/img.jww")));
    QVERIFY(QFileInfo(TempFolder).isDir());
    QVERIFY(QDir(TempFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
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
    QVERIFY(QDir(first).removeRecursively());
    SelectRows(*form, {QStringLiteral("img.jww")});
    button(*form, "ButtonT")->click();
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

    // An opening that fails leaves the status as it was.
    desktop_.openSucceeds = false;
    form->ComboBox1Select();
    const QString before = form->statusText();
    DoubleClickRow(view, rowOf(*form, QStringLiteral("b.txt")));
    QCOMPARE(desktop_.count(DesktopCall::OpenFile), 2);
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
    QCOMPARE(desktop_.calls.back().extra, QString());
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
      form->move(100, 90);
      form->resize(700, 560);
      child<QSplitter>(*form, "Splitter1")->setSizes({230, 700 - 230});
      SelectInTree(*form, source);
      QTRY_COMPARE(form->preFolder(), Native(source));
      desktop_.folderToChoose = Native(dest);
      button(*form, "Button1")->click();
      auto *types = child<QComboBox>(*form, "ComboBox1");
      types->setFocus();
      QTest::keyClick(types, Qt::Key_End);
      QCOMPARE(types->currentIndex(), 5);
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
    QCOMPARE(form->pos(), QPoint(100, 90));
    QCOMPARE(form->size(), QSize(700, 560));
    QCOMPARE(child<QWidget>(*form, "Panel1")->width(), 230);
    QCOMPARE(form->preFolder(), Native(source));
    QCOMPARE(child<QLabel>(*form, "Label1")->text(), QStringLiteral("参照フォルダ：") + Native(source));
    QCOMPARE(form->destinationFolder(), Native(dest));
    QCOMPARE(child<QComboBox>(*form, "ComboBox1")->currentIndex(), 5);
    for (int c = 0; c < 6; ++c)
      QCOMPARE(list(*form)->horizontalHeader()->sectionSize(c), 50 + 10 * c);
    QCOMPARE(form->settingsDialog()->pos(), QPoint(150, 160));
    QCOMPARE(MojiShuMap, (TMojiShuMap{10, 2, 3, 4, 5, 6, 7, 8, 9, 1}));
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
};

}  // namespace

std::unique_ptr<QObject> MakeMainWindowTest() { return std::make_unique<MainWindowTest>(); }

}  // namespace velkaro::test

#include "MainWindowTest.moc"
