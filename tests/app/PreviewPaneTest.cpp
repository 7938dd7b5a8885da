// The preview pane in the main window: selecting a row builds the preview off
// the GUI thread, a newer selection stops a build still running, a legend
// click highlights a kind, the switch shows the kinds after the map, and
// figures and unreadable files get a note; texts off the sheet are counted
// and "全体表示" shows them.
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <memory>

#include "AppTestSupport.h"
#include "AppTests.h"
#include "FileListModel.h"
#include "PreviewPane.h"
#include "Unit1.h"
#include "builders/JwcBuilder.h"
#include "builders/JwwBuilder.h"
#include "convert/UnitV.h"
#include "service/SettingsFile.h"

namespace velkaro::test {
namespace {

using State = PreviewPane::State;

class PreviewPaneTest : public QObject {
  Q_OBJECT

 private:
  // A window listing a folder with a small drawing (kinds 3, 3, 7), a large
  // one, a figure and a file that is no drawing.
  std::unique_ptr<TForm1> Start() {
    const QString source = work_->filePath(QStringLiteral("src"));
    QDir().mkpath(source);
    WriteFile(source + QStringLiteral("/a.jww"), JwwDrawing(600, u"a", {3, 20003, 7}));
    WriteFile(source + QStringLiteral("/big.jww"),
              JwwDrawing(600, u"big", std::vector<std::uint32_t>(60000, 5)));
    const auto jws = testing::JwsBuilder().build();
    WriteFile(source + QStringLiteral("/door.jws"),
              QByteArray(reinterpret_cast<const char *>(jws.data()), static_cast<int>(jws.size())));
    WriteFile(source + QStringLiteral("/junk.jww"), QByteArray("not a drawing"));
    TSettings settings;
    settings.preFolder = QDir::toNativeSeparators(source).toStdU16String();
    SaveSettings(work_->filePath(QStringLiteral("velkaro.dat")).toStdU16String(), settings);
    auto form = std::make_unique<TForm1>(
        TForm1Options{work_->filePath(QStringLiteral("velkaro.dat")), &desktop_});
    form->resize(900, 700);
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
      qWarning("window not exposed");
    return form;
  }

  static void Select(TForm1 &form, const QString &name) {
    auto *view = form.findChild<QTableView *>(QStringLiteral("ListView1"));
    const auto &rows = form.fileListModel()->rows();
    for (std::size_t i = 0; i < rows.size(); ++i)
      if (QString::fromStdU16String(rows[i].caption) == name) {
        view->selectionModel()->select(view->model()->index(static_cast<int>(i), 0),
                                       QItemSelectionModel::ClearAndSelect |
                                           QItemSelectionModel::Rows);
        return;
      }
    QFAIL(qPrintable(QStringLiteral("no row ") + name));
  }

  RecordingDesktop desktop_;
  std::unique_ptr<QTemporaryDir> work_;

 private slots:
  void init() {
    work_ = std::make_unique<QTemporaryDir>();
    QVERIFY(work_->isValid());
    ResetMojiShuMap();
  }
  void cleanup() { ResetMojiShuMap(); }

  void selectingARowBuildsAPreview() {
    auto form = Start();
    PreviewPane *pane = form->previewPane();
    QTRY_COMPARE(form->fileListModel()->rowCount(), 4);
    QCOMPARE(pane->state(), State::Empty);
    Select(*form, QStringLiteral("a.jww"));
    QTRY_COMPARE(pane->state(), State::Shown);
    QCOMPARE(pane->note(), QStringLiteral("a.jww"));
    QVERIFY(pane->geometry() != nullptr);
    QCOMPARE(pane->geometry()->texts.size(), std::size_t{3});
    QVERIFY2(pane->legendButton(3)->text().endsWith(QStringLiteral("2件")),
             qPrintable(pane->legendButton(3)->text()));
    QTRY_VERIFY(pane->canvas()->pictureCurrent());
    QVERIFY(pane->canvas()->scale() > 0);

    form->fileListModel()->clear();  // a relisting leaves nothing selected
    QTRY_COMPARE(pane->state(), State::Empty);
  }

