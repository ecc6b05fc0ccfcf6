#include "qorDataSetModel.h"
#include "qorException.h"
#include "qorMemoryDataset.h"
#include "qorTestInput.h"
#include "qorTestSupport.h"
#include "qorTestWidgets.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>

#include <gtest/gtest.h>

namespace {

QOR_TEST_APPLICATION(TWidgetTestEnvironment);

// A table shaped like a roots table, a data source over it, a grid and two detail fields.
class DataSetModel : public ::testing::Test {
protected:
  DataSetModel() {
    FTable.setObjectName("memRoot");
    FTable.AddFieldDef("ID", ftInteger)->setVisible(false);
    TqorField* exists = FTable.AddFieldDef("RootExists", ftBoolean);
    exists->setDisplayLabel("N?");
    exists->setDisplayValues("X;");
    exists->setAlignment(Qt::AlignCenter);
    TqorField* xRoot = FTable.AddFieldDef("xRoot", ftFloat);
    xRoot->setDisplayLabel("x-Nullstelle");
    xRoot->setDisplayFormat("0.0000000");
    xRoot->setDisplayWidth(15);
    FTable.AddFieldDef("ResultMessage", ftString, 1024)->setDisplayWidth(25);
    FTable.Open();
  }

  void AppendRow(int id, bool exists, double xRoot, const QString& message) {
    FTable.Append();
    FTable.FieldByName("ID").setAsInteger(id);
    FTable.FieldByName("RootExists").setAsBoolean(exists);
    if (exists) FTable.FieldByName("xRoot").setAsFloat(xRoot);
    FTable.FieldByName("ResultMessage").setAsString(message);
    FTable.Post();
  }
  void FillThreeRows() {
    FTable.Close();
    FTable.Open();
    AppendRow(0, true, -0.25, "");
    AppendRow(1, false, 0, "kein Vorzeichenwechsel");
    AppendRow(2, true, 1.5, "Zeile 1\nZeile 2");
    FTable.First();
  }
  QString Cell(int row, int column) const { return Model().data(Model().index(row, column)).toString(); }
  QStringList Titles() const {
    QStringList titles;
    for (int c = 0; c < Model().columnCount(); ++c) titles << Model().headerData(c, Qt::Horizontal).toString();
    return titles;
  }
  QStringList RowMarks() const {
    QStringList marks;
    for (int r = 0; r < Model().rowCount(); ++r) marks << Model().headerData(r, Qt::Vertical).toString();
    return marks;
  }
  TqorDataSetModel& Model() const { return FSource.Model(); }
  int GridRow() const { return FGrid.selectionModel()->currentIndex().row(); }

  TDefaultLocale FLocale{QLocale::c()};
  TqorMemoryDataset FTable;
  TqorDataSource FSource{FTable};
  QTableView FGrid;
  QLineEdit FxRoot;
  QPlainTextEdit FMessage;
};

const QString Mark = QChar(TqorDataSetModel::CurrentRowMark);

}  // namespace

