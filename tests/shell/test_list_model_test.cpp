#include "shell/test_list_model.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

namespace orv {
namespace {

TestList TwoTests() {
  TestList list;
  list.columns = {3, kTestNoColumn};
  list.rows = {{"Port Map", "4"}, {"Keyed In", "7"}};
  list.ids = {4, 7};
  return list;
}

TEST(TestListModel, CellsHeadersAndTestIds) {
  TestListModel model;
  const std::vector<DisplayColumn> columns = TestDisplayColumns(CustomNames{});
  QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
  model.SetList(TwoTests(), columns);
  EXPECT_EQ(reset.count(), 1);
  EXPECT_EQ(model.rowCount(), 2);
  EXPECT_EQ(model.columnCount(), 2);
  EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "Test Name");
  EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "Test No.");
  EXPECT_EQ(model.headerData(2, Qt::Horizontal), QVariant());
  EXPECT_EQ(model.headerData(0, Qt::Vertical).toInt(), 1);
  EXPECT_EQ(model.data(model.index(1, 0)).toString(), "Keyed In");
  EXPECT_EQ(model.data(model.index(0, 1)).toString(), "4");
  EXPECT_EQ(model.data(model.index(0, 1), Qt::EditRole), QVariant());
  EXPECT_EQ(model.data(model.index(2, 0)), QVariant());
  // Rows beyond the list have no test.
  EXPECT_EQ(model.TestIdAt(0), 4);
  EXPECT_EQ(model.TestIdAt(1), 7);
  EXPECT_EQ(model.TestIdAt(2), -1);
  EXPECT_EQ(model.TestIdAt(-1), -1);
  // A table model has no children.
  EXPECT_EQ(model.rowCount(model.index(0, 0)), 0);

  model.Clear();
  EXPECT_EQ(model.rowCount(), 0);
  EXPECT_EQ(model.columnCount(), 0);
  EXPECT_EQ(model.TestIdAt(0), -1);
}

TEST(TestListModel, AColumnNumberOutsideTheColumnListHasNoCaption) {
  TestListModel model;
  TestList list = TwoTests();
  list.columns = {999, -1};
  model.SetList(std::move(list), TestDisplayColumns(CustomNames{}));
  EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "");
  EXPECT_EQ(model.data(model.index(0, 0)).toString(), "Port Map");
}

}  // namespace
}  // namespace orv
