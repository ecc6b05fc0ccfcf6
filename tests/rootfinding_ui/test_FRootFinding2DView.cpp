#include "FRootFinding2D.h"
#include "FRootFinding2DView.h"
#include "qorAppMainBase.h"
#include "qorPlotImage.h"
#include "qorTestWidgets.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QSplitter>

#include <memory>

namespace {

QOR_TEST_APPLICATION(TWidgetTestEnvironment);

// Root-finding windows in a main window smaller than the designed one.
class RootFinding2DPlaces : public TWidgetTest {
protected:
  void SetUp() override {
    TWidgetTest::SetUp();
    main.resize(700, 520);
    main.show();
  }
  QMdiSubWindow* Open() {
    QMdiSubWindow* sub = main.AddMdiChild(std::make_unique<TfrmRootFinding2D>());
    QCoreApplication::processEvents();
    return sub;
  }
  static QSize PlotSize(const QMdiSubWindow& Sub) { return Sub.widget()->findChild<TqorPlotImage*>()->size(); }

  TfrmQORVCLApplicationMainBase main{QStringLiteral("Probe")};
};

TEST_F(RootFinding2DPlaces, TilingNeverSqueezesAPlotBelowItsMinimum) {
  for (int i = 0; i < 4; ++i) Open();
  for (QAction* tile : {main.mnuWindowVertical, main.mnuWindowHorizontal}) {
    SCOPED_TRACE(tile->text().toStdString());
    tile->trigger();
    QCoreApplication::processEvents();
    for (const QMdiSubWindow* sub : main.MdiArea().subWindowList()) {
      EXPECT_GE(sub->height(), sub->minimumSizeHint().height());
      EXPECT_GE(sub->width(), sub->minimumSizeHint().width());
      EXPECT_GE(PlotSize(*sub).width(), MinPlotSize.width());
      EXPECT_GE(PlotSize(*sub).height(), MinPlotSize.height());
    }
  }
}

TEST_F(RootFinding2DPlaces, APlaceStoredInALargerMainWindowOpensInsideTheVisibleArea) {
  StoreMetrics(TfrmRootFinding2D::RootFindingFormName, "400;300;779;520;0");
  const QMdiSubWindow* sub = Open();
  EXPECT_TRUE(main.MdiArea().viewport()->rect().contains(sub->geometry()));
  EXPECT_FALSE(main.MdiArea().horizontalScrollBar()->isVisible());
  EXPECT_FALSE(main.MdiArea().verticalScrollBar()->isVisible());
  EXPECT_GE(PlotSize(*sub).width(), MinPlotSize.width());
  EXPECT_GE(PlotSize(*sub).height(), MinPlotSize.height());
}

TEST_F(RootFinding2DPlaces, TheSmallestWindowAndTheSplitterKeepThePlotAtItsMinimum) {
  QMdiSubWindow* sub = Open();
  sub->resize(sub->minimumSizeHint());
  auto* splitter = sub->widget()->findChild<QSplitter*>(QStringLiteral("spRootInfoWidth"));
  ASSERT_NE(splitter, nullptr);
  splitter->setSizes({0, splitter->width()});  // the root panel dragged as wide as it goes
  QCoreApplication::processEvents();
  EXPECT_GE(PlotSize(*sub).width(), MinPlotSize.width());
  EXPECT_GE(PlotSize(*sub).height(), MinPlotSize.height());
}

}  // namespace
