#include "KaloRootPlot.h"

#include "qorPlot2DMark.h"

TKaloRootPlot::TKaloRootPlot() {
  FPlot2D.GridX().Axis = FPlot2D.AxisX().Items(FPlot2D.AddAxisX(QStringLiteral("x-Achse")));
  FPlot2D.GridX().GridType = agtStepLine;
  FPlot2D.GridY().Axis = FPlot2D.AxisY().Items(FPlot2D.AddAxisY(QStringLiteral("y-Achse")));
  FPlot2D.GridY().GridType = agtZerowLine;
}

void TKaloRootPlot::Update(const kaloREALVector& ValueX, const kaloREALVector& ValueY,
                           const kaloREALVector& RootX, const kaloREALVector& RootY,
                           const TBusyStatus& BusyStatus) {
  TqorPlotDrawingAxis* axisX = FPlot2D.GridX().Axis;
  TqorPlotDrawingAxis* axisY = FPlot2D.GridY().Axis;
  Busy(BusyStatus, QStringLiteral("Graphen löschen ..."));
  FPlot2D.DeleteGraphs();
  Busy(BusyStatus, QStringLiteral("Funktionsgraph zufügen ..."));
  FPlot2D.AddGraph(ValueX, ValueY, axisX, axisY);
  if (RootX.empty())
    return;
  Busy(BusyStatus, QStringLiteral("Nullstellengraph zufügen ..."));
  TqorPlotGraph* roots = FPlot2D.Graph().Items(FPlot2D.AddGraph(RootX, RootY, axisX, axisY));
  roots->setMarkClass(TqorPlotMarkClass::Of<TqorPlotMarkCircle>());
  roots->Pen().Style = TqorPenStyle::psClear;
}

const TqorMetafile& TKaloRootPlot::Render(QSize Size) {
  FPlot2D.Width = Size.width();
  FPlot2D.Height = Size.height();
  FPlot2D.Draw();
  return FPlot2D.MetaFile();
}

void TKaloRootPlot::Busy(const TBusyStatus& BusyStatus, const QString& Text) {
  if (BusyStatus)
    BusyStatus(Text);
}
