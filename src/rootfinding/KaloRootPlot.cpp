#include "KaloRootPlot.h"

#include "KaloRootTableText.h"
#include "qorMemoryDataset.h"
#include "qorPlot2DMark.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
// The nodes with a point without value (NaN) between every two neighbours that both lie
// in an interval with a pole or a jump: the graph breaks there as at any value that is
// not finite.
void BreakAtPoles(const TKaloRootCalculation& Calc, kaloREALVector& x, kaloREALVector& y) {
  std::vector<std::pair<Extended, Extended>> gaps;
  for (const TqorRootIntervalCommon& r : Calc.Intervals())
    if (r.Kind == TqorRootKind::Pole || r.Kind == TqorRootKind::Jump)
      gaps.emplace_back(std::min(r.xMin, r.xMax), std::max(r.xMin, r.xMax));
  const kaloREALVector& vx = Calc.ValueX();
  const kaloREALVector& vy = Calc.ValueY();
  const std::size_t n = std::min(vx.size(), vy.size());
  const auto inside = [](Extended v, const std::pair<Extended, Extended>& g) { return g.first <= v && v <= g.second; };
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0 && std::any_of(gaps.begin(), gaps.end(),
                             [&](const auto& g) { return inside(vx[i - 1], g) && inside(vx[i], g); })) {
      x.push_back((vx[i - 1] + vx[i]) / 2);
      y.push_back(std::numeric_limits<Extended>::quiet_NaN());
    }
    x.push_back(vx[i]);
    y.push_back(vy[i]);
  }
}
}  // namespace

TKaloRootPlot::TKaloRootPlot() {
  FPlot2D.GridX().Axis = FPlot2D.AxisX().Items(FPlot2D.AddAxisX(QStringLiteral("x-Achse")));
  FPlot2D.GridX().GridType = agtStepLine;
  FPlot2D.GridY().Axis = FPlot2D.AxisY().Items(FPlot2D.AddAxisY(QStringLiteral("y-Achse")));
  FPlot2D.GridY().GridType = agtZerowLine;
}

void TKaloRootPlot::Update(const kaloREALVector& ValueX, const kaloREALVector& ValueY, const kaloREALVector& RootX,
                           const kaloREALVector& RootY, const TBusyStatus& BusyStatus) {
  TqorPlotDrawingAxis* axisX = FPlot2D.GridX().Axis;
  TqorPlotDrawingAxis* axisY = FPlot2D.GridY().Axis;
  Busy(BusyStatus, QStringLiteral("Graphen löschen ..."));
  FPlot2D.DeleteGraphs();
  FPlot2D.Legend.clear();
  FCurveGraphs.clear();
  FSlopeX.clear();
  FSlopeY.clear();
  Busy(BusyStatus, QStringLiteral("Funktionsgraph zufügen ..."));
  FPlot2D.AddGraph(ValueX, ValueY, axisX, axisY);
  if (RootX.empty()) return;
  Busy(BusyStatus, QStringLiteral("Nullstellengraph zufügen ..."));
  TqorPlotGraph* roots = FPlot2D.Graph().Items(FPlot2D.AddGraph(RootX, RootY, axisX, axisY));
  roots->setMarkClass(TqorPlotMarkClass::Of<TqorPlotMarkCircle>());
  roots->Pen().Style = TqorPenStyle::psClear;
}

void TKaloRootPlot::Update(const TKaloRootCalculation& Calc, const TBusyStatus& BusyStatus) {
  kaloREALVector x, y;
  BreakAtPoles(Calc, x, y);
  Update(x, y, Calc.RootX(), Calc.RootY(), BusyStatus);
  AddProofGraphs(Calc);
  AddCurveGraphs(Calc);
}

