#include "KaloRecentLists.h"

#include "qorException.h"
#include "qorTestSupport.h"
#include "qorTestWidgets.h"

#include <gtest/gtest.h>

#include <QDir>

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

// A file is listed once, compared by its canonical path; the one at the top is the
// entry that moved, or a new one.
TEST_F(RecentLists, OpenedFilesMoveToTheTopAndSavedFilesBecomeNewEntries) {
  StoreFiles("7=/a/x.nwd;3=/a/y.nwd");
  lists.ReadFiles();
  // Saved: AddFile with a new entry; opened: with the ID listed for the name, as the
  // window opens a file chosen in its dialog; clicked: with the entry's own ID.
  enum TStep { Saved, Opened, Clicked };
  const struct {
    const char* Name;
    TStep Step;
    const char* File;  // none for a click
    int From;          // the entry that moves to the top, -1 for a new entry
    QStringList Files;
  } steps[] = {
      {"saved, not listed", Saved, "/a/z.nwd", -1, {"/a/z.nwd", "/a/x.nwd", "/a/y.nwd"}},
      {"saved, listed already: listed once, as a new entry",
       Saved,
       "/a/x.nwd",
       -1,
       {"/a/x.nwd", "/a/z.nwd", "/a/y.nwd"}},
      {"opened, listed", Opened, "/a/y.nwd", 2, {"/a/y.nwd", "/a/x.nwd", "/a/z.nwd"}},
      {"opened in other letter case: the new spelling stays",
       Opened,
       "/A/Z.NWD",
       2,
       {"/A/Z.NWD", "/a/y.nwd", "/a/x.nwd"}},
      {"clicked: that very entry moves", Clicked, nullptr, 2, {"/a/x.nwd", "/A/Z.NWD", "/a/y.nwd"}},
      {"opened, not listed", Opened, "/b/n.nwd", -1, {"/b/n.nwd", "/a/x.nwd", "/A/Z.NWD", "/a/y.nwd"}},
      {"saved under another spelling of a listed file: listed once",
       Saved,
       "/a/../a/y.nwd",
       -1,
       {"/a/../a/y.nwd", "/b/n.nwd", "/a/x.nwd", "/A/Z.NWD"}},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.Name);
    const std::vector<int> before = IDs(lists);
    const int listedID = s.From < 0 ? TKaloRecentLists::NewEntryID : before[s.From];
    switch (s.Step) {
      case Saved:
        lists.AddFile(s.File);
        break;
      case Opened:
        EXPECT_EQ(lists.ListedID(s.File), listedID);
        lists.AddFile(s.File, lists.ListedID(s.File));
        break;
      case Clicked:
        lists.AddFile(FileNames(lists)[s.From], listedID);
        break;
    }
    EXPECT_EQ(FileNames(lists), s.Files);
    const int top = IDs(lists).front();
    if (s.From < 0) {
      EXPECT_GE(top, 1);
      EXPECT_EQ(std::count(before.begin(), before.end(), top), 0) << "a new entry has an ID of its own";
    } else {
      EXPECT_EQ(top, listedID) << "the entry itself moved";
    }
    EXPECT_EQ(StoredFiles(), lists.Files().AsConfigString()) << "stored at once";
  }
  EXPECT_TRUE(shownErrors.isEmpty());
  lists.RemoveFile("/a/./x.nwd");
  EXPECT_EQ(FileNames(lists), QStringList({"/a/../a/y.nwd", "/b/n.nwd", "/A/Z.NWD"})) << "a file that failed to open";
  EXPECT_EQ(StoredFiles(), lists.Files().AsConfigString());
}

TEST_F(RecentLists, FifteenStoredFilesAreReadAndTheStringIsWrittenAsItWasRead) {
  QStringList entries;
  for (int i = 1; i <= 16; ++i) entries << QString("%1=/aufgaben/f%1.nwd").arg(i);
  StoreFiles(entries.join(';'));
  lists.ReadFiles();
  EXPECT_EQ(lists.Files().AsConfigString(), entries.mid(0, 15).join(';')) << "the first fifteen, in order";

  lists.AddFile("/aufgaben/f15.nwd", 15);
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
