#include "rptPlot2D.h"

#include "qorException.h"
#include "qorPlot2D.h"

#include <QDir>
#include <QFileInfo>
#include <QIODevice>
#include <QWidget>

const char* const PlotReportDataSetName = "Nullstellen";

namespace {
const QString PlotReportName = QStringLiteral("VASO Plot2D");
const QString PlotReportFileName = QStringLiteral("kaloPlot2D");
const QString PlotGraphicID = QStringLiteral("picPlot2D");

// The plot report over Plot and Roots with Input as its variables.
void SetUp(TrptPlot2D& Report, TqorPlot2D& Plot, TqorMemoryDataset& Roots, const TrptPlot2DInput& Input) {
  Report.setPlot2D(&Plot);
  Report.AddDataset(Roots, QString::fromLatin1(PlotReportDataSetName));
  Report.SetParameter(QStringLiteral("FunctionText"), Input.FunctionText);
  Report.SetParameter(QStringLiteral("xMin"), static_cast<double>(Input.xMin));
  Report.SetParameter(QStringLiteral("xMax"), static_cast<double>(Input.xMax));
  Report.SetParameter(QStringLiteral("NodeCount"), Input.NodeCount);
  Report.SetParameter(QStringLiteral("AbsErrorBound"), static_cast<double>(Input.AbsErrorBound));
  Report.SetParameter(QStringLiteral("RelErrorBound"), static_cast<double>(Input.RelErrorBound));
}

void Run(TrptPlot2D& Report) {
  if (!Report.Execute()) throw Exception(Report.ErrorText().toStdString());
}
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

void PreviewPlotReport(TqorPlot2D& Plot, TqorMemoryDataset& Roots, const TrptPlot2DInput& Input, QWidget* Owner) {
  TrptPlot2D report;
  report.setOwner(Owner);
  SetUp(report, Plot, Roots, Input);
  Run(report);
}

void RenderPlotReportToPdf(TqorPlot2D& Plot, TqorMemoryDataset& Roots, const TrptPlot2DInput& Input,
                           const QString& FileName) {
  TrptPlot2D report;
  // Without its template the report would open a preview instead of printing.
  if (!QFileInfo::exists(report.TemplateFileName()))
    throw Exception(QStringLiteral("Die Berichtsvorlage '%1' existiert nicht.")
                        .arg(QDir::toNativeSeparators(report.TemplateFileName()))
                        .toStdString());
  SetUp(report, Plot, Roots, Input);
  report.setPrintPreview(false);
  report.setPrintFileName(FileName);
  Run(report);
}
