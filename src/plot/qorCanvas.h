#pragma once
// The drawing surface of the plotting library: the part of a GDI device context that
// axes, grids, graphs and marks use. Coordinates are integer pixels, x to the right and
// y downward; rectangles exclude their right and bottom edge, as GDI's do. The pen,
// brush and font are plain values that a drawing call uses as they are at that moment.

#include <span>

#include <QColor>
#include <QPoint>
#include <QSize>
#include <QString>

#include "qorGraphicUtils.h"

// Line styles of a pen; psClear draws no line at all (a graph that shows only marks).
enum class TqorPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear };

// The pen of lines and of the outlines of rectangles and ellipses.
struct TqorPen {
  QColor Color = Qt::black;                    // line colour
  TqorPenStyle Style = TqorPenStyle::psSolid;  // line style
  int Width = 1;                               // in pixels; 0 draws one pixel wide too

  bool operator==(const TqorPen& other) const = default;
};

// Fill styles of a brush; bsClear leaves shapes hollow and text transparent.
enum class TqorBrushStyle { bsSolid, bsClear };

// The brush that fills rectangles, ellipses and the cells behind text.
struct TqorBrush {
  QColor Color = Qt::white;                        // fill colour
  TqorBrushStyle Style = TqorBrushStyle::bsSolid;  // fill style

  bool operator==(const TqorBrush& other) const = default;
};

// An abstract canvas; TqorMetafileCanvas (qorMetafile.h) records onto an enhanced
// metafile. A new canvas has a black 1-pixel solid pen, a solid white brush and the
// default font.
class TqorCanvas {
public:
  virtual ~TqorCanvas() = default;

  // The pen of the next drawing call: change it in place or replace it.
  TqorPen& Pen() { return FPen; }
  const TqorPen& Pen() const { return FPen; }
  void setPen(const TqorPen& value) { FPen = value; }
  // The brush of the next drawing call.
  TqorBrush& Brush() { return FBrush; }
  const TqorBrush& Brush() const { return FBrush; }
  void setBrush(const TqorBrush& value) { FBrush = value; }
  // The font of the next text call (TqorFont::AssignToCanvas sets it too).
  TqorFont& Font() { return FFont; }
  const TqorFont& Font() const { return FFont; }
  void setFont(const TqorFont& value) { FFont = value; }

  // Makes (x, y) the current position without drawing.
  virtual void MoveTo(int x, int y) = 0;
  // Draws with the pen from the current position to (x, y), which becomes the current
  // position.
  virtual void LineTo(int x, int y) = 0;
  // Draws connected lines through points with the pen; the current position is neither
  // used nor changed. Fewer than two points draw nothing.
  virtual void Polyline(std::span<const QPoint> points) = 0;
  // The rectangle from (x1, y1) to (x2, y2): outline with the pen, inside with the brush.
  virtual void Rectangle(int x1, int y1, int x2, int y2) = 0;
  // The ellipse inside the rectangle from (x1, y1) to (x2, y2), drawn like Rectangle.
  virtual void Ellipse(int x1, int y1, int x2, int y2) = 0;
  // Fills the rectangle from (x1, y1) to (x2, y2) with the brush, without outline.
  virtual void FillRect(int x1, int y1, int x2, int y2) = 0;
  // Writes text in the font. (x, y) is the top-left corner of the unrotated text, which
  // turns about it by Font().Angle; with a solid brush the text cell is filled with the
  // brush colour first, with a clear brush the background shows through.
  virtual void TextOut(int x, int y, const QString& text) = 0;
  // Width and height in pixels of text in the font, before any rotation.
  virtual QSize TextExtent(const QString& text) = 0;
  // TextExtent(text).width().
  int TextWidth(const QString& text) { return TextExtent(text).width(); }
  // TextExtent(text).height(): the font's ascent plus descent.
  int TextHeight(const QString& text) { return TextExtent(text).height(); }

private:
  TqorPen FPen;
  TqorBrush FBrush;
  TqorFont FFont;
};
