#include "qorFormUtil.h"

#include "qorException.h"

#include "qorTestSupport.h"
#include "qorTestWidgets.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>

#include <deque>
#include <memory>
#include <vector>

namespace {

QOR_TEST_APPLICATION(TWidgetTestEnvironment);

// One entry as the tests compare it.
struct TEntry {
  int ID;
  QString FileName;
  bool operator==(const TEntry&) const = default;
};

void PrintTo(const TEntry& E, std::ostream* os) { *os << E.ID << '=' << E.FileName.toStdString(); }

std::vector<TEntry> Entries(const TqorRecentFileMenueHandlerCommon& handler) {
  std::vector<TEntry> result;
  for (int i = 0; i < handler.RecentFiles().Count(); ++i) {
    const TqorRecentFileItem* item = handler.RecentFiles().Items(i);
    EXPECT_EQ(item->Index(), i) << "entries are numbered by position";
    result.push_back({item->ID(), item->FileName()});
  }
  return result;
}

QStringList Captions(const QMenu& menu) {
  QStringList result;
  for (const QAction* action : menu.actions()) result << action->text();
  return result;
}

// A popup handler with its menu, as a window holds them.
class RecentFiles : public ::testing::Test {
protected:
  QObject owner;
  QMenu menu;
  TqorRecentFilePopupMenueHandler& handler = *new TqorRecentFilePopupMenueHandler(&owner);

  void SetUp() override { handler.setPopupMenu(&menu); }
};

// A handler whose random IDs come from a fixed sequence.
class TScriptedIDHandler : public TqorRecentFilePopupMenueHandler {
public:
  using TqorRecentFilePopupMenueHandler::TqorRecentFilePopupMenueHandler;
  std::deque<int> NextIDs;

protected:
  int RandomItemID() override {
    const int id = NextIDs.front();
    NextIDs.pop_front();
    return id;
  }
};

}  // namespace

TEST(RecentFileItem, ReadsIDAndFileNameSplitAtTheFirstEqualsSign) {
  struct TCase {
    const char* Name;
    QString Text;
    TEntry Expected;
  };
  const TCase cases[] = {
      {"plain entry", QStringLiteral("5=C:\\Aufgaben\\Polynom.nwd"), {5, QStringLiteral("C:\\Aufgaben\\Polynom.nwd")}},
      {"= inside the name", QStringLiteral("7=/home/anna/a=b.nwd"), {7, QStringLiteral("/home/anna/a=b.nwd")}},
      {"several = inside", QStringLiteral("7=/x/k=v=w.nwd"), {7, QStringLiteral("/x/k=v=w.nwd")}},
      {"extra = around the parts", QStringLiteral("==7==C:\\a.nwd=="), {7, QStringLiteral("C:\\a.nwd")}},
      {"negative ID", QStringLiteral("-3=C:\\a.nwd"), {-3, QStringLiteral("C:\\a.nwd")}},
      {"blanks and umlauts",
       QStringLiteral("12=/home/jörg/Über Äpfel.nwd"),
       {12, QStringLiteral("/home/jörg/Über Äpfel.nwd")}},
  };
  for (const TCase& c : cases) {
    TqorRecentFileItem item;
    item.setAsConfigString(c.Text);
    EXPECT_EQ((TEntry{item.ID(), item.FileName()}), c.Expected) << c.Name;
  }
}

