#include "PlotTestCanvas.h"
#include "qorFloatFaults.h"
#include "qorPlot2D.h"
#include "qorTestQtApp.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTransform>

#include <cmath>
#include <functional>
#include <limits>

QOR_TEST_APPLICATION(TGuiTestEnvironment);

namespace {
const Extended qnan = std::numeric_limits<Extended>::quiet_NaN();
const QColor Gray(128, 128, 128);

using Line = TPlotTestCanvas::TLine;
using Points = std::vector<QPoint>;

// The axes of the root-finding window's plot: "x-Achse" with step lines across x,
// "y-Achse" with the zero line across y.
void AddWindowAxes(TqorPlot2D& plot) {
  plot.AddAxisX("x-Achse");
  plot.AddAxisY("y-Achse");
  plot.GridX().Axis = plot.AxisX().Items(0);
  plot.GridX().GridType = agtStepLine;
  plot.GridY().Axis = plot.AxisY().Items(0);
  plot.GridY().GridType = agtZerowLine;
}

// The root-finding window's plot: x and y axis, step lines across x, the zero line
// across y, a function graph and a root graph of hollow circles.
struct PlotFixture {
  TqorPlot2D plot;
  TPlotTestCanvas canvas;

  PlotFixture() {
    AddWindowAxes(plot);
    kaloREALVector x, y;
    for (int i = 0; i <= 10; ++i) {
      x.push_back(i);
      y.push_back((i - 5) / 5.0L);
    }
    plot.AddGraph(x, y, plot.AxisX().Items(0), plot.AxisY().Items(0));
    const int roots = plot.AddGraph({5}, {0}, plot.AxisX().Items(0), plot.AxisY().Items(0));
    plot.Graph().Items(roots)->setMarkClass(TqorPlotMarkClass::Of<TqorPlotMarkCircle>());
    plot.Graph().Items(roots)->Pen().Style = TqorPenStyle::psClear;
    plot.Width = 640;
    plot.Height = 480;
  }
  TqorPlotDrawingAxis& axisX() { return *plot.AxisX().Items(0); }
  TqorPlotDrawingAxis& axisY() { return *plot.AxisY().Items(0); }
  std::vector<Line> LinesIn(const QColor& color) const {
    std::vector<Line> found;
    for (const Line& l : canvas.Lines())
      if (l.Pen.Color == color) found.push_back(l);
    return found;
  }
};

// A horizontal axis 0 .. 12 in steps of 2 with 4 intermediate ticks, 500 pixels long
// from x = 0, its distances across turned around at y = 300.
struct GridFixture {
  TPlotTestCanvas canvas;
  TqorPlotAxisXCommon axis;

  explicit GridFixture(Extended lo = 0) {
    axis.Canvas = &canvas;
    axis.ScaleHeight = [](int32_t i) { return 300 - i; };
    axis.AdjustValueMinMax({lo, 10});
    axis.Length = 500;
    axis.CalulateAxis();
    canvas.Calls.clear();
  }
  std::vector<Line> Draw(TqorGrid& grid, TqorAxisGridType type) {
    grid.Canvas = &canvas;
    grid.Axis = &axis;
    grid.GridType = type;
    grid.GraphAreaStart = 20;
    grid.GraphAreaLength = 100;
    canvas.Calls.clear();
    grid.Draw();
    return canvas.Lines();
  }
};
}  // namespace

TEST(Plot2D, StartsEmpty) {
  TqorPlot2D plot;
  EXPECT_EQ(plot.AxisX().Count(), 0);
  EXPECT_EQ(plot.AxisY().Count(), 0);
  EXPECT_EQ(plot.Graph().Count(), 0);
  EXPECT_EQ(plot.GridX().GridType, agtNone);
  EXPECT_EQ(plot.GridY().Pen(), (TqorPen{Gray}));
  plot.Height = 480;
  EXPECT_EQ(plot.ScaleX(30), 30);
  EXPECT_EQ(plot.ScaleY(30), 450);
}

