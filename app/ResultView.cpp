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
  result_ = std::move(result);
  selected_ = std::move(selected);
  destination_ = destination;
  QString summary = QString::fromStdU16String(BatchSummaryText(*result_));
  if (result_->interrupted)
    summary += QStringLiteral("　中止しました。");
  summary_->setText(summary + QStringLiteral("\n保存先：") + destination_);
  table_->setRowCount(static_cast<int>(selected_.size()));
  for (std::size_t i = 0; i < selected_.size(); ++i) {
    const RowResult *row = i < result_->rows.size() ? &result_->rows[i] : nullptr;
    const int r = static_cast<int>(i);
    table_->setItem(r, 0, Item(selected_[i]));
    table_->setItem(r, 1, Item(RowResultLabel(row)));
    table_->setItem(r, 2, Item(RowResultReason(row)));
  }
  table_->resizeColumnToContents(0);
  table_->resizeColumnToContents(1);
  show();
  raise();
  activateWindow();
}

QString ResultView::resultText() const {
  if (!result_)
    return QString();
  return QString::fromStdU16String(BatchResultText(*result_, selected_));
}

void ResultView::copyToClipboard() { QApplication::clipboard()->setText(resultText()); }

void ResultView::openDestination() {
  if (!destination_.isEmpty())
    desktop_.OpenFile(destination_);
}

}  // namespace velkaro
