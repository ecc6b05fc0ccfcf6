#include "qorGraphicUtils.h"

#include "qorCanvas.h"

#include <QFont>

#include <utility>

namespace {
// Points per inch, and the pixels per inch of the screen every size is measured at.
constexpr int PointsPerInch = 72;
constexpr int ScreenPixelsPerInch = 96;

// The designed faces and the faces of fonts-liberation2 with the same glyph widths.
constexpr std::pair<const char*, const char*> MetricCompatibleFaces[] = {
    {"Arial", "Liberation Sans"},
    {"Courier New", "Liberation Mono"},
    {"Times New Roman", "Liberation Serif"},
    // The forms' face has no twin of equal widths; Liberation Sans comes closest of the
    // faces every machine gets, and far closer than the wider default sans serif.
    {"MS Sans Serif", "Liberation Sans"},
};
}  // namespace

void UseMetricCompatibleFonts() {
  // The table keeps each substitute once, so a second call changes nothing.
  for (const auto& [designed, standIn] : MetricCompatibleFaces)
    QFont::insertSubstitution(QString::fromLatin1(designed), QString::fromLatin1(standIn));
}

void TqorFont::AssignToCanvas(TqorCanvas& canvas) const { canvas.setFont(*this); }

int TqorFont::PixelHeight() const {
  // Rounded like GDI's MulDiv, so that 8 points give 11 pixels.
  return (Size * ScreenPixelsPerInch + PointsPerInch / 2) / PointsPerInch;
}
