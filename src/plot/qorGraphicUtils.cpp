#include "qorGraphicUtils.h"

#include "qorCanvas.h"

namespace {
// Points per inch, and the pixels per inch of the screen every size is measured at.
constexpr int PointsPerInch = 72;
constexpr int ScreenPixelsPerInch = 96;
} // namespace

void TqorFont::AssignToCanvas(TqorCanvas& canvas) const { canvas.setFont(*this); }

int TqorFont::PixelHeight() const {
  // Rounded like GDI's MulDiv, so that 8 points give 11 pixels.
  return (Size * ScreenPixelsPerInch + PointsPerInch / 2) / PointsPerInch;
}
