#include "qorException.h"
#include "qorMemoryDataset.h"
#include "qorTestSupport.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <limits>

namespace {

// A table shaped like the roots table, under the name the messages quote.
class MemoryDataset : public ::testing::Test {
protected:
  void SetUp() override {
    FTable.setObjectName("memRoot");
    FTable.AddFieldDef("ID", ftInteger)->setVisible(false);
    FTable.AddFieldDef("RootExists", ftBoolean)->setDisplayValues("X;");
    FTable.AddFieldDef("xRoot", ftFloat)->setDisplayFormat("0.0000000");
    FTable.AddFieldDef("yRoot", ftFloat)->setDisplayFormat("0.0000000e+000");
    FTable.AddFieldDef("IterCount", ftInteger);
    FTable.AddFieldDef("RootFinder", ftString, 128);
    FTable.AddFieldDef("ResultMessage", ftString, 1024);
  }
  void TearDown() override { QLocale::setDefault(FSavedLocale); }

  // Appends and posts a row with ID and RootExists; with a root also xRoot.
  void AppendRow(int id, bool rootExists, double xRoot = 0) {
    FTable.Append();
    Field("ID").setAsInteger(id);
    Field("RootExists").setAsBoolean(rootExists);
    if (rootExists) Field("xRoot").setAsFloat(xRoot);
    FTable.Post();
  }
  TqorField& Field(const char* name) { return FTable.FieldByName(name); }

  // The IDs from the first row to the end.
  QList<int> Ids() {
    QList<int> ids;
    for (FTable.First(); !FTable.Eof(); FTable.Next()) ids << Field("ID").AsInteger();
    return ids;
  }

  TqorMemoryDataset FTable;
  QLocale FSavedLocale;
};

}  // namespace

TEST_F(MemoryDataset, EveryFieldOfANewRowIsNullUntilSet) {
  FTable.Open();
  FTable.Append();
  for (int i = 0; i < FTable.FieldCount(); ++i) {
    SCOPED_TRACE(FTable.Fields(i)->FieldName().toStdString());
    EXPECT_TRUE(FTable.Fields(i)->IsNull());
    EXPECT_EQ(FTable.Fields(i)->DisplayText(), "");
  }
  Field("RootExists").setAsBoolean(false);
  Field("ResultMessage").setAsString("");
  FTable.Post();
  EXPECT_FALSE(Field("ResultMessage").IsNull()) << "an empty text is not null";
  EXPECT_TRUE(Field("xRoot").IsNull());
  EXPECT_TRUE(Field("IterCount").IsNull());
  EXPECT_EQ(Field("IterCount").AsInteger(), 0);
  EXPECT_EQ(Field("xRoot").AsString(), "");
  FTable.Append();
  Field("xRoot").setAsFloat(1);
  Field("xRoot").Clear();
  FTable.Post();
  EXPECT_TRUE(Field("xRoot").IsNull());
}

TEST_F(MemoryDataset, TextIsCutToTheFieldSize) {
  TqorField* code = FTable.AddFieldDef("Code", ftString, 3);
  FTable.Open();
  FTable.Append();
  Field("RootFinder").setAsString(QString(200, u'a'));
  Field("ResultMessage").setAsString(QString(1024, u'b') + "Rest");
  code->setAsString(QStringLiteral("ab\U0001F600"));
  FTable.Post();
  EXPECT_EQ(Field("RootFinder").AsString(), QString(128, u'a'));
  EXPECT_EQ(Field("ResultMessage").AsString(), QString(1024, u'b'));
  EXPECT_EQ(code->AsString(), "ab") << "a character is never cut in half";
  EXPECT_EQ(code->DisplayWidth(), 3);
}

