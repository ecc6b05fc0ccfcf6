#include "rptPlot2DPreview.h"

#include "qorAppSvcProvBase.h"
#include "qorException.h"
#include "qorPlotReportTestSupport.h"
#include "qorReportDesigner.h"
#include "qorReportDesignerItems.h"
#include "qorTestModal.h"
#include "qorTestWidgetApp.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPrintPreviewDialog>

QOR_TEST_APPLICATION(TWidgetTestEnvironment);

namespace {

// The preview finds the template where the program's service provider says.
class PlotReportPreview : public TPlotReportTest {
protected:
  TqorApplicationServiceProviderBase provider{nullptr, {}, QCoreApplication::applicationFilePath()};

  void SetUp() override {
    TPlotReportTest::SetUp();
    provider.SetBinPath(install.filePath("bin/"));
    provider.SetGlobalServiceProvider();
    ASSERT_EQ(provider.RptPath(), ReportFolder());
  }
};

TEST_F(PlotReportPreview, PreviewShowsTheReportAtThePicturesSize) {
  InstallTemplate();
  QWidget window;
  QString title;
  QWidget* parent = nullptr;
  OnNextModal<QPrintPreviewDialog>([&title, &parent](QPrintPreviewDialog* preview) {
    title = preview->windowTitle();
    parent = preview->parentWidget();
    preview->reject();
  });
  PreviewPlotReport(plot, roots, input, &window);
  EXPECT_EQ(title, "Vorschau: VASO Plot2D");
  EXPECT_EQ(parent, &window);
  EXPECT_EQ(QSize(plot.Width, plot.Height), ShippedPictureSize);
}

TEST_F(PlotReportPreview, PreviewOfAnUnreadableTemplateSaysWhy) {
  QFile file(TemplatePath());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  try {
    PreviewPlotReport(plot, roots, input);
    FAIL() << "an empty template was shown";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), "Die Berichtsvorlage '" + QDir::toNativeSeparators(TemplatePath()).toStdString() +
                                   "' kann nicht gelesen werden. Sie ist leer.");
  }
}

TEST_F(PlotReportPreview, WithTheDesignerSwitchThePreviewDesignsAndSavesTheTemplate) {
  provider.setRptDesignerEnabled(true);
  QString fileName;
  OnNextModal<TqorReportDesigner>([&fileName](TqorReportDesigner* designer) {
    EXPECT_EQ(designer->Scene()->items().size(), 1) << "an empty sheet";
    designer->AddBand(TqorBandType::ReportTitle);
    designer->AddObject(TqorReportDesigner::TObjectKind::Picture);
    designer->SetObjectText(*designer->SelectedObject(), "picPlot2D");
    EXPECT_TRUE(designer->Save());
    designer->accept();
  });
  PreviewPlotReport(plot, roots, input);
  TqorReportTemplate saved;
  saved.LoadFromFile(TemplatePath());
  ASSERT_EQ(saved.Page.Bands.size(), 1u);
  EXPECT_EQ(saved.Page.Bands[0]->Objects.at(0)->Name, "picPlot2D");
}

}  // namespace
