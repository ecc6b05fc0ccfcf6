#include "dCommon.h"
#include "qorTestFiles.h"
#include "qorTestPdf.h"
#include "qorTestQtApp.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <optional>

namespace {

QOR_TEST_APPLICATION(TGuiTestEnvironment);

const QString MimeType = QStringLiteral("application/x-vaso-rootfinding+xml");

struct TRun {
  int Code = -1;
  QString Out, Err;
};

// Runs Program with Args in Environment; a program that does not start or end in time
// gives code -1.
TRun RunProgram(const QString& Program, const QStringList& Args,
                const QProcessEnvironment& Environment = QProcessEnvironment::systemEnvironment()) {
  QProcess p;
  p.setProcessEnvironment(Environment);
  p.start(Program, Args);
  if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) return {-1, {}, p.errorString()};
  return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

// The build installed once into a temporary prefix for all tests of this program.
class Installed : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    Prefix.emplace();
    const TRun install = RunProgram(QStringLiteral(QOR_CMAKE_COMMAND),
                                    {"--install", QOR_BUILD_DIR, "--prefix", Prefix->path()});
    InstallLog = install.Out + install.Err;
    InstallCode = install.Code;
  }
  static void TearDownTestSuite() { Prefix.reset(); }
  void SetUp() override { ASSERT_EQ(InstallCode, 0) << InstallLog.toStdString(); }

  static QString File(const QString& Relative) { return Prefix->filePath(Relative); }
  // The values of Key in the desktop entry's main group.
  static QString DesktopValue(const QString& Key) {
    for (const QString& line :
         QString::fromUtf8(ReadBytes(File("share/applications/qorKaloTools.desktop"))).split('\n'))
      if (line.startsWith(Key + '=')) return line.mid(Key.size() + 1);
    return {};
  }

  static inline std::optional<QTemporaryDir> Prefix;
  static inline QString InstallLog;
  static inline int InstallCode = -1;
};

TEST_F(Installed, PutsEveryFileWhereTheDesktopAndTheProgramsLookForIt) {
  const struct {
    const char* file;
    bool executable;
  } cases[] = {
      {"bin/qorKaloTools", true},
      {"bin/kaloroots", true},
      {"lib/qorKaloTools/kalorootsdraw.so", false},
      {"lib/qorKaloTools/kalorootsprove.so", false},
      {"share/qorKaloTools/Report/kaloPlot2D.fr3", false},
      {"share/applications/qorKaloTools.desktop", false},
      {"share/mime/packages/qorKaloTools-task.xml", false},
      {"share/icons/hicolor/scalable/apps/qorKaloTools.svg", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const QFileInfo info(File(c.file));
    EXPECT_TRUE(info.isFile());
    EXPECT_EQ(info.isExecutable(), c.executable);
  }
  EXPECT_EQ(ReadBytes(File("share/qorKaloTools/Report/kaloPlot2D.fr3")),
            ReadBytes(QOR_SOURCE_DIR "/data/report/kaloPlot2D.fr3"));
  // Nothing of the program's working folders lands in the prefix.
  for (const char* folder : {"Config", "Data"}) EXPECT_FALSE(QFileInfo::exists(File(folder))) << folder;
}

TEST_F(Installed, IconIsTheWindowsPictureAtEverySizeAndAsSvg) {
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    SCOPED_TRACE(size);
    const QImage icon(File(QStringLiteral("share/icons/hicolor/%1x%1/apps/qorKaloTools.png").arg(size)));
    EXPECT_EQ(icon.size(), QSize(size, size));
  }
  const TdCommon pictures;
  const QImage window = pictures.ilEnabled().at(ProgramImage).toImage().convertToFormat(QImage::Format_ARGB32);
  EXPECT_EQ(QImage(File("share/icons/hicolor/16x16/apps/qorKaloTools.png")).convertToFormat(QImage::Format_ARGB32),
            window);
  const QByteArray svg = ReadBytes(File("share/icons/hicolor/scalable/apps/qorKaloTools.svg"));
  EXPECT_TRUE(svg.contains("<svg") && svg.contains("viewBox=\"0 0 16 16\"")) << svg.left(400).toStdString();
}

