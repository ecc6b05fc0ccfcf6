#include "qorReport.h"

#include "qorReportTestSupport.h"
#include "qorTestQtApp.h"
#include "qorTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

QOR_TEST_APPLICATION(TGuiTestEnvironment);

namespace {

class Report : public TTwoPageReport<TqorReport> {};

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

TEST_F(Report, WithoutPrintFileWritesAPdfFileInTheDocumentsFolder) {
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

TEST_F(Report, HasNoPreviewAndNoDesignerWithoutAScreen) {
  Load();
  report.setReportName("VASO Plot2D");
  const std::string message =
      "Der Bericht 'VASO Plot2D' kann hier nur als PDF-Datei ausgegeben werden: Vorschau und Designer fehlen.";
  EXPECT_THROW_MSG(report.ShowReport(), Exception, message);
  EXPECT_THROW_MSG(report.DesignReport(), Exception, message);
}

}  // namespace
