// The folder tree: what SelectFolder reads after the user's selections and
// after writes, selecting deep folders that load lazily, and the red focus.
#include <QDir>
#include <QFileSystemModel>
#include <QImage>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <cstdlib>
#include <memory>

#include "AppTests.h"
#include "plExplorerFolderTree.h"

namespace velkaro::test {
namespace {

class FolderTreeTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TplExplorerFolderTree> MakeTree() {
    auto tree = std::make_unique<TplExplorerFolderTree>(nullptr);
    tree->resize(260, 320);
    tree->setRootFolder(QString());
    tree->show();
    if (!QTest::qWaitForWindowExposed(tree.get()))
      qWarning("tree not exposed");
    return tree;
  }
  static void UserSelects(TplExplorerFolderTree &tree, const QString &folder) {
    const QModelIndex index = tree.fileSystemModel()->index(folder);
    QVERIFY(index.isValid());
    tree.treeView()->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  }
  static QString CurrentPath(const TplExplorerFolderTree &tree) {
    return QDir::toNativeSeparators(
        tree.fileSystemModel()->filePath(tree.treeView()->selectionModel()->currentIndex()));
  }

  // Glyph edges blend into the background; their cores keep the red hue.
  static bool IsTextRed(const QColor &c) {
    const QColor red = FocusedItemDelegate::FocusTextColor();
    return std::abs(c.red() - red.red()) <= 24 && c.green() <= 40 && c.blue() <= 40;
  }

  std::unique_ptr<QTemporaryDir> dir_;

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
  }