TEST(Plot2D, AddsAxesOfBothDirections) {
  TqorPlot2D plot;
  EXPECT_EQ(plot.AddAxisX("a"), 0);
  EXPECT_EQ(plot.AddAxisX("b"), 1);
  EXPECT_EQ(plot.AddAxisY("c"), 0);
  EXPECT_NE(dynamic_cast<TqorPlotAxisXCommon*>(plot.AxisX().Items(1)), nullptr);
  EXPECT_NE(dynamic_cast<TqorPlotAxisYCommon*>(plot.AxisY().Items(0)), nullptr);
  EXPECT_EQ(plot.AxisX().Items(1)->Name, "b");
  plot.Height = 200;
  EXPECT_EQ(plot.AxisX().Items(0)->ScaleHeight(10), 190) << "horizontal axes stand on the bottom edge";
  EXPECT_EQ(plot.AxisY().Items(0)->ScaleWidth(10), 190) << "vertical axes run upward";
  EXPECT_EQ(plot.AxisY().Items(0)->ScaleHeight(10), 10);
}

TEST(Plot2D, GraphsWidenTheirAxesAndDeletingGathersAnew) {
  TqorPlot2D plot;
  plot.AddAxisX("x");
  plot.AddAxisY("y");
  TqorPlotDrawingAxis* ax = plot.AxisX().Items(0);
  TqorPlotDrawingAxis* ay = plot.AxisY().Items(0);
  kaloREALVector x{0, 10};
  EXPECT_EQ(plot.AddGraph(x, {-1, 1}, ax, ay), 0);
  x[1] = 99;
  EXPECT_EQ(plot.Graph().Items(0)->ValueX[1], 10) << "the graph keeps the values it was given";
  EXPECT_EQ(plot.AddGraph({5, 20}, {0, 3}, ax, ay), 1);
  EXPECT_EQ(ax->ValueMax, 20);
  EXPECT_EQ(ay->ValueMax, 3);

  plot.DeleteGraph(1);
  EXPECT_EQ(ax->ValueMin, 0);
  EXPECT_EQ(ax->ValueMax, 10);
  EXPECT_EQ(ay->ValueMin, -1);
  EXPECT_EQ(ay->ValueMax, 1);

  plot.AddGraph({5, 20}, {0, 3}, ax, ay);
  plot.DeleteGraphs();
  EXPECT_EQ(plot.Graph().Count(), 0);
  for (TqorPlotDrawingAxis* axis : {ax, ay}) {
    SCOPED_TRACE(axis == ax ? "x axis" : "y axis");
    EXPECT_EQ(axis->ValueMin, AxisValueCleared);
    EXPECT_EQ(axis->ValueMax, -AxisValueCleared);
  }
}

TEST(Plot2D, LaysOutAxesAroundTheGraphArea) {
  PlotFixture f;
  f.plot.DrawTo(f.canvas);
  EXPECT_EQ(f.axisX().Start, 68) << "right of the vertical axis band";
  EXPECT_EQ(f.axisX().Length, 640 - 68 - 10);
  EXPECT_EQ(f.axisY().Start, 82) << "above the horizontal axis band with its imprint row";
  EXPECT_EQ(f.axisY().Length, 480 - 82 - 10);
  const std::vector<Line> black = f.LinesIn(Qt::black);
  EXPECT_EQ(black[0], (Line{{68, 398}, {630, 398}})) << "the x axis line";
  const auto yLine = std::find(black.begin(), black.end(), Line{{68, 398}, {68, 10}});
  EXPECT_NE(yLine, black.end()) << "the y axis line up to 10 pixels below the top";
}

TEST(Plot2D, GridLinesSpanTheGraphArea) {
  PlotFixture f;
  f.plot.DrawTo(f.canvas);
  const std::vector<Line> gray = f.LinesIn(Gray);
  ASSERT_EQ(gray.size(), 6u + 1) << "x steps 2 .. 12 and the zero line of y";
  EXPECT_EQ(gray[0], (Line{{162, 397}, {162, 10}})) << "x = 2";
  EXPECT_EQ(gray[5], (Line{{630, 397}, {630, 10}})) << "x = AxisMax";
  EXPECT_EQ(gray[6], (Line{{69, 243}, {630, 243}})) << "y = 0";
}

