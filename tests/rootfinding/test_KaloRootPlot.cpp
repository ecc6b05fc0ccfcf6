#include "KaloBallProof.h"
#include "KaloRootPlot.h"
#include "qorException.h"
#include "qorMemoryDataset.h"
#include "qorTestQtApp.h"
#include "qorTestSupport.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QStringList>

QOR_TEST_APPLICATION(TGuiTestEnvironment);

namespace {

const QStringList AllSteps = {"Graphen löschen ...", "Funktionsgraph zufügen ...", "Nullstellengraph zufügen ..."};

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

}  // namespace

// The pixels of the last Render read back what was drawn there, also after the plot was
// drawn at another size (as the report draws it).
TEST(KaloRootPlot, PixelsOfTheLastRenderReadBackTheGraphAndTheRoots) {
  Window w;
  EXPECT_EQ(w.plot.ReadingAt(QPoint(100, 100)), std::nullopt) << "before the first drawing";
  EXPECT_EQ(w.plot.XRangeBetween(100, 200), std::nullopt);
  w.Calculate("x*x - 1");
  w.plot.Render(QSize(600, 400));
  TqorPlot2D& p = w.plot.Plot2D();
  const TqorPlotDrawingAxis& ax = *p.GridX().Axis;
  const TqorPlotDrawingAxis& ay = *p.GridY().Axis;
  const auto pixel = [&](Extended x, Extended y) { return QPoint(ax.Scale(x), ay.Scale(y)); };
  const std::vector<QPoint> marks = {pixel(w.calc.RootX()[0], w.calc.RootY()[0]),
                                     pixel(w.calc.RootX()[1], w.calc.RootY()[1])};
  const QPoint between = pixel(0.3L, -0.91L);
  const Extended pixelWidth = 1 / ax.ScaleFactor;
  w.plot.Plot2D().Width = 200;
  w.plot.Plot2D().Height = 150;
  w.plot.Plot2D().Draw();

  ASSERT_EQ(w.plot.RootCount(), 2);
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(w.plot.RootMarkPixel(i), marks[i]);
    const std::optional<TKaloPlotReading> r = w.plot.ReadingAt(marks[i] + QPoint(4, -3));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->Root, i);
    EXPECT_EQ(r->X, w.calc.RootX()[i]);
    EXPECT_EQ(r->Y, w.calc.RootY()[i]);
  }
  EXPECT_EQ(w.plot.RootMarkAt(marks[0] + QPoint(TKaloRootPlot::MarkHitRadius, 1)), std::nullopt);
  EXPECT_EQ(w.plot.RootMarkPixel(2), std::nullopt);

  const std::optional<TKaloPlotReading> r = w.plot.ReadingAt(between);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->Root, std::nullopt);
  EXPECT_NEAR(static_cast<double>(r->X), 0.3, static_cast<double>(pixelWidth));
  ASSERT_TRUE(r->Y);
  // The line between the nodes, not f: within the chord's sag of x*x.
  EXPECT_NEAR(static_cast<double>(*r->Y), static_cast<double>(r->X * r->X - 1), 2e-4);
  EXPECT_EQ(w.plot.ReadingAt(QPoint(2, 2)), std::nullopt) << "outside the graph area";
}

TEST(KaloRootPlot, ADraggedRangeLiesOnTheAxisAndIsRoundedToAPixel) {
  Window w;
  w.Calculate("x");
  w.plot.Render(QSize(600, 400));
  const TqorPlotDrawingAxis& ax = *w.plot.Plot2D().GridX().Axis;
  const std::optional<TKaloXRange> range = w.plot.XRangeBetween(ax.Start + 300, ax.Start + 100);
  ASSERT_TRUE(range);
  EXPECT_EQ(w.plot.XRangeBetween(ax.Start + 100, ax.Start + 300), range) << "either direction";
  const Extended pixelWidth = 1 / ax.ScaleFactor;
  EXPECT_NEAR(static_cast<double>(range->Min), static_cast<double>(ax.AxisMin + 100 * pixelWidth),
              static_cast<double>(pixelWidth));
  EXPECT_NEAR(static_cast<double>(range->Max), static_cast<double>(ax.AxisMin + 300 * pixelWidth),
              static_cast<double>(pixelWidth));
  // A pixel of this axis is between 0.01 and 0.1 wide: the ends have two decimals.
  ASSERT_GT(pixelWidth, 0.01L);
  ASSERT_LT(pixelWidth, 0.1L);
  for (const Extended end : {range->Min, range->Max})
    EXPECT_NEAR(static_cast<double>(end * 100), std::round(static_cast<double>(end * 100)), 1e-9);

  const std::optional<TKaloXRange> wide = w.plot.XRangeBetween(-500, 5000);
  ASSERT_TRUE(wide);
  EXPECT_EQ(wide->Min, ax.AxisMin) << "moved onto the axis";
  EXPECT_EQ(wide->Max, ax.AxisMax);
  EXPECT_EQ(w.plot.XRangeBetween(ax.Start + 50, ax.Start + 50), std::nullopt);
}

