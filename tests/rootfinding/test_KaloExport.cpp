#include "KaloExport.h"
#include "KaloRootCalculation.h"
#include "qorException.h"
#include "qorTestFiles.h"
#include "qorTestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <limits>

namespace {

class Export : public ::testing::Test {
protected:
  void TearDown() override { QLocale::setDefault(FSavedLocale); }
  QString Path(const char* name) const { return FDir.filePath(name); }

  QTemporaryDir FDir;
  QLocale FSavedLocale;
};

TEST_F(Export, ValuesFileFollowsTheRegionalSettings) {
  const Extended inf = std::numeric_limits<Extended>::infinity();
  const kaloREALVector x = {-2.5L, 0.1L, 1e-300L, 12345.678L};
  const kaloREALVector y = {inf, -inf, std::numeric_limits<Extended>::quiet_NaN()};
  const struct {
    QLocale::Language language;
    const char* expected;
  } cases[] = {
      {QLocale::German,
       "\"x-Werte\";\"y-Werte\"\r\n"
       "-2,500000000000000E+000;                 INF\r\n"
       "1,000000000000000E-001;                -INF\r\n"
       "1,000000000000000E-300;                 NAN"},
      {QLocale::English,
       "\"x-Werte\";\"y-Werte\"\r\n"
       "-2.500000000000000E+000;                 INF\r\n"
       "1.000000000000000E-001;                -INF\r\n"
       "1.000000000000000E-300;                 NAN"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(QLocale::languageToString(c.language).toStdString());
    QLocale::setDefault(QLocale(c.language));
    SaveValuesFile(Path("werte.csv"), x, y);
    EXPECT_EQ(ReadBytes(Path("werte.csv")), c.expected) << "rows up to the shortest column, no final line break";
  }
}

TEST_F(Export, ValuesFileHasOneLinePerNodeOfTheShorterVector) {
  const kaloREALVector x(200, 1.0L), y(150, 2.0L);
  SaveValuesFile(Path("werte.csv"), x, y);
  const QList<QByteArray> lines = ReadBytes(Path("werte.csv")).split('\n');
  ASSERT_EQ(lines.size(), 151);
  EXPECT_EQ(lines[150], "1.000000000000000E+000;2.000000000000000E+000");

  SaveValuesFile(Path("leer.csv"), {}, {});
  EXPECT_EQ(ReadBytes(Path("leer.csv")), "\"x-Werte\";\"y-Werte\"") << "before the first calculation";
}

TEST_F(Export, ValueFormatsAndColumns) {
  const kaloREALVector v = {-0.00123456789L};
  const struct {
    const char* format;
    const char* text;
  } cases[] = {
      {"%e", "-1.23456789000000E-003"},    {"%.3e", "-1.23E-003"},
      {"%12.1E", "     -1E-003"},          {"%-12.2e|", "-1.2E-003   |"},
      {"x = %.4e m", "x = -1.235E-003 m"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    TValueExport exporter;
    EXPECT_EQ(exporter.AddColumn("v", v, c.format), 0);
    exporter.setWriteColumnHeader(false);
    EXPECT_EQ(exporter.AsString(), QString(c.text)) << c.format;
    EXPECT_EQ(exporter.AsString(), QString(c.text)) << "a second read gives the same text";
  }
  for (const char* bad : {"%d", "%20.16", "e", "%.0e", "%e%e"}) {
    SCOPED_TRACE(bad);
    TValueExport exporter;
    exporter.AddColumn("v", v, bad);
    EXPECT_THROW_MSG(exporter.AsString(), EConvertError,
                     "Das Format '" + std::string(bad) + "' ist ungültig oder passt nicht zu einem Gleitkommawert.");
  }
  TValueExport none;
  EXPECT_EQ(none.AsString(), "") << "no columns, no rows";
}

// A roots table as the calculation leaves it: a row with a root and one without.
// The roots file keeps the table's display form; the roots copied for a spreadsheet
// carry every digit of the reals.
TEST_F(Export, RootsFileWritesTheVisibleFieldsInDisplayForm) {
  QLocale::setDefault(QLocale(QLocale::German));
  TqorMemoryDataset roots;
  roots.setObjectName("memRoot");
  DefineRootTable(roots);
  roots.Open();
  const auto set = [&](const char* field, const QVariant& value) { roots.FieldByName(field).setValue(value); };
  roots.Append();
  set(RootField::ID, 0);
  set(RootField::xIntervalMin, -2.5);
  set(RootField::xIntervalMax, -2.4748743718592965);
  set(RootField::RootFinder, "Zeroin()");
  set(RootField::RootExists, true);
  set(RootField::xRoot, -2.4861111111);
  set(RootField::yRoot, -1.5e-17);
  set(RootField::IterCount, 9);
  set(RootField::ResultMessage, "");
  roots.Post();
  roots.Append();
  set(RootField::ID, 1);
  set(RootField::xIntervalMin, 1.0);
  set(RootField::xIntervalMax, 1.025);
  set(RootField::RootFinder, "Sekantenverfahren");
  set(RootField::RootExists, false);
  set(RootField::ResultMessage, "Kein \"Ergebnis\"\r\nnach 10000 Schritten");
  roots.Post();
  roots.setRecNo(1);

  const QString header =
      "\"N?\"\t\"x-Nullstelle\"\t\"y-Nullstelle\"\t\"Iter.\"\t\"x-Min\"\t\"x-Max\"\t\"Methode\"\t\"Bemerkung\"\n";
  const QString first = "X\t-2,4861111111\t-1,5E-17\t9\t-2,5\t-2,4748743718592965\t\"Zeroin()\"\t\"\"\n";
  const QString second =
      "\t\t\t\t1\t1,0249999999999999\t\"Sekantenverfahren\"\t\"Kein \"Ergebnis\"¤nach 10000 Schritten\"\n";
  const struct {
    std::vector<int> rows;
    QString text;
  } copies[] = {{{}, header + first + second}, {{1}, header + second}, {{0, 1}, header + first + second}};
  for (const auto& c : copies) {
    SCOPED_TRACE(c.rows.size());
    EXPECT_EQ(RootsClipboardText(roots, c.rows), c.text);
    EXPECT_EQ(roots.RecNo(), 1);
  }

  SaveRootsFile(Path("wurzeln.csv"), roots);
  EXPECT_EQ(ReadBytes(Path("wurzeln.csv")),
            "\"N?\";\"x-Nullstelle\";\"y-Nullstelle\";\"Iter.\";\"x-Min\";\"x-Max\";\"Methode\";\"Bemerkung\"\r\n"
            "X;-2,4861111;-1,5000000e-017;9;-2,500;-2,475;\"Zeroin()\";\"\"\r\n"
            ";;;;1,000;1,025;\"Sekantenverfahren\";\"Kein \"Ergebnis\"\xC2\xA4nach 10000 Schritten\"");
  EXPECT_EQ(roots.RecNo(), 1) << "the grid shows the same row as before";

  roots.Close();
  roots.Open();
  SaveRootsFile(Path("leer.csv"), roots);
  EXPECT_EQ(ReadBytes(Path("leer.csv")),
            "\"N?\";\"x-Nullstelle\";\"y-Nullstelle\";\"Iter.\";\"x-Min\";\"x-Max\";\"Methode\";\"Bemerkung\"");
}

// Each text reads back as the same double, in the locale it was written in.
TEST_F(Export, FullPrecisionTextReadsBackAsTheSameNumber) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double Value;
    const char* German;
    const char* English;
  } cases[] = {
      {-2.4861111111, "-2,4861111111", "-2.4861111111"},
      {0.1, "0,10000000000000001", "0.10000000000000001"},
      {12345.678, "12345,678", "12345.678"},  // no digit grouping
      {1.025, "1,0249999999999999", "1.0249999999999999"},
      {1e-4, "0,0001", "0.0001"},
      {2e-5, "2,0000000000000002E-05", "2.0000000000000002E-05"},
      {-1.5e-17, "-1,5E-17", "-1.5E-17"},
      {1e16, "10000000000000000", "10000000000000000"},
      {1e17, "1E+17", "1E+17"},
      {0.0, "0", "0"},
      {inf, "INF", "INF"},
      {-inf, "-INF", "-INF"},
      {std::numeric_limits<double>::quiet_NaN(), "NAN", "NAN"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.English);
    for (const QLocale::Language language : {QLocale::German, QLocale::English}) {
      QLocale::setDefault(QLocale(language));
      const QString text = FullPrecisionText(c.Value);
      EXPECT_EQ(text, language == QLocale::German ? c.German : c.English);
      if (!std::isfinite(c.Value)) continue;
      bool ok = false;
      EXPECT_EQ(QLocale().toDouble(text, &ok), c.Value);
      EXPECT_TRUE(ok);
    }
  }
}

TEST_F(Export, FileThatCannotBeWrittenRaisesAndLeavesNothing) {
  const QString missing = Path("fehlt/werte.csv");
  EXPECT_THROW_MSG(
      SaveValuesFile(missing, {1.0L}, {2.0L}), EInOutError,
      "Die Datei '" + missing.toStdString() + "' kann nicht geschrieben werden: Das Verzeichnis existiert nicht.");
  EXPECT_FALSE(QFile::exists(missing));
}

}  // namespace
