#include "qorException.h"
#include "qorTestSupport.h"
#include "qorVersionInfo.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

// A file that carries a version block with the given lines between other bytes; the
// block ends at its terminating zero.
class VersionFile : public ::testing::Test {
protected:
  QString Write(const QByteArray& Lines) {
    const QString path = FDir.filePath("program");
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        QByteArray("\x7f"
                   "ELF some code",
                   14));
    file.write(TqorApplicationVersion::BlockMarker() + Lines + '\0');
    file.write("040704E4\\Comments=behind the block\n");
    return path;
  }
  QTemporaryDir FDir;
};

}  // namespace

TEST(FileVersion, AsStringTakesTheNonEmptyWords) {
  struct Case {
    const char* text;
    int major, minor, release, build;
    const char* display;
  };
  const Case cases[] = {
      {"0.1.0.20", 0, 1, 0, 20, "v0.01.0 (20)"}, {"2.5", 2, 5, 0, 0, "v2.05.0 (0)"},
      {"1..2", 1, 2, 0, 0, "v1.02.0 (0)"},       {".3.4.", 3, 4, 0, 0, "v3.04.0 (0)"},
      {"1.2.3.4.5", 1, 2, 3, 4, "v1.02.3 (4)"},  {"10.123.7.8", 10, 123, 7, 8, "v10.123.7 (8)"},
      {"", 0, 0, 0, 0, "v0.00.0 (0)"},
  };
  for (const Case& c : cases) {
    TqorFileVersion version;
    version.setAsString("9.9.9.9");
    version.setAsString(c.text);
    EXPECT_EQ((std::array{version.Major, version.Minor, version.Release, version.Build}),
              (std::array{c.major, c.minor, c.release, c.build}))
        << c.text;
    EXPECT_EQ(version.AsDisplayString(), c.display) << c.text;
  }
  TqorFileVersion version;
  version.setAsString("0.1.0.20");
  EXPECT_EQ(version.AsString(), "0.1.0.20");
}

TEST(FileVersion, WordThatIsNoNumberFailsAfterTheEarlierParts) {
  TqorFileVersion version;
  version.setAsString("1.1.1.1");
  EXPECT_THROW_MSG(version.setAsString("3.x.7"), EConvertError, "'x' ist kein gültiger Integerwert");
  EXPECT_EQ(version.AsString(), "3.0.0.0");
}

TEST(FileVersion, DisplayFormat) {
  TqorFileVersion version;
  version.setAsString("1.2.3.-4");
  struct Case {
    const char* format;
    const char* display;
  };
  const Case cases[] = {
      {"%d.%d", "1.2"},
      {"[%3d|%-3d|%.3d|%4.2d]", "[  1|2  |003| -04]"},
      {"100%% %d", "100% 1"},
      {"ohne Nummer", "ohne Nummer"},
  };
  for (const Case& c : cases) {
    version.DisplayFormat = c.format;
    EXPECT_EQ(version.AsDisplayString(), c.display) << c.format;
  }
  for (const char* format : {"%s", "%d.%d.%d.%d.%d", "v%", "%5"}) {
    SCOPED_TRACE(format);
    version.DisplayFormat = format;
    EXPECT_THROW_MSG(version.AsDisplayString(), EConvertError,
                     std::string("Format '") + format + "' ungültig oder nicht kompatibel mit Argument");
  }
  version.Clear();
  EXPECT_EQ(version.AsString(), "0.0.0.0");
  EXPECT_EQ(version.DisplayFormat, "%5") << "Clear keeps the display format";
}

