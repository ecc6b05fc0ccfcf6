#include "KaloRecentLists.h"

#include "qorException.h"
#include "qorTestSupport.h"
#include "qorTestWidgets.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <vector>

namespace {

QOR_TEST_APPLICATION(TWidgetTestEnvironment);

// The lists of the root-finding window over a provider whose storage lives in temporary
// folders (TWidgetTest); what they store is read back from the settings file itself.
class RecentLists : public TWidgetTest {
protected:
  static QString Stored(const QString& SubKey, const QString& Name) {
    const auto value = TqorIniRegistry(TqorIniRegistry::UserFileName()).ReadValue(FormsKey() + "\\" + SubKey, Name);
    return value ? std::get<QString>(*value) : QString();
  }
  static QString StoredFiles() { return Stored("RootFinding", "RecentFiles"); }
  static void StoreFiles(const QString& Text) {
    TqorIniRegistry(TqorIniRegistry::UserFileName()).WriteValue(FormsKey() + "\\RootFinding", "RecentFiles", Text);
  }

  TKaloRecentLists lists{QStringLiteral("RootFinding")};
};

// The file names and the IDs of the list, top first.
QStringList FileNames(const TKaloRecentLists& Lists) {
  const TqorRecentFileList& files = Lists.Files().RecentFiles();
  QStringList names;
  for (int i = 0; i < files.Count(); ++i) names << files.Items(i)->FileName();
  return names;
}
std::vector<int> IDs(const TKaloRecentLists& Lists) {
  const TqorRecentFileList& files = Lists.Files().RecentFiles();
  std::vector<int> ids;
  for (int i = 0; i < files.Count(); ++i) ids.push_back(files.Items(i)->ID());
  return ids;
}

}  // namespace

// Every name that leads to a listed file moves that entry, with its ID, to the top
// instead of listing the file again; the list shows the name given last.
TEST_F(RecentLists, EachFileIsListedOnceWhateverNameLeadsToIt) {
  QTemporaryDir dir;
  const auto path = [&dir](const char* Name) { return dir.filePath(QString::fromUtf8(Name)); };
  for (const char* name : {"x.nwd", "y.nwd", "z.nwd", "Z.nwd"}) {
    QFile file(path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name;
  }
  ASSERT_TRUE(QDir(dir.path()).mkdir("unter"));
  ASSERT_TRUE(QFile::link(path("z.nwd"), path("verweis.nwd")));
  StoreFiles("7=" + path("x.nwd") + ";3=" + path("y.nwd"));
  lists.ReadFiles();
  const struct {
    const char* Name;
    QString Added;
    int From;  // the entry that moves to the top, -1 for a new entry
    QStringList Files;
  } steps[] = {
      {"not listed", path("z.nwd"), -1, {path("z.nwd"), path("x.nwd"), path("y.nwd")}},
      {"the same name again (saved over)", path("x.nwd"), 1, {path("x.nwd"), path("z.nwd"), path("y.nwd")}},
      {"a path through another folder",
       path("unter/../y.nwd"),
       2,
       {path("unter/../y.nwd"), path("x.nwd"), path("z.nwd")}},
      {"a path with \".\"", path("./x.nwd"), 1, {path("./x.nwd"), path("unter/../y.nwd"), path("z.nwd")}},
      {"a link to a listed file",
       path("verweis.nwd"),
       2,
       {path("verweis.nwd"), path("./x.nwd"), path("unter/../y.nwd")}},
      {"another letter case is another file here",
       path("Z.nwd"),
       -1,
       {path("Z.nwd"), path("verweis.nwd"), path("./x.nwd"), path("unter/../y.nwd")}},
      {"a missing file, by its cleaned path",
       "/fehlt/a/../b.nwd",
       -1,
       {"/fehlt/a/../b.nwd", path("Z.nwd"), path("verweis.nwd"), path("./x.nwd"), path("unter/../y.nwd")}},
      {"the missing file again",
       "/fehlt/./b.nwd",
       0,
       {"/fehlt/./b.nwd", path("Z.nwd"), path("verweis.nwd"), path("./x.nwd"), path("unter/../y.nwd")}},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.Name);
    const std::vector<int> before = IDs(lists);
    lists.AddFile(s.Added);
    EXPECT_EQ(FileNames(lists), s.Files);
    const int top = IDs(lists).front();
    if (s.From < 0) {
      EXPECT_GE(top, 1);
      EXPECT_EQ(std::count(before.begin(), before.end(), top), 0) << "a new entry has an ID of its own";
    } else {
      EXPECT_EQ(top, before[s.From]) << "the entry itself moved";
    }
    EXPECT_EQ(StoredFiles(), lists.Files().AsConfigString()) << "stored at once";
  }

  lists.RemoveFile(path("z.nwd"));
  EXPECT_EQ(FileNames(lists), QStringList({"/fehlt/./b.nwd", path("Z.nwd"), path("./x.nwd"), path("unter/../y.nwd")}))
      << "taken off by another name of the file";
  lists.RemoveFile("/fehlt/b.nwd");
  lists.RemoveFile(path("nie.nwd"));
  EXPECT_EQ(FileNames(lists), QStringList({path("Z.nwd"), path("./x.nwd"), path("unter/../y.nwd")}));
  EXPECT_EQ(StoredFiles(), lists.Files().AsConfigString());

  StoreFiles("1=" + path("x.nwd") + ";2=" + path("y.nwd") + ";3=" + path("./x.nwd") + ";4=" + path("verweis.nwd") +
             ";5=" + path("z.nwd"));
  lists.ReadFiles();
  EXPECT_EQ(FileNames(lists), QStringList({path("x.nwd"), path("y.nwd"), path("verweis.nwd")}))
      << "a list stored twice keeps the upper entry of each file";
  EXPECT_EQ(IDs(lists), std::vector<int>({1, 2, 4}));
  EXPECT_TRUE(shownErrors.isEmpty());
}