  void changingTheSelectionStopsTheBuildStillRunning() {
    auto form = Start();
    PreviewPane *pane = form->previewPane();
    QTRY_COMPARE(form->fileListModel()->rowCount(), 4);
    Select(*form, QStringLiteral("big.jww"));
    QCOMPARE(pane->state(), State::Building);  // the window is not held up
    Select(*form, QStringLiteral("a.jww"));
    QTRY_COMPARE(pane->cancelledBuilds(), std::uint64_t{1});
    QTRY_COMPARE(pane->state(), State::Shown);
    QCOMPARE(QDir::fromNativeSeparators(pane->currentFile()),
             QDir(work_->filePath(QStringLiteral("src"))).filePath(QStringLiteral("a.jww")));
    QCOMPARE(pane->geometry()->texts.size(), std::size_t{3});
  }

  void aLegendClickHighlightsItsKind() {
    auto form = Start();
    PreviewPane *pane = form->previewPane();
    QTRY_COMPARE(form->fileListModel()->rowCount(), 4);
    Select(*form, QStringLiteral("a.jww"));
    QTRY_VERIFY(pane->state() == State::Shown && pane->canvas()->pictureCurrent());
    const QImage plain = pane->canvas()->grab().toImage();

    pane->legendButton(3)->click();
    QCOMPARE(pane->highlightedKind(), 3);
    QVERIFY(pane->legendButton(3)->isChecked());
    QVERIFY(!pane->legendButton(7)->isChecked());
    QTRY_VERIFY(pane->canvas()->pictureCurrent());
    QVERIFY(pane->canvas()->grab().toImage() != plain);

    pane->legendButton(3)->click();  // a second click turns it off
    QCOMPARE(pane->highlightedKind(), 0);
    QTRY_VERIFY(pane->canvas()->pictureCurrent());
    QCOMPARE(pane->canvas()->grab().toImage(), plain);
  }

  void theSwitchShowsTheKindsAfterTheMap() {
    auto form = Start();
    PreviewPane *pane = form->previewPane();
    QTRY_COMPARE(form->fileListModel()->rowCount(), 4);
    Select(*form, QStringLiteral("a.jww"));
    QTRY_COMPARE(pane->state(), State::Shown);
    QVERIFY(pane->legendButton(7)->text().endsWith(QStringLiteral("1件")));
    MojiShuMap = {1, 2, 7, 4, 5, 6, 3, 8, 9, 10};  // as the settings dialog leaves it
    pane->mapSwitch()->setChecked(true);
    QVERIFY(pane->showsMappedKinds());
    QVERIFY2(pane->legendButton(7)->text().endsWith(QStringLiteral("2件")),
             qPrintable(pane->legendButton(7)->text()));
    // Kind 3's table entry (width 3, height 4) moves with its texts to 7.
    QVERIFY2(pane->legendButton(7)->text().startsWith(QStringLiteral("7  3×4")),
             qPrintable(pane->legendButton(7)->text()));
  }

  void figuresAndUnreadableFilesShowANote() {
    auto form = Start();
    PreviewPane *pane = form->previewPane();
    QTRY_COMPARE(form->fileListModel()->rowCount(), 4);
    Select(*form, QStringLiteral("door.jws"));
    QTRY_COMPARE(pane->state(), State::Note);
    QCOMPARE(pane->note(), QStringLiteral("JWS/JWKファイルは図面を表示できません"));
    QVERIFY(pane->geometry() == nullptr);
    QVERIFY(!pane->legendButton(1)->isEnabled());
    // No drawing: the swatches keep their kinds' colours, not greys of
    // uneven shade.
    for (int k = 1; k <= 10; ++k) {
      const QImage swatch =
          pane->legendButton(k)->icon().pixmap(12, QIcon::Disabled).toImage();
      QCOMPARE(swatch.pixelColor(6, 6).rgb() & 0xFFFFFF, PreviewKindColour(k));
    }
    Select(*form, QStringLiteral("junk.jww"));
    QTRY_COMPARE(pane->note(), QStringLiteral("「junk.jww」を読み込めません：Jw_cad の図面ではありません"));
    QCOMPARE(pane->state(), State::Note);
    // A damaged drawing says what is wrong and where, not only that it failed.
    const QByteArray whole = JwwDrawing(600, u"cut", {3});
    WriteFile(work_->filePath(QStringLiteral("src/cut.jww")), whole.left(whole.size() / 2));
    form->Relist();
    QTRY_VERIFY(!form->isListing());
    Select(*form, QStringLiteral("cut.jww"));
    QTRY_VERIFY2(pane->note().startsWith(QStringLiteral("「cut.jww」を読み込めません：ファイルが途中で切れています（")),
                 qPrintable(pane->note()));
    QVERIFY2(pane->note().contains(QStringLiteral("位置 0x")), qPrintable(pane->note()));
  }

