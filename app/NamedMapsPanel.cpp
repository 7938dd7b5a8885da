// NamedMapsPanel: the saved maps and the suggestion in the settings dialog.
#include "NamedMapsPanel.h"

#include <QApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "Desktop.h"
#include "service/DrawingFacts.h"
#include "service/MapSuggestion.h"

namespace velkaro {

namespace {

const QString kMapsFilter = QStringLiteral("対応表 (*.json)");
const QString kDrawingFilter = QStringLiteral("Jw_cad 図面 (*.jww *.jwc *.JWW *.JWC)");
const QString kOfficeMark = QStringLiteral("（事務所の標準）");

QString Q(const std::u16string &s) { return QString::fromStdU16String(s); }

}  // namespace

NamedMapsPanel::NamedMapsPanel(Desktop &desktop, QWidget *parent) : QWidget(parent), desktop_(desktop) {
  setObjectName(QStringLiteral("NamedMapsPanel"));
  auto *column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(4);
  title_ = new QLabel(QStringLiteral("保存した対応表"), this);
  column->addWidget(title_);
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("NamedMapsList"));
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  column->addWidget(list_, 1);
  auto *grid = new QGridLayout();
  grid->setSpacing(4);
  const std::pair<const char *, QString> buttons[] = {
      {"SaveMap", QStringLiteral("保存…")},        {"RenameMap", QStringLiteral("名前の変更…")},
      {"DeleteMap", QStringLiteral("削除")},       {"ExportMaps", QStringLiteral("書き出し…")},
      {"ImportMaps", QStringLiteral("読み込み…")}, {"SuggestMap", QStringLiteral("基準図面から作成…")}};
  int i = 0;
  for (const auto &[name, text] : buttons) {
    QPushButton *b = AddButton(name, text);
    if (i < 5)
      grid->addWidget(b, i / 2, i % 2);
    else
      grid->addWidget(b, 3, 0, 1, 2);
    ++i;
  }
  column->addLayout(grid);
  connect(button("SaveMap"), &QPushButton::clicked, this, &NamedMapsPanel::SaveCurrent);
  connect(button("RenameMap"), &QPushButton::clicked, this, &NamedMapsPanel::RenameSelected);
  connect(button("DeleteMap"), &QPushButton::clicked, this, &NamedMapsPanel::DeleteSelected);
  connect(button("ExportMaps"), &QPushButton::clicked, this, &NamedMapsPanel::Export);
  connect(button("ImportMaps"), &QPushButton::clicked, this, &NamedMapsPanel::Import);
  connect(button("SuggestMap"), &QPushButton::clicked, this, &NamedMapsPanel::SuggestFromTemplate);
  connect(list_, &QListWidget::itemSelectionChanged, this, [this] {
    UpdateButtons();
    if (const NamedMap *m = Selected())
      emit mapChosen(m->map);
  });
  UpdateButtons();
}

QPushButton *NamedMapsPanel::AddButton(const char *name, const QString &text) {
  auto *b = new QPushButton(text, this);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  return b;
}

QPushButton *NamedMapsPanel::button(const char *name) const {
  return findChild<QPushButton *>(QString::fromLatin1(name));
}

void NamedMapsPanel::setFiles(const QString &userFile, const QString &officeFile) {
  userFile_ = userFile;
  officeFile_ = officeFile == userFile ? QString() : officeFile;
  Load();
}

void NamedMapsPanel::setSelectedDrawings(std::vector<std::u16string> paths) {
  selected_ = std::move(paths);
}

void NamedMapsPanel::Load() {
  maps_.clear();
  writable_ = true;
  if (!officeFile_.isEmpty()) {
    const NamedMapsFile office = LoadNamedMaps(officeFile_.toStdU16String());
    for (NamedMap m : office.maps) {
      m.readOnly = true;
      maps_.push_back(std::move(m));
    }
  }
  const NamedMapsFile user = LoadNamedMaps(userFile_.toStdU16String());
  if (user.state == NamedMapsState::Damaged) {
    // Kept as it is on disk: nothing is saved over it until it is put right.
    writable_ = false;
    if (reportedFile_ != userFile_) {
      reportedFile_ = userFile_;
      desktop_.ShowMessage(this, QStringLiteral("保存した対応表のファイル「%1」を読み込めません（%2）。\n"
                                                "ファイルはそのまま残し、保存した対応表は使わずに続けます。")
                                     .arg(userFile_, QString::fromStdString(user.reason)));
    }
  }
  for (const NamedMap &m : user.maps)
    if (!FindNamedMap(maps_, m.name))
      maps_.push_back(m);
  Fill();
}

