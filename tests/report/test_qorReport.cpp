#include "qorReport.h"

#include "qorReportDesigner.h"
#include "qorReportDesignerItems.h"
#include "qorReportTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrintPreviewDialog>
#include <QPrinterInfo>
#include <QTemporaryDir>

namespace {

const QByteArray TwoPageTemplate = R"(<Report>
  <Page PaperWidth="100" PaperHeight="100" LeftMargin="10" TopMargin="10" RightMargin="10" BottomMargin="10">
    <Band Type="ReportTitle" Height="40">
      <Text Name="txtTitle" Width="300" Height="20" FontSize="12" Text="Bericht [Name]"/>
    </Band>
    <Band Type="MasterData" DataSet="Nullstellen" Height="70">
      <Text Name="txtRoot" Width="300" Height="20" Frame="All" Text="Wurzel [Nullstellen.&quot;xRoot&quot;]"/>
    </Band>
    <Band Type="PageFooter" Height="20">
      <Text Name="txtPage" Width="300" Height="20" Text="Seite [Page#] von [TotalPages#]"/>
    </Band>
  </Page>
</Report>)";

class Report : public ::testing::Test {
protected:
  QTemporaryDir folder;
  TqorMemoryDataset roots;
  TqorReport report;
  QString templateFile;

  void SetUp() override {
    FillRootTable(roots, {
                             {0, -1, 0, "Zeroin()", true, -0.5, 1e-17, 5, ""},
                             {1, 0, 1, "Zeroin()", true, 0.75, -2e-17, 6, ""},
                             {2, 1, 2, "Zeroin()", true, 1.25, 0.0, 7, ""},
                             {3, 2, 3, "Zeroin()", true, 2.5, 0.0, 4, ""},
                         });
    templateFile = Write("bericht.fr3", TwoPageTemplate);
  }

  QString Write(const QString& Name, const QByteArray& Bytes) {
    QFile file(folder.filePath(Name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(Bytes);
    return file.fileName();
  }

  // The report with the template, the variable Name and the roots table.
  void Load() {
    report.Clear();
    ASSERT_TRUE(report.LoadFromFile(templateFile)) << report.ErrorText().toStdString();
    report.SetVariable(" Report", QVariant());
    report.SetVariable("Name", "'Müller''s Wurzeln'");
    report.AddDataSet(TqorReportDataSet("Nullstellen", roots));
  }
};

TEST_F(Report, PrintsToTheNamedPdfFile) {
  Load();
  const QString pdf = folder.filePath("bericht.pdf");
  report.setPrintFileName(pdf);
  ASSERT_TRUE(report.PrepareReport());
  ASSERT_EQ(report.PreparedPages().size(), 2u);
  ASSERT_TRUE(report.Print()) << report.ErrorText().toStdString();
  const QString text = PdfText(pdf);
  for (const char* expected : {"Bericht Müller's Wurzeln", "Wurzel -0.5000000", "Wurzel 0.7500000", "Wurzel 2.5000000",
                               "Seite 1 von 2", "Seite 2 von 2"})
    EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();
  EXPECT_EQ(text.count("\f"), 2) << "pages";
}

TEST_F(Report, ReportsWhyATemplateDoesNotLoad) {
  const struct {
    const char* name;
    QByteArray bytes;
    const char* reason;
  } cases[] = {
      {"leer.fr3", "", "Sie ist leer."},
      {"text.fr3", "kein XML", "Sie enthält kein gültiges XML (Fehler in Zeile 1)."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString file = Write(c.name, c.bytes);
    EXPECT_FALSE(report.LoadFromFile(file));
    EXPECT_EQ(report.ErrorText(), QStringLiteral("Die Berichtsvorlage '%1' kann nicht gelesen werden. %2")
                                      .arg(QDir::toNativeSeparators(file), QString::fromUtf8(c.reason)));
    EXPECT_EQ(report.LoadedFileName(), "");
  }
  EXPECT_FALSE(report.LoadFromFile(folder.filePath("fehlt.fr3")));
  EXPECT_TRUE(report.ErrorText().endsWith("Sie existiert nicht."));
}

TEST_F(Report, APdfThatCannotBeWrittenIsReported) {
  Load();
  const QString pdf = folder.filePath("fehlt/bericht.pdf");
  report.setPrintFileName(pdf);
  ASSERT_TRUE(report.PrepareReport());
  EXPECT_FALSE(report.Print());
  EXPECT_TRUE(report.ErrorText().startsWith("Die Datei '" + QDir::toNativeSeparators(pdf) +
                                            "' kann nicht geschrieben werden: "))
      << report.ErrorText().toStdString();
  EXPECT_FALSE(QFileInfo::exists(pdf));
}

TEST_F(Report, WithoutPrinterPrintsToAPdfFileInTheDocumentsFolder) {
  if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "a printer is set up";
  const QByteArray savedHome = qgetenv("HOME");
  const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
  qputenv("HOME", folder.path().toUtf8());
  qputenv("XDG_CONFIG_HOME", folder.filePath("config").toUtf8());
  Load();
  report.setReportName("VASO Plot2D");
  const QString expected = folder.filePath("Documents/VASO Plot2D.pdf");
  EXPECT_EQ(report.DefaultPrintFileName(), expected);
  EXPECT_TRUE(report.PrepareReport() && report.Print()) << report.ErrorText().toStdString();
  EXPECT_TRUE(PdfText(expected).contains("Seite 2 von 2"));
  qputenv("HOME", savedHome);
  qputenv("XDG_CONFIG_HOME", savedConfig);
}

TEST_F(Report, ShowReportPreparesAndPreviewsModally) {
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

TEST_F(Report, DesignReportOpensTheDesignerOnTheTemplate) {
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