void TKaloRootPlot::AddProofGraphs(const TKaloRootCalculation& Calc) {
  kaloREALVector undecidedX, undecidedY;
  for (const TqorRootIntervalCommon& r : Calc.Intervals()) {
    if (r.Kind != TqorRootKind::Undecided) continue;
    undecidedX.push_back((r.xMin + r.xMax) / 2);
    undecidedY.push_back(0);
  }
  if (Calc.ProvedRootX().empty() && undecidedX.empty()) return;
  // The proved roots come after the sampled ones, which keep their place even when
  // there are none, so that the marks the pointer and the table reach stay theirs; the
  // undecided regions, usually far narrower than a pixel, are shaded bands on the axis.
  TqorPlotDrawingAxis* axisX = FPlot2D.GridX().Axis;
  TqorPlotDrawingAxis* axisY = FPlot2D.GridY().Axis;
  if (Calc.RootX().empty())
    AddMarks(FPlot2D.AddGraph({}, {}, axisX, axisY), TqorPlotMarkClass::Of<TqorPlotMarkCircle>());
  AddMarks(FPlot2D.AddGraph(Calc.ProvedRootX(), Calc.ProvedRootY(), axisX, axisY),
           TqorPlotMarkClass::Of<TqorPlotMarkSquare>());
  if (!undecidedX.empty())
    AddMarks(FPlot2D.AddGraph(undecidedX, undecidedY, axisX, axisY), TqorPlotMarkClass::Of<TqorPlotMarkBand>());
}

void TKaloRootPlot::AddMarks(int Graph, const TqorPlotMarkClass& Mark) {
  TqorPlotGraph* graph = FPlot2D.Graph().Items(Graph);
  graph->setMarkClass(Mark);
  graph->Pen().Style = TqorPenStyle::psClear;
}

namespace {
// The colours of the curve's marks and derivative graphs, apart from f's red.
const QColor MaximumColour(0, 128, 0);
const QColor MinimumColour(0, 0, 255);
const QColor InflectionColour(128, 0, 128);
const QColor SlopeColour(0, 128, 192);
const QColor CurvatureColour(192, 128, 0);

// The places of Rows whose kind is one of Kinds.
std::pair<kaloREALVector, kaloREALVector> Places(const std::vector<TqorExtremumRow>& Rows,
                                                 std::initializer_list<TqorExtremumKind> Kinds) {
  std::pair<kaloREALVector, kaloREALVector> places;
  for (const TqorExtremumRow& r : Rows)
    if (std::find(Kinds.begin(), Kinds.end(), r.Kind) != Kinds.end()) {
      places.first.push_back(r.x);
      places.second.push_back(r.y);
    }
  return places;
}
}  // namespace

// The root graph stays the second graph, empty when there is no root, so that the
// readings find it where they look for it.
void TKaloRootPlot::AddCurveGraphs(const TKaloRootCalculation& Calc) {
  FSlopeX = Calc.ValueD1().empty() ? kaloREALVector() : Calc.ValueX();
  FSlopeY = Calc.ValueD1();
  const auto& rows = Calc.ExtremaRows();
  using K = TqorExtremumKind;
  const auto [maxX, maxY] = Places(rows, {K::Maximum});
  const auto [minX, minY] = Places(rows, {K::Minimum});
  const auto [turnX, turnY] = Places(rows, {K::Inflection, K::Saddle});
  const bool derivatives = Calc.CalculatedSearch().Derivatives && !Calc.ValueD1().empty();
  if (maxX.empty() && minX.empty() && turnX.empty() && !derivatives) return;
  if (FPlot2D.Graph().Count() == 1)
    AddCurveGraph(QString(), Qt::black, {}, {}, TqorPlotMarkClass::Of<TqorPlotMarkCircle>());
  AddCurveGraph(QStringLiteral("Maxima"), MaximumColour, maxX, maxY, TqorPlotMarkClass::Of<TqorPlotMarkTriangle>());
  AddCurveGraph(QStringLiteral("Minima"), MinimumColour, minX, minY, TqorPlotMarkClass::Of<TqorPlotMarkTriangleDown>());
  AddCurveGraph(QStringLiteral("Wendepunkte"), InflectionColour, turnX, turnY,
                TqorPlotMarkClass::Of<TqorPlotMarkDiamond>());
  if (!derivatives) return;
  FPlot2D.Legend.insert(FPlot2D.Legend.begin(), {QStringLiteral("f(x)"), Qt::red});
  AddCurveGraph(QStringLiteral("f'(x)"), SlopeColour, Calc.ValueX(), Calc.ValueD1(), std::nullopt);
  AddCurveGraph(QStringLiteral("f''(x)"), CurvatureColour, Calc.ValueX(), Calc.ValueD2(), std::nullopt);
}