TEST(Plot2D, DrawsBackgroundAxesGridsGraphsInThisOrder) {
  PlotFixture f;
  f.plot.DrawTo(f.canvas);
  const auto& first = f.canvas.Calls.front();
  EXPECT_EQ(first.Kind, TPlotTestCanvas::ckFillRect);
  EXPECT_EQ(first.Points, (Points{{0, 0}, {640, 480}}));
  EXPECT_EQ(first.Brush, (TqorBrush{Qt::white, TqorBrushStyle::bsSolid}));

  // 0 background, 1 axes, 2 grids, 3 function graph, 4 root marks.
  const auto phase = [](const TPlotTestCanvas::TCall& c) {
    switch (c.Kind) {
      case TPlotTestCanvas::ckFillRect:
        return 0;
      case TPlotTestCanvas::ckTextOut:
        return 1;
      case TPlotTestCanvas::ckPolyline:
        return 3;
      case TPlotTestCanvas::ckEllipse:
        return 4;
      default:
        return c.Pen.Color == Gray ? 2 : 1;
    }
  };
  int last = 0;
  for (const auto& c : f.canvas.Calls) {
    EXPECT_GE(phase(c), last);
    last = phase(c);
  }
  EXPECT_EQ(last, 4);
  for (const auto& t : f.canvas.OfKind(TPlotTestCanvas::ckTextOut))
    EXPECT_EQ(t.Brush.Style, TqorBrushStyle::bsSolid) << "axis text on opaque white";

  const auto graph = f.canvas.OfKind(TPlotTestCanvas::ckPolyline);
  EXPECT_EQ(graph[0].Points.size(), 11u);
  EXPECT_EQ(graph[0].Points.front(), QPoint(68, 398)) << "(0, -1) at the corner";
  EXPECT_EQ(f.canvas.OfKind(TPlotTestCanvas::ckEllipse)[0].Points, (Points{{298, 239}, {306, 247}}))
      << "the root (5, 0) in a circle of radius 4";
}

TEST(Plot2D, ForgetsTheCanvasAfterDrawing) {
  PlotFixture f;
  f.plot.DrawTo(f.canvas);
  EXPECT_EQ(f.plot.AxisX().Canvas(), nullptr);
  EXPECT_EQ(f.axisY().Canvas, nullptr);
  EXPECT_EQ(f.plot.GridX().Canvas, nullptr);
  EXPECT_EQ(f.plot.Graph().Items(1)->Canvas, nullptr);
  EXPECT_EQ(f.plot.Graph().Items(1)->Mark()->Canvas, nullptr);
}

TEST(Plot2D, TooSmallForItsAxesStillDrawsTheRest) {
  PlotFixture f;
  f.plot.Width = 60;
  f.plot.Height = 60;
  f.plot.DrawTo(f.canvas);
  EXPECT_EQ(f.axisX().StepCount, 0) << "a negative length leaves the axis unscaled";
  EXPECT_EQ(f.canvas.OfKind(TPlotTestCanvas::ckFillRect).size(), 1u);
  EXPECT_EQ(f.canvas.OfKind(TPlotTestCanvas::ckEllipse).size(), 1u);
}

TEST(Plot2D, AGraphWithoutFiniteValuesLeavesItsAxesWithoutRange) {
  TqorPlot2D plot;
  plot.AddAxisX("x");
  plot.AddAxisY("y");
  plot.AddGraph({0, 1}, {qnan, qnan}, plot.AxisX().Items(0), plot.AxisY().Items(0));
  plot.Width = 640;
  plot.Height = 480;
  TPlotTestCanvas canvas;
  plot.DrawTo(canvas);
  EXPECT_FALSE(plot.AxisY().Items(0)->CalulateAxis());
  EXPECT_TRUE(canvas.OfKind(TPlotTestCanvas::ckPolyline).empty());
}

// The calculation checks the floating-point flags after its own steps: drawing a plot
// of faulty and extreme values must not leave a flag behind for it to find.
TEST(Plot2D, DrawingLeavesNoFloatingPointFault) {
  const Extended inf = std::numeric_limits<Extended>::infinity();
  const Extended dmax = std::numeric_limits<double>::max();
  TqorPlot2D plot;
  plot.AddAxisX("x");
  plot.AddAxisY("y");
  plot.GridY().Axis = plot.AxisY().Items(0);
  plot.GridY().GridType = agtTickLine;
  const int g = plot.AddGraph({0, 1, 2, 3, inf}, {qnan, -dmax, inf, dmax, 1}, plot.AxisX().Items(0),
                              plot.AxisY().Items(0));
  plot.Graph().Items(g)->setMarkClass(TqorPlotMarkClass::Of<TqorPlotMarkCircle>());
  plot.Width = 640;
  plot.Height = 480;
  TPlotTestCanvas canvas;
  ClearFloatFaults();
  plot.DrawTo(canvas);
  EXPECT_NO_THROW(CheckFloatFaults());
  EXPECT_EQ(canvas.OfKind(TPlotTestCanvas::ckEllipse).size(), 2u) << "no mark where x or y is not finite";
}