  void rootIsTheTopOfTheFileSystemExpandedFoldersOnly() {
    auto tree = MakeTree();
    QFileSystemModel *model = tree->fileSystemModel();
    QVERIFY(model->filter() & QDir::Dirs);
    QVERIFY(!(model->filter() & QDir::Files));
    QVERIFY(tree->treeView()->isExpanded(model->index(QDir::rootPath())));
    QVERIFY(tree->RootFolder().isEmpty());
    QVERIFY(tree->SelectFolder().isEmpty());
    // Files are not shown.
    QVERIFY(QDir().mkpath(dir_->filePath(QStringLiteral("f"))));
    QFile file(dir_->filePath(QStringLiteral("f/x.jww")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(QDir().mkpath(dir_->filePath(QStringLiteral("f/sub"))));
    const QModelIndex f = model->index(dir_->filePath(QStringLiteral("f")));
    model->fetchMore(f);
    QTRY_COMPARE(model->rowCount(f), 1);
    QCOMPARE(model->fileName(model->index(0, 0, f)), QStringLiteral("sub"));
  }

  void writingSelectsButDoesNotChangeWhatItReads() {
    auto tree = MakeTree();
    QSignalSpy changed(tree.get(), &TplExplorerFolderTree::OnSelectFolderChanged);
    const QString folder = QDir::toNativeSeparators(dir_->path());
    tree->setSelectFolder(folder);
    QCOMPARE(CurrentPath(*tree), folder);
    QVERIFY(tree->treeView()->selectionModel()->isSelected(tree->treeView()->selectionModel()->currentIndex()));
    QVERIFY(tree->SelectFolder().isEmpty());
    QCOMPARE(changed.count(), 0);

    // The empty text and a missing folder change nothing.
    tree->setSelectFolder(QString());
    tree->setSelectFolder(dir_->filePath(QStringLiteral("missing")));
    QCOMPARE(CurrentPath(*tree), folder);
    QVERIFY(tree->SelectFolder().isEmpty());
  }

  void theUsersSelectionIsWhatItReads() {
    auto tree = MakeTree();
    QSignalSpy changed(tree.get(), &TplExplorerFolderTree::OnSelectFolderChanged);
    const QString a = dir_->filePath(QStringLiteral("a"));
    const QString b = dir_->filePath(QStringLiteral("b"));
    QVERIFY(QDir().mkpath(a) && QDir().mkpath(b));

    UserSelects(*tree, a);
    QCOMPARE(tree->SelectFolder(), QDir::toNativeSeparators(a));
    QCOMPARE(changed.count(), 1);
    UserSelects(*tree, a);  // the same folder again: nothing
    QCOMPARE(changed.count(), 1);

    // A write moves the selection but not what it reads. Choosing a again
    // is a new choice (the tree's item changed) though it reads the same;
    // the main window then finds it equal to the folder shown.
    tree->setSelectFolder(b);
    QCOMPARE(tree->SelectFolder(), QDir::toNativeSeparators(a));
    QCOMPARE(changed.count(), 1);
    UserSelects(*tree, a);
    QCOMPARE(tree->SelectFolder(), QDir::toNativeSeparators(a));
    QCOMPARE(changed.count(), 2);
    UserSelects(*tree, b);
    QCOMPARE(tree->SelectFolder(), QDir::toNativeSeparators(b));
    QCOMPARE(changed.count(), 3);
  }

  void aDeepFolderIsSelectedAndScrolledIntoViewOnceLoaded() {
    QString deep = dir_->path();
    for (int i = 0; i < 8; ++i)
      deep += QStringLiteral("/level%1").arg(i);
    QVERIFY(QDir().mkpath(deep));
    for (int i = 0; i < 40; ++i)  // siblings that push the target down
      QVERIFY(QDir().mkpath(dir_->filePath(QStringLiteral("level0/level1/a%1").arg(i, 2, 10, QLatin1Char('0')))));
    auto tree = MakeTree();
    QTreeView *view = tree->treeView();
    // The temporary folder lies deeper on some systems (C:/users/<name>/Temp):
    // a level's indentation more width for each.
    tree->resize(tree->width() + view->indentation() * static_cast<int>(dir_->path().count(u'/')), tree->height());
    tree->setSelectFolder(deep);
    const QPersistentModelIndex index(tree->fileSystemModel()->index(deep));
    QVERIFY(index.isValid());
    QCOMPARE(view->selectionModel()->currentIndex(), index);
    // Once the parents have loaded and sorted, the folder is in view: its row
    // within the viewport and its name whole inside it, or, for a name wider
    // than the viewport, starting at its left edge.
    // (The item's rect runs to the end of the column, which the widest row
    // sets; its name is its icon and text.)
    auto inView = [&] {
      QRect item = view->visualRect(index);
      item.setWidth(view->sizeHintForIndex(index).width());
      const QRect viewport = view->viewport()->rect();
      const bool rowShown = item.top() >= viewport.top() && item.bottom() <= viewport.bottom();
      const bool nameShown = item.width() <= viewport.width()
                                 ? item.left() >= 0 && item.right() <= viewport.right()
                                 : item.left() >= 0 && item.left() <= view->indentation();
      return rowShown && nameShown;
    };
    QTRY_VERIFY(inView());
    const QModelIndex level1 = tree->fileSystemModel()->index(dir_->filePath(QStringLiteral("level0/level1")));
    QTRY_VERIFY(tree->fileSystemModel()->rowCount(level1) >= 41);
    QTRY_VERIFY(inView());
    QVERIFY(tree->SelectFolder().isEmpty());
  }

  // A folder whose name fits leaves the tree unscrolled sideways, so the
  // names above it read from their first letter.
  void aFolderThatFitsLeavesTheTreeUnscrolledSideways() {
    QString deep = dir_->path();
    for (int i = 0; i < 7; ++i)
      deep += QStringLiteral("/d%1").arg(i);
    QVERIFY(QDir().mkpath(deep));
    // A long sibling makes the column wider than the view, so it can scroll.
    QVERIFY(QDir().mkpath(deep + QStringLiteral("/../a-sibling-with-a-rather-long-name")));
    auto tree = MakeTree();
    QTreeView *view = tree->treeView();
    // The temporary folder lies deeper on some systems (C:/users/<name>/Temp):
    // a level's indentation more width for each.
    tree->resize(tree->width() + view->indentation() * static_cast<int>(dir_->path().count(u'/')), tree->height());
    tree->setSelectFolder(deep);
    const QPersistentModelIndex index(tree->fileSystemModel()->index(deep));
    QTRY_VERIFY(view->visualRect(index).top() >= 0 &&
                view->visualRect(index).bottom() <= view->viewport()->height());
    QVERIFY(view->visualRect(index).left() >= view->viewport()->width() / 2);  // deep enough
    QTRY_VERIFY(view->horizontalScrollBar()->maximum() > 0);
    QCOMPARE(view->horizontalScrollBar()->value(), 0);
  }

  // Once the user has scrolled (here with the scroll bar), a folder that
  // appears in an open branch does not pull the view back.
  void theUsersScrollingIsKeptWhenFoldersAppear() {
    QString deep = dir_->path() + QStringLiteral("/level0/level1");
    for (int i = 0; i < 40; ++i)
      QVERIFY(QDir().mkpath(deep + QStringLiteral("/a%1").arg(i, 2, 10, QLatin1Char('0'))));
    deep += QStringLiteral("/z-target");
    QVERIFY(QDir().mkpath(deep));
    auto tree = MakeTree();
    QTreeView *view = tree->treeView();
    // The temporary folder lies deeper on some systems (C:/users/<name>/Temp):
    // a level's indentation more width for each.
    tree->resize(tree->width() + view->indentation() * static_cast<int>(dir_->path().count(u'/')), tree->height());
    tree->setSelectFolder(deep);
    const QModelIndex level1 = tree->fileSystemModel()->index(dir_->filePath(QStringLiteral("level0/level1")));
    QTRY_VERIFY(tree->fileSystemModel()->rowCount(level1) >= 41);
    QScrollBar *bar = view->verticalScrollBar();
    QTRY_VERIFY(bar->value() > 0);
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    QCOMPARE(bar->value(), 0);
    QVERIFY(QDir().mkpath(dir_->filePath(QStringLiteral("level0/level1/a-new"))));
    QTRY_VERIFY(tree->fileSystemModel()->rowCount(level1) >= 42);
    QTest::qWait(100);  // let any pull-back run
    QCOMPARE(bar->value(), 0);
  }

  void theFocusedItemIsDrawnInRed() {
    auto tree = MakeTree();
    const QString folder = dir_->filePath(QStringLiteral("focus"));
    QVERIFY(QDir().mkpath(folder));
    tree->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(tree.get()));
    tree->treeView()->setFocus();
    UserSelects(*tree, folder);
    QTreeView *view = tree->treeView();
    const QPersistentModelIndex index(view->selectionModel()->currentIndex());

    auto redPixels = [&](const QPersistentModelIndex &item) {
      view->scrollTo(item);  // as the user scrolls to it, also sideways
      QScrollBar *sideways = view->horizontalScrollBar();
      sideways->setValue(sideways->value() + view->visualRect(item).left());
      QRect rect = view->visualRect(item);
      rect.setRight(view->viewport()->width() - 1);
      const QImage image = view->viewport()->grab().toImage().copy(rect);
      int red = 0;
      for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
          red += IsTextRed(image.pixelColor(x, y)) ? 1 : 0;
      return red;
    };
    // The rows settle as the folders load; the focused one shows red text.
    QTRY_VERIFY(redPixels(index) > 0);
    // An item without the focus is not red.
    const QModelIndex other = view->indexAbove(index);
    QVERIFY(other.isValid());
    QCOMPARE(redPixels(other), 0);
  }
};

}  // namespace

std::unique_ptr<QObject> MakeFolderTreeTest() { return std::make_unique<FolderTreeTest>(); }

}  // namespace velkaro::test

#include "FolderTreeTest.moc"
