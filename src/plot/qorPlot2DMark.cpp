#include "qorPlot2DMark.h"

void TqorPlotMark::Draw(int32_t /*x*/, int32_t /*y*/) {
  Canvas->setPen(FPen);
  Canvas->setBrush(FBrush);
}

void TqorPlotMarkCircle::Draw(int32_t x, int32_t y) {
  TqorPlotMark::Draw(x, y);
  Canvas->Ellipse(x - Radius, y - Radius, x + Radius, y + Radius);
}

void TqorPlotMarkSquare::Draw(int32_t x, int32_t y) {
  TqorPlotMark::Draw(x, y);
  Canvas->Rectangle(x - HalfSide, y - HalfSide, x + HalfSide, y + HalfSide);
}

TqorPlotMarkBand::TqorPlotMarkBand() {
  Pen().Style = TqorPenStyle::psClear;
  Brush() = {Qt::lightGray, TqorBrushStyle::bsSolid};
}

void TqorPlotMarkBand::Draw(int32_t x, int32_t y) {
  TqorPlotMark::Draw(x, y);
  Canvas->Rectangle(x - HalfWidth, y - HalfHeight, x + HalfWidth, y + HalfHeight);
}

void TqorPlotMarkTriangle::Draw(int32_t x, int32_t y) {
  TqorPlotMark::Draw(x, y);
  const int tip = Down ? Radius : -Radius;
  const QPoint corners[] = {{x, y + tip}, {x - Radius, y - tip}, {x + Radius, y - tip}, {x, y + tip}};
  Canvas->Polyline(corners);
}

void TqorPlotMarkDiamond::Draw(int32_t x, int32_t y) {
  TqorPlotMark::Draw(x, y);
  const QPoint corners[] = {{x, y - Radius}, {x + Radius, y}, {x, y + Radius}, {x - Radius, y}, {x, y - Radius}};
  Canvas->Polyline(corners);
}
