#include "rptPlot2DPreview.h"

#include "qorAppSvcProvBase.h"
#include "qorException.h"
#include "qorPlotReportTestSupport.h"
#include "qorReportDesigner.h"
#include "qorReportDesignerItems.h"
#include "qorTestModal.h"
#include "qorTestSupport.h"
#include "qorTestWidgetApp.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPrintPreviewDialog>
#include <QTimer>

#include <functional>

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

// Closes every modal dialog that opens while it lives, and counts them.
class TModalCloser {
public:
  TModalCloser() {
    QObject::connect(&FTimer, &QTimer::timeout, &FTimer, [this] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        ++Closed;
        modal->close();
      }
    });
    FTimer.start(PollMilliseconds);
  }
  int Closed = 0;

private:
  static constexpr int PollMilliseconds = 10;
  QTimer FTimer;
};

// Without a readable template there is nothing to preview: the user learns why instead
// of seeing an empty page.
TEST_F(PlotReportPreview, PreviewWithoutAReadableTemplateSaysWhyAndShowsNothing) {
  const QString shown = QDir::toNativeSeparators(TemplatePath());
  const struct {
    const char* name;
    std::function<void()> make;
    QString message;
  } cases[] = {
      {"missing", [] {}, "Die Berichtsvorlage '" + shown + "' existiert nicht."},
      {"empty",
       [this] {
         QFile file(TemplatePath());
         ASSERT_TRUE(file.open(QIODevice::WriteOnly));
       },
       "Die Berichtsvorlage '" + shown + "' kann nicht gelesen werden. Sie ist leer."},
      {"a folder", [this] { ASSERT_TRUE(QDir().mkpath(TemplatePath())); },
       "Die Berichtsvorlage '" + shown + "' kann nicht gelesen werden. Das ist keine gewöhnliche Datei."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QFile::remove(TemplatePath());
    QDir(TemplatePath()).removeRecursively();
    c.make();
    const TModalCloser closer;
    EXPECT_THROW_MSG(PreviewPlotReport(plot, roots, input), Exception, c.message.toStdString());
    EXPECT_EQ(closer.Closed, 0) << "no preview opened";
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
