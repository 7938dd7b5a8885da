// KindsPanel: the table of old kinds in the settings dialog.
#include "KindsPanel.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "Unit2.h"
#include "support/Func_2.h"

namespace velkaro {

namespace {

const QString kDiffers = QStringLiteral("選択した図面の間で値が異なります（最初の図面の値）");

QString Number(double v) { return QString::fromStdU16String(RealToString(v)); }

QString Count(std::int64_t n) { return n == 0 ? QString() : QString::number(n); }

// "用紙外 6": texts a drafter never sees on paper, so a kind that only they
// use is not taken for one the drawing shows.
QString UnprintedText(const KindUse &use) {
  QStringList parts;
  if (use.offSheet > 0)
    parts << QStringLiteral("用紙外 %1").arg(use.offSheet);
  if (use.auxiliary > 0)
    parts << QStringLiteral("補助線色 %1").arg(use.auxiliary);
  return parts.join(QStringLiteral("、"));
}

}  // namespace

KindsPanel::KindsPanel(QWidget *parent)
    : QWidget(parent), table_(new QTableWidget(10, ColumnCount, this)), note_(new QLabel(this)) {
  setObjectName(QStringLiteral("KindsPanel"));
  table_->setObjectName(QStringLiteral("KindsTable"));
  note_->setObjectName(QStringLiteral("KindsNote"));
  note_->setWordWrap(true);
  note_->setTextFormat(Qt::PlainText);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(table_);
  layout->addWidget(note_);

  table_->setHorizontalHeaderLabels({QStringLiteral("文字種"), QStringLiteral("幅"),
                                     QStringLiteral("高さ"), QStringLiteral("間隔"),
                                     QStringLiteral("色"), QStringLiteral("文字"),
                                     QStringLiteral("寸法"), QStringLiteral("ブロック"),
                                     QStringLiteral("印刷外"), QStringLiteral("変換後")});
  table_->horizontalHeaderItem(Texts)->setToolTip(QStringLiteral("図面の文字の数"));
  table_->horizontalHeaderItem(Dimensions)->setToolTip(QStringLiteral("寸法の文字の数"));
  table_->horizontalHeaderItem(Blocks)->setToolTip(QStringLiteral("ブロック内の文字と寸法の数"));
  table_->horizontalHeaderItem(Unprinted)
      ->setToolTip(QStringLiteral("印刷されない文字の数（用紙外、補助線色）"));
  table_->horizontalHeaderItem(Colour)->setToolTip(QStringLiteral("色番号（JWCはペン番号）"));
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionMode(QAbstractItemView::NoSelection);
  table_->setFocusPolicy(Qt::NoFocus);
  table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  table_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  table_->setWordWrap(false);
  // The kind names and the longest header keep their width; the figures
  // share the rest.
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  for (int column : {Kind, Blocks, Unprinted, NewKind})
    table_->horizontalHeader()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
  for (int row = 0; row < 10; ++row)
    for (int column = 0; column < ColumnCount; ++column)
      SetCell(row, column, QString());
  setOverview(KindsOverview{});
}

int KindsPanel::neededHeight() const {
  const int rows = table_->verticalHeader()->defaultSectionSize() * 10;
  const int header = table_->horizontalHeader()->sizeHint().height();
  const int frame = 2 * table_->frameWidth();
  const int noteHeight = note_->heightForWidth(width() > 0 ? width() : 400);
  return rows + header + frame + 2 + std::max(noteHeight, note_->sizeHint().height());
}

void KindsPanel::SetCell(int row, int column, const QString &text, const QString &toolTip) {
  QTableWidgetItem *item = table_->item(row, column);
  if (!item) {
    item = new QTableWidgetItem;
    item->setTextAlignment(column == Kind || column == NewKind ? (Qt::AlignLeft | Qt::AlignVCenter)
                                                              : (Qt::AlignRight | Qt::AlignVCenter));
    table_->setItem(row, column, item);
  }
  item->setText(text);
  item->setToolTip(toolTip);
}

void KindsPanel::setOverview(const KindsOverview &overview) {
  overview_ = overview;
  Fill();
}

void KindsPanel::showMap(const TMojiShuMap &map) {
  ApplyMap(overview_, map);
  for (int row = 0; row < 10; ++row) {
    const KindSummary &kind = overview_.kinds[static_cast<std::size_t>(row)];
    // A kind that changes is in bold.
    SetCell(row, NewKind, MojiShuName(kind.newKind));
    QFont font = table_->font();
    font.setBold(kind.newKind != kind.kind);
    table_->item(row, NewKind)->setFont(font);
  }
}

void KindsPanel::Fill() {
  bool anyDiffers = false;
  for (int row = 0; row < 10; ++row) {
    const KindSummary &kind = overview_.kinds[static_cast<std::size_t>(row)];
    SetCell(row, Kind, MojiShuName(kind.kind));
    if (kind.entry) {
      const QString mark = kind.entryDiffers ? QStringLiteral("*") : QString();
      const QString tip = kind.entryDiffers ? kDiffers : QString();
      SetCell(row, Width, Number(kind.entry->width) + mark, tip);
      SetCell(row, Height, Number(kind.entry->height) + mark, tip);
      SetCell(row, Spacing, Number(kind.entry->spacing) + mark, tip);
      SetCell(row, Colour, QString::number(kind.entry->colour) + mark, tip);
    } else {
      for (int column : {Width, Height, Spacing, Colour})
        SetCell(row, column, QStringLiteral("-"));
    }
    anyDiffers = anyDiffers || kind.entryDiffers;
    SetCell(row, Texts, Count(kind.use.texts));
    SetCell(row, Dimensions, Count(kind.use.dimensions));
    SetCell(row, Blocks, Count(kind.use.blocks));
    SetCell(row, Unprinted, UnprintedText(kind.use));
  }
  showMap([this] {
    TMojiShuMap map{};
    for (std::size_t k = 0; k < map.size(); ++k)
      map[k] = overview_.kinds[k].newKind;
    return map;
  }());

  QStringList lines;
  lines << QStringLiteral("選択した図面：%1").arg(overview_.drawings);
  if (overview_.notDrawings > 0)
    lines.last() += QStringLiteral("（図面でないファイル %1）").arg(overview_.notDrawings);
  if (!overview_.unreadable.empty())
    lines.last() += QStringLiteral("（読めないファイル %1）").arg(overview_.unreadable.size());
  const std::int64_t unchanged = overview_.kindZeroUse.total() + overview_.otherKindUse.total();
  if (unchanged > 0)
    lines << QStringLiteral("文字種１～10以外の文字 %1 は変わりません。").arg(unchanged);
  if (anyDiffers)
    lines << QStringLiteral("* ") + kDiffers;
  note_->setText(lines.join(QLatin1Char('\n')));
}

}  // namespace velkaro
