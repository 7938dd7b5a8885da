// Unit2: TForm2, the conversion settings dialog.
#include "Unit2.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

#include <QPlainTextEdit>

#include "Desktop.h"
#include "KindsPanel.h"
#include "NamedMapsPanel.h"
#include "convert/UnitV.h"

namespace velkaro {

namespace {

// The dialog's fixed geometry: labels at x 8 and 224, combo boxes at 112 and
// 328, five rows 24 pixels apart.
constexpr int kClientWidth = 437;
constexpr int kClientHeight = 223;
constexpr int kLabelLeft[2] = {8, 224};
constexpr int kComboLeft[2] = {112, 328};
constexpr int kFirstRowTop = 16;
constexpr int kRowPitch = 24;
constexpr int kComboWidth = 97;
constexpr int kComboHeight = 21;
constexpr int kPanel1Height = 41;
// The saved maps beside the ten choices, and the height of a suggestion's
// reasons below them.
constexpr int kMapsColumnWidth = 236;
constexpr int kDialogWidth = kClientWidth + kMapsColumnWidth;
constexpr int kSuggestionHeight = 200;

}  // namespace

QString MojiShuName(int kind) {
  // Full-width digits U+FF11..U+FF19; 10 is written in ASCII.
  const QString number = kind == 10 ? QStringLiteral("10") : QString(QChar(0xFF10 + kind));
  return QStringLiteral("文字種") + number;
}

TForm2::TForm2(QWidget *parent, Desktop *desktop) : QDialog(parent) {
  namedMaps_ = new NamedMapsPanel(desktop ? *desktop : DefaultDesktop(), this);
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QStringLiteral("変換設定"));
  // A fixed-size window with a system menu and a minimise button, no maximise
  // button.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setModal(true);
  BuildComponents();
  Relayout();
}

void TForm2::BuildComponents() {
  const QString arrow = QStringLiteral("　→　");
  for (int k = 1; k <= 10; ++k) {
    const int side = k <= 5 ? 0 : 1;
    const int top = kFirstRowTop + kRowPitch * ((k - 1) % 5);

    auto *label = new QLabel(MojiShuName(k) + arrow, this);
    label->setObjectName(QStringLiteral("Label%1").arg(k));
    label->setGeometry(kLabelLeft[side], top, kComboLeft[side] - kLabelLeft[side], kComboHeight);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    auto *combo = new QComboBox(this);
    combo->setObjectName(QStringLiteral("ComboBox%1").arg(k));
    combo->setEditable(false);
    combo->setAttribute(Qt::WA_InputMethodEnabled, false);
    for (int kind = 1; kind <= 10; ++kind)
      combo->addItem(MojiShuName(kind));
    combo->setGeometry(kComboLeft[side], top, kComboWidth, kComboHeight);
    label->setBuddy(combo);
    connect(combo, &QComboBox::currentIndexChanged, this, [this, k] { ChoiceChanged(k); });
  }

  const int belowRows = kFirstRowTop + kRowPitch * 5 + 8;
  Button3 = new QPushButton(QStringLiteral("初期状態"), this);
  Button3->setObjectName(QStringLiteral("Button3"));
  Button3->setAutoDefault(false);
  Button3->setGeometry(kLabelLeft[0], belowRows, 96, 25);

  auto *label11 = new QLabel(QStringLiteral("※設定が重複するものは他へ割り振りされます。"), this);
  label11->setObjectName(QStringLiteral("Label11"));
  label11->setGeometry(kComboLeft[0], belowRows, kClientWidth - kComboLeft[0] - 8, 25);
  label11->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  auto *panel1 = new QWidget(this);
  panel1_ = panel1;
  panel1->setObjectName(QStringLiteral("Panel1"));
  panel1->setGeometry(0, kClientHeight - kPanel1Height, kDialogWidth, kPanel1Height);

  kindsPanel_ = new KindsPanel(this);
  kindsPanel_->hide();

  Button1 = new QPushButton(QStringLiteral("ＯＫ(&Y)"), panel1);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);
  Button1->setGeometry(kDialogWidth - 2 * 96 - 8, 8, 88, 25);

  Button2 = new QPushButton(QStringLiteral("キャンセル(&N)"), panel1);
  Button2->setObjectName(QStringLiteral("Button2"));
  Button2->setAutoDefault(false);
  Button2->setGeometry(kDialogWidth - 96 - 8 + 4, 8, 88, 25);

  // Beside the buttons, where it is seen on every showing.
  confirmBox_ = new QCheckBox(QStringLiteral("変換前に確認する"), panel1);
  confirmBox_->setObjectName(QStringLiteral("ConfirmBeforeConvert"));
  confirmBox_->setGeometry(kLabelLeft[0], 8, kClientWidth - 2 * kLabelLeft[0], 25);
  confirmBox_->setChecked(true);

  connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm2::Button2Click);
  connect(Button3, &QPushButton::clicked, this, &TForm2::Button3Click);

  namedMaps_->setGeometry(kClientWidth, 8, kMapsColumnWidth - 8, kClientHeight - kPanel1Height - 8);
  namedMaps_->setCurrentMap([this] { return ChosenMap(); });
  connect(namedMaps_, &NamedMapsPanel::mapChosen, this, &TForm2::showChoices);
  connect(namedMaps_, &NamedMapsPanel::suggested, this, &TForm2::ShowSuggestion);
  suggestion_ = new QPlainTextEdit(this);
  suggestion_->setObjectName(QStringLiteral("SuggestionReasons"));
  suggestion_->setReadOnly(true);
  suggestion_->hide();

  for (int k = 1; k < 10; ++k)
    setTabOrder(ComboBox(k), ComboBox(k + 1));
  setTabOrder(ComboBox(10), Button3);
  setTabOrder(Button3, confirmBox_);
  setTabOrder(confirmBox_, Button1);
  setTabOrder(Button1, Button2);
}

