// The window and its properties with the search for extrema and inflection points.
#include "FRootFinding2D.h"
#include "FRootFinding2DProperties.h"
#include "KaloRootCalculation.h"
#include "qorDataSetModel.h"
#include "qorTestInput.h"
#include "qorTestWidgets.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableView>

#include <vector>

namespace {

QOR_TEST_APPLICATION(TWidgetTestEnvironment);

class Curve : public TWidgetTest {};

TEST_F(Curve, ThePropertiesChooseWhatIsSearchedRootsOnlyAtFirst) {
  TKaloPersistRootFinding task;
  TfrmRootFinding2DProperties dialog;
  dialog.setRootFinder(&task);
  dialog.show();
  QApplication::processEvents();
  EXPECT_TRUE(dialog.chkFindRoots->isChecked());
  EXPECT_FALSE(dialog.chkFindExtrema->isChecked());
  EXPECT_FALSE(dialog.chkFindInflection->isChecked());
  EXPECT_FALSE(dialog.chkShowDerivatives->isChecked());
  EXPECT_EQ(dialog.chkShowDerivatives->text(), "Ableitungen &zeigen");
  dialog.chkFindRoots->setChecked(false);
  dialog.chkFindInflection->setChecked(true);
  dialog.chkShowDerivatives->setChecked(true);
  dialog.cmdOK->click();
  EXPECT_EQ(task.CurveSearch(), (TKaloCurveSearch{false, false, true, true}));
}

TEST_F(Curve, TheExtremaTableIsATabBesideTheRootsAndThePlotMarksItsRows) {
  TfrmRootFinding2D w;
  auto* tabs = w.findChild<QTabWidget*>("pcResults");
  ASSERT_NE(tabs, nullptr);
  ASSERT_EQ(tabs->count(), 2);
  EXPECT_EQ(tabs->tabText(0), "Nullstellen");
  EXPECT_EQ(tabs->tabText(1), "Extrema");
  EXPECT_EQ(tabs->widget(0)->objectName(), "DBGrid1");
  auto* grid = w.findChild<QTableView*>("DBGridExtrema");
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->model()->rowCount(), 0) << "roots only at first";
  EXPECT_EQ(w.Plot2D().Plot2D().Graph().Count(), 2);

  w.RootFinder().setCurveSearch({true, true, true, true});
  w.findChild<QAction*>("actCalculate")->trigger();
  EXPECT_EQ(grid->model()->rowCount(),
            7);  // two minima, a maximum, two inflection points, the largest and smallest value
  EXPECT_EQ(grid->model()->index(0, 0).data().toString(), "Minimum");
  // f, the roots, maxima, minima, inflection points, f' and f''
  EXPECT_EQ(w.Plot2D().Plot2D().Graph().Count(), 7);
  EXPECT_EQ(w.Plot2D().Plot2D().Legend.size(), 6u);
}

// The extrema grid numbers its rows and writes its reals as the roots grid does; the
// report gets the extrema table only from a calculation that searched them.
TEST_F(Curve, TheExtremaGridReadsAsTheRootsGridAndThePreviewGetsWhatWasSearched) {
  std::vector<const TqorMemoryDataset*> previewed;
  TfrmRootFinding2D::setPrintPreviewHook(
      [&previewed](const TKaloPrintPreviewRequest& Request) { previewed.push_back(Request.Extrema); });
  TfrmRootFinding2D w;
  QAction* preview = w.findChild<QAction*>("actPrintPreview");
  preview->trigger();
  w.RootFinder().setCurveSearch({true, true, false, false});
  w.findChild<QAction*>("actCalculate")->trigger();
  preview->trigger();
  TfrmRootFinding2D::setPrintPreviewHook({});
  ASSERT_EQ(previewed.size(), 2u);
  EXPECT_EQ(previewed[0], nullptr) << "roots only";
  ASSERT_NE(previewed[1], nullptr);

  const QAbstractItemModel& grid = *w.findChild<QTableView*>("DBGridExtrema")->model();
  ASSERT_EQ(grid.rowCount(), previewed[1]->RecordCount());
  ASSERT_GE(grid.rowCount(), 2);
  EXPECT_EQ(grid.headerData(0, Qt::Vertical).toString(), QChar(TqorDataSetModel::CurrentRowMark) + QString(" 0"));
  EXPECT_EQ(grid.headerData(1, Qt::Vertical).toString(), "1");
  constexpr int yColumn = 2;  // after "Art" and "x"
  EXPECT_EQ(grid.headerData(yColumn, Qt::Horizontal).toString(), "f(x)");
  for (int row = 0; row < grid.rowCount(); ++row) {
    const QString y = grid.index(row, yColumn).data().toString();
    EXPECT_TRUE(y.contains(QRegularExpression("^-?\\d[.,]\\d{7}E[+-]\\d\\d$"))) << row << ": " << y.toStdString();
  }
}
}  // namespace
