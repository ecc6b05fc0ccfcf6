#include "rptPlot2D.h"

#include "qorException.h"
#include "qorPlotReportTestSupport.h"
#include "qorTestQtApp.h"
#include "qorVersionInfo.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

QOR_TEST_APPLICATION(TGuiTestEnvironment);

namespace {

class PlotReport : public TPlotReportTest {
protected:
  std::string ErrorOf(const QString& Pdf) {
    try {
      RenderPlotReportToPdf(plot, roots, input, Pdf, ReportFolder());
    } catch (const Exception& error) {
      return error.Message();
    }
    return {};
  }
};

TEST_F(PlotReport, RendersTheShippedTemplateWithPlotRootsAndVariables) {
  InstallTemplate();
  const QString pdf = install.filePath("bericht.pdf");
  RenderPlotReportToPdf(plot, roots, input, pdf, ReportFolder());
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
      "Untere Intervallgrenze ist Nullstelle",
      "Sekantenverfahren",
      "Keine Nullstelle gefunden",
      version.FileDescription() + " " + version.FileVersion().AsDisplayString(),
      "Gedruckt am " + QLocale().toString(QDate::currentDate(), "dd.MM.yyyy") + " um ",
      "Seite 1 von 1",
  };
  for (const QString& part : expected)
    EXPECT_TRUE(text.contains(part)) << part.toStdString() << "\n" << text.toStdString();
  EXPECT_EQ(QSize(plot.Width, plot.Height), ShippedPictureSize);
}

// The template is laid out for Arial and Courier New; they print in the faces with
// their widths, so its texts wrap and fit as designed.
TEST_F(PlotReport, PrintsTheTemplatesFacesInTheirMetricCompatibleStandIns) {
  InstallTemplate();
  const QString pdf = install.filePath("bericht.pdf");
  RenderPlotReportToPdf(plot, roots, input, pdf, ReportFolder());
  const QStringList fonts = PdfFonts(pdf);
  for (const char* face : {"LiberationSans", "LiberationSans-Bold", "LiberationMono"})
    EXPECT_TRUE(fonts.contains(face)) << face << "\n" << fonts.join('\n').toStdString();
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
  RenderPlotReportToPdf(plot, roots, input, pdf, ReportFolder());
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

}  // namespace