bool NamedMapsPanel::Store() {
  if (!writable_)
    return false;
  if (!SaveNamedMaps(userFile_.toStdU16String(), maps_)) {
    desktop_.ShowMessage(this, QStringLiteral("対応表を保存できません：") + userFile_);
    Load();  // back to what the file holds
    return false;
  }
  Fill();
  return true;
}

void NamedMapsPanel::Fill() {
  const QSignalBlocker quiet(list_);
  list_->clear();
  for (const NamedMap &m : maps_) {
    auto *item = new QListWidgetItem(Q(m.name) + (m.readOnly ? kOfficeMark : QString()), list_);
    item->setData(Qt::UserRole, Q(m.name));
    item->setToolTip(Q(MapSummaryText(m.map)));
    if (m.readOnly) {
      QFont italic = item->font();
      italic.setItalic(true);
      item->setFont(italic);
    }
  }
  title_->setText(writable_ ? QStringLiteral("保存した対応表")
                            : QStringLiteral("保存した対応表（ファイルを読み込めません）"));
  UpdateButtons();
}

const NamedMap *NamedMapsPanel::Selected() const {
  const QList<QListWidgetItem *> items = list_->selectedItems();
  if (items.size() != 1)
    return nullptr;
  return FindNamedMap(maps_, items.first()->data(Qt::UserRole).toString().toStdU16String());
}

void NamedMapsPanel::UpdateButtons() {
  const NamedMap *m = Selected();
  button("SaveMap")->setEnabled(writable_);
  button("ImportMaps")->setEnabled(writable_);
  button("RenameMap")->setEnabled(writable_ && m && !m->readOnly);
  button("DeleteMap")->setEnabled(writable_ && m && !m->readOnly);
  button("ExportMaps")->setEnabled(!maps_.empty());
}

void NamedMapsPanel::SaveCurrent() {
  if (!current_)
    return;
  const NamedMap *m = Selected();
  const QString name = desktop_.AskText(this, QStringLiteral("対応表の保存"),
                                        QStringLiteral("対応表の名前："),
                                        m && !m->readOnly ? Q(m->name) : QString());
  if (name.isEmpty())
    return;
  if (!IsUsableMapName(name.toStdU16String())) {
    desktop_.ShowMessage(this, QStringLiteral("その名前では保存できません。"));
    return;
  }
  const NamedMap *existing = FindNamedMap(maps_, name.toStdU16String());
  if (existing && existing->readOnly) {
    desktop_.ShowMessage(this, QStringLiteral("「%1」は事務所の標準の対応表です。別の名前で保存して下さい。").arg(name));
    return;
  }
  if (existing && !desktop_.Confirm(this, QStringLiteral("「%1」を今の対応に置き換えますか？").arg(name)))
    return;
  PutNamedMap(maps_, {name.toStdU16String(), current_()});
  Store();
}

void NamedMapsPanel::RenameSelected() {
  const NamedMap *m = Selected();
  if (!m || m->readOnly)
    return;
  const std::u16string old = m->name;
  const QString name = desktop_.AskText(this, QStringLiteral("名前の変更"), QStringLiteral("新しい名前："), Q(old));
  if (name.isEmpty() || name.toStdU16String() == old)
    return;
  if (!IsUsableMapName(name.toStdU16String()) || FindNamedMap(maps_, name.toStdU16String())) {
    desktop_.ShowMessage(this, QStringLiteral("「%1」という名前は使えません（空か、すでにあります）。").arg(name));
    return;
  }
  for (NamedMap &each : maps_)
    if (each.name == old)
      each.name = name.toStdU16String();
  Store();
}