// A graph with a mark draws the mark only; one without is a line. An empty graph with a
// name is left out.
void TKaloRootPlot::AddCurveGraph(const QString& Name, QColor Colour, kaloREALVector X, kaloREALVector Y,
                                  std::optional<TqorPlotMarkClass> Mark) {
  if (X.empty() && !Name.isEmpty()) return;
  TqorPlotGraph* graph = FPlot2D.Graph().Items(FPlot2D.AddGraph(X, Y, FPlot2D.GridX().Axis, FPlot2D.GridY().Axis));
  graph->Name = Name;
  graph->Pen().Color = Colour;
  if (Mark) {
    graph->setMarkClass(Mark);
    graph->Pen().Style = TqorPenStyle::psClear;
    graph->Mark()->Pen().Color = Colour;
  }
  if (Name.isEmpty()) return;
  FCurveGraphs.emplace_back(Name, Colour);
  FPlot2D.Legend.push_back({Name, Colour});
}

const TqorMetafile& TKaloRootPlot::Render(QSize Size) {
  FPlot2D.Width = Size.width();
  FPlot2D.Height = Size.height();
  FPlot2D.Draw();
  FScalingX = FPlot2D.GridX().Axis->Scaling();
  FScalingY = FPlot2D.GridY().Axis->Scaling();
  return FPlot2D.MetaFile();
}

void TKaloRootPlot::Busy(const TBusyStatus& BusyStatus, const QString& Text) {
  if (BusyStatus) BusyStatus(Text);
}

namespace {
constexpr int FunctionGraph = 0;
constexpr int RootsGraph = 1;
// Digits of a value under the pointer (a pixel is far coarser) and of a root.
constexpr int PointerDigits = 7;
constexpr int RootDigits = 10;

// 'G' writes the exponent "E-07" in every locale, as the table and the number fields do.
QString Number(const QLocale& Locale, Extended Value, int Digits) {
  return Locale.toString(static_cast<double>(Value), 'G', Digits);
}
}  // namespace

QString PlotReadingText(const TKaloPlotReading& Reading, const TqorMemoryDataset& Roots, const QLocale& Locale) {
  QLocale locale = Locale;
  locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
  const int digits = Reading.Root ? RootDigits : PointerDigits;
  QString text = QStringLiteral("x = %1").arg(Number(locale, Reading.X, digits));
  if (Reading.Y) text += QStringLiteral("   f(x) = %1").arg(Number(locale, *Reading.Y, digits));
  if (Reading.Slope) text += QStringLiteral("   f'(x) = %1").arg(Number(locale, *Reading.Slope, digits));
  if (Reading.Root)
    text = QStringLiteral("Nullstelle %1:   %2").arg(RowNumberText(Roots, RootRowOfMark(Roots, *Reading.Root)), text);
  return text;
}

int RootRowOfMark(const TqorMemoryDataset& Roots, int Mark) {
  const TqorField& exists = Roots.FieldByName(RootField::RootExists);
  for (int row = 0; row < Roots.RecordCount(); ++row)
    if (exists.ValueAt(row).toBool() && Mark-- == 0) return row;
  return -1;
}

std::optional<int> RootMarkOfRow(const TqorMemoryDataset& Roots, int Row) {
  const TqorField& exists = Roots.FieldByName(RootField::RootExists);
  if (Row < 0 || Row >= Roots.RecordCount() || !exists.ValueAt(Row).toBool()) return std::nullopt;
  int mark = 0;
  for (int row = 0; row < Row; ++row)
    if (exists.ValueAt(row).toBool()) ++mark;
  return mark;
}

int TKaloRootPlot::RootMarkRadius() { return TqorPlotMarkCircle().Radius; }

const TqorPlotGraph* TKaloRootPlot::RootGraph() const {
  return FPlot2D.Graph().Count() > RootsGraph ? FPlot2D.Graph().Items(RootsGraph) : nullptr;
}

int TKaloRootPlot::RootCount() const {
  const TqorPlotGraph* roots = RootGraph();
  return roots ? static_cast<int>(std::min(roots->ValueX.size(), roots->ValueY.size())) : 0;
}

std::optional<QPoint> TKaloRootPlot::RootMarkPixel(int Index) const {
  if (Index < 0 || Index >= RootCount() || !FScalingX.Valid() || !FScalingY.Valid()) return std::nullopt;
  const TqorPlotGraph& roots = *RootGraph();
  // The graph draws no mark for a point that is not finite.
  if (!IsFiniteReal(roots.ValueX[Index]) || !IsFiniteReal(roots.ValueY[Index])) return std::nullopt;
  return QPoint(FScalingX.Coordinate(roots.ValueX[Index]), FScalingY.Coordinate(roots.ValueY[Index]));
}

