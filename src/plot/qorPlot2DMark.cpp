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