TEST(PlotGrid, LinesByType) {
  struct Case {
    TqorAxisGridType type;
    Extended lo;
    std::size_t lines;
  };
  const Case cases[] = {
      {agtNone, -3, 0},      {agtStepPoint, -3, 0}, {agtZerowLine, 0, 0},  // 0 on the lower limit draws nothing
      {agtZerowLine, 1, 0},                                                // nor outside
      {agtZerowLine, -3, 1}, {agtStepLine, 0, 6},   {agtTickLine, 0, 6 * (1 + 4)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.type << " from " << static_cast<double>(c.lo));
    GridFixture f(c.lo);
    TqorGridX grid;
    EXPECT_EQ(f.Draw(grid, c.type).size(), c.lines);
  }
}

TEST(PlotGrid, StepLinesStandAtEveryStepButTheFirst) {
  GridFixture f;
  TqorGridX gridX;
  const std::vector<Line> vertical = f.Draw(gridX, agtStepLine);
  std::vector<int> xs;
  for (const Line& l : vertical) xs.push_back(l.From.x());
  EXPECT_EQ(xs, (std::vector<int>{83, 167, 250, 333, 417, 500})) << "2, 4, .., 12 at 500/12 pixels";
  EXPECT_EQ(vertical[0], (Line{{83, 300 - 21}, {83, 300 - 120}}));
  EXPECT_EQ(vertical[0].Pen, (TqorPen{Gray}));

  TqorGridY gridY;
  EXPECT_EQ(f.Draw(gridY, agtStepLine)[0], (Line{{300 - 21, 83}, {300 - 120, 83}})) << "the same line turned across";

  const std::vector<Line> ticks = f.Draw(gridX, agtTickLine);
  EXPECT_EQ(ticks[1].From.x(), 21) << "after the step line, the intermediate ticks of its step";
}

namespace {
// A metafile canvas that also notes where every text lands: the cell its text extent
// measures, turned by the font's angle about the reference point, as the metafile
// records it.
class TTextBoxCanvas : public TqorMetafileCanvas {
public:
  struct TBox {
    QString Text;
    QRectF Rect;
    TqorFont Font;
  };
  using TqorMetafileCanvas::TqorMetafileCanvas;

  void TextOut(int x, int y, const QString& text) override {
    const QRectF cell(QPointF(0, 0), QSizeF(TextExtent(text)));
    const QTransform turn = QTransform().translate(x, y).rotate(-static_cast<double>(Font().Angle));
    Boxes.push_back({text, turn.mapRect(cell), Font()});
    TqorMetafileCanvas::TextOut(x, y, text);
  }

  std::vector<TBox> Boxes;
};

// A plot as the root-finding window draws it: f sampled at 200 nodes over lo .. hi
// and the roots as circles.
struct TWindowPlot {
  const char* Name;
  std::function<Extended(Extended)> f;
  Extended Lo, Hi;
  std::vector<QPointF> Roots;
  bool ExponentY;  // the y labels take the exponent form at the window's default size
};

void Build(TqorPlot2D& plot, const TWindowPlot& c) {
  AddWindowAxes(plot);
  kaloREALVector x, y, rootX, rootY;
  constexpr int Nodes = 200;
  for (int i = 0; i < Nodes; ++i) {
    x.push_back(c.Lo + (c.Hi - c.Lo) * i / (Nodes - 1));
    y.push_back(c.f(x.back()));
  }
  for (const QPointF& r : c.Roots) {
    rootX.push_back(r.x());
    rootY.push_back(r.y());
  }
  plot.AddGraph(x, y, plot.AxisX().Items(0), plot.AxisY().Items(0));
  const int roots = plot.AddGraph(rootX, rootY, plot.AxisX().Items(0), plot.AxisY().Items(0));
  plot.Graph().Items(roots)->setMarkClass(TqorPlotMarkClass::Of<TqorPlotMarkCircle>());
  plot.Graph().Items(roots)->Pen().Style = TqorPenStyle::psClear;
}

const TWindowPlot WindowPlots[] = {
    {"the default task",
     [](Extended x) { return 0.71L + 0.91L * x - 5.5L * x * x + 0.172L * std::pow(x, 6); },
     -2.5L,
     2.5L,
     {{-2.41, 0}, {-0.29, 0}, {0.45, 0}, {2.31, 0}},
     false},
    {"1/x", [](Extended x) { return 1 / x; }, -1, 1, {{2.5E-19, 3.97E18}}, true},
    {"1E-6 .. 3E-6", [](Extended x) { return x - 2E-6L; }, 1E-6L, 3E-6L, {{2E-6, 0}}, false},
    {"-1234567 .. 0", [](Extended x) { return x + 1000; }, -1234567, 0, {{-1000, 0}}, false},
};
const QSize DefaultPlotSize(779, 400);
const QSize PlotSizes[] = {{300, 200}, {400, 250}, DefaultPlotSize, {1200, 800}};
}  // namespace