TEST_F(MemoryDataset, AppendedRowsAreIteratedInOrder) {
  FTable.Open();
  EXPECT_TRUE(FTable.Eof());
  EXPECT_EQ(FTable.RecNo(), -1);
  FTable.First();
  EXPECT_TRUE(FTable.Eof()) << "an empty table";
  for (int id = 0; id < 3; ++id) AppendRow(id, id != 1, id / 4.0);
  EXPECT_EQ(FTable.RecordCount(), 3);
  EXPECT_EQ(FTable.RecNo(), 2) << "a posted row is current";
  EXPECT_EQ(Ids(), (QList<int>{0, 1, 2}));
  EXPECT_EQ(FTable.RecNo(), 2) << "Next on the last row stays there";
  FTable.setRecNo(1);
  EXPECT_FALSE(FTable.Eof());
  EXPECT_TRUE(Field("xRoot").IsNull());
  EXPECT_EQ(Field("xRoot").ValueAt(2), QVariant(0.5));
  EXPECT_FALSE(Field("xRoot").ValueAt(3).isValid());

  FTable.Append();
  Field("ID").setAsInteger(3);
  FTable.First();
  EXPECT_EQ(FTable.RecordCount(), 4) << "moving posts the row being appended";
  FTable.Append();
  Field("ID").setAsInteger(4);
  FTable.Append();
  EXPECT_EQ(FTable.RecordCount(), 5) << "a second Append posts the first";
}

TEST_F(MemoryDataset, CloseAndReopenEmptiesButKeepsTheFields) {
  FTable.Open();
  AppendRow(0, true, 1);
  FTable.Append();
  Field("ID").setAsInteger(1);
  const TqorBookmark mark = FTable.Bookmark();
  FTable.Close();
  EXPECT_FALSE(FTable.Active());
  EXPECT_TRUE(FTable.Eof());
  FTable.Open();
  EXPECT_EQ(FTable.RecordCount(), 0);
  EXPECT_FALSE(FTable.Appending());
  EXPECT_TRUE(Field("ID").IsNull());
  EXPECT_FALSE(FTable.BookmarkValid(mark));
  EXPECT_EQ(Field("xRoot").DisplayFormat(), "0.0000000");
  EXPECT_FALSE(Field("ID").Visible());
  AppendRow(7, false);
  EXPECT_EQ(Ids(), QList<int>{7});
}

TEST_F(MemoryDataset, BookmarkReturnsToItsRow) {
  FTable.Open();
  const TqorBookmark empty = FTable.Bookmark();
  EXPECT_TRUE(FTable.BookmarkValid(empty));
  for (int id = 0; id < 4; ++id) AppendRow(id, false);
  EXPECT_FALSE(FTable.BookmarkValid(empty)) << "the table has rows now";
  FTable.setRecNo(1);
  const TqorBookmark mark = FTable.Bookmark();
  FTable.First();
  FTable.Next();
  FTable.Next();
  FTable.GotoBookmark(mark);
  EXPECT_EQ(FTable.RecNo(), 1);
  EXPECT_EQ(Field("ID").AsInteger(), 1);
  FTable.Close();
  FTable.Open();
  EXPECT_THROW_MSG(FTable.GotoBookmark(mark), EDatabaseError,
                   "Das Lesezeichen gehört nicht zum Inhalt der Tabelle memRoot.");
}

TEST_F(MemoryDataset, PausedViewsHearNothingUntilTheLastResume) {
  QStringList heard;
  QObject::connect(&FTable, &TqorMemoryDataset::DataSetAboutToChange, [&] { heard << "about"; });
  QObject::connect(&FTable, &TqorMemoryDataset::DataSetChanged, [&] { heard << "changed"; });
  QObject::connect(&FTable, &TqorMemoryDataset::RecordAboutToBeAppended,
                   [&](int row) { heard << QString("before %1").arg(row); });
  QObject::connect(&FTable, &TqorMemoryDataset::RecordAppended,
                   [&](int row) { heard << QString("appended %1").arg(row); });
  QObject::connect(&FTable, &TqorMemoryDataset::CurrentRowChanged,
                   [&](int row) { heard << QString("row %1").arg(row); });

  FTable.Open();
  AppendRow(0, false);
  AppendRow(1, false);
  FTable.First();
  FTable.First();
  EXPECT_EQ(heard, (QStringList{"about", "changed", "before 0", "appended 0", "row 0", "before 1", "appended 1",
                                "row 1", "row 0"}));

  heard.clear();
  {
    TqorDisableControlsGuard outer(FTable);
    FTable.DisableControls();
    AppendRow(2, false);
    FTable.Next();
    FTable.Close();
    FTable.Open();
    FTable.EnableControls();
    EXPECT_TRUE(FTable.ControlsDisabled());
    EXPECT_TRUE(heard.isEmpty());
  }
  EXPECT_EQ(heard, (QStringList{"about", "changed"}));
  EXPECT_FALSE(FTable.ControlsDisabled());
}

