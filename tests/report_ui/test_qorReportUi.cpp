#include "qorReportUi.h"

#include "qorReportDesigner.h"
#include "qorReportDesignerItems.h"
#include "qorReportTestSupport.h"
#include "qorTestModal.h"
#include "qorTestWidgetApp.h"

#include <QPrintPreviewDialog>

QOR_TEST_APPLICATION(TWidgetTestEnvironment);

namespace {

class ReportUi : public TTwoPageReport<TqorReportUi> {};

TEST_F(ReportUi, ShowReportPreparesAndPreviewsModally) {
  Load();
  report.setReportName("VASO Plot2D");
  QString title;
  OnNextModal<QPrintPreviewDialog>([&title](QPrintPreviewDialog* preview) {
    title = preview->windowTitle();
    preview->reject();
  });
  report.ShowReport();
  EXPECT_EQ(title, "Vorschau: VASO Plot2D");
  EXPECT_EQ(report.PreparedPages().size(), 2u);
}

TEST_F(ReportUi, DesignReportOpensTheDesignerOnTheTemplate) {
  Load();
  int bands = 0;
  OnNextModal<TqorReportDesigner>([&bands](TqorReportDesigner* designer) {
    for (QGraphicsItem* item : designer->Scene()->items()) bands += dynamic_cast<TqorBandItem*>(item) != nullptr;
    designer->reject();
  });
  report.DesignReport();
  EXPECT_EQ(bands, 3);
}

}  // namespace
