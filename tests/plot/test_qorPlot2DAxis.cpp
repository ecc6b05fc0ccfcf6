#include "PlotTestCanvas.h"
#include "qorPlot2DAxis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
const Extended inf = std::numeric_limits<Extended>::infinity();
const Extended qnan = std::numeric_limits<Extended>::quiet_NaN();

// The plot height the coordinate callbacks turn distances around at.
constexpr int32_t PlotHeight = 300;

using Line = TPlotTestCanvas::TLine;

std::vector<Extended> StepValues(const TqorPlotDrawingAxis& axis) {
  std::vector<Extended> values;
  for (int i = 0; i < axis.Steps().Count(); ++i) values.push_back(axis.Steps().Items(i));
  return values;
}

// An axis list bound as a plot of height PlotHeight binds it, with one axis holding
// the range lo .. hi, scaled over the graph area start .. start + length.
template <class List, class Axis>
struct ListFixture {
  TPlotTestCanvas canvas;
  List list;

  ListFixture(const QString& name, Extended lo, Extended hi, int32_t start, int32_t length) {
    const TqorPlotScalePosFunction turned = [](int32_t i) { return PlotHeight - i; };
    const bool horizontal = std::is_same_v<Axis, TqorPlotAxisXCommon>;
    list.ScaleHeight = horizontal ? turned : IdentityScale;
    list.ScaleWidth = horizontal ? IdentityScale : turned;
    list.setCanvas(&canvas);
    list.GraphAreaStart = start;
    list.GraphAreaLength = length;
    AddAxis(name, lo, hi);
  }
  TqorPlotDrawingAxis& AddAxis(const QString& name, Extended lo, Extended hi) {
    TqorPlotDrawingAxis& axis = *list.Items(list.Add(TqorPlotDrawingAxisClass::Of<Axis>(), name));
    axis.AdjustValueMinMax({lo, hi});
    return axis;
  }
  TqorPlotDrawingAxis& axis(int i = 0) { return *list.Items(i); }
  void Draw() {
    list.CalculateAxis();
    canvas.Calls.clear();
    list.Draw();
  }
};
using XFixture = ListFixture<TqorPlot2DAxisXList, TqorPlotAxisXCommon>;
using YFixture = ListFixture<TqorPlot2DAxisYList, TqorPlotAxisYCommon>;

// A drawing axis with a range, scaled over length pixels on canvas.
void Scale(TqorPlotDrawingAxis& axis, TPlotTestCanvas& canvas, Extended lo, Extended hi, int32_t length) {
  axis.Canvas = &canvas;
  axis.AdjustValueMinMax({lo, hi});
  axis.Length = length;
  ASSERT_TRUE(axis.CalulateAxis());
}
}  // namespace

TEST(PlotDrawingAxis, Defaults) {
  TqorPlotAxisXCommon x;
  TqorPlotAxisYCommon y;
  EXPECT_EQ(x.LabelFont().Size, 8);
  EXPECT_EQ(x.TitleFont().Size, 20);
  EXPECT_EQ(x.LabelFont().Angle, 0);
  EXPECT_EQ(y.LabelFont().Angle, 90);
  EXPECT_EQ(y.TitleFont().Angle, 90);
  EXPECT_EQ(x.Pen(), TqorPen{});
  EXPECT_TRUE(x.DrawVASOInfo);
  EXPECT_EQ(x.InterTickHeigth, 3);
  EXPECT_EQ(x.StepTickHeight, 6);
  EXPECT_EQ(x.TitelLabelGap + x.LabelTickGap + x.BorderGap, 6);
}

namespace {
// The worked examples of axis scaling: a range scaled over a length in pixels gives
// rounded limits, a step and the step values (AxisMax is never one of them).
struct TScalingCase {
  const char* Name;
  Extended Lo, Hi;
  int32_t Length;
  Extended AxisMin, AxisMax, StepWidth;
  std::vector<Extended> Steps;
  Extended ScaleFactor;
};

const TScalingCase ScalingCases[] = {
    {"0 .. 10 over 500 pixels", 0, 10, 500, 0, 12, 2, {0, 2, 4, 6, 8, 10}, Extended(500) / 12},
    {"a single value gets one step", 5, 5, 500, 5, 6, 1, {5}, 500},
    {"an axis shorter than 1.5 labels asks for no step and still gets one", 0, 10, 30, 0, 20, 10, {0, 10}, 1.5L},
    {"-1.3 .. 2.7 over 300 pixels", -1.3L, 2.7L, 300, -2, 3, 1, {-2, -1, 0, 1, 2}, 60},
    // Five steps of 1 would bring the labels ("-2.00", 40 pixels) 50 pixels apart,
    // closer than the 60 they keep.
    {"-1.3 .. 2.7 over 250 pixels takes fewer steps", -1.3L, 2.7L, 250, -2, 4, 2, {-2, 0, 2}, Extended(250) / 6},
};
}  // namespace

