#include "KaloPersistentTypes.h"
#include "KaloToolsUtil.h"
#include "qorException.h"
#include "qorTestSupport.h"
#include "qorXMLDoc.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <tuple>

namespace {

const QString DataDir = QStringLiteral(QOR_TEST_DATA);

// Every field of a task, to see whether a failed read changed anything.
auto Fields(const TKaloPersistRootFinding& Task) {
  const TKaloPersistFunction& f = Task.RootFunction();
  return std::make_tuple(Task.xMin(), Task.xMax(), Task.AbsErrorBound(), Task.RelErrorBound(), Task.NodeCount(), f.ID(),
                         f.Name(), f.FunctionScript(), f.SimpleScript());
}

std::string Quoted(const QString& FileName) { return "'" + QDir::toNativeSeparators(FileName).toStdString() + "'"; }

TEST(KaloPersistentType, WritesAndReadsIdentifierAndName) {
  TKaloPersistentType written;
  written.setName("A & <B>");
  TqorXMLDocument document;
  document.CreateDocument("T", "");
  TqorXMLNode writer(document);
  written.WriteToElement(writer);
  EXPECT_EQ(document.xmlText(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<T ID=\"" + written.ID() + "\" Name=\"A &amp; &lt;B>\" />\n");
  TKaloPersistentType read;
  TqorXMLNode reader(document);
  read.ReadFromElement(reader);
  EXPECT_EQ(read.ID(), written.ID());
  EXPECT_EQ(read.Name(), "A & <B>");
}

TEST(LoadPersistentElement, FileThatIsNoTaskFileLeavesTheTaskUntouched) {
  QTemporaryDir dir;
  const QString huge = dir.filePath("huge.nwd");
  {
    QFile file(huge);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(MaxReadFileSize + 1));
  }
  const QString data = DataDir + "/";
  const struct {
    QString fileName;
    std::string message;
  } cases[] = {
      {dir.filePath("fehlt.nwd"), "kann nicht geöffnet werden: Sie existiert nicht."},
      {dir.path(), "kann nicht geöffnet werden: Das ist ein Verzeichnis."},
      {"/dev/zero", "kann nicht geöffnet werden: Das ist keine gewöhnliche Datei."},
      {huge, "kann nicht geöffnet werden: Sie ist mit 16777217 Bytes zu groß (höchstens 16777216 Bytes)."},
      {data + "empty.nwd",
       "ist kein gültiges XML: Zeile 1, Spalte 1, Meldung des XML-Parsers: \"No document element found\""},
      {data + "truncated.nwd",
       "ist kein gültiges XML: Zeile 2, Spalte 50, Meldung des XML-Parsers: \"Error parsing element attribute\""},
      {data + "unclosed.nwd",
       "ist kein gültiges XML: Zeile 4, Spalte 3, Meldung des XML-Parsers: \"Start-end tags mismatch\""},
      {data + "plain-text.nwd",
       "ist kein gültiges XML: Zeile 2, Spalte 1, Meldung des XML-Parsers: \"No document element found\""},
      {data + "garbage.nwd",
       "ist kein gültiges XML: Zeile 1, Spalte 33, Meldung des XML-Parsers: \"Error parsing start element tag\""},
      {data + "nodecount-zwei.nwd",
       "kann nicht gelesen werden: Attribut 'NodeCount': 'zwei' ist kein gültiger Integerwert."},
  };
  TKaloPersistRootFinding task;
  task.setName("Vorher");
  const auto before = Fields(task);
  for (const auto& c : cases) {
    try {
      LoadPersistentElement(c.fileName, task);
      ADD_FAILURE() << "no error for " << c.fileName.toStdString();
    } catch (const Exception& e) {
      EXPECT_EQ(e.what(), "Die Datei " + Quoted(c.fileName) + " " + c.message);
    }
    EXPECT_EQ(Fields(task), before) << c.fileName.toStdString();
  }
}

TEST(SavePersistentElement, ReplacesAFileAndReportsAMissingFolder) {
  QTemporaryDir dir;
  const QString fileName = dir.filePath("a.nwd");
  TKaloPersistRootFinding task;
  task.setNodeCount(11);
  SavePersistentElement(fileName, "Aufgabe", task);
  task.setNodeCount(12);
  SavePersistentElement(fileName, "Aufgabe", task);
  TKaloPersistRootFinding read;
  LoadPersistentElement(fileName, read);
  EXPECT_EQ(read.NodeCount(), 12);

  const QString missing = dir.filePath("fehlt/a.nwd");
  EXPECT_THROW_MSG(SavePersistentElement(missing, "Aufgabe", task), Exception,
                   "Die Datei " + Quoted(missing) + " kann nicht geschrieben werden: Das Verzeichnis existiert nicht.");
  EXPECT_FALSE(QFile::exists(missing));
}

}  // namespace
