#pragma once
// A canvas for plot tests: records every call with the pen, brush and font in effect,
// and measures text by a simple rule, so that tests can check pixel positions.

#include "qorCanvas.h"

#include <QRect>

#include <functional>
#include <vector>

class TPlotTestCanvas : public TqorCanvas {
public:
  enum TKind { ckMoveTo, ckLineTo, ckPolyline, ckRectangle, ckEllipse, ckFillRect, ckTextOut };

  // One recorded call: the points it was given (two corners for shapes), its text and
  // what was selected at that moment.
  struct TCall {
    TKind Kind;
    std::vector<QPoint> Points;
    QString Text;
    TqorPen Pen;
    TqorBrush Brush;
    TqorFont Font;
  };

  // A line drawn by MoveTo and LineTo.
  struct TLine {
    QPoint From, To;
    TqorPen Pen = {};
    bool operator==(const TLine& o) const { return From == o.From && To == o.To; }
  };

  // Text width in pixels; by default one font size per character.
  std::function<int(const QString&, const TqorFont&)> WidthOf = [](const QString& text, const TqorFont& font) {
    return int(text.size()) * font.Size;
  };
  // Text height in pixels: twice the font size (16 for 8 points, 40 for 20 points).
  static int HeightOf(const TqorFont& font) { return 2 * font.Size; }

  std::vector<TCall> Calls;

  void MoveTo(int x, int y) override { Record(ckMoveTo, {{x, y}}); }
  void LineTo(int x, int y) override { Record(ckLineTo, {{x, y}}); }
  void Polyline(std::span<const QPoint> points) override {
    Record(ckPolyline, std::vector<QPoint>(points.begin(), points.end()));
  }
  void Rectangle(int x1, int y1, int x2, int y2) override { Record(ckRectangle, {{x1, y1}, {x2, y2}}); }
  void Ellipse(int x1, int y1, int x2, int y2) override { Record(ckEllipse, {{x1, y1}, {x2, y2}}); }
  void FillRect(int x1, int y1, int x2, int y2) override { Record(ckFillRect, {{x1, y1}, {x2, y2}}); }
  void TextOut(int x, int y, const QString& text) override { Record(ckTextOut, {{x, y}}, text); }
  QSize TextExtent(const QString& text) override { return {WidthOf(text, Font()), HeightOf(Font())}; }

  // The calls of one kind, in order.
  std::vector<TCall> OfKind(TKind kind) const {
    std::vector<TCall> found;
    for (const TCall& c : Calls)
      if (c.Kind == kind) found.push_back(c);
    return found;
  }
  // Every line drawn by a LineTo, from the position before it.
  std::vector<TLine> Lines() const {
    std::vector<TLine> lines;
    QPoint position;
    for (const TCall& c : Calls) {
      if (c.Kind == ckLineTo) lines.push_back({position, c.Points[0], c.Pen});
      if (c.Kind == ckMoveTo || c.Kind == ckLineTo) position = c.Points[0];
    }
    return lines;
  }
  // The TextOut call that wrote text (a failed lookup has Kind ckMoveTo).
  TCall Text(const QString& text) const {
    for (const TCall& c : Calls)
      if (c.Kind == ckTextOut && c.Text == text) return c;
    return {ckMoveTo, {}, {}, {}, {}, {}};
  }

private:
  void Record(TKind kind, std::vector<QPoint> points, const QString& text = {}) {
    Calls.push_back({kind, std::move(points), text, Pen(), Brush(), Font()});
  }
};