TEST(PlotDrawingAxis, ScalesTheWorkedExamples) {
  for (const TScalingCase& c : ScalingCases) {
    SCOPED_TRACE(c.Name);
    TPlotTestCanvas canvas;
    TqorPlotAxisXCommon axis;
    Scale(axis, canvas, c.Lo, c.Hi, c.Length);
    EXPECT_EQ(axis.AxisMin, c.AxisMin);
    EXPECT_EQ(axis.AxisMax, c.AxisMax);
    EXPECT_EQ(axis.StepWidth, c.StepWidth);
    EXPECT_EQ(axis.StepCount, std::ssize(c.Steps));
    EXPECT_EQ(StepValues(axis), c.Steps);
    EXPECT_EQ(axis.ScaleFactor, c.ScaleFactor);
  }
}

TEST(PlotDrawingAxis, LabelsAndIntermediateTicksOfTheFirstExample) {
  TPlotTestCanvas canvas;
  TqorPlotAxisXCommon axis;
  Scale(axis, canvas, 0, 10, 500);
  EXPECT_EQ(axis.LabelFormat, "%1.2f");
  EXPECT_EQ(axis.MaxLabelWidth, 40) << "\"10.00\", five characters of 8 pixels";
  EXPECT_EQ(axis.InterTickCount, 4) << "83 pixels per step: 9 parts would be 9 pixels apart";
  EXPECT_EQ(axis.InterTickWidth, 0.5L);
}

TEST(PlotDrawingAxis, WithoutRangeOrLengthKeepsThePreviousScaling) {
  TqorPlotAxisXCommon fresh;
  fresh.Length = 500;
  EXPECT_FALSE(fresh.CalulateAxis());
  EXPECT_EQ(fresh.StepCount, 0);
  EXPECT_EQ(fresh.Steps().Count(), 0);
  EXPECT_EQ(fresh.ScaleFactor, 0);

  TPlotTestCanvas canvas;
  TqorPlotAxisXCommon axis;
  Scale(axis, canvas, 0, 10, 500);
  axis.Length = 0;
  EXPECT_FALSE(axis.CalulateAxis());
  axis.Length = 500;
  axis.ValueMax = inf;
  EXPECT_FALSE(axis.CalulateAxis()) << "a range set beyond the finite has no scaling";
  axis.ValueMax = qnan;
  EXPECT_FALSE(axis.CalulateAxis());
  axis.ClearValueMinMax();
  EXPECT_FALSE(axis.CalulateAxis());
  EXPECT_EQ(axis.AxisMax, 12);
  EXPECT_EQ(axis.StepCount, 6);
  EXPECT_EQ(axis.Steps().Count(), 6);
  EXPECT_EQ(axis.ScaleFactor, Extended(500) / 12);
}

// The label "2.00" is so wide that the step 2 asks for the step 5, whose labels ask
// for the step 2 again: the step counts alternate 6, 3, 6, ... and never repeat at once.
TEST(PlotDrawingAxis, AlternatingStepCountsEndInAConsistentScaling) {
  TPlotTestCanvas canvas;
  canvas.WidthOf = [](const QString& text, const TqorFont& font) {
    return text == "2.00" ? 100 : int(text.size()) * font.Size;
  };
  TqorPlotAxisXCommon axis;
  Scale(axis, canvas, 0, 10, 300);
  EXPECT_TRUE(axis.StepCount == 3 || axis.StepCount == 6) << axis.StepCount;
  EXPECT_EQ(axis.StepCount, std::nearbyint((axis.AxisMax - axis.AxisMin) / axis.StepWidth));
  EXPECT_EQ(axis.Steps().Count(), axis.StepCount);
  EXPECT_EQ(axis.ScaleFactor, 300 / (axis.AxisMax - axis.AxisMin));
}

