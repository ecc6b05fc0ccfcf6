#include "qorTestFiles.h"
#include "qorTestSupport.h"

#include "qorException.h"
#include "qorProgramFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A prefix as the install makes it: bin, and the templates in share/qorKaloTools/Report.
class ProgramFolders : public ::testing::Test {
protected:
  void SetUp() override {
    savedUserData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", userData.path().toLocal8Bit());
    WriteBytes(root.filePath("installed/share/qorKaloTools/Report/kaloPlot2D.fr3"), "<Vorlage/>");
    ASSERT_TRUE(QDir().mkpath(root.filePath("installed/bin")));
  }
  void TearDown() override { qputenv("XDG_DATA_HOME", savedUserData); }

  QString UserFolder() const { return userData.filePath("VASO/qorKaloTools/"); }
  QString InstalledBin() const { return root.filePath("installed/bin/"); }

  QTemporaryDir root;
  QTemporaryDir userData;
  QByteArray savedUserData;
};

TEST_F(ProgramFolders, BuildFolderKeepsItsFoldersBesideAndAnInstalledOrLockedProgramUsesTheUsersFolder) {
  // The root may write where the system forbids others; a running process's own
  // folder in /proc stays closed to it too.
  const QString locked = QStringLiteral("/proc/1/bin/");
  ASSERT_FALSE(QFileInfo(QStringLiteral("/proc/1")).isWritable());
  const struct {
    const char* name;
    QString bin;
    QString prog;
  } cases[] = {
      {"build folder", root.filePath("build/bin/"), root.filePath("build/")},
      {"build folder still to be made", root.filePath("neu/bin/"), root.filePath("neu/")},
      {"file in the way: making the folders tells", root.filePath("datei/bin/"), root.filePath("datei/")},
      {"installed prefix", InstalledBin(), UserFolder()},
      {"unwritable program folder", locked, UserFolder()},
  };
  WriteBytes(root.filePath("datei"), "x");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TqorProgramFolders folders = WorkingProgramFolders(c.bin);
    EXPECT_EQ(folders.BinPath, c.bin);
    EXPECT_EQ(folders.ProgPath, c.prog);
    EXPECT_EQ(folders.DataPath, c.prog + "Data");
    EXPECT_EQ(folders.CfgPath, c.prog + "Config");
    EXPECT_EQ(folders.RptPath, c.prog + "Config/Report");
  }
  EXPECT_EQ(WorkingProgramFolders(QString()).RptPath, ProgramFoldersOf(QString()).RptPath);
}

TEST_F(ProgramFolders, ShippedTemplatesAreCopiedOnceAndAnEditedOneStays) {
  const TqorProgramFolders folders = WorkingProgramFolders(InstalledBin());
  const QString copy = UserFolder() + "Config/Report/kaloPlot2D.fr3";
  ProvideReportTemplates(folders);
  EXPECT_EQ(ReadBytes(copy), "<Vorlage/>");
  EXPECT_FALSE(QFileInfo::exists(folders.DataPath)) << "only the report folder is made";

  WriteBytes(copy, "<Bearbeitet/>");
  ProvideReportTemplates(folders);
  EXPECT_EQ(ReadBytes(copy), "<Bearbeitet/>");

  // A build ships its template in its report folder already: nothing to copy.
  const TqorProgramFolders build = WorkingProgramFolders(root.filePath("build/bin/"));
  ProvideReportTemplates(build);
  EXPECT_FALSE(QFileInfo::exists(build.CfgPath));
}

TEST_F(ProgramFolders, AReportFolderThatCannotBeMadeFailsWithItsMessage) {
  TqorProgramFolders folders = WorkingProgramFolders(InstalledBin());
  WriteBytes(UserFolder() + "Config", "kein Ordner");
  EXPECT_THROW_MSG(ProvideReportTemplates(folders), Exception,
                   "CreatePath: Kann Verzeichnis '" + (UserFolder() + "Config").toStdString() + "' nicht anlegen");
}

}  // namespace
