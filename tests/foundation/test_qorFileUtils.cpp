#include "qorTestSupport.h"

#include "qorException.h"
#include "qorFileUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>

TEST(FileUtils, RemoveInvalidFileNameChars) {
  EXPECT_EQ(RemoveInvalidFileNameChars("Polynom 3. Grades: x<y>|z/w\\v-1"), "Polynom 3 Grades xyzwv-1");
  EXPECT_EQ(RemoveInvalidFileNameChars(QString::fromUtf8("Größe ÄÖÜ")), QString::fromUtf8("Größe ÄÖÜ"));
}

TEST(FileUtils, FileBaseName) {
  struct TCase {
    const char* Path;
    const char* Base;
  };
  const TCase cases[] = {
      {"/home/u/Polynom.nwd", "Polynom"},
      {"Polynom.nwd", "Polynom"},
      {"/tmp/archiv.tar.gz", "archiv.tar"},
      {"/tmp/ohne", "ohne"},
      {"/tmp.d/name", "name"},
      {"", ""},
  };
  for (const TCase& c : cases) EXPECT_EQ(FileBaseName(c.Path), c.Base) << c.Path;
}

TEST(FileUtils, CreatePathMakesEveryLevel) {
  QTemporaryDir root;
  ASSERT_TRUE(root.isValid());
  const QString deep = root.path() + "/a//b/c/";
  CreatePath(deep);
  EXPECT_TRUE(QFileInfo(root.path() + "/a/b/c").isDir());
  EXPECT_NO_THROW(CreatePath(deep)) << "existing folders are fine";
  EXPECT_NO_THROW(CreatePath(""));
}

TEST(FileUtils, CreatePathNamesTheFolderThatFails) {
  QTemporaryDir root;
  ASSERT_TRUE(root.isValid());
  QFile blocker(root.path() + "/datei");
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  EXPECT_THROW_MSG(CreatePath(root.path() + "/datei/x"), Exception,
                   "CreatePath: Kann Verzeichnis '" + root.path().toStdString() + "/datei' nicht anlegen");
  const QString tooLong(300, u'x');
  EXPECT_THROW_MSG(CreatePath(root.path() + "/neu/" + tooLong + "/y"), Exception,
                   "CreatePath: Kann Verzeichnis '" + root.path().toStdString() + "/neu/" + tooLong.toStdString() +
                       "' nicht anlegen");
  EXPECT_TRUE(QFileInfo(root.path() + "/neu").isDir()) << "levels made before the failure stay";
}

TEST(FileUtils, CreatePathStartsNetworkPathsAtTheShare) {
  EXPECT_THROW_MSG(CreatePath("//qorServerX/freigabe/ordner"), Exception,
                   "CreatePath: Kann Verzeichnis '//qorServerX/freigabe' nicht anlegen");
  EXPECT_NO_THROW(CreatePath("//qorServerX"));
}

TEST(FileUtils, StandardFoldersAreCreatedWhenMissing) {
  QTemporaryDir root;
  ASSERT_TRUE(root.isValid());
  qputenv("XDG_DATA_HOME", (root.path() + "/data/home").toUtf8());
  qputenv("XDG_CONFIG_HOME", (root.path() + "/config").toUtf8());
  qputenv("HOME", root.path().toUtf8());
  EXPECT_EQ(GetAppDataFolder(), root.path() + "/data/home");
  EXPECT_TRUE(QFileInfo(root.path() + "/data/home").isDir());
  EXPECT_EQ(GetPicturesFolder(), root.path() + "/Pictures");
  EXPECT_TRUE(QFileInfo(root.path() + "/Pictures").isDir());

  QFile blocker(root.path() + "/datei");
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  qputenv("XDG_DATA_HOME", (root.path() + "/datei/data").toUtf8());
  EXPECT_THROW_MSG(GetAppDataFolder(), Exception,
                   ("Fehler im Aufruf von GetWindowsFolder: " + SystemErrorText(ENOTDIR)).toStdString());
}

TEST(FileUtils, SystemErrorText) {
  EXPECT_EQ(SystemErrorText(ENOENT), "(2) No such file or directory");
  EXPECT_TRUE(SystemErrorText(123456).startsWith("(123456) "));
}
