#include "rptPlot2D.h"

#include "qorAppSvcProvBase.h"
#include "qorException.h"
#include "qorPlot2D.h"
#include "qorReportDesigner.h"
#include "qorReportDesignerItems.h"
#include "qorReportTestSupport.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPrintPreviewDialog>
#include <QTemporaryDir>

#include <cmath>

namespace {

const QString ShippedTemplate = QStringLiteral(QOR_SHIPPED_TEMPLATES "/kaloPlot2D.fr3");
// The picture object of the shipped template.
const QSize ShippedPictureSize(672, 400);

class PlotReport : public ::testing::Test {
protected:
  QTemporaryDir install;
  TqorApplicationServiceProviderBase provider{nullptr, {}, QCoreApplication::applicationFilePath()};
  TqorPlot2D plot;
  TqorMemoryDataset roots;
  TrptPlot2DInput input{"sin(x)", -3.5L, 2.5L, 200, 1e-10L, 0};
  QLocale savedLocale;

  void SetUp() override {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    provider.SetBinPath(install.filePath("bin/"));
    provider.SetGlobalServiceProvider();
    QDir().mkpath(provider.RptPath());
    plot.AddAxisX("x-Achse");
    plot.AddAxisY("y-Achse");
    kaloREALVector x, y;
    for (int i = 0; i <= 60; ++i) {
      x.push_back(-3.5L + i * 0.1L);
      y.push_back(std::sin(x.back()));
    }
    plot.AddGraph(x, y, plot.AxisX().Items(0), plot.AxisY().Items(0));
    FillRootTable(roots, {
                             {0, -3.2, -3.1, "Zeroin()", true, -3.14159265358979, 1.2e-16, 6, ""},
                             {34, 0, 0.1, "Untere Intervallgrenze ist Nullstelle", true, 0.0, 0.0, 0, ""},
                             {40, 0.6, 0.7, "Sekantenverfahren", false, QVariant(), QVariant(), QVariant(),
                              "Keine Nullstelle gefunden"},
                         });
  }
  void TearDown() override { QLocale::setDefault(savedLocale); }

  QString TemplatePath() const { return provider.RptPath() + "/kaloPlot2D.fr3"; }
  void InstallTemplate() const { ASSERT_TRUE(QFile::copy(ShippedTemplate, TemplatePath())); }

  std::string ErrorOf(const QString& Pdf) {
    try {
      RenderPlotReportToPdf(plot, roots, input, Pdf);
    } catch (const Exception& error) {
      return error.Message();
    }
    return {};
  }
};

TEST_F(PlotReport, RendersTheShippedTemplateWithPlotRootsAndVariables) {
  InstallTemplate();
  const QString pdf = install.filePath("bericht.pdf");
  RenderPlotReportToPdf(plot, roots, input, pdf);
  const QString text = PdfText(pdf);
  TqorApplicationVersion version;
  version.ReadVersion(QCoreApplication::applicationFilePath());
  const QStringList expected = {
      "Nullstellenbestimmung einer 2D-Funktion",
      "sin(x)",
      "von -3,5 bis 2,5",
      "200",
      "absolut 1E-10, relativ 0",
      "x-Achse",
      "-3,200",
      "-3,1415927",
      "1,2000000e-016",
      "Untere Intervallgrenze ist",
      "Sekantenverfahren",
      "Keine Nullstelle gefunden",
      version.FileDescription() + " " + version.FileVersion().AsDisplayString(),
      "Gedruckt am " + QLocale().toString(QDate::currentDate(), "dd.MM.yyyy") + " um ",
      "Seite 1 von 1",
  };
  for (const QString& part : expected) EXPECT_TRUE(text.contains(part)) << part.toStdString() << "\n" << text.toStdString();
  EXPECT_EQ(QSize(plot.Width, plot.Height), ShippedPictureSize);
}

TEST_F(PlotReport, ManyRootsContinueOnNextPagesUnderTheirHeadings) {
  InstallTemplate();
  roots.Close();
  roots.Open();
  for (int id = 0; id < 40; ++id) {
    roots.Append();
    roots.FieldByName("ID").setValue(id);
    roots.FieldByName("RootFinder").setValue("Zeroin()");
    roots.Post();
  }
  const QString pdf = install.filePath("bericht.pdf");
  RenderPlotReportToPdf(plot, roots, input, pdf);
  const QString text = PdfText(pdf);
  EXPECT_TRUE(text.contains("Seite 2 von 2")) << text.toStdString();
  EXPECT_EQ(text.count("x-Nullstelle"), 2) << text.toStdString();
  EXPECT_EQ(text.count("Zeroin()"), 40) << text.toStdString();
}

TEST_F(PlotReport, DrawsThePlotForItsPictureWhateverTheLetterCase) {
  TrptPlot2D report;
  const struct {
    const char* name;
    QSize size;
    bool drawn;
  } cases[] = {
      {"picPlot2D", {300, 200}, true},
      {"PICPLOT2D", {320, 180}, true},
      {"picLogo", {50, 50}, false},
      {"picPlot2D", {0, 200}, false},
  };
  report.setPlot2D(&plot);
  for (const auto& c : cases) {
    plot.Width = 10;
    plot.Height = 10;
    QByteArray bytes;
    QBuffer stream(&bytes);
    stream.open(QIODevice::ReadWrite);
    EXPECT_TRUE(report.GetPicture(c.name, c.size.width(), c.size.height(), stream)) << c.name;
    EXPECT_EQ(!bytes.isEmpty(), c.drawn) << c.name;
    if (c.drawn) {
      EXPECT_EQ(bytes, plot.MetaFile().Bytes()) << c.name;
      EXPECT_EQ(QSize(plot.MetaFile().Width(), plot.MetaFile().Height()), c.size) << c.name;
    }
  }
}

TEST_F(PlotReport, RenderingRefusesWhatItCannotPrintAndWritesNothing) {
  const QString pdf = install.filePath("bericht.pdf");
  const std::string shown = QDir::toNativeSeparators(TemplatePath()).toStdString();
  EXPECT_EQ(ErrorOf(pdf), "Die Berichtsvorlage '" + shown + "' existiert nicht.");
  QFile file(TemplatePath());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("<RootFinding/>");
  file.close();
  EXPECT_EQ(ErrorOf(pdf), "Die Berichtsvorlage '" + shown +
                              "' kann nicht gelesen werden. Sie ist keine Berichtsvorlage (Dokumentelement "
                              "'RootFinding' statt 'Report').");
  EXPECT_FALSE(QFileInfo::exists(pdf));
}

TEST_F(PlotReport, PreviewShowsTheReportAtThePicturesSize) {
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

TEST_F(PlotReport, PreviewOfAnUnreadableTemplateSaysWhy) {
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

TEST_F(PlotReport, WithTheDesignerSwitchThePreviewDesignsAndSavesTheTemplate) {
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
