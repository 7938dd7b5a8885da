// The conversion settings dialog: layout and captions, filling from the map,
// normalisation on OK, "初期状態" with cancel and with OK, Esc and the frame;
// the maps saved under names and the map suggested from a template.
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <memory>

#include <QTemporaryDir>

#include "AppTestSupport.h"
#include "AppTests.h"
#include "KindsPanel.h"
#include "NamedMapsPanel.h"
#include "Unit2.h"
#include "convert/UnitV.h"
#include "service/DrawingFacts.h"
#include "service/NamedMaps.h"

namespace velkaro::test {
namespace {

class SettingsDialogTest : public QObject {
  Q_OBJECT

 private:
  // Shows the dialog modally and runs `act` inside it.
  static int RunDialog(TForm2 &dialog, const std::function<void()> &act) {
    QTimer::singleShot(0, &dialog, act);
    return dialog.exec();
  }
  static TMojiShuMap Shown(TForm2 &dialog) {
    TMojiShuMap shown{};
    RunDialog(dialog, [&] {
      for (int k = 1; k <= 10; ++k)
        shown[static_cast<std::size_t>(k - 1)] = dialog.ComboBox(k)->currentIndex() + 1;
      dialog.reject();
    });
    return shown;
  }

 private slots:
  void init() { ResetMojiShuMap(); }

  void layoutAndCaptions() {
    TForm2 dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("変換設定"));
    // The choices keep their 437 x 223; the saved maps stand beside them.
    QCOMPARE(dialog.size(), QSize(437 + 236, 223));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QVERIFY(!(dialog.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(dialog.windowFlags() & Qt::WindowMinimizeButtonHint);
    const QStringList kinds = {QStringLiteral("文字種１"), QStringLiteral("文字種２"),
                               QStringLiteral("文字種３"), QStringLiteral("文字種４"),
                               QStringLiteral("文字種５"), QStringLiteral("文字種６"),
                               QStringLiteral("文字種７"), QStringLiteral("文字種８"),
                               QStringLiteral("文字種９"), QStringLiteral("文字種10")};
    for (int k = 1; k <= 10; ++k) {
      auto *label = dialog.findChild<QLabel *>(QStringLiteral("Label%1").arg(k));
      QComboBox *combo = dialog.ComboBox(k);
      QVERIFY(label && combo);
      QCOMPARE(label->text(), kinds[k - 1] + QStringLiteral("\u3000→\u3000"));
      QCOMPARE(label->x(), k <= 5 ? 8 : 224);
      QCOMPARE(combo->x(), k <= 5 ? 112 : 328);
      QCOMPARE(combo->y() - dialog.ComboBox(k <= 5 ? 1 : 6)->y(), 24 * ((k - 1) % 5));
      QCOMPARE(label->y(), combo->y());
      QVERIFY(!combo->isEditable());
      QVERIFY(!combo->testAttribute(Qt::WA_InputMethodEnabled));
      QCOMPARE(combo->count(), 10);
      for (int j = 0; j < 10; ++j)
        QCOMPARE(combo->itemText(j), kinds[j]);
    }
    QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("Label11"))->text(),
             QStringLiteral("※設定が重複するものは他へ割り振りされます。"));
    QCOMPARE(dialog.Button1->text(), QStringLiteral("ＯＫ(&Y)"));
    QCOMPARE(dialog.Button2->text(), QStringLiteral("キャンセル(&N)"));
    QCOMPARE(dialog.Button3->text(), QStringLiteral("初期状態"));
    QVERIFY(dialog.Button1->isDefault());
    QCOMPARE(dialog.Button1->parentWidget()->objectName(), QStringLiteral("Panel1"));
    QVERIFY(dialog.Button2->x() > dialog.Button1->x());
  }

  void showingFillsFromTheMapAndFocusesTheFirstBox() {
    MojiShuMap = {3, 1, 2, 4, 5, 6, 7, 8, 10, 9};
    TForm2 dialog;
    QWidget *focused = nullptr;
    RunDialog(dialog, [&] {
      focused = dialog.focusWidget();
      dialog.reject();
    });
    QCOMPARE(focused, dialog.ComboBox(1));
    QCOMPARE(Shown(dialog), (TMojiShuMap{3, 1, 2, 4, 5, 6, 7, 8, 10, 9}));
  }

  void okNormalisesDuplicates() {
    TForm2 dialog;
    const int result = RunDialog(dialog, [&] {
      dialog.ComboBox(1)->setCurrentIndex(1);  // 文字種２ for old kinds 1 and 2
      dialog.Button1->click();
    });
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(MojiShuMap, (TMojiShuMap{2, 1, 3, 4, 5, 6, 7, 8, 9, 10}));
    QCOMPARE(Shown(dialog), MojiShuMap);

    ResetMojiShuMap();
    RunDialog(dialog, [&] {
      dialog.ComboBox(1)->setCurrentIndex(2);
      dialog.ComboBox(2)->setCurrentIndex(2);  // 文字種３ chosen for old kind 2 last
      QTest::keyClick(&dialog, Qt::Key_Return);  // OK is the default button
    });
    QCOMPARE(MojiShuMap, (TMojiShuMap{2, 3, 1, 4, 5, 6, 7, 8, 9, 10}));
  }