TEST_F(MemoryDataset, FieldsAreFoundByNameIgnoringCase) {
  EXPECT_EQ(FTable.FindField("xroot"), FTable.Fields(2));
  EXPECT_EQ(FTable.FindField("zRoot"), nullptr);
  EXPECT_EQ(Field("IterCount").Index(), 4);
  Field("IterCount").setDisplayLabel("Iter.");
  EXPECT_EQ(Field("IterCount").DisplayName(), "Iter.");
  EXPECT_EQ(Field("RootFinder").DisplayName(), "RootFinder");
  EXPECT_EQ(Field("RootFinder").Size(), 128);
  EXPECT_EQ(Field("IterCount").Size(), 0);
  EXPECT_EQ(Field("IterCount").Alignment(), Qt::AlignRight);
  EXPECT_EQ(Field("RootExists").Alignment(), Qt::AlignLeft);
}

TEST_F(MemoryDataset, MisuseIsReportedWithTheTableName) {
  EXPECT_THROW_MSG(FTable.First(), EDatabaseError, "Die Tabelle memRoot ist nicht geöffnet.");
  EXPECT_THROW_MSG(FTable.Append(), EDatabaseError, "Die Tabelle memRoot ist nicht geöffnet.");
  EXPECT_THROW_MSG(FTable.AddFieldDef("id", ftFloat), EDatabaseError, "Die Tabelle memRoot hat schon ein Feld 'id'.");
  EXPECT_THROW_MSG(FTable.FieldByName("Nummer"), EDatabaseError, "Die Tabelle memRoot hat kein Feld 'Nummer'.");
  FTable.Open();
  EXPECT_THROW_MSG(FTable.AddFieldDef("Neu", ftFloat), EDatabaseError,
                   "Die Tabelle memRoot ist geöffnet: Felder werden vor dem Öffnen festgelegt.");
  EXPECT_THROW_MSG(Field("ID").setAsInteger(1), EDatabaseError, "Die Tabelle memRoot ist nicht im Einfügemodus.");
  EXPECT_THROW_MSG(FTable.Post(), EDatabaseError, "Die Tabelle memRoot ist nicht im Einfügemodus.");
  EXPECT_THROW_MSG(FTable.setRecNo(0), EDatabaseError, "Die Tabelle memRoot hat keinen Datensatz 0.");
  FTable.Append();
  EXPECT_THROW_MSG(Field("ID").setAsString("zwei"), EDatabaseError, "'zwei' ist kein gültiger Wert für das Feld 'ID'.");
  EXPECT_THROW_MSG(Field("RootExists").setAsString("ja"), EDatabaseError,
                   "'ja' ist kein gültiger Wert für das Feld 'RootExists'.");
  EXPECT_TRUE(Field("ID").IsNull()) << "a refused value leaves the field as it was";
}

TEST(MemoryDatasetRequired, PostRefusesANullRequiredField) {
  TqorMemoryDataset table;
  table.AddFieldDef("Name", ftString, 10, true);
  table.Open();
  table.Append();
  EXPECT_THROW_MSG(table.Post(), EDatabaseError, "Feld 'Name' muss einen Wert haben.");
  table.FieldByName("Name").setAsString("x");
  table.Post();
  EXPECT_EQ(table.RecordCount(), 1);
}