// Proved roots get square marks of their own, after the sampled roots' circles, which
// keep their place even when the sampling found none; undecided regions are bands.
TEST(KaloRootPlot, ProvedRootsAreSquaresAfterTheCirclesAndUndecidedRegionsBands) {
  const struct {
    const char* Text;
    std::size_t Sampled, Proved;
    std::vector<double> Undecided;
  } cases[] = {{"tan(x)", 3, 3, {-1.5707963267948966, 1.5707963267948966}},
               {"exp(-((x-0.3)/1e-4)^2)-0.5", 0, 2, {}},
               {"x^2", 0, 0, {0}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    Window w;
    UseBallProof();
    w.task.setProveRoots(true);
    w.calc.Execute({c.Text, -4, 4, 100});
    w.plot.Update(w.calc);
    ASSERT_EQ(w.plot.Plot2D().Graph().Count(), c.Undecided.empty() ? 3 : 4);
    EXPECT_EQ(w.Graph(1).ValueX.size(), c.Sampled);
    EXPECT_EQ(w.plot.RootCount(), static_cast<int>(c.Sampled));
    TqorPlotGraph& proved = w.Graph(2);
    EXPECT_EQ(proved.ValueX, w.calc.ProvedRootX());
    EXPECT_EQ(proved.ValueX.size(), c.Proved);
    EXPECT_NE(dynamic_cast<TqorPlotMarkSquare*>(proved.Mark()), nullptr);
    EXPECT_EQ(proved.Pen().Style, TqorPenStyle::psClear);
    if (c.Undecided.empty()) continue;
    TqorPlotGraph& bands = w.Graph(3);
    ASSERT_EQ(bands.ValueX.size(), c.Undecided.size());
    for (std::size_t i = 0; i < c.Undecided.size(); ++i)
      EXPECT_NEAR(static_cast<double>(bands.ValueX[i]), c.Undecided[i], 1e-12);
    EXPECT_NE(dynamic_cast<TqorPlotMarkBand*>(bands.Mark()), nullptr);
  }
}

TEST(KaloRootPlot, RootMarksStandForTheRowsWithARoot) {
  TqorMemoryDataset roots;
  DefineRootTable(roots);
  roots.Open();
  for (const bool exists : {false, true, false, false, true}) {
    roots.Append();
    roots.FieldByName(RootField::RootExists).setAsBoolean(exists);
    roots.Post();
  }
  const struct {
    int mark;
    int row;
  } marks[] = {{0, 1}, {1, 4}, {2, -1}};
  for (const auto& m : marks) {
    SCOPED_TRACE(m.mark);
    EXPECT_EQ(RootRowOfMark(roots, m.mark), m.row);
    if (m.row >= 0) {
      EXPECT_EQ(RootMarkOfRow(roots, m.row), m.mark);
    }
  }
  for (const int row : {-1, 0, 2, 3, 5}) EXPECT_EQ(RootMarkOfRow(roots, row), std::nullopt) << row;
}

// A root is named by its row's ID, as the grid and the report number the row; a row
// without a root (a pole) has an ID but no mark.
TEST(KaloRootPlot, AReadingIsWrittenInTheRegionalForm) {
  const QLocale german(QLocale::German, QLocale::Germany);
  TqorMemoryDataset roots;
  DefineRootTable(roots);
  roots.Open();
  int id = 0;
  for (const bool exists : {true, false, false, true}) {
    roots.Append();
    roots.FieldByName(RootField::ID).setAsInteger(id++);
    roots.FieldByName(RootField::RootExists).setAsBoolean(exists);
    roots.Post();
  }
  const struct {
    TKaloPlotReading reading;
    QLocale locale;
    const char* text;
  } cases[] = {
      {{1234.56789L, -0.5L, std::nullopt, std::nullopt}, german, "x = 1234,568   f(x) = -0,5"},
      {{-2e-7L, std::nullopt, std::nullopt, std::nullopt}, german, "x = -2E-07"},
      {{-2e-7L, 1e300L, std::nullopt, std::nullopt}, QLocale::c(), "x = -2E-07   f(x) = 1E+300"},
      {{1.0000000012L, 3e-17L, 0, std::nullopt}, german, "Nullstelle 0:   x = 1,000000001   f(x) = 3E-17"},
      {{1.0000000012L, 3e-17L, 1, std::nullopt}, german, "Nullstelle 3:   x = 1,000000001   f(x) = 3E-17"},
      {{0.5L, 2.25L, std::nullopt, -1.5L}, german, "x = 0,5   f(x) = 2,25   f'(x) = -1,5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(PlotReadingText(c.reading, roots, c.locale), QString::fromUtf8(c.text));
  }
}

namespace {
// The marks of the extrema and inflection points follow the roots graph, which stays the
// second graph also without a root; the derivatives' graphs and the legend only when asked.
TEST(KaloRootPlot, MarksTheCurvesPointsAndDrawsTheDerivativesWhenAsked) {
  struct Case {
    const char* Name;
    const char* Function;
    TKaloCurveSearch Search;
    QStringList Graphs;
    double (*Slope)(double);  // f' exactly
  };
  const auto cubic = [](double x) { return 3 * x * x - 3; };
  const auto parabola = [](double x) { return 2 * x; };
  const Case cases[] = {
      {"roots only", "x^3 - 3*x", {}, {}, cubic},
      {"extrema and inflection", "x^3 - 3*x", {true, true, true}, {"Maxima", "Minima", "Wendepunkte"}, cubic},
      {"no root, a minimum", "x^2 + 1", {true, true, false}, {"Minima"}, parabola},
      {"derivatives", "x^2 + 1", {true, false, false, true}, {"f'(x)", "f''(x)"}, parabola},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TKaloPersistRootFinding task;
    TqorMemoryDataset roots;
    DefineRootTable(roots);
    roots.Open();
    task.setCurveSearch(c.Search);
    TKaloRootCalculation calc(task, roots);
    calc.Execute({c.Function, -2.5L, 2.5L, 200});
    TKaloRootPlot plot;
    plot.Update(calc);
    QStringList names;
    for (const auto& [name, colour] : plot.CurveGraphs()) names << name;
    EXPECT_EQ(names, c.Graphs);
    EXPECT_EQ(plot.Plot2D().Legend.size(),
              c.Graphs.isEmpty() ? 0u : static_cast<std::size_t>(c.Graphs.size()) + (c.Search.Derivatives ? 1 : 0));
    EXPECT_EQ(plot.RootCount(), static_cast<int>(calc.RootX().size()));
    plot.Render({400, 300});
    for (const QPoint pixel : {QPoint(200, 150), QPoint(90, 150), QPoint(330, 40)}) {
      const std::optional<TKaloPlotReading> reading = plot.ReadingAt(pixel);
      ASSERT_TRUE(reading);
      const bool slope = c.Search.Derivatives || c.Search.Extrema || c.Search.Inflection;
      ASSERT_EQ(reading->Slope.has_value(), slope);
      EXPECT_EQ(PlotReadingText(*reading, roots, QLocale::c()).contains("f'(x) = "), slope);
      // Between the nodes, 0.025 apart, the slope is interpolated.
      if (slope) {
        EXPECT_NEAR(static_cast<double>(*reading->Slope), c.Slope(static_cast<double>(reading->X)), 2E-3);
      }
    }
  }
}
}  // namespace
