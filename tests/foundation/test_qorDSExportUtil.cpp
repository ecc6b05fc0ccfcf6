#include "qorDSExportUtil.h"
#include "qorException.h"
#include "qorTestFileSizeLimit.h"
#include "qorTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

// A small table with a hidden integer, a boolean, a formatted real and two texts.
class DSToString : public ::testing::Test {
protected:
  void SetUp() override {
    FTable.setObjectName("memTest");
    FTable.AddFieldDef("ID", ftInteger)->setVisible(false);
    FTable.AddFieldDef("Found", ftBoolean)->setDisplayValues("X;");
    TqorField* value = FTable.AddFieldDef("Value", ftFloat);
    value->setDisplayFormat("0.000");
    value->setDisplayLabel("Wert");
    FTable.AddFieldDef("Short", ftString, 10)->setDisplayWidth(5);
    FTable.AddFieldDef("Note", ftString, 100);
    FTable.Open();
    FWriter.setDS(&FTable);
  }
  void TearDown() override { QLocale::setDefault(FSavedLocale); }

  // Appends a row; a null Value leaves the real unset.
  void AppendRow(int id, bool found, QVariant value, const QString& shortText, const QString& note) {
    FTable.Append();
    FTable.FieldByName("ID").setAsInteger(id);
    FTable.FieldByName("Found").setAsBoolean(found);
    FTable.FieldByName("Value").setValue(value);
    FTable.FieldByName("Short").setAsString(shortText);
    FTable.FieldByName("Note").setAsString(note);
    FTable.Post();
  }
  void AppendRows(int count) {
    for (int i = 0; i < count; ++i) AppendRow(i, i % 2 == 0, i * 0.5, "k", "");
  }

  TqorMemoryDataset FTable;
  TqorDSToString FWriter;
  QLocale FSavedLocale;
};

TEST_F(DSToString, WritesHeaderAndVisibleFieldsInDisplayForm) {
  QLocale::setDefault(QLocale(QLocale::German));
  AppendRow(0, true, -2.5, "ab", "erste");
  AppendRow(1, false, QVariant(), "", "");
  FWriter.Row().setColumnDelim(";");
  EXPECT_EQ(FWriter.AsString(),
            "\"Found\";\"Wert\";\"Short\";\"Note\"\r\n"
            "X;-2,500;\"ab\";\"erste\"\r\n"
            ";;\"\";\"\"");
  EXPECT_EQ(FWriter.ExecutedRowCount(), 2u);
  EXPECT_EQ(FWriter.CurrentRowIndex(), 2u);
}

TEST_F(DSToString, OptionsChangeWhatIsWritten) {
  AppendRow(7, true, 1.25, "ab", "x");
  FWriter.setWriteColumnHeader(false);
  FWriter.Row().setVisibleFieldsOnly(false);
  FWriter.Row().setUseDisplayFormat(false);
  FWriter.Row().setStringFieldDelim("'");
  EXPECT_EQ(FWriter.AsString(), "7\tX\t1.25\t'ab'\t'x'") << "plain texts, hidden field included";

  FWriter.setUseDSFields(false);
  FWriter.Row().Fields().Clear();
  FWriter.Row().Fields().Add(&FTable.FieldByName("Note"));
  FWriter.Row().Fields().Add(&FTable.FieldByName("ID"));
  FWriter.setWriteColumnHeader(true);
  EXPECT_EQ(FWriter.AsString(), "'Note'\t'ID'\r\n'x'\t7") << "the row writer's own fields, in its order";
}

TEST_F(DSToString, EmptyTableGivesTheHeaderWithoutLineBreak) {
  EXPECT_EQ(FWriter.AsString(), "\"Found\"\t\"Wert\"\t\"Short\"\t\"Note\"");
  FWriter.setWriteColumnHeader(false);
  EXPECT_EQ(FWriter.AsString(), "");
  EXPECT_EQ(FWriter.ExecutedRowCount(), 0u);
}

TEST_F(DSToString, TextKeepsEveryRowOnOneLine) {
  AppendRow(0, true, 1.0, "", "Zeile 1\r\nZeile \"2\"\r\n\r\nLF\nCR\r");
  FWriter.setWriteColumnHeader(false);
  FWriter.Row().setFixFieldLength(false);
  EXPECT_EQ(FWriter.AsString(), "X\t1.000\t\"\"\t\"Zeile 1¤Zeile \"2\"¤¤LF\nCR\r\"")
      << "only CR LF is replaced; quotes inside stay as they are";
  FWriter.Row().setStringFieldSubstCRLF(false);
  EXPECT_EQ(FWriter.AsString(), "X\t1.000\t\"\"\t\"Zeile 1\r\nZeile \"2\"\r\n\r\nLF\nCR\r\"");
}

TEST_F(DSToString, FixFieldLengthPadsAndCutsToTheDisplayWidth) {
  AppendRow(0, false, 3.0, "Abcdef", "n");
  FWriter.setWriteColumnHeader(false);
  FWriter.Row().setFixFieldLength(true);
  FTable.FieldByName("Found").setDisplayWidth(2);
  FTable.FieldByName("Value").setDisplayWidth(7);
  FTable.FieldByName("Note").setDisplayWidth(4);
  EXPECT_EQ(FWriter.AsString(), "  3.000  \"Abcd\"n\" ");
  FWriter.setWriteColumnHeader(true);
  EXPECT_TRUE(FWriter.AsString().startsWith("\"Found\"\t\"Wert\"\t\"Short\"\t\"Note\"\r\n"))
      << "the header ignores the fixed length";
}