TEST(FormatFloat, FormatsInGermanAndEnglish) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* format;
    double value;
    const char* german;
    const char* english;
  };
  const Case cases[] = {
      {"0.0000000", -2.5, "-2,5000000", "-2.5000000"},
      {"0.0000000", 0.123456789, "0,1234568", "0.1234568"},
      {"0.0000000e+000", 1.5e-5, "1,5000000e-005", "1.5000000e-005"},
      {"0.0000000e+000", 123456.789, "1,2345679e+005", "1.2345679e+005"},
      {"0.0000000e+000", -1e-300, "-1,0000000e-300", "-1.0000000e-300"},
      {"0.0000000e+000", 0, "0,0000000e+000", "0.0000000e+000"},
      {"0.000", 1234.5678, "1234,568", "1234.568"},
      {"0.000", -0.0004, "0,000", "0.000"},
      {"0.000", 0.9996, "1,000", "1.000"},
      {"#,##0.00", 1234567.891, "1.234.567,89", "1,234,567.89"},
      {"0.##", 2.5, "2,5", "2.5"},
      {"0.##", 2, "2", "2"},
      {"0.0E-00", 1500, "1,5E03", "1.5E03"},
      {"0.0E-00", 0.015, "1,5E-02", "1.5E-02"},
      {"Wert 0.0 m", 3, "Wert 3,0 m", "Wert 3.0 m"},
      {"0.000", inf, "INF", "INF"},
      {"0.000", -inf, "-INF", "-INF"},
      {"0.000", std::numeric_limits<double>::quiet_NaN(), "NAN", "NAN"},
  };
  const QLocale german(QLocale::German, QLocale::Germany);
  const QLocale english(QLocale::English, QLocale::UnitedStates);
  for (const Case& c : cases) {
    EXPECT_EQ(FormatFloat(c.format, c.value, german), c.german) << c.format << " " << c.value;
    EXPECT_EQ(FormatFloat(c.format, c.value, english), c.english) << c.format << " " << c.value;
  }
}

TEST_F(MemoryDataset, DisplayTextsFollowTheUsersLocale) {
  FTable.Open();
  FTable.Append();
  Field("RootExists").setAsBoolean(true);
  Field("xRoot").setAsFloat(-2.5);
  Field("yRoot").setAsFloat(1.5e-5);
  Field("IterCount").setAsInteger(12);
  FTable.Post();
  AppendRow(1, false);

  for (const auto& [locale, x, y, plain] : {std::tuple{QLocale::German, "-2,5000000", "1,5000000e-005", "-2,5"},
                                            std::tuple{QLocale::English, "-2.5000000", "1.5000000e-005", "-2.5"}}) {
    SCOPED_TRACE(QLocale::languageToString(locale).toStdString());
    QLocale::setDefault(QLocale(locale));
    FTable.First();
    EXPECT_EQ(Field("xRoot").DisplayText(), x);
    EXPECT_EQ(Field("yRoot").DisplayText(), y);
    EXPECT_EQ(Field("xRoot").AsString(), plain);
    EXPECT_EQ(Field("IterCount").DisplayText(), "12");
    EXPECT_EQ(Field("RootExists").DisplayText(), "X");
    FTable.Next();
    EXPECT_EQ(Field("RootExists").DisplayText(), "");
    EXPECT_EQ(Field("xRoot").DisplayText(), "");
    EXPECT_EQ(Field("xRoot").DisplayTextAt(0), x);
  }
}

TEST(MemoryDatasetText, BooleanTextsAndTextHandler) {
  TqorMemoryDataset table;
  TqorField* flag = table.AddFieldDef("Flag", ftBoolean);
  TqorField* value = table.AddFieldDef("Value", ftFloat);
  table.Open();
  table.Append();
  flag->setAsBoolean(false);
  value->setAsFloat(0.25);
  table.Post();
  EXPECT_EQ(flag->DisplayText(), "false");
  flag->setDisplayValues("ja");
  EXPECT_EQ(flag->DisplayText(), "") << "without ';' false shows nothing";
  flag->setDisplayValues("Ja;Nein");
  EXPECT_EQ(flag->AsString(), "Nein");

  value->setOnGetText([](const TqorField& Sender, const QVariant& V, bool DisplayText) {
    return Sender.FieldName() + (DisplayText ? " zeigt " : " ist ") + V.toString();
  });
  EXPECT_EQ(value->DisplayText(), "Value zeigt 0.25");
  EXPECT_EQ(value->AsString(), "Value ist 0.25");
}
