#pragma once
// The plot of a root-finding window: the sampled function as a red line and the roots
// as hollow circles, over one x and one y axis with grid lines at the x steps and at
// y = 0. Shared by the window, its print preview and the batch program.
// The pixels of the last Render can be read back: the values under a pixel, the root
// mark at a pixel, and the x-range between two pixel columns.

#include "KaloRootCalculation.h"
#include "qorKaloBase.h"
#include "qorPlot2D.h"
#include "qorPlot2DMark.h"

#include <QColor>

#include <QLocale>
#include <QPoint>
#include <QSize>

#include <optional>
#include <utility>
#include <vector>

class TqorMemoryDataset;

// An x-range of a task, as "x-Werte von" and "bis" hold it.
struct TKaloXRange {
  Extended Min = 0;
  Extended Max = 0;
  bool operator==(const TKaloXRange&) const = default;
};

// What the plot shows at one pixel.
struct TKaloPlotReading {
  Extended X = 0;
  std::optional<Extended> Y;      // f(x) along the graph; none beside the values or where the line breaks
  std::optional<int> Root;        // the root mark under the pixel (X and Y are the root's then)
  std::optional<Extended> Slope;  // f'(x) between the calculated values, when they were calculated
};

// The reading as the status bar shows it, numbers in Locale's form without grouping and
// with an "E" exponent; a root is named by the number of its row of Roots (a table
// defined by DefineRootTable), as the grid numbers it (RowNumberText).
QString PlotReadingText(const TKaloPlotReading& Reading, const TqorMemoryDataset& Roots,
                        const QLocale& Locale = QLocale());

// The row of Roots (a table defined by DefineRootTable) that root mark Mark stands for:
// the Mark-th row, counted from 0, that has a root; -1 when there is none.
int RootRowOfMark(const TqorMemoryDataset& Roots, int Mark);
// The root mark of row Row of Roots: the number of rows with a root before it; none for
// a row without a root (or no row).
std::optional<int> RootMarkOfRow(const TqorMemoryDataset& Roots, int Row);

class TKaloRootPlot {
public:
  using TBusyStatus = TKaloRootCalculation::TBusyStatus;

  // The axes "x-Achse" and "y-Achse", step lines across x, the zero line across y;
  // no graphs yet.
  TKaloRootPlot();

  // The plot itself, for the report picture and for drawing elsewhere.
  TqorPlot2D& Plot2D() { return FPlot2D; }
  const TqorPlot2D& Plot2D() const { return FPlot2D; }

  // Replaces the graphs by those of a successful calculation: the function graph
  // through (ValueX, ValueY) and, when there are roots, the root graph through
  // (RootX, RootY) drawn as marks only. Each step is announced through BusyStatus
  // first; ending the busy display is the caller's.
  void Update(const kaloREALVector& ValueX, const kaloREALVector& ValueY, const kaloREALVector& RootX,
              const kaloREALVector& RootY, const TBusyStatus& BusyStatus = {});
  // As above with Calc's values and roots; the function's line is also broken between
  // neighbouring nodes inside an interval that holds a pole or a jump, so that the line
  // does not cross zero where f has no root.
  // The proved roots of Calc, when the proof ran, are a third graph of square marks and
  // its undecided regions a fourth of shaded bands.
  // does not cross zero where f has no root. When Calc searched extrema or inflection
  // points, their marks follow (maxima a triangle up, minima down, inflection and saddle
  // points a diamond), and when the task asked to show the derivatives the graphs of
  // f' and f'' with a legend (see CurveGraphs), each only when there is something to draw.
  void Update(const TKaloRootCalculation& Calc, const TBusyStatus& BusyStatus = {});

  // The graphs Update added beside f and the roots, as (name, colour) pairs in drawing
  // order, for a legend: "Maxima", "Minima", "Wendepunkte", "f'(x)", "f''(x)".
  const std::vector<std::pair<QString, QColor>>& CurveGraphs() const { return FCurveGraphs; }

  // Draws the plot at Size pixels and returns the drawing, valid until the next Render.
  // The readings below refer to this drawing, also after the plot drew elsewhere.
  const TqorMetafile& Render(QSize Size);

  // The radius of the root marks in pixels.
  static int RootMarkRadius();
  // How far from a root mark's centre a pixel still hits it.
  static constexpr int MarkHitRadius = 6;
  // The number of root marks.
  int RootCount() const;
  // The centre of root mark Index in the last Render; none without that mark or drawing.
  std::optional<QPoint> RootMarkPixel(int Index) const;
  // The root mark nearest to Pixel within MarkHitRadius; none when no mark is that near.
  std::optional<int> RootMarkAt(QPoint Pixel) const;
  // What Pixel shows: the root of the mark there, else x and the function graph's value
  // at x (linear between the calculated values, as the line is drawn); none outside
  // the graph area or before the first Render.
  std::optional<TKaloPlotReading> ReadingAt(QPoint Pixel) const;
  // The x-range between the pixel columns X1 and X2 (in either order), each moved onto
  // the x axis first and rounded to the power of ten at or below one pixel's width;
  // none before the first Render or when both ends meet.
  std::optional<TKaloXRange> XRangeBetween(int X1, int X2) const;

private:
  // The function graph's value at x, as its line runs; none outside its values or
  // where it breaks.
  std::optional<Extended> GraphValue(Extended X) const;
  // The value at X of the line through (ValueX, ValueY); none outside or where it breaks.
  static std::optional<Extended> LineValue(const kaloREALVector& ValueX, const kaloREALVector& ValueY, Extended X);
  // The graph of the roots, or nullptr.
  const TqorPlotGraph* RootGraph() const;

  // The proved roots as squares and the undecided regions as bands, when the proof ran.
  void AddProofGraphs(const TKaloRootCalculation& Calc);
  // Graph drawn as Mark symbols only.
  void AddMarks(int Graph, const TqorPlotMarkClass& Mark);
  // Shows Text through BusyStatus when there is one.
  static void Busy(const TBusyStatus& BusyStatus, const QString& Text);

  void AddCurveGraphs(const TKaloRootCalculation& Calc);
  void AddCurveGraph(const QString& Name, QColor Colour, kaloREALVector X, kaloREALVector Y,
                     std::optional<TqorPlotMarkClass> Mark);

  TqorPlot2D FPlot2D;
  std::vector<std::pair<QString, QColor>> FCurveGraphs;
  kaloREALVector FSlopeX, FSlopeY;  // f' at the nodes, for the pointer's reading
  TqorAxisScaling FScalingX;        // of the last Render
  TqorAxisScaling FScalingY;
};