  // 1→3 then 2→1 once left box 3 saying 3 while the table said 3→2.
  void theBoxesAlwaysShowTheMapTheTableShows() {
    TForm2 dialog;
    const KindsOverview overview = SummarizeKinds({}, MojiShuMap);
    dialog.showKinds(&overview);
    const auto tableSays = [&](int k) {
      return dialog.kindsPanel()->table()->item(k - 1, KindsPanel::NewKind)->text();
    };
    const struct {
      int box, kind;
      TMojiShuMap shown;
    } steps[] = {
        {1, 3, {3, 2, 1, 4, 5, 6, 7, 8, 9, 10}},
        {2, 1, {3, 1, 2, 4, 5, 6, 7, 8, 9, 10}},
        // A kind an earlier box holds: the latest choice stands.
        {10, 3, {10, 1, 2, 4, 5, 6, 7, 8, 9, 3}},
        {10, 10, {3, 1, 2, 4, 5, 6, 7, 8, 9, 10}},
    };
    RunDialog(dialog, [&] {
      for (const auto &step : steps) {
        dialog.ComboBox(step.box)->setCurrentIndex(step.kind - 1);
        for (int k = 1; k <= 10; ++k) {
          const int shown = dialog.ComboBox(k)->currentIndex() + 1;
          QCOMPARE(shown, step.shown[static_cast<std::size_t>(k - 1)]);
          QCOMPARE(dialog.ComboBox(k)->currentText(), tableSays(k));
        }
      }
      dialog.Button3->click();
      for (int k = 1; k <= 10; ++k)
        QCOMPARE(tableSays(k), MojiShuName(k));
      dialog.reject();
    });
  }

