// plExplorerFolderTree: the folder tree on the left of the main window, in
// which the user picks the source folder.
//
// A panel holding a QTreeView over a QFileSystemModel that shows folders only,
// rooted at the top of the file system with the root expanded. The main
// window polls SelectFolder, which follows the user's selection only:
//  - it reads empty until the user selects a folder;
//  - writing it selects and scrolls to that folder but does not change what
//    it reads (so the window does not relist at start-up);
//  - selecting the folder that is already selected changes nothing.
// The model loads folders lazily in the background; a folder written to
// SelectFolder is brought into view again as its parents finish loading.
#pragma once

#include <QStyledItemDelegate>
#include <QWidget>

class QFileSystemModel;
class QItemSelection;
class QTimer;
class QTreeView;

namespace velkaro {

// Draws the item that has the keyboard focus with its text in RGB 200, 0, 0.
class FocusedItemDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  static QColor FocusTextColor() { return QColor(200, 0, 0); }

 protected:
  void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};

class TplExplorerFolderTree : public QWidget {
  Q_OBJECT
 public:
  explicit TplExplorerFolderTree(QWidget *AOwner);
  ~TplExplorerFolderTree() override;

  // The root; the empty text is the top of the file system (all drives on
  // Windows). A non-empty root shows the folders inside that folder.
  QString RootFolder() const { return FRootFolder; }
  void setRootFolder(const QString &value);

  // The folder the user last selected, with native separators.
  QString SelectFolder() const { return FSelectFolder; }
  // Selects an existing folder without changing what SelectFolder reads.
  void setSelectFolder(const QString &value);

  // The main window suspends the tree around its modal dialog. Qt runs one
  // event loop for everything, so there is no idle loop of the tree's own to
  // stop; the calls are kept and recorded.
  void IdleStop() { idleRunning_ = false; }
  void IdleRestart() { idleRunning_ = true; }
  bool IdleRunning() const { return idleRunning_; }

  QTreeView *treeView() const { return tree_; }
  QFileSystemModel *fileSystemModel() const { return model_; }
  // The folder of the tree's selected item as far as the tree knows it
  // (written or chosen), native separators; empty when nothing is selected.
  QString SelectedItemPath() const { return selectedItemPath_; }

 signals:
  void OnRootFolderChanged(const QString &AFullPath);
  void OnSelectFolderChanged(const QString &AFullPath);

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  void SelectByPath(const QString &path);
  void UserSelectionChanged(const QItemSelection &selected);
  void DirectoryLoaded(const QString &folder);
  void BringPendingIntoView();
  void ScrollIntoView(const QModelIndex &index);
  QString NativePathOf(const QModelIndex &index) const;

  QTreeView *tree_;
  QFileSystemModel *model_;
  QTimer *pendingTimer_;
  QString FRootFolder;
  QString FSelectFolder;
  // The selected item's path, set both by writing SelectFolder and by the
  // user (the item ID list of the shell tree).
  QString selectedItemPath_;
  // A written folder to keep in view while its parents are still loading;
  // dropped as soon as the user works in the tree.
  QString pendingPath_;
  bool selectingByProgram_ = false;
  bool idleRunning_ = true;
};

}  // namespace velkaro