TEST(RecentFileItem, UnusableTextFailsAndLeavesTheEntry) {
  struct TCase {
    QString Text;
    bool Conversion;  // the ID is there but no integer
    std::string Message;
  };
  const TCase cases[] = {
      {QStringLiteral("junk"), false,
       "RecentFileItem.SetAsConfigString( junk ): Parameter kann nicht verwendet werden."},
      {QString(), false, "RecentFileItem.SetAsConfigString(  ): Parameter kann nicht verwendet werden."},
      {QStringLiteral("7="), false, "RecentFileItem.SetAsConfigString( 7= ): Parameter kann nicht verwendet werden."},
      {QStringLiteral("=C:\\a.nwd"), false,
       "RecentFileItem.SetAsConfigString( =C:\\a.nwd ): Parameter kann nicht verwendet werden."},
      {QStringLiteral("x=C:\\a.nwd"), true, "'x' ist kein gültiger Integerwert."},
      {QStringLiteral("2147483648=C:\\a.nwd"), true, "'2147483648' ist kein gültiger Integerwert."},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Message);
    TqorRecentFileItem item;
    item.setAsConfigString(QStringLiteral("4=old.nwd"));
    if (c.Conversion)
      EXPECT_THROW_MSG(item.setAsConfigString(c.Text), EConvertError, c.Message);
    else
      EXPECT_THROW_MSG(item.setAsConfigString(c.Text), Exception, c.Message);
    EXPECT_EQ((TEntry{item.ID(), item.FileName()}), (TEntry{4, QStringLiteral("old.nwd")}));
  }
}

TEST(RecentFileItem, MenuCaptionNumbersWithAcceleratorsForTheFirstTen) {
  struct TCase {
    int Index;
    QString FileName;
    QString Caption;
  };
  const TCase cases[] = {
      {0, QStringLiteral("C:\\a.nwd"), QStringLiteral("&1 C:\\a.nwd")},
      {8, QStringLiteral("C:\\a.nwd"), QStringLiteral("&9 C:\\a.nwd")},
      {9, QStringLiteral("C:\\a.nwd"), QStringLiteral("1&0 C:\\a.nwd")},
      {10, QStringLiteral("C:\\a.nwd"), QStringLiteral("11 C:\\a.nwd")},
      {14, QStringLiteral("C:\\a.nwd"), QStringLiteral("15 C:\\a.nwd")},
      {1, QStringLiteral("/daten/Tom & Jerry.nwd"), QStringLiteral("&2 /daten/Tom && Jerry.nwd")},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "index " << c.Index << ", " << c.FileName.toStdString());
    TqorRecentFileItem item;
    item.setIndex(c.Index);
    item.setFileName(c.FileName);
    EXPECT_EQ(item.AsMenueCaption(), c.Caption);
  }
}

TEST_F(RecentFiles, ConfigStringReadsInOrderAndWritesBackTheSame) {
  const QString text = QStringLiteral("7=C:\\a.nwd;3=C:\\b.nwd");
  handler.setAsConfigString(text);
  EXPECT_EQ(Entries(handler),
            (std::vector<TEntry>{{7, QStringLiteral("C:\\a.nwd")}, {3, QStringLiteral("C:\\b.nwd")}}));
  EXPECT_EQ(Captions(menu), (QStringList{QStringLiteral("&1 C:\\a.nwd"), QStringLiteral("&2 C:\\b.nwd")}));
  EXPECT_EQ(handler.AsConfigString(), text);
}

TEST_F(RecentFiles, DamagedWordsAreSkippedSilently) {
  handler.setAsConfigString(QStringLiteral("  7=C:\\a.nwd;;junk;x=C:\\x.nwd;5=;3=C:\\b.nwd;  "));
  EXPECT_EQ(handler.AsConfigString(), QStringLiteral("7=C:\\a.nwd;3=C:\\b.nwd"));
}

TEST_F(RecentFiles, EmptyStringEmptiesListAndMenu) {
  handler.setAsConfigString(QStringLiteral("7=C:\\a.nwd"));
  handler.setAsConfigString(QString());
  EXPECT_EQ(handler.RecentFiles().Count(), 0);
  EXPECT_TRUE(menu.actions().isEmpty());
  EXPECT_EQ(handler.AsConfigString(), QString());
}

TEST_F(RecentFiles, FileNamesWithBlanksUmlautsAndEqualsSignsSurviveTheString) {
  const std::vector<TEntry> files = {
      {11, QStringLiteral("/home/jörg/Meine Aufgaben/Nullstelle 1.nwd")},
      {12, QStringLiteral("C:\\Übungen\\ß und Ä.nwd")},
      {13, QStringLiteral("/tmp/a=b/x==y.nwd")},
  };
  for (auto it = files.rbegin(); it != files.rend(); ++it) handler.AddRecentFile(0, it->ID, it->FileName);
  TqorRecentFilePopupMenueHandler reader(&owner);
  reader.setCapacity(static_cast<int>(files.size()));
  reader.setAsConfigString(handler.AsConfigString());
  EXPECT_EQ(Entries(reader), files);
}