TEST_F(DataSetModel, ShowsVisibleFieldsWithLabelsDisplayTextsAndAlignment) {
  FillThreeRows();
  ASSERT_EQ(Model().rowCount(), 3);
  EXPECT_EQ(Titles(), QStringList({"N?", "x-Nullstelle", "ResultMessage"}));
  EXPECT_EQ(Cell(0, 0), "X");
  EXPECT_EQ(Cell(0, 1), "-0.2500000");
  EXPECT_EQ(Cell(1, 0), "");
  EXPECT_EQ(Cell(1, 1), "") << "a null value shows nothing";
  EXPECT_EQ(Cell(1, 2), "kein Vorzeichenwechsel");
  EXPECT_EQ(Model().data(Model().index(0, 0), Qt::TextAlignmentRole).value<Qt::Alignment>(),
            Qt::AlignCenter | Qt::AlignVCenter);
  EXPECT_EQ(Model().data(Model().index(0, 1), Qt::TextAlignmentRole).value<Qt::Alignment>(),
            Qt::AlignRight | Qt::AlignVCenter);
  EXPECT_FALSE(Model().flags(Model().index(0, 1)) & Qt::ItemIsEditable);
  {
    TDefaultLocale german(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(Cell(2, 1), "1,5000000");
  }
}

TEST_F(DataSetModel, FollowsTheTableAndKeepsItsViewsStillWhilePaused) {
  int resets = 0;
  QObject::connect(&Model(), &QAbstractItemModel::modelReset, [&resets] { ++resets; });
  FillThreeRows();
  EXPECT_EQ(Model().rowCount(), 3);
  FTable.Close();
  EXPECT_EQ(Model().rowCount(), 0);
  FTable.Open();
  EXPECT_EQ(resets, 0) << "the same columns: rows are removed and inserted";

  FSource.AttachField(&FxRoot, "xRoot");
  FillThreeRows();
  {
    TqorDisableControlsGuard paused(FTable);
    FTable.Close();
    FTable.Open();
    AppendRow(7, true, 9, "");
    FTable.First();
    EXPECT_EQ(Model().rowCount(), 3) << "a paused view keeps what it showed";
    EXPECT_EQ(FxRoot.text(), "-0.2500000");
  }
  EXPECT_EQ(Model().rowCount(), 1);
  EXPECT_EQ(Cell(0, 1), "9.0000000");
  EXPECT_EQ(FxRoot.text(), "9.0000000");
}

TEST_F(DataSetModel, DetailFieldsAndRowIndicatorFollowTheCurrentRow) {
  FSource.AttachField(&FxRoot, "xRoot");
  FSource.AttachField(&FMessage, "ResultMessage");
  EXPECT_TRUE(FxRoot.isReadOnly());
  EXPECT_EQ(FxRoot.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
  EXPECT_TRUE(FMessage.isReadOnly());
  FillThreeRows();
  EXPECT_EQ(FxRoot.text(), "-0.2500000");
  EXPECT_EQ(RowMarks(), QStringList({Mark, "", ""}));
  FTable.setRecNo(2);
  EXPECT_EQ(FxRoot.text(), "1.5000000");
  EXPECT_EQ(FMessage.toPlainText(), "Zeile 1\nZeile 2");
  EXPECT_EQ(RowMarks(), QStringList({"", "", Mark}));
  FTable.Next();  // at the end: Eof, the row stays
  EXPECT_EQ(FxRoot.text(), "1.5000000");
  FTable.Close();
  EXPECT_EQ(FxRoot.text(), "");
  EXPECT_EQ(FMessage.toPlainText(), "");
  EXPECT_THROW_MSG(FSource.AttachField(&FxRoot, "yRoot"), EDatabaseError, "Die Tabelle memRoot hat kein Feld 'yRoot'.");
}

// Row titles stand beside the mark, right-aligned, and move with the table's rows.
TEST_F(DataSetModel, TheRowIndicatorShowsEachRowsTitle) {
  FillThreeRows();
  int announced = 0;
  QObject::connect(&Model(), &QAbstractItemModel::headerDataChanged,
                   [&announced](Qt::Orientation Orientation) { announced += Orientation == Qt::Vertical; });
  FSource.setRowTitle([this](int Row) { return "#" + FTable.FieldByName("ID").DisplayTextAt(Row); });
  EXPECT_EQ(announced, 1) << "the views learn of the titles";
  EXPECT_EQ(RowMarks(), QStringList({Mark + " #0", "#1", "#2"}));
  EXPECT_EQ(Model().headerData(1, Qt::Vertical, Qt::TextAlignmentRole).value<Qt::Alignment>(),
            Qt::AlignRight | Qt::AlignVCenter);
  FTable.setRecNo(2);
  EXPECT_EQ(RowMarks(), QStringList({"#0", "#1", Mark + " #2"}));
  FTable.Close();
  FTable.Open();
  AppendRow(5, true, 1, "");
  EXPECT_EQ(RowMarks(), QStringList({Mark + " #5"}));
  FSource.setRowTitle({});
  EXPECT_EQ(RowMarks(), QStringList({Mark}));
  EXPECT_FALSE(Model().headerData(0, Qt::Vertical, Qt::TextAlignmentRole).isValid());
}

TEST_F(DataSetModel, GridSelectionAndCurrentRowMoveTogether) {
  FSource.AttachGrid(&FGrid);
  FSource.AttachField(&FxRoot, "xRoot");
  FillThreeRows();
  EXPECT_EQ(GridRow(), 0);
  FGrid.selectRow(2);
  EXPECT_EQ(FTable.RecNo(), 2) << "selecting a grid row moves the table";
  EXPECT_EQ(FxRoot.text(), "1.5000000");
  FTable.setRecNo(1);
  EXPECT_EQ(GridRow(), 1) << "moving the table selects the grid row";
  EXPECT_EQ(FGrid.selectionModel()->selectedRows().size(), 1);
  FillThreeRows();
  EXPECT_EQ(GridRow(), 0) << "new content selects its first row";
  FTable.Close();
  EXPECT_FALSE(FGrid.selectionModel()->hasSelection());
}

TEST_F(DataSetModel, ColumnsAreAsWideAsTheirDisplayWidthAndKeepAUsersWidth) {
  FSource.AttachGrid(&FGrid);
  const QFontMetrics digits(FGrid.font());
  const int digit = digits.horizontalAdvance('0');
  EXPECT_GE(FGrid.columnWidth(1), 15 * digit);
  EXPECT_LT(FGrid.columnWidth(1), 16 * digit + 10);
  const QFontMetrics titles(FGrid.horizontalHeader()->font());
  EXPECT_GE(FGrid.columnWidth(0), titles.horizontalAdvance("N?")) << "never narrower than the title";
  FGrid.setColumnWidth(2, 333);
  FillThreeRows();
  EXPECT_EQ(FGrid.columnWidth(2), 333) << "a new calculation keeps the width the user gave";
}
