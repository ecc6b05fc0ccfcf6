#include "qorPlot2D.h"

#include <algorithm>

namespace {
// Space left free beside the graph area at the right and at the top edge.
constexpr int32_t GraphAreaMargin = 10;
}  // namespace

// ---- TqorGrid ----

void TqorGrid::Draw() {
  if (!Canvas || !Axis || GridType == agtNone || GridType == agtStepPoint) return;
  Canvas->setPen(FPen);
  if (GridType == agtZerowLine) {
    if (Axis->AxisMin < 0 && Axis->AxisMax > 0) DrawGridLine(0);
    return;
  }
  const TqorFloatList& steps = Axis->Steps();
  for (int i = 0; i < steps.Count(); ++i) {
    const Extended v = steps.Items(i);
    DrawGridLine(v + Axis->StepWidth);
    if (GridType != agtTickLine) continue;
    for (int32_t k = 1; k <= Axis->InterTickCount; ++k) DrawGridLine(v + k * Axis->InterTickWidth);
  }
}

void TqorGridX::DrawGridLine(Extended val) {
  const int32_t p = Axis->Scale(val);
  Canvas->MoveTo(p, Axis->ScaleHeight(GraphAreaStart + 1));
  Canvas->LineTo(p, Axis->ScaleHeight(GraphAreaStart + GraphAreaLength));
}

void TqorGridY::DrawGridLine(Extended val) {
  const int32_t p = Axis->Scale(val);
  Canvas->MoveTo(Axis->ScaleHeight(GraphAreaStart + 1), p);
  Canvas->LineTo(Axis->ScaleHeight(GraphAreaStart + GraphAreaLength), p);
}

// ---- TqorPlot2D ----

TqorPlot2D::TqorPlot2D() {
  const TqorPlotScalePosFunction scaleX = [this](int32_t i) { return ScaleX(i); };
  const TqorPlotScalePosFunction scaleY = [this](int32_t i) { return ScaleY(i); };
  FAxisX.ScaleHeight = scaleY;
  FAxisX.ScaleWidth = scaleX;
  FAxisY.ScaleHeight = scaleX;
  FAxisY.ScaleWidth = scaleY;
}

int TqorPlot2D::AddAxisX(const QString& Name) {
  return FAxisX.Add(TqorPlotDrawingAxisClass::Of<TqorPlotAxisXCommon>(), Name);
}

int TqorPlot2D::AddAxisY(const QString& Name) {
  return FAxisY.Add(TqorPlotDrawingAxisClass::Of<TqorPlotAxisYCommon>(), Name);
}

int TqorPlot2D::AddGraph(const kaloREALVector& valX, const kaloREALVector& valY, TqorPlotDrawingAxis* axisX,
                         TqorPlotDrawingAxis* axisY) {
  auto graph = std::make_unique<TqorPlotGraph>();
  graph->AxisX = axisX;
  graph->AxisY = axisY;
  graph->ValueX = valX;
  graph->ValueY = valY;
  if (axisX) axisX->AdjustValueMinMax(valX);
  if (axisY) axisY->AdjustValueMinMax(valY);
  return FGraph.Add(std::move(graph));
}

void TqorPlot2D::DeleteGraph(int Index) {
  const TqorPlotGraph* graph = FGraph.Items(Index);
  TqorPlotDrawingAxis* axisX = graph->AxisX;
  TqorPlotDrawingAxis* axisY = graph->AxisY;
  FGraph.Delete(Index);
  RegatherRange(axisX);
  RegatherRange(axisY);
}

void TqorPlot2D::DeleteGraphs() {
  FGraph.Clear();
  for (TqorPlot2DAxisList* list :
       {static_cast<TqorPlot2DAxisList*>(&FAxisX), static_cast<TqorPlot2DAxisList*>(&FAxisY)})
    for (int i = 0; i < list->Count(); ++i) list->Items(i)->ClearValueMinMax();
}

void TqorPlot2D::RegatherRange(TqorPlotDrawingAxis* axis) {
  if (!axis) return;
  axis->ClearValueMinMax();
  for (int i = 0; i < FGraph.Count(); ++i) {
    const TqorPlotGraph* graph = FGraph.Items(i);
    if (graph->AxisX == axis) axis->AdjustValueMinMax(graph->ValueX);
    if (graph->AxisY == axis) axis->AdjustValueMinMax(graph->ValueY);
  }
}

