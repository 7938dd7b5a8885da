// Unit2: the conversion settings dialog TForm2, which edits MojiShuMap (the
// new text kind of each old kind), one drop-down list per old kind.
//
// Each showing starts from the current map; OK stores the choices and makes
// the map a permutation again (NormalizeMojiShuMap); cancel, Esc and the
// window frame leave the map as it was.
//
// The boxes never show a duplicate: a kind chosen in one box is taken from
// the box that had it, which gets the kind the first box gave up, and the
// ten boxes then show the map normalised, as OK would store it.
//
// When the main window hands it the kinds of the selected drawings
// (showKinds), the dialog grows a table below the choices (KindsPanel) that
// tells, per old kind, its look, how many texts use it and what it becomes
// under the choices as they stand (normalised as OK would store them).
//
// Beside the choices, the maps saved under names and the map suggested from
// a template drawing (NamedMapsPanel): choosing one fills the boxes, which
// the user may still change before OK; a suggestion's reasons show below.
#pragma once

#include <QDialog>

#include <array>

#include "convert/UnitV.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace velkaro {

class Desktop;
class KindsPanel;
class NamedMapsPanel;
struct KindsOverview;

class TForm2 : public QDialog {
  Q_OBJECT
 public:
  // `desktop`: where the saved maps' questions go; null: the real desktop.
  explicit TForm2(QWidget *parent = nullptr, Desktop *desktop = nullptr);

  // Combo box k (1 to 10) edits map entry k; addressed by its name
  // "ComboBox" followed by k, as the dialog's components are.
  QComboBox *ComboBox(int k) const;

  QPushButton *Button1 = nullptr;  // "ＯＫ(&Y)"
  QPushButton *Button2 = nullptr;  // "キャンセル(&N)"
  QPushButton *Button3 = nullptr;  // "初期状態"

  // Shows the kinds of the selected drawings below the choices; null hides
  // the table and gives the dialog its plain size again.
  void showKinds(const KindsOverview *overview);
  KindsPanel *kindsPanel() const { return kindsPanel_; }
  NamedMapsPanel *namedMaps() const { return namedMaps_; }
  // The reasons of the last suggestion ("1: 2×2 (0.5) 色1 → 2: 同じ", ...);
  // empty when none was made in this showing.
  QString suggestionText() const;
  // Puts a map into the ten boxes (choosing a saved map, a suggestion).
  void showChoices(const TMojiShuMap &map);
  // The map the choices give, normalised as OK stores it.
  TMojiShuMap ChosenMap() const;
  // "変換前に確認する": whether the main window asks before a batch writes.
  void setConfirmBeforeConvert(bool on);
  bool confirmBeforeConvert() const;
  QCheckBox *confirmBox() const { return confirmBox_; }

 public slots:
  void Button1Click();
  void Button2Click();
  void Button3Click();

 protected:
  void showEvent(QShowEvent *event) override;

 private:
  void FormShow();
  void BuildComponents();
  void Relayout();
  void ShowSuggestion(const QString &reasons);
  void ChoiceChanged(int k);
  void ShowChoices(const TMojiShuMap &map);

  // The choices as the boxes last showed them (index per box), so that a
  // change knows the kind its box gave up.
  std::array<int, 10> shown_{};
  bool syncing_ = false;  // the boxes are being set by the dialog itself

  QWidget *panel1_ = nullptr;
  NamedMapsPanel *namedMaps_ = nullptr;
  QPlainTextEdit *suggestion_ = nullptr;
  QCheckBox *confirmBox_ = nullptr;
  KindsPanel *kindsPanel_ = nullptr;
};

// "文字種１" .. "文字種10": full-width digits 1 to 9, ASCII "10".
QString MojiShuName(int kind);

}  // namespace velkaro