TEST_F(Installed, DesktopEntryIsValidAndOpensTaskFiles) {
  const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
  if (validator.isEmpty()) GTEST_SKIP() << "desktop-file-validate (desktop-file-utils) is not installed";
  const TRun validation = RunProgram(validator, {File("share/applications/qorKaloTools.desktop")});
  EXPECT_EQ(validation.Code, 0);
  EXPECT_EQ(validation.Out + validation.Err, "");
  EXPECT_EQ(DesktopValue("Name"), "VASO Numerik Werkzeuge");
  EXPECT_EQ(DesktopValue("GenericName"), "Nullstellenbestimmung");
  EXPECT_EQ(DesktopValue("Exec"), "qorKaloTools %F");
  EXPECT_EQ(DesktopValue("Icon"), "qorKaloTools");
  EXPECT_EQ(DesktopValue("Categories").split(';', Qt::SkipEmptyParts), QStringList({"Science", "Math"}));
  EXPECT_EQ(DesktopValue("MimeType"), MimeType + ';');
}

// The MIME database the installed package makes, as shared-mime-info builds it: task
// files by their extension and XML by its root element, which the desktop's file
// managers read; Qt reads the extension.
TEST_F(Installed, MimeTypeKnowsTaskFilesByNameAndByRootElement) {
  const QString updater = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
  if (updater.isEmpty()) GTEST_SKIP() << "update-mime-database (shared-mime-info) is not installed";
  const TRun update = RunProgram(updater, {File("share/mime")});
  ASSERT_EQ(update.Code, 0) << update.Err.toStdString();
  EXPECT_FALSE(update.Err.contains("rror") || update.Err.contains("arning")) << update.Err.toStdString();
  EXPECT_TRUE(ReadBytes(File("share/mime/globs2")).contains(MimeType.toUtf8() + ":*.nwd"));
  EXPECT_TRUE(ReadBytes(File("share/mime/XMLnamespaces")).contains(" RootFinding " + MimeType.toUtf8()));

  // Qt reads the data folders once, at its first look-up, which this is.
  qputenv("XDG_DATA_DIRS", File("share").toLocal8Bit() + ":/usr/share");
  const QMimeDatabase mime;
  EXPECT_EQ(mime.mimeTypeForFile(QOR_TEST_DATA "/nodecount-zwei.nwd").name(), MimeType);
  EXPECT_TRUE(mime.mimeTypeForName(MimeType).inherits("application/xml"));
}

// The installed kaloroots draws with its module from the library folder and takes the
// template into the user's data folder on first use, leaving a template there alone.
TEST_F(Installed, KalorootsWritesTheReportWithTheTemplateCopiedToTheUsersFolder) {
  QTemporaryDir home;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) env.remove(variable);
  env.insert("HOME", home.path());
  env.insert("XDG_DATA_HOME", home.filePath("data"));
  env.insert("XDG_CONFIG_HOME", home.filePath("config"));
  const QString userTemplate = home.filePath("data/VASO/qorKaloTools/Config/Report/kaloPlot2D.fr3");

  const QString pdf = home.filePath("bericht.pdf");
  const TRun first = RunProgram(File("bin/kaloroots"), {"--function", "sin(3*x)", "--xmin", "-2", "--report", pdf},
                                env);
  ASSERT_EQ(first.Code, 0) << first.Err.toStdString();
  EXPECT_TRUE(PdfText(pdf).contains("sin(3*x)"));
  EXPECT_EQ(ReadBytes(userTemplate), ReadBytes(File("share/qorKaloTools/Report/kaloPlot2D.fr3")));

  QFile edited(userTemplate);
  ASSERT_TRUE(edited.open(QIODevice::Append));
  edited.write("\n");
  edited.close();
  const QByteArray kept = ReadBytes(userTemplate);
  const TRun second = RunProgram(File("bin/kaloroots"), {"--report", pdf}, env);
  ASSERT_EQ(second.Code, 0) << second.Err.toStdString();
  EXPECT_EQ(ReadBytes(userTemplate), kept);
  EXPECT_FALSE(QFileInfo::exists(File("Config")));
}

// The installed kaloroots proves with its module from the library folder.
TEST_F(Installed, KalorootsProvesWithItsModuleFromTheLibraryFolder) {
  const TRun run = RunProgram(File("bin/kaloroots"), {"--prove", "--function", "x^2-2", "--format", "csv"});
  ASSERT_EQ(run.Code, 0) << run.Err.toStdString();
  EXPECT_EQ(run.Out.count(",Bewiesen,"), 3) << run.Out.toStdString();
}

}  // namespace