void TqorPlot2D::Draw() {
  FMetaFile.setWidth(std::max(Width, int32_t{0}));
  FMetaFile.setHeight(std::max(Height, int32_t{0}));
  // The canvas completes the metafile when it ends, also when drawing raised.
  TqorMetafileCanvas canvas(FMetaFile);
  DrawTo(canvas);
}

void TqorPlot2D::DrawTo(TqorCanvas& canvas) {
  struct Detach {
    TqorPlot2D& plot;
    ~Detach() { plot.DetachCanvas(); }
  } detach{*this};
  DrawBackground(canvas);
  DrawAxes(canvas);
  DrawGraphs(canvas);
  DrawLegend(canvas);
}

namespace {
// The legend's distance from the plot's edges, its stroke and the gaps, in pixels.
constexpr int LegendMargin = 12;
constexpr int LegendStroke = 18;
constexpr int LegendGap = 4;
}  // namespace

void TqorPlot2D::DrawLegend(TqorCanvas& canvas) {
  if (Legend.empty()) return;
  TqorFont font;
  font.AssignToCanvas(canvas);
  int textWidth = 0, lineHeight = 0;
  for (const TqorLegendEntry& entry : Legend) {
    const QSize size = canvas.TextExtent(entry.Text);
    textWidth = std::max(textWidth, size.width());
    lineHeight = std::max(lineHeight, size.height());
  }
  const int width = LegendStroke + 3 * LegendGap + textWidth;
  const int left = Width - LegendMargin - width, top = LegendMargin;
  canvas.setPen({Qt::black});
  canvas.setBrush({Qt::white, TqorBrushStyle::bsSolid});
  canvas.Rectangle(left, top, left + width, top + LegendGap + static_cast<int>(Legend.size()) * lineHeight + LegendGap);
  for (std::size_t i = 0; i < Legend.size(); ++i) {
    const int y = top + LegendGap + static_cast<int>(i) * lineHeight;
    canvas.setPen({Legend[i].Colour, TqorPenStyle::psSolid, 2});
    canvas.MoveTo(left + LegendGap, y + lineHeight / 2);
    canvas.LineTo(left + LegendGap + LegendStroke, y + lineHeight / 2);
    canvas.TextOut(left + 2 * LegendGap + LegendStroke, y, Legend[i].Text);
  }
}

void TqorPlot2D::DrawBackground(TqorCanvas& canvas) {
  canvas.Pen().Color = Qt::black;
  canvas.setBrush({Qt::white, TqorBrushStyle::bsSolid});
  canvas.FillRect(0, 0, Width, Height);
}

void TqorPlot2D::DrawAxes(TqorCanvas& canvas) {
  FAxisX.setCanvas(&canvas);
  FAxisY.setCanvas(&canvas);
  const int32_t hY = FAxisY.Height();
  FAxisX.GraphAreaStart = hY;
  FAxisX.GraphAreaLength = Width - hY - GraphAreaMargin;
  FAxisX.CalculateAxis();
  FAxisX.Draw();
  const int32_t hX = FAxisX.Height();
  FAxisY.GraphAreaStart = hX;
  FAxisY.GraphAreaLength = Height - hX - GraphAreaMargin;
  FAxisY.CalculateAxis();
  FAxisY.Draw();
  // Vertical grid lines run along the vertical axes' area, horizontal ones along the
  // horizontal axes' area.
  for (auto [grid, across] : {std::pair<TqorGrid*, TqorPlot2DAxisList*>{&FGridX, &FAxisY},
                              std::pair<TqorGrid*, TqorPlot2DAxisList*>{&FGridY, &FAxisX}}) {
    grid->Canvas = &canvas;
    grid->GraphAreaStart = across->GraphAreaStart;
    grid->GraphAreaLength = across->GraphAreaLength;
    grid->Draw();
  }
}

void TqorPlot2D::DrawGraphs(TqorCanvas& canvas) {
  for (int i = 0; i < FGraph.Count(); ++i) {
    TqorPlotGraph* graph = FGraph.Items(i);
    graph->Canvas = &canvas;
    graph->Draw();
  }
}

void TqorPlot2D::DetachCanvas() {
  FAxisX.setCanvas(nullptr);
  FAxisY.setCanvas(nullptr);
  FGridX.Canvas = nullptr;
  FGridY.Canvas = nullptr;
  for (int i = 0; i < FGraph.Count(); ++i) {
    TqorPlotGraph* graph = FGraph.Items(i);
    graph->Canvas = nullptr;
    if (graph->Mark()) graph->Mark()->Canvas = nullptr;
  }
}
