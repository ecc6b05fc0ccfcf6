#include "rptPlot2D.h"

#include "qorException.h"
#include "qorPlot2D.h"

#include <QIODevice>

const char* const PlotReportDataSetName = "Nullstellen";
const char* const ExtremaReportDataSetName = "Extrema";

namespace {
const QString PlotReportName = QStringLiteral("VASO Plot2D");
const QString PlotReportFileName = QStringLiteral("kaloPlot2D");
const QString PlotGraphicID = QStringLiteral("picPlot2D");
}  // namespace

TrptPlot2D::TrptPlot2D() : FPlot2DGraphicID(PlotGraphicID) {
  setReportName(PlotReportName);
  setReportFileName(PlotReportFileName);
  setPrintPreview(true);
}

bool TrptPlot2D::GetPicture(const QString& Name, int Width, int Height, QIODevice& Stream) {
  const bool r = TqorReportCommon::GetPicture(Name, Width, Height, Stream);
  // A picture without pixels has no room for a plot.
  if (r && FPlot2D && Width > 0 && Height > 0 && Name.compare(FPlot2DGraphicID, Qt::CaseInsensitive) == 0) {
    FPlot2D->Width = Width;
    FPlot2D->Height = Height;
    FPlot2D->Draw();
    Stream.write(FPlot2D->MetaFile().Bytes());
  }
  return r;
}

void TrptPlot2D::SetCalculation(TqorPlot2D& Plot, TqorMemoryDataset& Roots, const TrptPlot2DInput& Input) {
  setPlot2D(&Plot);
  AddDataset(Roots, QString::fromLatin1(PlotReportDataSetName), Input.FieldText);
  if (Input.Extrema) AddDataset(*Input.Extrema, QString::fromLatin1(ExtremaReportDataSetName), Input.FieldText);
  SetParameter(QStringLiteral("FunctionText"), Input.FunctionText);
  SetParameter(QStringLiteral("xMin"), static_cast<double>(Input.xMin));
  SetParameter(QStringLiteral("xMax"), static_cast<double>(Input.xMax));
  SetParameter(QStringLiteral("NodeCount"), Input.NodeCount);
  SetParameter(QStringLiteral("AbsErrorBound"), static_cast<double>(Input.AbsErrorBound));
  SetParameter(QStringLiteral("RelErrorBound"), static_cast<double>(Input.RelErrorBound));
}

void TrptPlot2D::Run() {
  if (!Execute()) throw Exception(ErrorText().toStdString());
}

void RenderPlotReportToPdf(TqorPlot2D& Plot, TqorMemoryDataset& Roots, const TrptPlot2DInput& Input,
                           const QString& FileName, const QString& TemplateFolder) {
  TrptPlot2D report;
  if (!TemplateFolder.isEmpty()) report.setReportFilePath(TemplateFolder);
  report.SetCalculation(Plot, Roots, Input);
  report.setPrintPreview(false);
  report.setPrintFileName(FileName);
  report.Run();
}