// Ranges whose quotients exceed 32 bits, or whose labels are far wider than the axis.
TEST(PlotDrawingAxis, ExtremeRangesGiveADrawableAxis) {
  const Extended dmax = std::numeric_limits<double>::max();
  const std::pair<Extended, Extended> ranges[] = {
      {1E10L - 1, 1E10L + 1}, {1E10L, 1E10L + 1E-6L}, {0, 0}, {1E-300L, 2E-300L}, {-dmax, dmax}, {1E30L, 1E30L},
  };
  for (const auto& [lo, hi] : ranges) {
    SCOPED_TRACE(testing::Message() << static_cast<double>(lo) << " .. " << static_cast<double>(hi));
    TPlotTestCanvas canvas;
    TqorPlotAxisXCommon axis;
    Scale(axis, canvas, lo, hi, 500);
    EXPECT_LE(axis.AxisMin, lo);
    EXPECT_GT(axis.AxisMax, hi);
    ASSERT_GE(axis.StepCount, 1);
    EXPECT_EQ(axis.Steps().Count(), axis.StepCount);
    EXPECT_TRUE(std::isfinite(axis.ScaleFactor) && axis.ScaleFactor > 0);
    EXPECT_GE(axis.Scale(lo), 0);
    EXPECT_LE(axis.Scale(hi), 500);
    QStringList labels;
    for (const Extended v : StepValues(axis)) labels << FormatAxisLabel(axis.LabelFormat, v);
    EXPECT_EQ(labels.removeDuplicates(), 0) << labels.join(" ").toStdString();
  }
}

TEST(PlotDrawingAxis, ScalesValuesToCanvasCoordinates) {
  TPlotTestCanvas canvas;
  TqorPlotAxisXCommon axis;
  Scale(axis, canvas, 0, 10, 500);
  axis.Start = 50;
  EXPECT_EQ(axis.Scale(0), 50);
  EXPECT_EQ(axis.Scale(2), 133);
  EXPECT_EQ(axis.Scale(12), 550);
  axis.ScaleWidth = [](int32_t i) { return PlotHeight - i; };
  EXPECT_EQ(axis.Scale(12), PlotHeight - 550);
  for (const Extended bad : {inf, -inf, qnan, 1E+400L}) {
    SCOPED_TRACE(testing::Message() << bad);
    EXPECT_EQ(axis.Scale(bad), PlotHeight - 50);
  }
}

TEST(PlotDrawingAxis, HeightOfTheBand) {
  TPlotTestCanvas canvas;
  TqorPlotAxisXCommon axis;
  axis.Canvas = &canvas;
  axis.DrawVASOInfo = false;
  EXPECT_EQ(axis.Height(), 16 + 10) << "label height + longer tick + two gaps";
  axis.Name = "x-Achse";
  EXPECT_EQ(axis.Height(), 16 + 10 + 40 + 2) << "+ title height + its gap";
  axis.InterTickHeigth = 9;
  EXPECT_EQ(axis.Height(), 16 + 13 + 40 + 2) << "the longer of the two ticks counts";

  // The imprint in 6 points: rows 12 high, the name 132 and the address 186 pixels
  // wide, side by side with a gap of 12 when the axis is 330 pixels long.
  axis.DrawVASOInfo = true;
  axis.Length = 330;
  EXPECT_EQ(axis.Height(), 16 + 13 + 40 + 2 + 12 + 2) << "+ one imprint row and its gap";
  axis.Length = 329;
  EXPECT_EQ(axis.Height(), 16 + 13 + 40 + 2 + 2 * 12 + 2) << "name and address in two rows";
  TqorPlotAxisYCommon vertical;
  vertical.Canvas = &canvas;
  EXPECT_EQ(vertical.Height(), 16 + 10) << "no imprint beside a vertical axis";
}

