#include "rptPlot2DPreview.h"

#include "qorAppSvcProvBase.h"
#include "qorReportUi.h"

#include <QWidget>

void PreviewPlotReport(TqorPlot2D& Plot, TqorMemoryDataset& Roots, const TrptPlot2DInput& Input, QWidget* Owner) {
  TrptPlot2D report;
  if (const TqorApplicationServiceProviderBase* provider = GlobalServiceProviderOrNone()) {
    report.setReportFilePath(provider->RptPath());
    report.setDesignReport(provider->RptDesignerEnabled());
  }
  report.setOwner(Owner);
  report.setEngineFactory([](QObject* DialogOwner) { return std::make_unique<TqorReportUi>(DialogOwner); });
  report.SetCalculation(Plot, Roots, Input);
  report.Run();
}
