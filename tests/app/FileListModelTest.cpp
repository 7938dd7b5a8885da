// The file list's model: columns, alignment, and sorting that keeps
// selections with their rows.
#include <QItemSelectionModel>
#include <QTest>
#include <memory>

#include "AppTests.h"
#include "FileListModel.h"

namespace velkaro::test {
namespace {

ListRow Row(const std::u16string &name, const std::u16string &size) {
  ListRow row;
  row.caption = name;
  row.subItems = {u".jww", u"memo", u"2021/03/02 09:05:03", size, u"700"};
  return row;
}

class FileListModelTest : public QObject {
  Q_OBJECT

 private:
  static QStringList Names(const FileListModel &model) {
    QStringList names;
    for (int r = 0; r < model.rowCount(); ++r)
      names << model.data(model.index(r, 0), Qt::DisplayRole).toString();
    return names;
  }

 private slots:
  void columnsAndAlignment() {
    FileListModel model;
    model.setRows({Row(u"a.jww", u"900")});
    QCOMPARE(model.columnCount(), 6);
    QCOMPARE(model.data(model.index(0, 3), Qt::DisplayRole).toString(),
             QStringLiteral("2021/03/02 09:05:03"));
    QCOMPARE(model.data(model.index(0, 4), Qt::DisplayRole).toString(), QStringLiteral("900"));
    QVERIFY(model.data(model.index(0, 4), Qt::TextAlignmentRole).toInt() & Qt::AlignRight);
    QVERIFY(model.data(model.index(0, 0), Qt::TextAlignmentRole).toInt() & Qt::AlignLeft);
    QVERIFY(model.headerData(4, Qt::Horizontal, Qt::TextAlignmentRole).toInt() & Qt::AlignRight);
    QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));
  }

  void sortingBySizeComparesValuesAndKeepsSelections() {
    FileListModel model;
    model.setRows({Row(u"b", u"900"), Row(u"a", u"1000"), Row(u"c", u"90")});
    QItemSelectionModel selection(&model);
    selection.select(model.index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    model.sortRows(4, 1);
    QCOMPARE(Names(model), QStringList({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    QCOMPARE(selection.selectedRows().size(), 1);
    QCOMPARE(selection.selectedRows().first().row(), 1);  // "b" moved from 0 to 1
    model.sortRows(4, 0);
    QCOMPARE(Names(model), QStringList({QStringLiteral("c"), QStringLiteral("b"), QStringLiteral("a")}));
    QCOMPARE(selection.selectedRows().first().row(), 1);
  }

  void equalRowsKeepTheirOrder() {
    FileListModel model;
    model.setRows({Row(u"x1", u"5"), Row(u"x2", u"5"), Row(u"x3", u"5")});
    model.sortRows(4, 1);
    QCOMPARE(Names(model), QStringList({QStringLiteral("x1"), QStringLiteral("x2"), QStringLiteral("x3")}));
    model.sortRows(-1, 0);  // no column: nothing happens
    QCOMPARE(Names(model), QStringList({QStringLiteral("x1"), QStringLiteral("x2"), QStringLiteral("x3")}));
  }
};

}  // namespace

std::unique_ptr<QObject> MakeFileListModelTest() { return std::make_unique<FileListModelTest>(); }

}  // namespace velkaro::test

#include "FileListModelTest.moc"
