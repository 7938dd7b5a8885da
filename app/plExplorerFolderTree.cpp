// plExplorerFolderTree: the folder tree over QFileSystemModel.
#include "plExplorerFolderTree.h"

#include <QDir>
#include <algorithm>
#include <QEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QScrollBar>
#include <QTimer>
#include <QItemSelectionModel>
#include <QTreeView>
#include <QVBoxLayout>

namespace velkaro {

void FocusedItemDelegate::initStyleOption(QStyleOptionViewItem *option,
                                          const QModelIndex &index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (option->state & QStyle::State_HasFocus) {
    option->palette.setColor(QPalette::Text, FocusTextColor());
    option->palette.setColor(QPalette::HighlightedText, FocusTextColor());
  }
}

TplExplorerFolderTree::TplExplorerFolderTree(QWidget *AOwner)
    : QWidget(AOwner),
      tree_(new QTreeView(this)),
      model_(new QFileSystemModel(this)),
      pendingTimer_(new QTimer(this)) {
  setObjectName(QStringLiteral("plExplorerFolderTree1"));
  tree_->setObjectName(QStringLiteral("FolderTreeView"));
  resize(250, 300);

  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tree_);

  model_->setFilter(QDir::Dirs | QDir::Drives | QDir::NoDotAndDotDot);
  model_->setReadOnly(true);
  tree_->setModel(model_);
  tree_->setItemDelegate(new FocusedItemDelegate(tree_));
  tree_->setHeaderHidden(true);
  for (int column = 1; column < model_->columnCount(); ++column)
    tree_->hideColumn(column);
  tree_->setSortingEnabled(true);
  tree_->sortByColumn(0, Qt::AscendingOrder);
  tree_->setSelectionMode(QAbstractItemView::SingleSelection);
  tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tree_->setUniformRowHeights(true);
  tree_->setAutoScroll(true);
  tree_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  tree_->header()->setStretchLastSection(false);
  // A light selection keeps the red text of the focused item readable.
  QPalette palette = tree_->palette();
  palette.setColor(QPalette::Highlight, QColor(204, 232, 255));
  palette.setColor(QPalette::HighlightedText, QColor(0, 0, 0));
  tree_->setPalette(palette);

  connect(tree_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this](const QItemSelection &selected, const QItemSelection &) {
            UserSelectionChanged(selected);
          });
  connect(model_, &QFileSystemModel::directoryLoaded, this,
          [this](const QString &folder) { DirectoryLoaded(folder); });
  // Rows arrive in batches after directoryLoaded and are sorted later, each
  // time moving the written folder: follow it once things have settled.
  pendingTimer_->setSingleShot(true);
  pendingTimer_->setInterval(0);
  connect(pendingTimer_, &QTimer::timeout, this, [this] { BringPendingIntoView(); });
  auto followPending = [this] {
    if (!pendingPath_.isEmpty())
      pendingTimer_->start();
  };
  connect(model_, &QAbstractItemModel::layoutChanged, this, followPending);
  connect(model_, &QAbstractItemModel::rowsInserted, this, followPending);
  tree_->viewport()->installEventFilter(this);
  tree_->installEventFilter(this);
  // Scrolling with a scroll bar is the user's too: the view stays theirs.
  for (QScrollBar *bar : {tree_->verticalScrollBar(), tree_->horizontalScrollBar()})
    connect(bar, &QAbstractSlider::actionTriggered, this, [this] { pendingPath_.clear(); });
}

TplExplorerFolderTree::~TplExplorerFolderTree() = default;

void TplExplorerFolderTree::setRootFolder(const QString &value) {
  if (!value.isEmpty() && value == FRootFolder)
    return;
  if (value.isEmpty()) {
    model_->setRootPath(QDir::rootPath());
    tree_->setRootIndex(QModelIndex());
    tree_->expand(model_->index(QDir::rootPath()));
  } else {
    if (!QFileInfo(value).isDir())
      return;
    const QModelIndex root = model_->setRootPath(QDir::cleanPath(QFileInfo(value).absoluteFilePath()));
    if (!root.isValid())
      return;
    tree_->setRootIndex(root);
  }
  FRootFolder = value;
  emit OnRootFolderChanged(FRootFolder);
}

void TplExplorerFolderTree::setSelectFolder(const QString &value) {
  if (value.isEmpty())
    return;
  const QFileInfo info(value);
  if (!info.isDir())
    return;
  const QString path = QDir::toNativeSeparators(QDir::cleanPath(info.absoluteFilePath()));
  if (path == selectedItemPath_)
    return;
  SelectByPath(path);
}

void TplExplorerFolderTree::SelectByPath(const QString &path) {
  const QModelIndex index = model_->index(QDir::fromNativeSeparators(path));
  if (!index.isValid())
    return;
  // Only folders under the root can be selected (at any depth).
  const QModelIndex root = tree_->rootIndex();
  if (root.isValid()) {
    QModelIndex up = index.parent();
    while (up.isValid() && up != root)
      up = up.parent();
    if (up != root)
      return;
  }
  selectingByProgram_ = true;
  tree_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  selectingByProgram_ = false;
  selectedItemPath_ = path;
  pendingPath_ = path;
  ScrollIntoView(index);
}

void TplExplorerFolderTree::UserSelectionChanged(const QItemSelection &selected) {
  if (selectingByProgram_ || selected.indexes().isEmpty())
    return;
  const QString path = NativePathOf(selected.indexes().first());
  pendingPath_.clear();
  if (path == selectedItemPath_)
    return;
  selectedItemPath_ = path;
  FSelectFolder = path;
  emit OnSelectFolderChanged(FSelectFolder);
}

void TplExplorerFolderTree::DirectoryLoaded(const QString &folder) {
  if (pendingPath_.isEmpty())
    return;
  const QString pending = QDir::fromNativeSeparators(pendingPath_);
  if (pending == folder || pending.startsWith(folder))
    BringPendingIntoView();
}

void TplExplorerFolderTree::BringPendingIntoView() {
  if (pendingPath_.isEmpty())
    return;
  const QModelIndex index = model_->index(QDir::fromNativeSeparators(pendingPath_));
  if (!index.isValid())
    return;
  if (tree_->selectionModel()->currentIndex() != index) {
    selectingByProgram_ = true;
    tree_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    selectingByProgram_ = false;
  }
  ScrollIntoView(index);
}

void TplExplorerFolderTree::ScrollIntoView(const QModelIndex &index) {
  tree_->scrollTo(index, QAbstractItemView::PositionAtCenter);
  // Sideways only as far as the folder's name needs, never past the start
  // of its row (with its expander): the names above stay readable from
  // their first letter as long as the folder's own name fits.
  QScrollBar *bar = tree_->horizontalScrollBar();
  const QRect item = tree_->visualRect(index).translated(bar->value(), 0);
  const int nameRight = item.left() + tree_->sizeHintForIndex(index).width();
  const int overflow = nameRight - tree_->viewport()->width();
  bar->setValue(overflow <= 0 ? 0 : std::min(overflow, item.left() - tree_->indentation()));
}

bool TplExplorerFolderTree::eventFilter(QObject *watched, QEvent *event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
    case QEvent::Wheel:
      pendingPath_.clear();  // the user takes over; stop pulling the view back
      break;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

QString TplExplorerFolderTree::NativePathOf(const QModelIndex &index) const {
  const QString path = model_->filePath(index);
  return path.isEmpty() ? QString() : QDir::toNativeSeparators(path);
}

}  // namespace velkaro