std::optional<int> TKaloRootPlot::RootMarkAt(QPoint Pixel) const {
  std::optional<int> nearest;
  int nearestDistance = MarkHitRadius * MarkHitRadius + 1;
  for (int i = 0; i < RootCount(); ++i) {
    const std::optional<QPoint> centre = RootMarkPixel(i);
    if (!centre) continue;
    const QPoint d = *centre - Pixel;
    const int distance = d.x() * d.x() + d.y() * d.y();
    if (distance < nearestDistance) {
      nearest = i;
      nearestDistance = distance;
    }
  }
  return nearest;
}

std::optional<TKaloPlotReading> TKaloRootPlot::ReadingAt(QPoint Pixel) const {
  if (!FScalingX.Valid() || !FScalingY.Valid()) return std::nullopt;
  if (FScalingX.Clamped(Pixel.x()) != Pixel.x() || FScalingY.Clamped(Pixel.y()) != Pixel.y()) return std::nullopt;
  if (const std::optional<int> root = RootMarkAt(Pixel)) {
    const TqorPlotGraph& roots = *RootGraph();
    const Extended x = roots.ValueX[*root];
    return TKaloPlotReading{x, roots.ValueY[*root], root, LineValue(FSlopeX, FSlopeY, x)};
  }
  const Extended x = FScalingX.Value(Pixel.x());
  return TKaloPlotReading{x, GraphValue(x), std::nullopt, LineValue(FSlopeX, FSlopeY, x)};
}

std::optional<Extended> TKaloRootPlot::GraphValue(Extended X) const {
  if (FPlot2D.Graph().Count() <= FunctionGraph) return std::nullopt;
  const TqorPlotGraph& graph = *FPlot2D.Graph().Items(FunctionGraph);
  return LineValue(graph.ValueX, graph.ValueY, X);
}

std::optional<Extended> TKaloRootPlot::LineValue(const kaloREALVector& ValueX, const kaloREALVector& ValueY,
                                                 Extended X) {
  const std::size_t count = std::min(ValueX.size(), ValueY.size());
  if (count == 0) return std::nullopt;
  // The nodes run from xMin to xMax, which may be the larger one.
  const bool rising = ValueX.front() <= ValueX[count - 1];
  const auto begin = ValueX.begin();
  const auto end = begin + static_cast<std::ptrdiff_t>(count);
  const auto above = rising ? std::lower_bound(begin, end, X)
                            : std::lower_bound(begin, end, X, [](Extended a, Extended b) { return a > b; });
  if (above == end) return std::nullopt;
  const std::size_t i = static_cast<std::size_t>(above - begin);
  const Extended yHigh = ValueY[i];
  if (*above == X) return IsFiniteReal(yHigh) ? std::optional(yHigh) : std::nullopt;
  if (i == 0) return std::nullopt;
  const Extended xLow = ValueX[i - 1];
  const Extended yLow = ValueY[i - 1];
  // The line breaks at a value that is not finite.
  if (!IsFiniteReal(yLow) || !IsFiniteReal(yHigh)) return std::nullopt;
  return yLow + (yHigh - yLow) * (X - xLow) / (*above - xLow);
}

std::optional<TKaloXRange> TKaloRootPlot::XRangeBetween(int X1, int X2) const {
  if (!FScalingX.Valid()) return std::nullopt;
  // Ends finer than a pixel would only put noise digits into the fields.
  // Decimals are counted by dividing by a power of ten, which is exact where 0.01 is not.
  const Extended exponent = std::floor(std::log10(1 / std::fabs(FScalingX.ScaleFactor)));
  const Extended scale = std::pow(10.0L, std::fabs(exponent));
  const auto value = [&](int X) {
    const Extended v = FScalingX.Value(FScalingX.Clamped(X));
    return exponent < 0 ? std::round(v * scale) / scale : std::round(v / scale) * scale;
  };
  const Extended a = value(X1);
  const Extended b = value(X2);
  if (a == b) return std::nullopt;
  return TKaloXRange{std::min(a, b), std::max(a, b)};
}
