#pragma once
// Point marks: a symbol drawn at every point of a graph, over its line.

#include "qorCanvas.h"
#include "qorList.h"
#include "qorPlotCommon.h"

#include <cstdint>

// A mark that only selects its pen and brush; derived marks draw a symbol.
class TqorPlotMark : public TqorObject {
public:
  TqorCanvas* Canvas = nullptr;  // where the mark draws; not owned

  // Outline pen: black, solid, 1 pixel.
  TqorPen& Pen() { return FPen; }
  // Fill brush: clear, so marks are hollow.
  TqorBrush& Brush() { return FBrush; }

  // Selects pen and brush on Canvas; derived marks then draw at pixel (x, y).
  virtual void Draw(int32_t x, int32_t y);

private:
  TqorPen FPen;
  TqorBrush FBrush{Qt::white, TqorBrushStyle::bsClear};
};

// A circle of Radius pixels around the point.
class TqorPlotMarkCircle : public TqorPlotMark {
public:
  int32_t Radius = 4;  // pixels from the point to the outline

  void Draw(int32_t x, int32_t y) override;
};

// A square of 2 * HalfSide pixels around the point.
class TqorPlotMarkSquare : public TqorPlotMark {
public:
  int32_t HalfSide = 5;  // pixels from the point to the outline

  void Draw(int32_t x, int32_t y) override;
};

// A triangle of Radius pixels from the point to its corners, pointing up (a maximum)
// or, with Down, down (a minimum).
class TqorPlotMarkTriangle : public TqorPlotMark {
public:
  int32_t Radius = 5;
  bool Down = false;

  void Draw(int32_t x, int32_t y) override;
};

// A grey band of 2 * HalfWidth by 2 * HalfHeight pixels around the point, without an
// outline: it shades a place rather than marking a point.
class TqorPlotMarkBand : public TqorPlotMark {
public:
  TqorPlotMarkBand();
  int32_t HalfWidth = 3;
  int32_t HalfHeight = 24;

  void Draw(int32_t x, int32_t y) override;
};

// A triangle pointing down.
class TqorPlotMarkTriangleDown : public TqorPlotMarkTriangle {
public:
  TqorPlotMarkTriangleDown() { Down = true; }
};

// A diamond of Radius pixels from the point to its corners.
class TqorPlotMarkDiamond : public TqorPlotMark {
public:
  int32_t Radius = 5;

  void Draw(int32_t x, int32_t y) override;
};

// A class reference of marks: a graph creates its mark through it.
using TqorPlotMarkClass = TqorClassRef<TqorPlotMark>;
