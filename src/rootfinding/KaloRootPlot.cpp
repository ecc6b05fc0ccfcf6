#include "KaloRootPlot.h"

#include "qorPlot2DMark.h"

#include <algorithm>
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

void TKaloRootPlot::Update(const kaloREALVector& ValueX, const kaloREALVector& ValueY,
                           const kaloREALVector& RootX, const kaloREALVector& RootY,
                           const TBusyStatus& BusyStatus) {
  TqorPlotDrawingAxis* axisX = FPlot2D.GridX().Axis;
  TqorPlotDrawingAxis* axisY = FPlot2D.GridY().Axis;
  Busy(BusyStatus, QStringLiteral("Graphen löschen ..."));
  FPlot2D.DeleteGraphs();
  Busy(BusyStatus, QStringLiteral("Funktionsgraph zufügen ..."));
  FPlot2D.AddGraph(ValueX, ValueY, axisX, axisY);
  if (RootX.empty())
    return;
  Busy(BusyStatus, QStringLiteral("Nullstellengraph zufügen ..."));
  TqorPlotGraph* roots = FPlot2D.Graph().Items(FPlot2D.AddGraph(RootX, RootY, axisX, axisY));
  roots->setMarkClass(TqorPlotMarkClass::Of<TqorPlotMarkCircle>());
  roots->Pen().Style = TqorPenStyle::psClear;
}

void TKaloRootPlot::Update(const TKaloRootCalculation& Calc, const TBusyStatus& BusyStatus) {
  kaloREALVector x, y;
  BreakAtPoles(Calc, x, y);
  Update(x, y, Calc.RootX(), Calc.RootY(), BusyStatus);
}

const TqorMetafile& TKaloRootPlot::Render(QSize Size) {
  FPlot2D.Width = Size.width();
  FPlot2D.Height = Size.height();
  FPlot2D.Draw();
  return FPlot2D.MetaFile();
}

void TKaloRootPlot::Busy(const TBusyStatus& BusyStatus, const QString& Text) {
  if (BusyStatus)
    BusyStatus(Text);
}