// Every text of the plot, measured in its own font: none runs out of the picture,
// none overlaps another, and titles, imprint and labels of both axes are all there.
TEST(Plot2D, TextsStayInsideThePictureAndApartFromEachOther) {
  const QString name = QString::fromUtf8(PlotImprintName);
  const QString address = QString::fromUtf8(PlotImprintAddress);
  for (const TWindowPlot& c : WindowPlots)
    for (const QSize& size : PlotSizes) {
      SCOPED_TRACE(testing::Message() << c.Name << " at " << size.width() << "x" << size.height());
      TqorPlot2D plot;
      Build(plot, c);
      plot.Width = size.width();
      plot.Height = size.height();
      TqorMetafile metafile;
      std::vector<TTextBoxCanvas::TBox> boxes;
      {
        TTextBoxCanvas canvas(metafile);
        plot.DrawTo(canvas);
        boxes = canvas.Boxes;
      }
      const QRectF picture(0, 0, size.width(), size.height());
      QStringList texts, labelsX, labelsY;
      for (std::size_t i = 0; i < boxes.size(); ++i) {
        const auto& a = boxes[i];
        texts << a.Text;
        if (a.Font.Size == plot.AxisX().Items(0)->LabelFont().Size) (a.Font.Angle == 0 ? labelsX : labelsY) << a.Text;
        EXPECT_TRUE(picture.contains(a.Rect)) << a.Text.toStdString() << " at " << a.Rect.x() << "," << a.Rect.y()
                                              << " " << a.Rect.width() << "x" << a.Rect.height();
        for (std::size_t j = i + 1; j < boxes.size(); ++j)
          EXPECT_FALSE(a.Rect.intersects(boxes[j].Rect))
              << a.Text.toStdString() << " overlaps " << boxes[j].Text.toStdString();
      }
      for (const QString& text : {QStringLiteral("x-Achse"), QStringLiteral("y-Achse"), name, address})
        EXPECT_TRUE(texts.contains(text)) << text.toStdString();
      EXPECT_GE(labelsX.size(), 2) << labelsX.join(" ").toStdString();
      EXPECT_GE(labelsY.size(), 1) << labelsY.join(" ").toStdString();
      if (size == DefaultPlotSize) {
        for (const QString& label : labelsY) EXPECT_EQ(label.contains('E'), c.ExponentY) << label.toStdString();
      }
    }
}

// The real canvas: the metafile takes the plot's size and, played back, shows the
// white background, the black axes, the gray grid and the red graph.
TEST(Plot2D, DrawRecordsTheMetafileAtThePlotSize) {
  PlotFixture f;
  f.plot.Draw();
  ASSERT_FALSE(f.plot.MetaFile().Empty());
  EXPECT_EQ(f.plot.MetaFile().Width(), 640);
  EXPECT_EQ(f.plot.MetaFile().Height(), 480);
  const QImage image = f.plot.MetaFile().ToImage();
  ASSERT_EQ(image.size(), QSize(640, 480));
  EXPECT_EQ(image.pixelColor(635, 5), QColor(Qt::white)) << "the margin at the top right";
  int red = 0, gray = 0, black = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      red += c == QColor(Qt::red);
      gray += c == Gray;
      black += c == QColor(Qt::black);
    }
  EXPECT_GT(red, 300) << "the function graph";
  EXPECT_GT(gray, 1000) << "six step lines and the zero line";
  EXPECT_GT(black, 1000) << "axes, ticks, labels";
  EXPECT_EQ(f.plot.AxisX().Canvas(), nullptr) << "the recording canvas is gone";

  f.plot.Width = 320;
  f.plot.Draw();
  EXPECT_EQ(f.plot.MetaFile().Width(), 320) << "every draw replaces the drawing";
}