TEST_F(RecentLists, FifteenStoredFilesAreReadAndTheStringIsWrittenAsItWasRead) {
  QStringList entries;
  for (int i = 1; i <= 16; ++i) entries << QString("%1=/aufgaben/f%1.nwd").arg(i);
  StoreFiles(entries.join(';'));
  lists.ReadFiles();
  EXPECT_EQ(lists.Files().AsConfigString(), entries.mid(0, 15).join(';')) << "the first fifteen, in order";

  lists.AddFile("/aufgaben/f15.nwd");
  const QString moved = entries[14] + ';' + entries.mid(0, 14).join(';');
  EXPECT_EQ(StoredFiles(), moved);

  TKaloRecentLists restarted(QStringLiteral("RootFinding"));
  restarted.ReadFiles();
  EXPECT_EQ(restarted.Files().AsConfigString(), moved);

  restarted.AddFile("/neu.nwd");
  EXPECT_TRUE(StoredFiles().section(';', 0, 0).endsWith("=/neu.nwd")) << StoredFiles().toStdString();
  EXPECT_EQ(StoredFiles().section(';', 1), entries[14] + ';' + entries.mid(0, 13).join(';'))
      << "a new entry pushes the bottom one out";
}

TEST_F(RecentLists, EachKindOfFileRemembersItsFolderWithATrailingSeparator) {
  const QString fallback = QStringLiteral("/vorgabe/");
  const QString sep = QDir::separator();
  QTemporaryDir dir;
  const QString root = QDir::toNativeSeparators(dir.path());
  const struct {
    TKaloRecentPlace Place;
    const char* Value;
    QString File;
    QString Folder;
  } cases[] = {
      {TKaloRecentPlace::Graphic, "Graphic", dir.filePath("Bilder/Polynom.wmf"), root + sep + "Bilder" + sep},
      {TKaloRecentPlace::Function, "Function", dir.filePath("Größe = 3.nwd"), root + sep},
      {TKaloRecentPlace::Values, "Values", QStringLiteral("/werte.csv"), sep},  // one separator, not two
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Value);
    EXPECT_EQ(lists.Folder(c.Place, fallback), fallback) << "no other kind's folder";
    lists.RememberFolder(c.Place, c.File);
    EXPECT_EQ(Stored("RecentPlaces", c.Value), c.Folder);
    EXPECT_EQ(lists.Folder(c.Place, fallback), c.Folder);
  }
}

TEST_F(RecentLists, WithoutAStorageEveryAccessFailsAndAnAddedFileIsListedAllTheSame) {
  StoreFiles("7=/a/x.nwd");
  lists.ReadFiles();
  {
    TqorApplicationServiceProviderWin bare;  // never set up: no storage
    bare.SetGlobalServiceProvider();
    EXPECT_THROW_MSG(lists.ReadFiles(), Exception, MsgNoStorage);
    EXPECT_EQ(FileNames(lists), QStringList{"/a/x.nwd"}) << "a failed read keeps the list";
    EXPECT_THROW_MSG(lists.AddFile("/a/y.nwd"), Exception, MsgNoStorage);
    EXPECT_EQ(FileNames(lists), QStringList({"/a/y.nwd", "/a/x.nwd"}));
    EXPECT_THROW_MSG(lists.Folder(TKaloRecentPlace::Function, "/"), Exception, MsgNoStorage);
    EXPECT_THROW_MSG(lists.RememberFolder(TKaloRecentPlace::Function, "/a/y.nwd"), Exception, MsgNoStorage);
  }
  provider.SetGlobalServiceProvider();
  EXPECT_EQ(StoredFiles(), "7=/a/x.nwd");
  EXPECT_EQ(Stored("RecentPlaces", "Function"), "");
}
