#pragma once
#include <vector>
// The 2-D plot: stacked horizontal and vertical axes, a grid per direction and graphs,
// drawn into an enhanced metafile of Width x Height pixels. The graph area spans from
// the vertical axes to 10 pixels before the right edge and from the horizontal axes to
// 10 pixels below the top; axes are drawn first, then the grids, then the graphs.
//
//   TqorPlot2D plot;
//   plot.AddAxisX("x-Achse");  plot.AddAxisY("y-Achse");
//   plot.GridX().Axis = plot.AxisX().Items(0);  plot.GridX().GridType = agtStepLine;
//   plot.AddGraph(x, y, plot.AxisX().Items(0), plot.AxisY().Items(0));
//   plot.Width = 640;  plot.Height = 480;  plot.Draw();  // plot.MetaFile() holds it

#include "qorCanvas.h"
#include "qorMetafile.h"
#include "qorPlot2DAxis.h"
#include "qorPlot2DGraph.h"

#include <QString>

#include <cstdint>

// Which lines a grid draws across the graph area.
enum TqorAxisGridType {
  agtNone,       // none
  agtZerowLine,  // one line at 0 when 0 lies strictly inside the axis limits
  agtStepLine,   // a line at every step but the first, and at AxisMax
  agtTickLine,   // as agtStepLine, and at every intermediate tick
  agtStepPoint,  // none
};

// Grid lines that follow the steps of one axis across the graph area.
class TqorGrid {
public:
  virtual ~TqorGrid() = default;

  TqorCanvas* Canvas = nullptr;         // where the grid draws; not owned
  TqorAxisGridType GridType = agtNone;  // which lines
  TqorPlotDrawingAxis* Axis = nullptr;  // the axis the lines follow; not owned
  int32_t GraphAreaStart = 0;           // extent of the lines across Axis, in the
  int32_t GraphAreaLength = 0;          // pixel distances of the other direction

  // Line pen: gray (128, 128, 128), solid, 1 pixel.
  TqorPen& Pen() { return FPen; }

  // Selects the pen and draws the lines of GridType (nothing without canvas or axis).
  void Draw();
  // One grid line at the value val of Axis.
  virtual void DrawGridLine(Extended val) = 0;

private:
  TqorPen FPen{QColor(128, 128, 128)};
};

// Vertical lines at values of a horizontal axis.
class TqorGridX : public TqorGrid {
public:
  void DrawGridLine(Extended val) override;
};

// Horizontal lines at values of a vertical axis.
class TqorGridY : public TqorGrid {
public:
  void DrawGridLine(Extended val) override;
};

// One line of a plot's legend: a short stroke in Colour, then Text.
struct TqorLegendEntry {
  QString Text;
  QColor Colour;
};

class TqorPlot2D {
public:
  // An empty plot: no axes, no graphs, grids of type agtNone.
  TqorPlot2D();
  virtual ~TqorPlot2D() = default;
  TqorPlot2D(const TqorPlot2D&) = delete;
  TqorPlot2D& operator=(const TqorPlot2D&) = delete;

  int32_t Width = 0;  // size of the drawing in pixels
  int32_t Height = 0;

  TqorPlot2DAxisXList& AxisX() { return FAxisX; }
  TqorGridX& GridX() { return FGridX; }
  TqorPlot2DAxisYList& AxisY() { return FAxisY; }
  TqorGridY& GridY() { return FGridY; }
  // Drawn over the graphs in the top right corner, one line each; none when empty.
  std::vector<TqorLegendEntry> Legend;
  // The graphs in drawing order.
  TqorPlotGraphList& Graph() { return FGraph; }
  const TqorPlotGraphList& Graph() const { return FGraph; }
  // The last drawing; replaced by every Draw.
  const TqorMetafile& MetaFile() const { return FMetaFile; }

  // Adds a horizontal axis named Name; returns its index in AxisX.
  int AddAxisX(const QString& Name);
  // Adds a vertical axis named Name; returns its index in AxisY.
  int AddAxisY(const QString& Name);
  // Adds a graph of copies of valX and valY scaled by axisX and axisY, widens the axes'
  // ranges by the values; returns its index in Graph.
  int AddGraph(const kaloREALVector& valX, const kaloREALVector& valY, TqorPlotDrawingAxis* axisX,
               TqorPlotDrawingAxis* axisY);
  // Removes graph Index; its axes gather their ranges anew from the remaining graphs.
  void DeleteGraph(int Index);
  // Removes every graph and clears the range of every axis.
  void DeleteGraphs();

  // Draws the plot into MetaFile at Width x Height pixels.
  void Draw();
  // Draws background, axes, grids and graphs onto canvas (a printer, a test).
  void DrawTo(TqorCanvas& canvas);

  // Canvas x of a horizontal pixel position: unchanged.
  int32_t ScaleX(int32_t iPosition) const { return iPosition; }
  // Canvas y of a distance from the bottom edge.
  int32_t ScaleY(int32_t iPosition) const { return Height - iPosition; }

protected:
  // Fills the drawing white; the white brush stays for the text of the axes.
  virtual void DrawBackground(TqorCanvas& canvas);
  // Lays out, scales and draws the axes, then the grids.
  virtual void DrawAxes(TqorCanvas& canvas);
  // Draws every graph in order.
  virtual void DrawGraphs(TqorCanvas& canvas);
  // Draws the legend on a white box.
  void DrawLegend(TqorCanvas& canvas);

private:
  // Gathers the range of axis anew from every graph that uses it.
  void RegatherRange(TqorPlotDrawingAxis* axis);
  // Forgets the canvas everywhere it was handed, so that nothing keeps a canvas that
  // ends with the drawing.
  void DetachCanvas();

  TqorMetafile FMetaFile;
  TqorPlot2DAxisXList FAxisX;
  TqorGridX FGridX;
  TqorPlot2DAxisYList FAxisY;
  TqorGridY FGridY;
  TqorPlotGraphList FGraph;  // last, so graphs go before the axes they point to
};