  // A map that is no permutation is shown as it is until the user changes a
  // box; from then on the boxes show it normalised.
  void aChangeNormalisesWhatTheBoxesShow() {
    MojiShuMap = {0, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    TForm2 dialog;
    RunDialog(dialog, [&] {
      QCOMPARE(dialog.ComboBox(1)->currentIndex(), -1);
      dialog.ComboBox(2)->setCurrentIndex(2);  // 3, which box 3 held: box 3 takes 2
      QCOMPARE(dialog.ComboBox(1)->currentIndex() + 1, 1);
      QCOMPARE(dialog.ComboBox(2)->currentIndex() + 1, 3);
      QCOMPARE(dialog.ComboBox(3)->currentIndex() + 1, 2);
      dialog.reject();
    });
  }

  void resetWithCancelKeepsTheMapWithOkMakesTheIdentity() {
    MojiShuMap = {10, 9, 8, 7, 6, 5, 4, 3, 2, 1};
    TForm2 dialog;
    RunDialog(dialog, [&] {
      dialog.Button3->click();
      for (int k = 1; k <= 10; ++k)
        QCOMPARE(dialog.ComboBox(k)->currentIndex(), k - 1);
      QCOMPARE(MojiShuMap[0], 10);  // only the boxes changed so far
      dialog.Button2->click();
    });
    QCOMPARE(MojiShuMap, (TMojiShuMap{10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
    // Choices of a cancelled showing are not kept.
    QCOMPARE(Shown(dialog), MojiShuMap);

    RunDialog(dialog, [&] {
      dialog.Button3->click();
      dialog.Button1->click();
    });
    QCOMPARE(MojiShuMap, (TMojiShuMap{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  }

  void escapeAndTheFrameLeaveTheMap() {
    MojiShuMap = {2, 1, 3, 4, 5, 6, 7, 8, 9, 10};
    TForm2 dialog;
    int result = RunDialog(dialog, [&] {
      dialog.ComboBox(3)->setCurrentIndex(0);
      QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    QCOMPARE(result, int(QDialog::Rejected));
    result = RunDialog(dialog, [&] {
      dialog.ComboBox(4)->setCurrentIndex(0);
      dialog.close();  // the window frame's close button
    });
    QCOMPARE(result, int(QDialog::Rejected));
    QCOMPARE(MojiShuMap, (TMojiShuMap{2, 1, 3, 4, 5, 6, 7, 8, 9, 10}));
  }

  void aKindOutsideTheRangeLeavesNoChoiceAndCountsAsZero() {
    MojiShuMap = {0, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    TForm2 dialog;
    RunDialog(dialog, [&] {
      QCOMPARE(dialog.ComboBox(1)->currentIndex(), -1);
      dialog.Button1->click();
    });
    QCOMPARE(MojiShuMap, (TMojiShuMap{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  }

  // Saving, choosing, renaming and deleting maps: each change is in the file
  // at once; the office's maps are offered but cannot be changed.
  void savedMapsAreChosenSavedRenamedAndDeleted() {
    QTemporaryDir dir;
    const QString user = dir.filePath(QStringLiteral("velkaro.maps.json"));
    const QString office = dir.filePath(QStringLiteral("office.maps.json"));
    QVERIFY(SaveNamedMaps(office.toStdU16String(), {{u"標準", {3, 1, 2, 4, 5, 6, 7, 8, 9, 10}}}));
    RecordingDesktop desktop;
    TForm2 dialog(nullptr, &desktop);
    NamedMapsPanel *panel = dialog.namedMaps();
    panel->setFiles(user, office);
    QCOMPARE(panel->list()->count(), 1);
    QCOMPARE(panel->list()->item(0)->text(), QStringLiteral("標準（事務所の標準）"));
    RunDialog(dialog, [&] {
      panel->list()->setCurrentRow(0);  // chosen: into the boxes
      QCOMPARE(dialog.ChosenMap(), (TMojiShuMap{3, 1, 2, 4, 5, 6, 7, 8, 9, 10}));
      QVERIFY(!panel->button("DeleteMap")->isEnabled());
      dialog.ComboBox(1)->setCurrentIndex(1);  // 1 -> 2, as normalised
      desktop.textAnswers << QStringLiteral("A社 設計部");
      panel->SaveCurrent();
      desktop.textAnswers << QStringLiteral("A社");
      panel->list()->setCurrentRow(1);
      panel->RenameSelected();
      dialog.reject();
    });
    NamedMapsFile file = LoadNamedMaps(user.toStdU16String());
    QCOMPARE(file.maps.size(), std::size_t{1});
    QVERIFY(file.maps[0].name == u"A社");
    QCOMPARE(file.maps[0].map, dialog.ChosenMap());
    // Export, delete, import back: the name that exists is asked about.
    const QString exported = dir.filePath(QStringLiteral("shared.json"));
    desktop.fileAnswers << exported;
    panel->list()->clearSelection();
    panel->Export();  // nothing selected: all, the office's included
    QCOMPARE(LoadNamedMaps(exported.toStdU16String()).maps.size(), std::size_t{2});
    panel->list()->setCurrentRow(1);
    panel->DeleteSelected();
    QVERIFY(LoadNamedMaps(user.toStdU16String()).maps.empty());
    desktop.fileAnswers << exported;
    desktop.clear();
    panel->Import();
    QCOMPARE(LoadNamedMaps(user.toStdU16String()).maps.size(), std::size_t{1});  // 標準 stays the office's
    QCOMPARE(desktop.count(DesktopCall::Confirm), 0);
  }

  // A maps file that cannot be read is told once and never written over.
  void aDamagedMapsFileIsToldOnceAndLeftAlone() {
    QTemporaryDir dir;
    const QString user = dir.filePath(QStringLiteral("velkaro.maps.json"));
    QVERIFY(WriteFile(user, QByteArray("{\"maps\": [")));
    RecordingDesktop desktop;
    TForm2 dialog(nullptr, &desktop);
    dialog.namedMaps()->setFiles(user, QString());
    dialog.namedMaps()->setFiles(user, QString());
    QCOMPARE(desktop.messages().size(), 1);
    QVERIFY(desktop.messages().first().contains(QStringLiteral("not JSON")));
    QVERIFY(!dialog.namedMaps()->button("SaveMap")->isEnabled());
    dialog.namedMaps()->SaveCurrent();
    QCOMPARE(ReadFile(user), QByteArray("{\"maps\": ["));
  }

  // The suggestion fills the boxes and says why, kind by kind.
  void aSuggestionFillsTheBoxesWithItsReasons() {
    QTemporaryDir dir;
    const QString office = dir.filePath(QStringLiteral("office.jww"));
    const QString partner = dir.filePath(QStringLiteral("partner.jww"));
    QVERIFY(WriteFile(office, JwwDrawing(700, u"office", {1, 2})));
    QVERIFY(WriteFile(partner, JwwDrawingWithSwappedKinds(700, u"partner", {1, 2})));
    RecordingDesktop desktop;
    TForm2 dialog(nullptr, &desktop);
    dialog.namedMaps()->setSelectedDrawings({QDir::toNativeSeparators(partner).toStdU16String()});
    QString reasons;
    RunDialog(dialog, [&] {
      desktop.fileAnswers << office;
      dialog.namedMaps()->SuggestFromTemplate();
      reasons = dialog.suggestionText();
      dialog.Button1->click();
    });
    QCOMPARE(MojiShuMap, (TMojiShuMap{2, 1, 3, 4, 5, 6, 7, 8, 9, 10}));
    QVERIFY2(reasons.contains(QStringLiteral("→ 2: 同じ")), qPrintable(reasons));
    QVERIFY(dialog.height() > 223);
  }

  void kindNames() {
    QCOMPARE(MojiShuName(1), QString(QStringLiteral("文字種") + QChar(0xFF11)));
    QCOMPARE(MojiShuName(9), QString(QStringLiteral("文字種") + QChar(0xFF19)));
    QCOMPARE(MojiShuName(10), QStringLiteral("文字種10"));
  }
};

}  // namespace

std::unique_ptr<QObject> MakeSettingsDialogTest() { return std::make_unique<SettingsDialogTest>(); }

}  // namespace velkaro::test

#include "SettingsDialogTest.moc"