void NamedMapsPanel::DeleteSelected() {
  const NamedMap *m = Selected();
  if (!m || m->readOnly ||
      !desktop_.Confirm(this, QStringLiteral("対応表「%1」を削除しますか？").arg(Q(m->name))))
    return;
  const std::u16string name = m->name;
  std::erase_if(maps_, [&](const NamedMap &each) { return each.name == name; });
  Store();
}

void NamedMapsPanel::Export() {
  std::vector<NamedMap> chosen;
  for (const QListWidgetItem *item : list_->selectedItems())
    if (const NamedMap *m = FindNamedMap(maps_, item->data(Qt::UserRole).toString().toStdU16String()))
      chosen.push_back(*m);
  if (chosen.empty())
    chosen = maps_;  // nothing selected: all of them
  const QString file = desktop_.ChooseFile(this, QStringLiteral("対応表の書き出し"), kMapsFilter, true);
  if (file.isEmpty())
    return;
  for (NamedMap &m : chosen)
    m.readOnly = false;  // the file is the receiver's to change
  if (!SaveNamedMaps(file.toStdU16String(), chosen))
    desktop_.ShowMessage(this, QStringLiteral("書き出せません：") + file);
}

void NamedMapsPanel::Import() {
  const QString file = desktop_.ChooseFile(this, QStringLiteral("対応表の読み込み"), kMapsFilter, false);
  if (file.isEmpty())
    return;
  const NamedMapsFile read = LoadNamedMaps(file.toStdU16String());
  if (read.state != NamedMapsState::Read) {
    desktop_.ShowMessage(this, QStringLiteral("対応表のファイル「%1」を読み込めません（%2）。")
                                   .arg(file, QString::fromStdString(read.reason)));
    return;
  }
  for (const NamedMap &m : read.maps) {
    const NamedMap *existing = FindNamedMap(maps_, m.name);
    if (existing && (existing->readOnly ||
                     !desktop_.Confirm(this, QStringLiteral("「%1」はすでにあります。読み込んだものに置き換えますか？")
                                                 .arg(Q(m.name)))))
      continue;
    PutNamedMap(maps_, {m.name, m.map});
  }
  Store();
}

void NamedMapsPanel::SuggestFromTemplate() {
  if (selected_.empty()) {
    desktop_.ShowMessage(this, QStringLiteral("変換する図面を一覧で選んでから使って下さい。"));
    return;
  }
  const QString file = desktop_.ChooseFile(this, QStringLiteral("基準図面を選んで下さい"), kDrawingFilter, false);
  if (file.isEmpty())
    return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  DrawingInfo templ;
  std::string error;
  const bool templateRead = ReadDrawingInfo(file.toStdU16String(), templ, error) && templ.textKinds.size() == 10;
  std::vector<DrawingInfo> sources;
  QStringList unreadable;
  for (const std::u16string &path : selected_) {
    DrawingInfo info;
    if (ReadDrawingInfo(path, info, error))
      sources.push_back(std::move(info));
    else
      unreadable << QFileInfo(Q(path)).fileName();
  }
  QApplication::restoreOverrideCursor();
  if (!templateRead) {
    desktop_.ShowMessage(this, QStringLiteral("基準図面「%1」の文字種を読み込めません。").arg(file));
    return;
  }
  const MapSuggestion s = SuggestMap(sources, templ.textKinds);
  QString reasons = QStringLiteral("基準図面：%1\n").arg(QFileInfo(file).fileName());
  for (const KindSuggestion &k : s.kinds)
    reasons += Q(KindSuggestionText(k)) + QLatin1Char('\n');
  if (!s.notFitting.empty()) {
    reasons += QStringLiteral("文字種の表がほかと異なるため、この対応が合わない図面：\n");
    for (const std::u16string &path : s.notFitting)
      reasons += QStringLiteral("　") + QFileInfo(Q(path)).fileName() + QLatin1Char('\n');
  }
  if (!unreadable.isEmpty())
    reasons += QStringLiteral("読み込めなかった図面：") + unreadable.join(QStringLiteral("、")) + QLatin1Char('\n');
  emit mapChosen(s.map);
  emit suggested(reasons.trimmed());
}

}  // namespace velkaro