TEST(PlotAxisX, DrawsLineTicksLabelsAndImprint) {
  XFixture f("", 0, 10, 50, 500);
  f.Draw();
  const std::vector<Line> lines = f.canvas.Lines();
  ASSERT_EQ(lines.size(), 1u + 6 * (1 + 4)) << "the line, six steps of one step and four intermediate ticks";
  EXPECT_EQ(lines[0], (Line{{50, 260}, {550, 260}})) << "top of the band 26 + 14 pixels above the plot edge";
  EXPECT_EQ(lines[1], (Line{{50, 261}, {50, 267}})) << "ticks start one pen width below the line";
  EXPECT_EQ(lines[2], (Line{{71, 261}, {71, 264}}));
  EXPECT_EQ(lines[6], (Line{{133, 261}, {133, 267}}));
  EXPECT_EQ(lines.back(), (Line{{550, 261}, {550, 264}})) << "the intermediate ticks reach AxisMax";
  for (const Line& l : lines) EXPECT_EQ(l.Pen, TqorPen{});

  const auto zero = f.canvas.Text("0.00");
  EXPECT_EQ(zero.Points[0], QPoint(50 - 16, 269)) << "centred, tick length and gap below";
  EXPECT_EQ(zero.Font.Size, 8);
  EXPECT_EQ(f.canvas.Text("10.00").Points[0], QPoint(467 - 20, 269));
  EXPECT_EQ(f.canvas.OfKind(TPlotTestCanvas::ckTextOut).size(), 6u + 2) << "no title";

  const auto name = f.canvas.Text("Ingenieurbüro Nordmark");
  EXPECT_EQ(name.Points[0], QPoint(50, 269 + 16 + 2)) << "the imprint row below the labels, inside the band";
  EXPECT_EQ(name.Font.Size, 6);
  const auto address = f.canvas.Text("www.nordmark-ingenieure.example");
  EXPECT_EQ(address.Points[0], QPoint(550 - 31 * 6, 287)) << "ends at the end of the axis";
  EXPECT_EQ(address.Font.Size, 6);
}

// Name (132 pixels) and address (186) need 330 pixels side by side.
TEST(PlotAxisX, AnImprintWiderThanTheAxisTakesTwoRows) {
  XFixture f("x-Achse", 0, 10, 50, 300);
  f.Draw();
  EXPECT_EQ(f.list.Height(), 68 + 2 * 12 + 2);
  const int32_t title = f.canvas.Text("x-Achse").Points[0].y();
  EXPECT_EQ(f.canvas.Text("Ingenieurbüro Nordmark").Points[0], QPoint(50, title + 40 + 2)) << "below the title";
  EXPECT_EQ(f.canvas.Text("www.nordmark-ingenieure.example").Points[0], QPoint(350 - 186, title + 42 + 12))
      << "below the name, ending at the end of the axis";
  EXPECT_EQ(title + 42 + 12 + 12, PlotHeight - 1) << "the last row ends inside the band";
}

TEST(PlotAxisX, TitleAndAWiderPen) {
  XFixture f("x-Achse", 0, 10, 50, 500);
  f.axis().Pen().Width = 2;
  f.Draw();
  const std::vector<Line> lines = f.canvas.Lines();
  EXPECT_EQ(lines[0], (Line{{50, 218}, {550, 218}})) << "the band is 68 pixels with a title, 14 more with the imprint";
  EXPECT_EQ(lines[1], (Line{{50, 220}, {50, 226}})) << "two pen widths move the tick row by 2";
  EXPECT_EQ(lines[0].Pen.Width, 2);
  EXPECT_EQ(f.canvas.Text("0.00").Points[0], QPoint(34, 228));
  const auto title = f.canvas.Text("x-Achse");
  EXPECT_EQ(title.Points[0], QPoint(50 + (500 - 140) / 2, 220 + 16 + 10));
  EXPECT_EQ(title.Font.Size, 20);
  EXPECT_EQ(f.canvas.Text("Ingenieurbüro Nordmark").Points[0], QPoint(50, 246 + 40 + 2))
      << "a row of its own below the title, ending at the plot edge";
}

TEST(PlotAxisX, ATitleWiderThanTheAxisStartsLeftOfIt) {
  XFixture f(QString(31, 'W'), 0, 10, 50, 500);
  f.Draw();
  EXPECT_EQ(f.canvas.Text(QString(31, 'W')).Points[0].x(), 50 + (500 - 620) / 2);
}

TEST(PlotAxisX, OnlyTheAxisAtTheEdgeCarriesTheImprint) {
  XFixture f("", 0, 10, 50, 500);
  auto& inner = static_cast<TqorPlotAxisXCommon&>(f.AddAxis("", 0, 1));
  auto& outer = static_cast<TqorPlotAxisXCommon&>(f.axis(0));
  outer.DrawVASOInfo = false;
  inner.DrawVASOInfo = true;
  f.Draw();
  EXPECT_TRUE(outer.DrawVASOInfo);
  EXPECT_FALSE(inner.DrawVASOInfo);
  EXPECT_EQ(inner.Bottom, 40) << "the edge axis claims its imprint row";
  EXPECT_EQ(f.list.Height(), 40 + 26);
  EXPECT_EQ(f.canvas.Lines()[0].From.y(), 260);
  int imprints = 0;
  for (const auto& t : f.canvas.OfKind(TPlotTestCanvas::ckTextOut)) imprints += t.Text == "Ingenieurbüro Nordmark";
  EXPECT_EQ(imprints, 1);
  EXPECT_EQ(f.canvas.Text("Ingenieurbüro Nordmark").Points[0].y(), 287);
}