TEST_F(DSToString, BeforeExecuteRowSkipsRowsButTheyAreCounted) {
  AppendRows(6);
  FWriter.setWriteColumnHeader(false);
  FWriter.setBeforeExecuteRow([](TqorDSRowToString&, TqorMemoryDataset& DataSet, bool& Continue) {
    EXPECT_TRUE(Continue);
    Continue = DataSet.FieldByName("ID").AsInteger() % 2 == 1;
  });
  EXPECT_EQ(FWriter.AsString(), "\t0.500\t\"k\"\t\"\"\r\n\t1.500\t\"k\"\t\"\"\r\n\t2.500\t\"k\"\t\"\"");
  EXPECT_EQ(FWriter.ExecutedRowCount(), 3u);
  EXPECT_EQ(FWriter.CurrentRowIndex(), 6u);
}

TEST_F(DSToString, TableStaysOnItsRowAndViewsSeeOneChange) {
  AppendRows(5);
  FTable.setRecNo(2);
  int rowChanges = 0, changes = 0;
  QObject::connect(&FTable, &TqorMemoryDataset::CurrentRowChanged, [&] { ++rowChanges; });
  QObject::connect(&FTable, &TqorMemoryDataset::DataSetChanged, [&] { ++changes; });
  FWriter.AsString();
  EXPECT_EQ(FTable.RecNo(), 2);
  EXPECT_EQ(rowChanges, 0) << "the views are paused while the rows are walked";
  EXPECT_EQ(changes, 1);

  FWriter.setBeforeExecuteRow([](TqorDSRowToString&, TqorMemoryDataset& DataSet, bool&) {
    if (DataSet.RecNo() == 3) throw Exception("Abbruch");
  });
  EXPECT_THROW_MSG(FWriter.AsString(), Exception, "Abbruch");
  EXPECT_EQ(FTable.RecNo(), 2) << "also when writing fails";
  EXPECT_FALSE(FTable.ControlsDisabled());
}

TEST_F(DSToString, NeedsAnOpenTable) {
  FTable.Close();
  EXPECT_THROW_MSG(FWriter.AsString(), EDatabaseError,
                   "Datenbanktabelle kopieren: die Tabelle memTest ist nicht aktiv. "
                   "Daten können nicht kopiert werden!.");
  FWriter.setDS(nullptr);
  EXPECT_THROW_MSG(FWriter.AsString(), EDatabaseError,
                   "Datenbanktabelle kopieren: es ist keine Tabelle angegeben. "
                   "Daten können nicht kopiert werden!.");
}

TEST_F(DSToString, WriteToFileReplacesTheFileInTheLocaleCharacterSet) {
  QTemporaryDir dir;
  const QString fileName = dir.filePath("export.csv");
  {
    QFile old(fileName);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("a much longer old content that must disappear");
  }
  AppendRow(0, true, 1.0, "", "a\r\nb");
  FWriter.setWriteColumnHeader(false);
  FWriter.WriteToFile(fileName);
  QFile file(fileName);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QByteArray("X\t1.000\t\"\"\t\"a\xC2\xA4"
                                       "b\""))
      << "UTF-8 without byte-order mark";

  const QString missing = dir.filePath("fehlt/export.csv");
  EXPECT_THROW_MSG(
      FWriter.WriteToFile(missing), EInOutError,
      "Die Datei '" + missing.toStdString() + "' kann nicht geschrieben werden: Das Verzeichnis existiert nicht.");
  EXPECT_FALSE(QFile::exists(missing));
}

#if defined(Q_OS_UNIX)
TEST_F(DSToString, FailedWriteLeavesTheOldFileIntact) {
  QTemporaryDir dir;
  const QString fileName = dir.filePath("export.csv");
  {
    QFile old(fileName);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("alt");
  }
  for (int i = 0; i < 100; ++i) AppendRow(i, true, i, "", QString(1000, u'n'));
  {
    const TFileSizeLimit diskFull(4096);
    EXPECT_THROW_MSG(FWriter.WriteToFile(fileName), EInOutError,
                     "Die Datei '" + fileName.toStdString() + "' kann nicht geschrieben werden: Datei zu groß");
  }
  QFile file(fileName);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), "alt");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"export.csv"}) << "no temporary file is left";
}
#endif

TEST(DSRowFieldList, AssignFieldsTakesEveryFieldInOrder) {
  TqorMemoryDataset table;
  table.AddFieldDef("A", ftInteger);
  table.AddFieldDef("B", ftString, 3)->setVisible(false);
  TqorDSRowFieldList list;
  list.Add(table.Fields(1));
  list.AssignFields(table);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items(0)->FieldName(), "A");
  EXPECT_EQ(list.Items(1)->FieldName(), "B");
  EXPECT_THROW_MSG(list.Items(2), EListError, "Listenindex überschreitet das Maximum (2)");
}

}  // namespace