TEST_F(RecentFiles, CapacityKeepsTheTopEntries) {
  handler.setAsConfigString(QStringLiteral("1=a;2=b;3=c;4=d;5=e;6=f"));
  EXPECT_EQ(handler.AsConfigString(), QStringLiteral("1=a;2=b;3=c;4=d")) << "the default capacity is 4";

  handler.setCapacity(15);
  EXPECT_EQ(handler.RecentFiles().Count(), 4) << "a new capacity waits for the next addition";
  for (int id = 5; id <= 16; ++id) handler.AddRecentFile(0, id, QStringLiteral("f%1").arg(id));
  EXPECT_EQ(handler.RecentFiles().Count(), 15);
  EXPECT_EQ(handler.RecentFiles().Items(14)->FileName(), QStringLiteral("c")) << "the bottom entry d was dropped";
  const QStringList captions = Captions(menu);
  ASSERT_EQ(captions.size(), 15);
  EXPECT_EQ(captions[9], QStringLiteral("1&0 f7"));
  EXPECT_EQ(captions[10], QStringLiteral("11 f6"));

  handler.setCapacity(2);
  handler.AddRecentFile(0, 17, QStringLiteral("f17"));
  EXPECT_EQ(handler.AsConfigString(), QStringLiteral("17=f17;16=f16"));
}

TEST_F(RecentFiles, SameIDAndNameMovesToTheTopOtherwiseListedTwice) {
  handler.setAsConfigString(QStringLiteral("7=C:\\a.nwd;3=C:\\Ärger.nwd"));
  handler.AddRecentFile(0, 3, QStringLiteral("c:\\äRGER.NWD"));
  EXPECT_EQ(Entries(handler),
            (std::vector<TEntry>{{3, QStringLiteral("c:\\äRGER.NWD")}, {7, QStringLiteral("C:\\a.nwd")}}))
      << "letter case of the name is ignored; the new spelling is kept";

  handler.AddRecentFile(0, 9, QStringLiteral("C:\\a.nwd"));
  handler.AddRecentFile(0, -1, QStringLiteral("C:\\a.nwd"));
  const std::vector<TEntry> entries = Entries(handler);
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].FileName, QStringLiteral("C:\\a.nwd"));
  EXPECT_GE(entries[0].ID, 1) << "an entry without an ID gets a new one";
  EXPECT_NE(entries[0].ID, 9);
  EXPECT_NE(entries[0].ID, 7);
  EXPECT_NE(entries[0].ID, 3);
  EXPECT_EQ(entries[1], (TEntry{9, QStringLiteral("C:\\a.nwd")}));
}

TEST_F(RecentFiles, DuplicateIDsInTheString) {
  handler.setAsConfigString(QStringLiteral("7=C:\\a.nwd;7=C:\\b.nwd"));
  std::vector<TEntry> entries = Entries(handler);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].FileName, QStringLiteral("C:\\a.nwd"));
  EXPECT_NE(entries[0].ID, 7) << "the earlier word's entry gets a new ID";
  EXPECT_GE(entries[0].ID, 1);
  EXPECT_EQ(entries[1], (TEntry{7, QStringLiteral("C:\\b.nwd")})) << "the later word keeps its ID";

  handler.setAsConfigString(QStringLiteral("7=C:\\a.nwd;7=c:\\A.NWD"));
  EXPECT_EQ(Entries(handler), (std::vector<TEntry>{{7, QStringLiteral("C:\\a.nwd")}}));
}