// The first vertical axis, label height hA = 16 and title height hT = 40: the band is
// hA + hT + 12 wide, the line at x = hA + hT + 12, tick ends at hA + hT + 5, labels
// from hT + 3, the title from 1.
TEST(PlotAxisY, TheWorkedExampleOfTheFirstAxis) {
  YFixture f("y-Achse", -1.3L, 1.7L, 40, 240);
  f.Draw();
  const TqorPlotDrawingAxis& axis = f.axis();
  EXPECT_EQ(StepValues(axis), (std::vector<Extended>{-2, -1, 0, 1}));
  EXPECT_EQ(axis.InterTickCount, 4);
  EXPECT_EQ(f.list.Height(), 16 + 40 + 12);

  const std::vector<Line> lines = f.canvas.Lines();
  EXPECT_EQ(lines[0], (Line{{68, 260}, {68, 20}}));
  EXPECT_EQ(lines[1], (Line{{67, 260}, {61, 260}})) << "step tick at -2";
  EXPECT_EQ(lines[2], (Line{{67, 245}, {64, 245}})) << "intermediate tick at -1.75";
  EXPECT_EQ(lines.back(), (Line{{67, 20}, {64, 20}})) << "the last one on AxisMax";

  const auto zero = f.canvas.Text("0.00");
  EXPECT_EQ(zero.Points[0], QPoint(40 + 3, 140 + 16)) << "reference at the lower left, centred";
  EXPECT_EQ(zero.Font.Angle, 90);
  EXPECT_EQ(f.canvas.Text("-2.00").Points[0], QPoint(43, 260))
      << "the label at the axis start ends there, clear of the horizontal axes' labels below";
  const auto title = f.canvas.Text("y-Achse");
  EXPECT_EQ(title.Points[0], QPoint(1, PlotHeight - (40 + (240 - 140) / 2)));
  EXPECT_EQ(title.Font.Angle, 90);
  EXPECT_EQ(title.Font.Size, 20);
  EXPECT_TRUE(f.canvas.Text("Ingenieurbüro Nordmark").Points.empty()) << "no imprint";
}

// Labels keep to their room: a horizontal label at most to the plot's left edge and
// the axis end, a vertical one along its axis line; one that would overlap the label
// before it is left out, its tick stays.
TEST(PlotAxisLabels, StayInTheirRoomAndLeaveOutWhatWouldOverlap) {
  XFixture x("", 0, 10, 10, 500);
  x.Draw();
  EXPECT_EQ(x.canvas.Text("0.00").Points[0].x(), 0) << "centred it would begin at 10 - 16";

  // -1.3 .. 2.7 over 70 pixels: one step of 5 wanted, limits -5 and 5; "-5.00" (40)
  // at the start, "0.00" (32) centred 35 pixels above it.
  YFixture y("", -1.3L, 2.7L, 40, 70);
  y.Draw();
  ASSERT_EQ(StepValues(y.axis()), (std::vector<Extended>{-5, 0}));
  EXPECT_EQ(y.canvas.Text("-5.00").Points[0].y(), PlotHeight - 40) << "ends at the axis start";
  EXPECT_TRUE(y.canvas.Text("0.00").Points.empty()) << "would begin at 59, before -5.00 ends at 80";
  int stepTicks = 0;
  for (const Line& l : y.canvas.Lines()) stepTicks += l.From.x() - l.To.x() == y.axis().StepTickHeight;
  EXPECT_EQ(stepTicks, 2);
}