  // Six settings texts far below an A3 sheet: the pane fits the sheet, says
  // how many lie off it, counts them apart in the legend, and "全体表示"
  // fits everything.
  void textsOffTheSheetAreCountedAndTheAllSwitchShowsThem() {
    auto form = Start();
    PreviewPane *pane = form->previewPane();
    QTRY_COMPARE(form->fileListModel()->rowCount(), 4);
    testing::JwwDrawingSpec plan = testing::MakeCanonicalDrawing(700);
    plan.EntLgrp[0].adScale = 1;
    plan.entities.push_back(testing::Line(-200, -140, 200, 140));
    for (int i = 0; i < 6; ++i) {
      TEntJwwMoji settings = testing::Text(u"View", 1, testing::Attr(9, 9));
      settings.start_y = settings.end_y = -1000;
      plan.entities.push_back(settings);
    }
    const auto bytes = testing::BuildJww(plan).bytes;
    WriteFile(work_->filePath(QStringLiteral("src/real.jww")),
              QByteArray(reinterpret_cast<const char *>(bytes.data()), static_cast<int>(bytes.size())));
    form->Relist();
    QTRY_VERIFY(!form->isListing());
    Select(*form, QStringLiteral("real.jww"));
    QTRY_COMPARE(pane->state(), State::Shown);
    QCOMPARE(pane->note(), QStringLiteral("real.jww（用紙外の要素6個）"));
    QVERIFY2(pane->legendButton(1)->text().endsWith(QStringLiteral("6件  用紙外 6")),
             qPrintable(pane->legendButton(1)->text()));
    QTRY_VERIFY(pane->canvas()->pictureCurrent());
    const double sheetScale = pane->canvas()->scale();
    QVERIFY(sheetScale > 0);
    pane->allSwitch()->setChecked(true);
    QVERIFY(pane->canvas()->fitsAll());
    QVERIFY(pane->canvas()->scale() < sheetScale);  // a metre down as well as the sheet
    QTRY_VERIFY(pane->canvas()->pictureCurrent());
    pane->allSwitch()->setChecked(false);
    QCOMPARE(pane->canvas()->scale(), sheetScale);
  }

  // With the destination listed, outputs are shown as they are: the switch
  // would convert them a second time on screen and make them look unconverted.
  void theSwitchIsOffWhileTheDestinationIsListed() {
    auto form = Start();
    PreviewPane *pane = form->previewPane();
    QTRY_COMPARE(form->fileListModel()->rowCount(), 4);
    pane->mapSwitch()->setChecked(true);
    form->SetDestinationFolder(form->preFolder());
    QVERIFY(!pane->mapSwitch()->isEnabled());
    QVERIFY(!pane->showsMappedKinds());
    form->SetDestinationFolder(QDir::toNativeSeparators(work_->path()));
    QVERIFY(pane->mapSwitch()->isEnabled());
    QVERIFY2(pane->showsMappedKinds(), "the user's choice comes back");
  }
};

}  // namespace

std::unique_ptr<QObject> MakePreviewPaneTest() { return std::make_unique<PreviewPaneTest>(); }

}  // namespace velkaro::test

#include "PreviewPaneTest.moc"
