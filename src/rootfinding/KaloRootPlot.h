#pragma once
// The plot of a root-finding window: the sampled function as a red line and the roots
// as hollow circles, over one x and one y axis with grid lines at the x steps and at
// y = 0. Shared by the window, its print preview and the batch program.

#include "KaloRootCalculation.h"
#include "qorKaloBase.h"
#include "qorPlot2D.h"

#include <QSize>

class TKaloRootPlot {
public:
  using TBusyStatus = TKaloRootCalculation::TBusyStatus;

  // The axes "x-Achse" and "y-Achse", step lines across x, the zero line across y;
  // no graphs yet.
  TKaloRootPlot();

  // The plot itself, for the report picture and for drawing elsewhere.
  TqorPlot2D& Plot2D() { return FPlot2D; }

  // Replaces the graphs by those of a successful calculation: the function graph
  // through (ValueX, ValueY) and, when there are roots, the root graph through
  // (RootX, RootY) drawn as marks only. Each step is announced through BusyStatus
  // first; ending the busy display is the caller's.
  void Update(const kaloREALVector& ValueX, const kaloREALVector& ValueY,
              const kaloREALVector& RootX, const kaloREALVector& RootY,
              const TBusyStatus& BusyStatus = {});
  // As above with Calc's values and roots; the function's line is also broken between
  // neighbouring nodes inside an interval that holds a pole or a jump, so that the line
  // does not cross zero where f has no root.
  void Update(const TKaloRootCalculation& Calc, const TBusyStatus& BusyStatus = {});

  // Draws the plot at Size pixels and returns the drawing, valid until the next Render.
  const TqorMetafile& Render(QSize Size);

private:
  // Shows Text through BusyStatus when there is one.
  static void Busy(const TBusyStatus& BusyStatus, const QString& Text);

  TqorPlot2D FPlot2D;
};
