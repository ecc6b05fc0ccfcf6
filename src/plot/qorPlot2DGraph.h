#pragma once
// A graph: points given by two vectors, scaled by two axes, drawn as a polyline that
// breaks where a value is not finite, with an optional mark at every point.

#include "qorCanvas.h"
#include "qorList.h"
#include "qorPlot2DAxis.h"
#include "qorPlot2DMark.h"

#include <QString>

#include <memory>
#include <optional>

class TqorPlotGraph : public TqorObject {
public:
  TqorPlotDrawingAxis* AxisX = nullptr;  // scales the x values; not owned
  TqorPlotDrawingAxis* AxisY = nullptr;  // scales the y values; not owned
  kaloREALVector ValueX;                 // x of the points
  kaloREALVector ValueY;                 // y of the points, as many as x
  TqorCanvas* Canvas = nullptr;          // set by the plot before drawing; not owned
  QString Name;                          // graph name; not drawn

  // The mark drawn at every point, or nullptr.
  TqorPlotMark* Mark() const { return FMark.get(); }
  // Line pen: red, solid, 1 pixel; a clear pen shows only the marks.
  TqorPen& Pen() { return FPen; }

  // The class of the current mark; none without a mark.
  const std::optional<TqorPlotMarkClass>& MarkClass() const { return FMarkClass; }
  // Keeps a mark that already is of value's class (or derived from it); otherwise
  // replaces it by a new mark of that class. No class removes the mark.
  void setMarkClass(const std::optional<TqorPlotMarkClass>& value);

  // Marks first, at every point whose x and y are finite; then the line through the
  // points, interrupted at every y that is not finite (IsFiniteReal). Draws nothing
  // without a canvas or without both axes.
  void Draw();

private:
  // The marks at the first count points.
  void DrawMarks(std::size_t count);
  // The line through the first count points, one polyline per run of finite y values.
  void DrawLine(std::size_t count);

  std::unique_ptr<TqorPlotMark> FMark;
  std::optional<TqorPlotMarkClass> FMarkClass;
  TqorPen FPen{Qt::red};
};

// The graphs of a plot in drawing order; owns them.
class TqorPlotGraphList : public TqorTypedObjectList<TqorPlotGraph> {};
