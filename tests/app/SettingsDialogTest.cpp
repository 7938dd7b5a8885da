// The conversion settings dialog: layout and captions, filling from the map,
// normalisation on OK, "初期状態" with cancel and with OK, Esc and the frame.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <memory>

#include "AppTests.h"
#include "KindsPanel.h"
#include "Unit2.h"
#include "convert/UnitV.h"
#include "service/DrawingFacts.h"

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
    QCOMPARE(dialog.size(), QSize(437, 223));
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
