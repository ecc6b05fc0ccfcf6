#include "PlotTestCanvas.h"
#include "qorPlot2DGraph.h"

#include <gtest/gtest.h>

#include <limits>

namespace {
const Extended inf = std::numeric_limits<Extended>::infinity();
const Extended qnan = std::numeric_limits<Extended>::quiet_NaN();

using Points = std::vector<QPoint>;

// A graph on axes of 10 pixels per unit: x to the right from 0, y upward from 100.
struct GraphFixture {
  TPlotTestCanvas canvas;
  TqorPlotAxisXCommon axisX;
  TqorPlotAxisYCommon axisY;
  TqorPlotGraph graph;

  GraphFixture(kaloREALVector x, kaloREALVector y) {
    axisX.ScaleFactor = axisY.ScaleFactor = 10;
    axisY.ScaleWidth = [](int32_t i) { return 100 - i; };
    graph.AxisX = &axisX;
    graph.AxisY = &axisY;
    graph.ValueX = std::move(x);
    graph.ValueY = std::move(y);
    graph.Canvas = &canvas;
  }
  std::vector<Points> Polylines() const {
    std::vector<Points> lines;
    for (const auto& c : canvas.OfKind(TPlotTestCanvas::ckPolyline)) lines.push_back(c.Points);
    return lines;
  }
  Points MarkCentres() const {
    Points centres;
    for (const auto& c : canvas.OfKind(TPlotTestCanvas::ckEllipse)) centres.push_back((c.Points[0] + c.Points[1]) / 2);
    return centres;
  }
};
}  // namespace

TEST(PlotGraph, ARedSolidLineThroughThePoints) {
  GraphFixture f({0, 1, 2}, {1, 3, 2});
  f.graph.Draw();
  ASSERT_EQ(f.Polylines(), (std::vector<Points>{{{0, 90}, {10, 70}, {20, 80}}}));
  EXPECT_EQ(f.canvas.Calls[0].Pen, (TqorPen{Qt::red}));
  EXPECT_TRUE(f.MarkCentres().empty()) << "no mark by default";
}

TEST(PlotGraph, ValuesThatAreNotFiniteInterruptTheLine) {
  struct Case {
    const char* name;
    kaloREALVector y;
    std::vector<Points> lines;
  };
  const Case cases[] = {
      {"a run in the middle", {1, 2, qnan, inf, 3, 4}, {{{0, 90}, {10, 80}}, {{40, 70}, {50, 60}}}},
      {"trailing values end the line", {1, 2, 1E+400L, qnan}, {{{0, 90}, {10, 80}}}},
      {"leading values start it later", {-inf, 2, 3}, {{{10, 80}, {20, 70}}}},
      {"a lone finite point draws no line", {1, qnan, 2, qnan, 3, 4}, {{{40, 70}, {50, 60}}}},
      {"no finite value draws nothing", {qnan, inf, -inf}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    kaloREALVector x;
    for (std::size_t i = 0; i < c.y.size(); ++i) x.push_back(i);
    GraphFixture f(x, c.y);
    f.graph.Draw();
    EXPECT_EQ(f.Polylines(), c.lines);
  }
}

TEST(PlotGraph, MarksComeFirstAndOnlyAtFinitePoints) {
  GraphFixture f({0, 1, 2, qnan}, {1, qnan, 2, 3});
  f.graph.setMarkClass(TqorPlotMarkClass::Of<TqorPlotMarkCircle>());
  f.graph.Pen().Style = TqorPenStyle::psClear;
  f.graph.Draw();
  EXPECT_EQ(f.MarkCentres(), (Points{{0, 90}, {20, 80}}));
  EXPECT_EQ(f.canvas.Calls.front().Kind, TPlotTestCanvas::ckEllipse);
  const auto ellipse = f.canvas.Calls.front();
  EXPECT_EQ(ellipse.Points, (Points{{-4, 86}, {4, 94}}));
  EXPECT_EQ(ellipse.Pen, TqorPen{});
  EXPECT_EQ(ellipse.Brush.Style, TqorBrushStyle::bsClear);
  for (const auto& c : f.canvas.OfKind(TPlotTestCanvas::ckPolyline))
    EXPECT_EQ(c.Pen.Style, TqorPenStyle::psClear) << "a clear pen shows only the marks";
}

TEST(PlotGraph, VectorsOfDifferentLengthsDrawAsFarAsBothReach) {
  GraphFixture f({0, 1, 2}, {1, 2, 3, 4, 5});
  f.graph.Draw();
  EXPECT_EQ(f.Polylines(), (std::vector<Points>{{{0, 90}, {10, 80}, {20, 70}}}));
}

TEST(PlotGraph, NothingWithoutCanvasOrAxes) {
  GraphFixture f({0, 1}, {0, 1});
  f.graph.AxisY = nullptr;
  f.graph.Draw();
  EXPECT_TRUE(f.canvas.Calls.empty());
}

TEST(PlotGraph, MarkClassKeepsAMarkOfTheClassAndReplacesOthers) {
  TqorPlotGraph graph;
  EXPECT_FALSE(graph.MarkClass().has_value());
  EXPECT_EQ(graph.Mark(), nullptr);

  const auto circle = TqorPlotMarkClass::Of<TqorPlotMarkCircle>();
  const auto plain = TqorPlotMarkClass::Of<TqorPlotMark>();
  graph.setMarkClass(circle);
  TqorPlotMark* first = graph.Mark();
  ASSERT_NE(dynamic_cast<TqorPlotMarkCircle*>(first), nullptr);
  EXPECT_EQ(graph.MarkClass(), circle);
  static_cast<TqorPlotMarkCircle*>(first)->Radius = 9;

  graph.setMarkClass(circle);
  EXPECT_EQ(graph.Mark(), first) << "the same class keeps the mark and its settings";
  graph.setMarkClass(plain);
  EXPECT_EQ(graph.Mark(), first) << "a circle already is a mark";
  EXPECT_EQ(graph.MarkClass(), circle);

  TqorPlotGraph other;
  other.setMarkClass(plain);
  other.setMarkClass(circle);
  EXPECT_NE(dynamic_cast<TqorPlotMarkCircle*>(other.Mark()), nullptr) << "replaced";
  EXPECT_EQ(other.MarkClass(), circle);
  other.setMarkClass(std::nullopt);
  EXPECT_EQ(other.Mark(), nullptr);
  EXPECT_FALSE(other.MarkClass().has_value());
}
