#pragma once
// Fonts of the plotting library: a face, a size in points, a style, a colour and a
// text direction, as a GDI logical font describes them.

#include <QColor>
#include <QFlags>
#include <QString>

#include "qorKaloBase.h"

class TqorCanvas;

// Styles a font can combine.
enum class TqorFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
Q_DECLARE_FLAGS(TqorFontStyles, TqorFontStyle)
Q_DECLARE_OPERATORS_FOR_FLAGS(TqorFontStyles)

// The face every font starts with: present on every Linux desktop and drawn as
// outlines, so it can be rotated.
inline const QString qorDefaultFontName = QStringLiteral("DejaVu Sans");
// The size every font starts with, in points.
inline constexpr int qorDefaultFontSize = 8;

// Forms and report are designed for Windows faces; where such a face is missing, its
// metric-compatible stand-in of the Liberation family draws it (Arial: Liberation
// Sans, Courier New: Liberation Mono, Times New Roman: Liberation Serif; the forms' MS
// Sans Serif: Liberation Sans), so that texts
// measure and wrap alike on every machine whatever the font configuration would pick.
// Start-up calls it before any text is measured; it needs no application object.
void UseMetricCompatibleFonts();

// A rotatable font. Copying copies every attribute, the angle included.
class TqorFont {
public:
  QString Name = qorDefaultFontName;  // face name
  int Size = qorDefaultFontSize;      // in points at 96 pixels per inch
  TqorFontStyles Style;               // bold, italic, underline, strike-out
  QColor Color = Qt::black;           // colour of the glyphs
  Extended Angle = 0;                 // text direction in degrees, counter-clockwise

  bool operator==(const TqorFont& other) const = default;

  // Makes this font, angle included, the font of canvas; it stays selected there.
  void AssignToCanvas(TqorCanvas& canvas) const;
  // The character height in pixels (the em size) at 96 pixels per inch.
  int PixelHeight() const;
};