TEST(ApplicationVersion, OwnProgramFileCarriesTheProgramStrings) {
  TqorApplicationVersion version;
  ASSERT_TRUE(version.ReadVersion("/proc/self/exe"));
  EXPECT_EQ(version.CompanyName(), "Ingenieurbüro Nordmark");
  EXPECT_EQ(version.FileDescription(), "VASO Anwendung mit Numerik Werkzeugen");
  EXPECT_EQ(version.InternalName(), "qorKaloTools");
  EXPECT_EQ(version.OriginalFilename(), "qorKaloTools.exe");
  EXPECT_EQ(version.ProductName(), "qor Numerik");
  EXPECT_EQ(version.Comments(), "beta");
  EXPECT_EQ(version.LegalCopyright(), "");
  EXPECT_EQ(version.LegalTradeMarks(), "");
  EXPECT_EQ(version.FileVersion().AsString(), "0.1.0.20");
  EXPECT_EQ(version.FileVersion().AsDisplayString(), "v0.01.0 (20)");
  EXPECT_EQ(version.ProductVersion().AsString(), "1.0.0.0");
  EXPECT_EQ(version.VersionDate(), QDate(2011, 4, 25));
  EXPECT_EQ(version.LangCharset(), "040704E4");
  EXPECT_EQ(version.LangCharsetLo(), 0x0407);
  EXPECT_EQ(version.LangCharsetHi(), 1252);
}

TEST_F(VersionFile, FileWithoutVersionInformationChangesNothing) {
  TqorApplicationVersion version;
  ASSERT_TRUE(version.ReadVersion("/proc/self/exe"));
  const QString plain = FDir.filePath("plain.txt");
  QFile file(plain);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("qorVersionInfo\nTranslation=04E40407\n");
  file.close();
  for (const QString& name : {plain, FDir.filePath("missing"), FDir.path()})
    EXPECT_FALSE(version.ReadVersion(name)) << name.toStdString();
  EXPECT_EQ(version.InternalName(), "qorKaloTools");
  EXPECT_EQ(version.FileVersion().AsString(), "0.1.0.20");
  version.Clear();
  EXPECT_EQ(version.InternalName(), "");
  EXPECT_EQ(version.ProductVersion().AsString(), "0.0.0.0");
  EXPECT_FALSE(version.VersionDate().isValid());
}

TEST_F(VersionFile, StringsComeFromTheTableOfTheFirstTranslation) {
  TqorApplicationVersion version;
  ASSERT_TRUE(
      version.ReadVersion(Write("Translation=FDE90407\n"
                                "0407FDE9\\companyname=Firma\n"
                                "0407FDE9\\LegalTrademarks=Marke\n"
                                "040704E4\\InternalName=other table\n"
                                "0407FDE9\\ProductVersion=\n"
                                "0407FDE9\\FileVersion=3.4\n")));
  EXPECT_EQ(version.LangCharset(), "0407FDE9");
  EXPECT_EQ(version.LangCharsetHi(), 65001) << "the code page is unsigned";
  EXPECT_EQ(version.CompanyName(), "Firma") << "names ignore letter case";
  EXPECT_EQ(version.LegalTradeMarks(), "Marke");
  EXPECT_EQ(version.InternalName(), "");
  EXPECT_EQ(version.Comments(), "") << "the block ends at its zero";
  EXPECT_EQ(version.ProductVersion().AsString(), "0.0.0.0");
  EXPECT_EQ(version.FileVersion().AsString(), "3.4.0.0");
}

TEST_F(VersionFile, WithoutTranslationEveryStringIsEmpty) {
  TqorApplicationVersion version;
  ASSERT_TRUE(
      version.ReadVersion(Write("040704E4\\CompanyName=Firma\n"
                                "040704E4\\FileVersion=1.2.3.4\n")));
  EXPECT_EQ(version.LangCharset(), "");
  EXPECT_EQ(version.CompanyName(), "");
  EXPECT_EQ(version.FileVersion().AsString(), "0.0.0.0");
}

TEST_F(VersionFile, VersionDate) {
  struct Case {
    const char* text;
    QDate date;
  };
  const Case cases[] = {
      {"2011-4-5", QDate(2011, 4, 5)},
      {"2011-04", QDate()},
      {"2011-00-05", QDate()},
      {"", QDate()},
      {"heute", QDate()},
      {"2011--04-05", QDate(2011, 4, 5)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TqorApplicationVersion version;
    ASSERT_TRUE(version.ReadVersion(Write(QByteArray("Translation=04E40407\n040704E4\\VersionDate=") + c.text + "\n")));
    EXPECT_EQ(version.VersionDate(), c.date);
  }
  TqorApplicationVersion version;
  const QString path = Write("Translation=04E40407\n040704E4\\VersionDate=2011-02-30\n");
  EXPECT_THROW_MSG(version.ReadVersion(path), EConvertError, "Ungültiges Argument für Datumscodierung");
}
