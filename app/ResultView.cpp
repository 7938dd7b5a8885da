// ResultView: the rows of the last batch and their outcomes.
#include "ResultView.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "Desktop.h"

namespace velkaro {

namespace {

QTableWidgetItem *Item(const std::u16string &text) {
  auto *item = new QTableWidgetItem(QString::fromStdU16String(text));
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  item->setToolTip(item->text());
  return item;
}

}  // namespace

ResultView::ResultView(Desktop &desktop, QWidget *parent) : QDialog(parent), desktop_(desktop) {
  setObjectName(QStringLiteral("ResultView"));
  setWindowTitle(QStringLiteral("変換結果"));
  setModal(false);
  auto *column = new QVBoxLayout(this);
  summary_ = new QLabel(this);
  summary_->setObjectName(QStringLiteral("ResultSummary"));
  summary_->setTextFormat(Qt::PlainText);
  summary_->setWordWrap(true);
  column->addWidget(summary_);

  table_ = new QTableWidget(0, 3, this);
  table_->setObjectName(QStringLiteral("ResultTable"));
  table_->setHorizontalHeaderLabels(
      {QStringLiteral("ファイル名"), QStringLiteral("結果"), QStringLiteral("理由")});
  table_->verticalHeader()->hide();
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setWordWrap(false);
  table_->horizontalHeader()->setStretchLastSection(true);
  column->addWidget(table_, 1);

  auto *buttons = new QDialogButtonBox(this);
  copy_ = buttons->addButton(QStringLiteral("コピー(&C)"), QDialogButtonBox::ActionRole);
  copy_->setObjectName(QStringLiteral("ResultCopy"));
  open_ = buttons->addButton(QStringLiteral("保存先フォルダを開く(&O)"), QDialogButtonBox::ActionRole);
  open_->setObjectName(QStringLiteral("ResultOpenDestination"));
  QPushButton *close = buttons->addButton(QStringLiteral("閉じる"), QDialogButtonBox::RejectRole);
  close->setObjectName(QStringLiteral("ResultClose"));
  close->setDefault(true);
  connect(copy_, &QPushButton::clicked, this, &ResultView::copyToClipboard);
  connect(open_, &QPushButton::clicked, this, &ResultView::openDestination);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  column->addWidget(buttons);
  resize(640, 360);
}

void ResultView::showResult(std::shared_ptr<const BatchResult> result,
                            std::vector<std::u16string> selected, const QString &destination) {
  destination_ = destination;
  QString summary = QString::fromStdU16String(BatchSummaryText(*result));
  if (result->interrupted)
    summary += QStringLiteral("　中止しました。");
  std::vector<std::array<std::u16string, 3>> rows;
  for (std::size_t i = 0; i < selected.size(); ++i) {
    const RowResult *row = i < result->rows.size() ? &result->rows[i] : nullptr;
    rows.push_back({selected[i], RowResultLabel(row), RowResultReason(row)});
  }
  ShowRows(QStringLiteral("変換結果"), summary, rows);
  text_ = QString::fromStdU16String(BatchResultText(*result, selected));
}

void ResultView::showUndoResult(const UndoResult &result, const QString &destination) {
  destination_ = destination;
  QString summary = QString::fromStdU16String(UndoSummaryText(result));
  if (result.batch)
    summary = QString::fromStdU16String(BatchDescriptionText(*result.batch)) + QStringLiteral("：") + summary;
  std::vector<std::array<std::u16string, 3>> rows;
  for (const UndoRow &row : result.rows)
    rows.push_back({row.name, IsLeftAlone(row.outcome) ? u"そのままにしました" : u"元に戻しました",
                    UndoRowReason(row)});
  ShowRows(QStringLiteral("元に戻した結果"), summary, rows);
  text_ = summary;
  for (const auto &row : rows)
    text_ += QStringLiteral("\n") + QString::fromStdU16String(row[0] + u"\t" + row[1] + u"\t" + row[2]);
}

void ResultView::ShowRows(const QString &title, const QString &summary,
                          const std::vector<std::array<std::u16string, 3>> &rows) {
  setWindowTitle(title);
  summary_->setText(summary + QStringLiteral("\n保存先：") + destination_);
  table_->setRowCount(static_cast<int>(rows.size()));
  for (std::size_t i = 0; i < rows.size(); ++i)
    for (int c = 0; c < 3; ++c)
      table_->setItem(static_cast<int>(i), c, Item(rows[i][static_cast<std::size_t>(c)]));
  table_->resizeColumnToContents(0);
  table_->resizeColumnToContents(1);
  show();
  raise();
  activateWindow();
}

QString ResultView::resultText() const { return text_; }

void ResultView::copyToClipboard() { QApplication::clipboard()->setText(resultText()); }

void ResultView::openDestination() {
  if (!destination_.isEmpty())
    desktop_.OpenFile(destination_);
}

}  // namespace velkaro
