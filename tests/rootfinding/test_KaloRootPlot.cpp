#include "qorTestSupport.h"
#include "qorTestQtApp.h"
#include "KaloRootPlot.h"
#include "qorException.h"
#include "qorMemoryDataset.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QStringList>

QOR_TEST_APPLICATION(TGuiTestEnvironment);

namespace {

const QStringList AllSteps = {"Graphen löschen ...", "Funktionsgraph zufügen ...",
                              "Nullstellengraph zufügen ..."};

// A root-finding window's calculation and plot, the plot rebuilt as the window does.
struct Window {
  TKaloPersistRootFinding task;
  TqorMemoryDataset roots;
  TKaloRootCalculation calc{task, roots};
  TKaloRootPlot plot;
  QStringList busy;

  Window() {
    DefineRootTable(roots);
    roots.Open();
  }
  void Calculate(const QString& fct) {
    calc.Execute({fct, task.xMin(), task.xMax(), task.NodeCount()}, [this] {
      plot.Update(calc.ValueX(), calc.ValueY(), calc.RootX(), calc.RootY(),
                  [this](const QString& text) { busy << text; });
    });
  }
  TqorPlotGraph& Graph(int i) { return *plot.Plot2D().Graph().Items(i); }
};

TEST(KaloRootPlot, HasOneAxisPerDirectionWithTheirGrids) {
  TKaloRootPlot plot;
  TqorPlot2D& p = plot.Plot2D();
  ASSERT_EQ(p.AxisX().Count(), 1);
  ASSERT_EQ(p.AxisY().Count(), 1);
  EXPECT_EQ(p.AxisX().Items(0)->Name, "x-Achse");
  EXPECT_EQ(p.AxisY().Items(0)->Name, "y-Achse");
  EXPECT_NE(dynamic_cast<TqorPlotAxisXCommon*>(p.AxisX().Items(0)), nullptr);
  EXPECT_NE(dynamic_cast<TqorPlotAxisYCommon*>(p.AxisY().Items(0)), nullptr);
  EXPECT_EQ(p.GridX().Axis, p.AxisX().Items(0));
  EXPECT_EQ(p.GridX().GridType, agtStepLine);
  EXPECT_EQ(p.GridY().Axis, p.AxisY().Items(0));
  EXPECT_EQ(p.GridY().GridType, agtZerowLine);
  EXPECT_EQ(p.Graph().Count(), 0);
}

TEST(KaloRootPlot, CalculationGivesFunctionLineAndHollowRootCircles) {
  Window w;
  w.Calculate(TKaloPersistFunction::DefaultFunctionScript);
  EXPECT_EQ(w.busy, AllSteps);
  ASSERT_EQ(w.plot.Plot2D().Graph().Count(), 2);

  TqorPlotGraph& function = w.Graph(0);
  EXPECT_EQ(function.ValueX, w.calc.ValueX());
  EXPECT_EQ(function.ValueY, w.calc.ValueY());
  EXPECT_EQ(function.Mark(), nullptr);
  EXPECT_EQ(function.Pen(), TqorPen{Qt::red});

  TqorPlotGraph& roots = w.Graph(1);
  ASSERT_EQ(roots.ValueX.size(), 4u);
  EXPECT_EQ(roots.ValueX, w.calc.RootX());
  EXPECT_EQ(roots.ValueY, w.calc.RootY());
  ASSERT_NE(dynamic_cast<TqorPlotMarkCircle*>(roots.Mark()), nullptr);
  EXPECT_EQ(roots.Pen().Style, TqorPenStyle::psClear);
  for (TqorPlotGraph* g : {&function, &roots}) {
    SCOPED_TRACE(g == &function ? "function graph" : "root graph");
    EXPECT_EQ(g->AxisX, w.plot.Plot2D().AxisX().Items(0));
    EXPECT_EQ(g->AxisY, w.plot.Plot2D().AxisY().Items(0));
  }
}

TEST(KaloRootPlot, WithoutRootsOnlyTheFunctionGraphStays) {
  Window w;
  w.Calculate("sin(x)");
  ASSERT_EQ(w.plot.Plot2D().Graph().Count(), 2);
  w.busy.clear();
  w.Calculate("x^2 + 1");
  EXPECT_EQ(w.busy, AllSteps.mid(0, 2));
  ASSERT_EQ(w.plot.Plot2D().Graph().Count(), 1);
  EXPECT_EQ(w.Graph(0).ValueY, w.calc.ValueY());
  // The y axis holds the new range only, no longer sin's -1.
  const TqorPlotDrawingAxis* axisY = w.plot.Plot2D().AxisY().Items(0);
  EXPECT_GT(axisY->ValueMin, 1.0L);
  EXPECT_EQ(axisY->ValueMax, 7.25L);
}

TEST(KaloRootPlot, FailedCalculationKeepsThePreviousGraphs) {
  Window w;
  w.Calculate("sin(x)");
  const kaloREALVector before = w.Graph(0).ValueY;
  w.busy.clear();
  // A compilation error, and an empty function field that calculates nothing.
  struct TCase {
    const char* Text;
    bool Throws;
  };
  for (const TCase& c : {TCase{"sin(x", true}, TCase{"", false}}) {
    const char* broken = c.Text;
    bool threw = false;
    try {
      w.Calculate(broken);
    } catch (const Exception&) {
      threw = true;
    }
    EXPECT_EQ(threw, c.Throws) << broken;
    EXPECT_TRUE(w.busy.isEmpty()) << broken;
    ASSERT_EQ(w.plot.Plot2D().Graph().Count(), 2) << broken;
    EXPECT_EQ(w.Graph(0).ValueY, before) << broken;
  }
}

TEST(KaloRootPlot, RenderDrawsAtTheGivenSizeWithCirclesAroundTheRoots) {
  Window w;
  w.Calculate(TKaloPersistFunction::DefaultFunctionScript);
  const QSize size(779, 400);
  const TqorMetafile& picture = w.plot.Render(size);
  EXPECT_EQ(&picture, &w.plot.Plot2D().MetaFile());
  EXPECT_EQ(QSize(picture.Width(), picture.Height()), size);
  const QImage image = picture.ToImage();
  // The circles are drawn last, over the function line: their outline passes 4 pixels
  // left of each root.
  const TqorPlotDrawingAxis* axisX = w.plot.Plot2D().AxisX().Items(0);
  const TqorPlotDrawingAxis* axisY = w.plot.Plot2D().AxisY().Items(0);
  for (std::size_t i = 0; i < w.calc.RootX().size(); ++i) {
    const QPoint centre(axisX->Scale(w.calc.RootX()[i]), axisY->Scale(w.calc.RootY()[i]));
    EXPECT_EQ(image.pixel(centre - QPoint(4, 0)), qRgb(0, 0, 0)) << "root " << i;
  }
}

} // namespace