QComboBox *TForm2::ComboBox(int k) const {
  return findChild<QComboBox *>(QStringLiteral("ComboBox%1").arg(k), Qt::FindDirectChildrenOnly);
}

void TForm2::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  if (!event->spontaneous())
    FormShow();
}

void TForm2::showChoices(const TMojiShuMap &map) {
  TMojiShuMap m = map;
  NormalizeMojiShuMap(m);
  ShowChoices(m);
}

void TForm2::ShowSuggestion(const QString &reasons) {
  suggestion_->setPlainText(reasons);
  suggestion_->setVisible(!reasons.isEmpty());
  Relayout();
}

QString TForm2::suggestionText() const {
  return suggestion_->isVisible() ? suggestion_->toPlainText() : QString();
}

void TForm2::Relayout() {
  int top = kClientHeight - kPanel1Height;
  if (!kindsPanel_->isHidden()) {
    kindsPanel_->resize(kDialogWidth - 2 * kLabelLeft[0], kindsPanel_->height());
    const int height = kindsPanel_->neededHeight();
    kindsPanel_->setGeometry(kLabelLeft[0], top, kDialogWidth - 2 * kLabelLeft[0], height);
    top += height;
  }
  if (!suggestion_->isHidden()) {
    suggestion_->setGeometry(kLabelLeft[0], top + 4, kDialogWidth - 2 * kLabelLeft[0], kSuggestionHeight - 8);
    top += kSuggestionHeight;
  }
  panel1_->move(0, top);
  setFixedSize(kDialogWidth, top + kPanel1Height);
}

void TForm2::FormShow() {
  // A suggestion belongs to the showing it was made in.
  suggestion_->clear();
  suggestion_->hide();
  Relayout();
  syncing_ = true;
  for (int k = 1; k <= 10; ++k) {
    const std::int32_t kind = MojiShuMap[static_cast<std::size_t>(k - 1)];
    // A kind outside 1..10 (never in a normalised map) leaves no choice.
    ComboBox(k)->setCurrentIndex(kind >= 1 && kind <= 10 ? kind - 1 : -1);
    shown_[static_cast<std::size_t>(k - 1)] = ComboBox(k)->currentIndex();
  }
  syncing_ = false;
  ComboBox(1)->setFocus();
}

void TForm2::Button1Click() {
  for (int k = 1; k <= 10; ++k)
    MojiShuMap[static_cast<std::size_t>(k - 1)] = ComboBox(k)->currentIndex() + 1;
  NormalizeMojiShuMap();
  accept();
}

void TForm2::Button2Click() { reject(); }

void TForm2::setConfirmBeforeConvert(bool on) { confirmBox_->setChecked(on); }

bool TForm2::confirmBeforeConvert() const { return confirmBox_->isChecked(); }

TMojiShuMap TForm2::ChosenMap() const {
  TMojiShuMap map{};
  for (int k = 1; k <= 10; ++k)
    map[static_cast<std::size_t>(k - 1)] = ComboBox(k)->currentIndex() + 1;
  NormalizeMojiShuMap(map);
  return map;
}

void TForm2::ChoiceChanged(int k) {
  if (syncing_)
    return;
  const int chosen = ComboBox(k)->currentIndex();
  const int gaveUp = shown_[static_cast<std::size_t>(k - 1)];
  // The user's latest choice stands: the box that held that kind takes the
  // one this box gave up (normalising alone would undo the choice whenever
  // an earlier box held the kind).
  syncing_ = true;
  for (int j = 1; j <= 10 && chosen >= 0 && gaveUp >= 0; ++j)
    if (j != k && ComboBox(j)->currentIndex() == chosen)
      ComboBox(j)->setCurrentIndex(gaveUp);
  syncing_ = false;
  ShowChoices(ChosenMap());
}

void TForm2::ShowChoices(const TMojiShuMap &map) {
  syncing_ = true;
  for (int k = 1; k <= 10; ++k) {
    ComboBox(k)->setCurrentIndex(map[static_cast<std::size_t>(k - 1)] - 1);
    shown_[static_cast<std::size_t>(k - 1)] = ComboBox(k)->currentIndex();
  }
  syncing_ = false;
  if (kindsPanel_ && !kindsPanel_->isHidden())
    kindsPanel_->showMap(map);
}

void TForm2::showKinds(const KindsOverview *overview) {
  if (!overview) {
    kindsPanel_->hide();
    Relayout();
    return;
  }
  kindsPanel_->setOverview(*overview);
  kindsPanel_->show();
  kindsPanel_->showMap(ChosenMap());
  Relayout();
}

void TForm2::Button3Click() {
  ShowChoices({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
}

}  // namespace velkaro