TEST_F(RecentFiles, NewIDsAreDrawnUntilUniqueWithinTheList) {
  TScriptedIDHandler scripted(&owner);
  scripted.NextIDs = {3, 3, 9, 4};
  scripted.AddRecentFile(0, 3, QStringLiteral("a"));
  scripted.AddRecentFile(0, 0, QStringLiteral("b"));
  scripted.AddRecentFile(0, 3, QStringLiteral("c"));
  EXPECT_EQ(scripted.AsConfigString(), QStringLiteral("4=c;9=b;3=a"));
  EXPECT_TRUE(scripted.NextIDs.empty());
}

TEST_F(RecentFiles, LookupsIgnoreLetterCase) {
  handler.setAsConfigString(QStringLiteral("7=C:\\a.nwd;3=C:\\Ärger.nwd"));
  EXPECT_EQ(handler.RetrieveItemByFileName(QStringLiteral("c:\\ärger.NWD")), handler.RecentFiles().Items(1));
  EXPECT_EQ(handler.RetrieveItemByMenueCaption(QStringLiteral("&2 c:\\ÄRGER.nwd")), handler.RecentFiles().Items(1));
  EXPECT_EQ(handler.RetrieveItemByID(7), handler.RecentFiles().Items(0));
  EXPECT_EQ(handler.RetrieveItemByFileName(QStringLiteral("C:\\b.nwd")), nullptr);
  EXPECT_EQ(handler.RetrieveItemByMenueCaption(QStringLiteral("&1 C:\\Ärger.nwd")), nullptr);
  EXPECT_EQ(handler.RetrieveItemByID(4), nullptr);
}

TEST_F(RecentFiles, MenuItemsCarryTheIDsAndAClickReportsTheFile) {
  handler.setAsConfigString(QStringLiteral("7=C:\\a.nwd;3=C:\\b.nwd"));
  std::vector<TEntry> clicks;
  // The receiver does what a window does: it moves the file to the top while the
  // clicked item is still delivering its signal, then uses the name.
  QObject::connect(&handler, &TqorRecentFileMenueHandlerCommon::RecentFileClick, [&](const QString& FileName, int ID) {
    handler.AddRecentFile(0, ID, FileName);
    clicks.push_back({ID, FileName});
  });
  const QList<QAction*> items = menu.actions();
  ASSERT_EQ(items.size(), 2);
  EXPECT_EQ(items[0]->data().toInt(), 7);
  EXPECT_EQ(items[1]->data().toInt(), 3);

  items[1]->trigger();
  EXPECT_EQ(clicks, (std::vector<TEntry>{{3, QStringLiteral("C:\\b.nwd")}}));
  EXPECT_EQ(Captions(menu), (QStringList{QStringLiteral("&1 C:\\b.nwd"), QStringLiteral("&2 C:\\a.nwd")}));
  EXPECT_EQ(menu.actions()[0]->data().toInt(), 3);

  handler.setAsConfigString(QStringLiteral("5=C:\\c.nwd"));
  items[0]->trigger();
  handler.MenuItemClick(nullptr);
  EXPECT_EQ(clicks.size(), 1u) << "an item whose entry is gone reports nothing";
}

TEST_F(RecentFiles, MenuOfOtherOwnersAndGoneMenus) {
  QAction foreign(QStringLiteral("fremd"));
  menu.addAction(&foreign);
  handler.AddRecentFile(0, 7, QStringLiteral("C:\\a.nwd"));
  EXPECT_EQ(Captions(menu), QStringList{QStringLiteral("&1 C:\\a.nwd")}) << "every item is replaced";

  auto gone = std::make_unique<QMenu>();
  handler.setPopupMenu(gone.get());
  EXPECT_EQ(Captions(*gone), QStringList{QStringLiteral("&1 C:\\a.nwd")}) << "a new menu is filled at once";
  gone.reset();
  handler.AddRecentFile(0, 3, QStringLiteral("C:\\b.nwd"));
  EXPECT_EQ(handler.PopupMenu(), nullptr) << "a destroyed menu is no longer used";
  EXPECT_EQ(handler.AsConfigString(), QStringLiteral("3=C:\\b.nwd;7=C:\\a.nwd"));
}