// The boxes of the tick labels along the axis, at every length and range: none
// overlaps or touches the one before (a digit's width apart at least, so that
// "-300,0" and "-200,0" never read as one), and each lies in its room. Measured with
// the canvas's one-size-per-character rule and with narrow separators and signs as a
// real font has them.
TEST(PlotAxisLabels, KeepADigitApartAtEveryLengthAndRange) {
  const auto proportional = [](const QString& text, const TqorFont& font) {
    int width = 0;
    for (const QChar c : text) width += c.isDigit() ? font.Size * 3 / 4 : (c == u'.' || c == u',') ? 3 : font.Size;
    return width;
  };
  const struct {
    Extended Lo, Hi;
  } ranges[] = {{-300, 300},   {-15, 15},      {-300, 0},   {0, 15},         {-1.3L, 2.7L},
                {-3E9L, 4E9L}, {1E-6L, 3E-6L}, {-1E-3L, 0}, {-12345, 67890}, {-0.5L, 0.25L}};
  const int32_t lengths[] = {40, 70, 100, 150, 200, 280, 350, 500, 779, 1200};
  for (const bool real : {false, true}) {
    for (const auto& r : ranges) {
      for (const int32_t length : lengths) {
        SCOPED_TRACE(testing::Message() << (real ? "proportional " : "uniform ") << static_cast<double>(r.Lo) << " .. "
                                        << static_cast<double>(r.Hi) << " over " << length);
        const auto check = [&](auto& f, bool horizontal) {
          if (real) f.canvas.WidthOf = proportional;
          f.Draw();
          TqorFont labelFont = f.axis().LabelFont();
          const int32_t gap = f.canvas.WidthOf("0", labelFont);
          std::vector<std::pair<int32_t, int32_t>> boxes;
          for (const auto& c : f.canvas.OfKind(TPlotTestCanvas::ckTextOut)) {
            if (c.Font.Size != labelFont.Size) continue;  // title or imprint
            const int32_t width = f.canvas.WidthOf(c.Text, c.Font);
            const int32_t begin = horizontal ? c.Points[0].x() : PlotHeight - c.Points[0].y();
            boxes.emplace_back(begin, begin + width);
          }
          ASSERT_FALSE(boxes.empty());
          std::sort(boxes.begin(), boxes.end());
          const int32_t low = horizontal ? 0 : 20, high = 20 + length;
          for (std::size_t i = 0; i < boxes.size(); ++i) {
            EXPECT_GE(boxes[i].first, low) << "label " << i;
            EXPECT_TRUE(boxes[i].second <= high || boxes[i].first == low)
                << "a label longer than its room begins at its start";
            if (i > 0) {
              EXPECT_GE(boxes[i].first, boxes[i - 1].second + gap) << "label " << i;
            }
          }
        };
        XFixture x("", r.Lo, r.Hi, 20, length);
        check(x, true);
        YFixture y("", r.Lo, r.Hi, 20, length);
        check(y, false);
      }
    }
  }
}

// Labels whose fixed-point form leaves room for fewer than two of them take the
// exponent form when it is narrower; a long axis keeps the fixed point.
TEST(PlotAxisLabels, TakeTheExponentFormWhenFixedPointDoesNotFit) {
  const struct {
    int32_t Length;
    const char* Format;
  } cases[] = {{200, "%1.1E"}, {1000, "%1.1f"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Length);
    TPlotTestCanvas canvas;
    TqorPlotAxisYCommon axis;
    Scale(axis, canvas, -3E9L, 4E9L, c.Length);  // "-4000000000.0": 104 pixels, "-4.0E+09": 64
    EXPECT_EQ(axis.LabelFormat, c.Format);
  }
}

TEST(PlotAxisList, AddGivesTheAxisNameCanvasAndCallbacks) {
  TPlotTestCanvas canvas;
  TqorPlot2DAxisYList list;
  list.setCanvas(&canvas);
  list.ScaleWidth = [](int32_t i) { return 1000 - i; };
  EXPECT_EQ(list.Add(TqorPlotDrawingAxisClass::Of<TqorPlotAxisYCommon>(), "a"), 0);
  EXPECT_EQ(list.Add(TqorPlotDrawingAxisClass::Of<TqorPlotAxisYCommon>(), "b"), 1);
  TqorPlotDrawingAxis& b = *list.Items(1);
  EXPECT_EQ(b.Name, "b");
  EXPECT_EQ(b.Canvas, &canvas);
  EXPECT_EQ(b.ScaleWidth(1), 999);
  EXPECT_NE(dynamic_cast<TqorPlotAxisYCommon*>(&b), nullptr);
  TPlotTestCanvas other;
  list.setCanvas(&other);
  EXPECT_EQ(list.Items(0)->Canvas, &other);
  EXPECT_EQ(b.Canvas, &other);
}

TEST(PlotAxisList, ANewAxisWithoutDataDrawsItsLineAndTitleOnly) {
  XFixture f("x", 0, 0, 50, 500);
  f.axis().ClearValueMinMax();
  f.Draw();
  EXPECT_EQ(f.canvas.Lines().size(), 1u);
  EXPECT_EQ(f.canvas.OfKind(TPlotTestCanvas::ckTextOut).size(), 3u) << "title and imprint";
}
