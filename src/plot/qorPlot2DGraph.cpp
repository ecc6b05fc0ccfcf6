#include "qorPlot2DGraph.h"

#include <QPoint>

#include <algorithm>
#include <vector>

void TqorPlotGraph::setMarkClass(const std::optional<TqorPlotMarkClass>& value) {
  if (value && FMark && value->IsClassOf(*FMark)) return;
  FMark = value ? value->Create() : nullptr;
  FMarkClass = value;
}

void TqorPlotGraph::Draw() {
  if (!Canvas || !AxisX || !AxisY) return;
  // Vectors of different lengths are drawn as far as both reach.
  const std::size_t count = std::min(ValueX.size(), ValueY.size());
  DrawMarks(count);
  Canvas->setPen(FPen);
  DrawLine(count);
}

void TqorPlotGraph::DrawMarks(std::size_t count) {
  if (!FMark) return;
  FMark->Canvas = Canvas;
  for (std::size_t i = 0; i < count; ++i) {
    // A point that is not finite has no pixel position, so it has no mark either.
    if (!IsFiniteReal(ValueX[i]) || !IsFiniteReal(ValueY[i])) continue;
    FMark->Draw(AxisX->Scale(ValueX[i]), AxisY->Scale(ValueY[i]));
  }
}

void TqorPlotGraph::DrawLine(std::size_t count) {
  std::vector<QPoint> run;
  const auto flush = [&] {
    if (run.size() >= 2) Canvas->Polyline(run);
    run.clear();
  };
  for (std::size_t i = 0; i < count; ++i) {
    if (IsFiniteReal(ValueY[i]))
      run.emplace_back(AxisX->Scale(ValueX[i]), AxisY->Scale(ValueY[i]));
    else
      flush();
  }
  flush();
}
