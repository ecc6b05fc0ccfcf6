#include "qorTestFileSizeLimit.h"
#include "qorTestFiles.h"
#include "qorTestSupport.h"

#include "qorException.h"
#include "qorXMLDoc.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {
const char* const TaskText =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<RootFinding xMin=\"-2.50000000000000E+000\" xMax=\"2.50000000000000E+000\" "
    "AbsErrorBound=\"2.16840434497101E-019\" RelErrorBound=\"0.00000000000000E+000\" NodeCount=\"200\">\n"
    "  <Function ID=\"0123456789ABCDEF0123456789ABCDEF\" Name=\"Polynom\" SimpleScript=\"true\" "
    "Script=\"0.71 + 0.91*x - 5.5*x^2 + 0.172*x^6\" />\n"
    "</RootFinding>\n";

// A document whose element Root has the children Item, Other, Item and Sub/Item.
const char* const ListText =
    "<Root Function=\"attr\">\n"
    "  <Item n=\"1\"/>\n  text\n  <Other/>\n  <Item n=\"2\"/>\n"
    "  <Function n=\"child\"><Inner n=\"deep\"/></Function>\n"
    "</Root>";

QString Text(const TqorValue& V) { return ValueAsText(V, "<unassigned>"); }

QString NameOf(pugi::xml_node Node) { return QString::fromUtf8(Node.name()); }

class XMLDoc : public testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(FDir.isValid()); }
  QString Path(const char* Name) const { return FDir.filePath(Name); }
  QTemporaryDir FDir;
};
}  // namespace

TEST_F(XMLDoc, WritesTheTaskDocumentAsExpected) {
  TqorXMLDocument doc;
  doc.CreateDocument("RootFinding", "");
  TqorXMLNode node(doc);
  node.CreateAttribute("xMin", -2.5);
  node.CreateAttribute("xMax", 2.5L);
  node.CreateAttribute("AbsErrorBound", 2.16840434497101E-019);
  node.CreateAttribute("RelErrorBound", 0.0);
  node.CreateAttribute("NodeCount", 200);
  const pugi::xml_node function = node.CreateElement("Function");
  EXPECT_EQ(node.CurrentNode(), function);
  node.CreateAttribute("ID", "0123456789ABCDEF0123456789ABCDEF");
  node.CreateAttribute("Name", "Polynom");
  node.CreateAttribute("SimpleScript", true);
  node.CreateAttribute("Script", "0.71 + 0.91*x - 5.5*x^2 + 0.172*x^6");
  EXPECT_EQ(node.CurrentNode(), function) << "attributes leave the current node alone";
  EXPECT_EQ(doc.xmlText(), TaskText);

  doc.SaveToFile(Path("Polynom.nwd"));
  EXPECT_EQ(ReadBytes(Path("Polynom.nwd")), QByteArray(TaskText)) << "UTF-8 without byte-order mark";
}

TEST_F(XMLDoc, CreateDocumentWithNamespaceAndReplacesContent) {
  TqorXMLDocument doc;
  EXPECT_EQ(doc.xmlText(), "");
  EXPECT_FALSE(doc.DocumentElement());
  doc.setxmlText(ListText);
  doc.CreateDocument("Task", "urn:qor:task");
  EXPECT_EQ(doc.xmlText(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Task xmlns=\"urn:qor:task\" />\n");
}

TEST_F(XMLDoc, SaveReplacesFilesAndReportsFailures) {
  TqorXMLDocument doc;
  const QString target = Path("t.xml");
  EXPECT_THROW_MSG(
      doc.SaveToFile(target), Exception,
      "Die Datei '" + target.toStdString() + "' kann nicht geschrieben werden: Das XML-Dokument ist leer.");
  EXPECT_FALSE(QFile::exists(target));

  WriteBytes(target, "old content, much longer than the new document");
  doc.CreateDocument("A", "");
  doc.SaveToFile(target);
  EXPECT_EQ(ReadBytes(target), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<A />\n");

  const QString missing = Path("fehlt/t.xml");
  EXPECT_THROW_MSG(
      doc.SaveToFile(missing), Exception,
      "Die Datei '" + missing.toStdString() + "' kann nicht geschrieben werden: Das Verzeichnis existiert nicht.");
}

#if defined(Q_OS_UNIX)
TEST_F(XMLDoc, FailedWriteLeavesTheOldFileIntact) {
  const QString target = Path("t.xml");
  WriteBytes(target, "<old/>");
  TqorXMLDocument doc;
  doc.CreateDocument("A", "");
  TqorXMLNode(doc).CreateAttribute("Big", QString(64 * 1024, u'x'));
  {
    const TFileSizeLimit diskFull(4096);
    EXPECT_THROW_MSG(doc.SaveToFile(target), Exception,
                     "Die Datei '" + target.toStdString() + "' kann nicht geschrieben werden: Datei zu groß");
  }
  EXPECT_EQ(ReadBytes(target), "<old/>");
  EXPECT_EQ(QDir(FDir.path()).entryList(QDir::Files), QStringList{"t.xml"}) << "no temporary file is left";
}
#endif

TEST_F(XMLDoc, FilesWithAndWithoutByteOrderMarkReadAlike) {
  const QByteArray body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<R Name=\"Größe\"/>\n";
  struct TCase {
    const char* File;
    QByteArray Bytes;
  };
  const TCase cases[] = {
      {"plain.xml", body},
      {"bom.xml", "\xEF\xBB\xBF" + body},
      {"utf16.xml",
       QByteArray("\xFF\xFE", 2) + QByteArray(reinterpret_cast<const char*>(QString::fromUtf8(body).utf16()),
                                              QString::fromUtf8(body).size() * 2)},
      {"latin1.xml",
       "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<R Name=\"Gr\xF6\xDF"
       "e\"/>\n"},
  };
  for (const TCase& c : cases) {
    TqorXMLDocument doc;
    WriteBytes(Path(c.File), c.Bytes);
    doc.LoadFromFile(Path(c.File));
    TqorXMLNode node(doc);
    EXPECT_EQ(Text(node.GetAttributeValue("Name", "")), QString::fromUtf8("Größe")) << c.File;
    EXPECT_EQ(doc.xmlText(), QString::fromUtf8("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<R Name=\"Größe\" />\n"))
        << c.File << ": saved again as UTF-8";
  }
}

TEST_F(XMLDoc, LineBreaksAndMarkupInAttributesSurviveSaveAndLoad) {
  TqorXMLDocument doc;
  doc.CreateDocument("R", "");
  TqorXMLNode writer(doc);
  writer.CreateAttribute("Script", "function fct(x)\r\n  return x;\nend;\r");
  writer.CreateAttribute("Markup", "a<b && c>\"d\" 'e'");
  doc.SaveToFile(Path("s.xml"));

  TqorXMLDocument loaded;
  loaded.LoadFromFile(Path("s.xml"));
  TqorXMLNode node(loaded);
  EXPECT_EQ(Text(node.GetAttributeValue("Script", "")), "function fct(x)\n  return x;\nend;\n");
  EXPECT_EQ(Text(node.GetDTAttribute("Script", "", dtString)), "function fct(x)\r\n  return x;\r\nend;\r\n");
  EXPECT_EQ(Text(node.GetAttributeValue("Markup", "")), "a<b && c>\"d\" 'e'");

  loaded.setxmlText("<R S=\"1&#13;&#10;2&#13;3\" T=\"x\ny\"/>");
  EXPECT_EQ(Text(node.GetAttributeValue("S", "")), "1\n2\n3");
  EXPECT_EQ(Text(node.GetAttributeValue("T", "")), "x y") << "a literal line break is white space in XML";
}

TEST_F(XMLDoc, LoadErrorsCarryTheParsersMessageAndLeaveTheDocumentEmpty) {
  struct TCase {
    const char* File;
    QByteArray Bytes;
    const char* Message;
  };
  const TCase cases[] = {
      {"mismatch.xml", "<?xml version=\"1.0\"?>\n<a>\n  <b></a>",
       "Zeile 3, Spalte 8, Meldung des XML-Parsers: \"Start-end tags mismatch\""},
      {"empty.xml", "", "Zeile 1, Spalte 1, Meldung des XML-Parsers: \"No document element found\""},
      {"attr.xml", "<a x=\"1></a>", "Zeile 1, Spalte 7, Meldung des XML-Parsers: \"Error parsing element attribute\""},
      {"bom.xml", "\xEF\xBB\xBF<a>\n<", "Zeile 2, Spalte 1, Meldung des XML-Parsers: \"Could not determine tag type\""},
      {"umlaut.xml", "<Größe>\n<b>Übergröße</c>",
       "Zeile 2, Spalte 15, Meldung des XML-Parsers: \"Start-end tags mismatch\""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.File);
    TqorXMLDocument doc;
    doc.CreateDocument("Old", "");
    WriteBytes(Path(c.File), c.Bytes);
    EXPECT_THROW_MSG(doc.LoadFromFile(Path(c.File)), Exception,
                     "Die Datei '" + Path(c.File).toStdString() + "' ist kein gültiges XML: " + c.Message);
    EXPECT_FALSE(doc.DocumentElement());
    EXPECT_EQ(doc.xmlText(), "");
  }
  TqorXMLDocument doc;
  EXPECT_THROW_MSG(
      doc.LoadFromFile(Path("fehlt.xml")), Exception,
      "Die Datei '" + Path("fehlt.xml").toStdString() + "' kann nicht geöffnet werden: Sie existiert nicht.");
  EXPECT_THROW_MSG(
      doc.setxmlText("<a>"), Exception,
      "Der XML-Text ist kein gültiges XML: Zeile 1, Spalte 3, Meldung des XML-Parsers: \"Start-end tags mismatch\"");
}

TEST(XMLNode, EveryOperationNeedsAStartNode) {
  TqorXMLDocument doc;
  TqorXMLNode node(doc);
  const std::pair<const char*, std::function<void()>> operations[] = {
      {"GetNodeByName", [&] { node.GetNodeByName("A"); }},
      {"GetNextChildNode", [&] { node.GetNextChildNode("A", {}, true); }},
      {"GetAttribute", [&] { node.GetAttribute("A"); }},
      {"GetDTAttribute", [&] { node.GetDTAttribute("A", 1, dtInteger); }},
      {"GetAttributeValue", [&] { node.GetAttributeValue("A", 1); }},
      {"CreateElement", [&] { node.CreateElement("A"); }},
      {"CreateAttribute", [&] { node.CreateAttribute("A", 1); }},
  };
  for (const auto& [name, operation] : operations) {
    SCOPED_TRACE(name);
    EXPECT_THROW_MSG(operation(), Exception,
                     "TqorXMLBaseNode: Methodenaufruf nicht verfügbar, ParentNode ist nicht vorhanden.");
  }
  EXPECT_EQ(doc.xmlText(), "");
}

TEST(XMLNode, StartNodeIsParentThenCurrentThenDocumentElement) {
  TqorXMLDocument doc;
  doc.CreateDocument("RootFinding", "");
  TqorXMLNode node(doc);
  const pugi::xml_node root = doc.DocumentElement();
  node.CreateAttribute("a", 1);
  const pugi::xml_node function = node.CreateElement("Function");
  node.CreateAttribute("Name", "f");
  node.CreateAttribute("b", 2, root);
  EXPECT_EQ(doc.xmlText(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<RootFinding a=\"1\" b=\"2\">\n"
            "  <Function Name=\"f\" />\n</RootFinding>\n");
  EXPECT_EQ(node.CurrentNode(), function);
  node.setCurrentNode({});
  EXPECT_EQ(Text(node.GetAttributeValue("a", "")), "1");
}

TEST(XMLNode, AttributesKeepTheirOrderAndNamesStayUnique) {
  TqorXMLDocument doc;
  doc.CreateDocument("R", "");
  TqorXMLNode node(doc);
  for (const char* name : {"z", "a", "m"}) node.CreateAttribute(name, name);
  node.CreateAttribute("a", 7);
  EXPECT_EQ(doc.xmlText(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<R z=\"z\" a=\"7\" m=\"m\" />\n");
  for (const char* name : {"", "a b", "1x", "<x>", "x/y"}) {
    SCOPED_TRACE(testing::Message() << "'" << name << "'");
    EXPECT_THROW_MSG(node.CreateAttribute(name, 1), Exception,
                     "'" + std::string(name) + "' ist kein gültiger XML-Name.");
    EXPECT_THROW_MSG(node.CreateElement(name), Exception, "'" + std::string(name) + "' ist kein gültiger XML-Name.");
  }
  EXPECT_NO_THROW(node.CreateElement(QString::fromUtf8("Größe_1.x-y")));
}

namespace {
// What a lookup found: an attribute's value, an element's attribute n, or "-" for none.
std::string Found(pugi::xpath_node Result) {
  if (Result.attribute()) return Result.attribute().value();
  return Result.node() ? Result.node().attribute("n").value() : "-";
}
std::string Found(pugi::xml_node Node) { return Found(pugi::xpath_node(Node)); }
}  // namespace

TEST(XMLNode, GetNodeByNameFollowsPaths) {
  struct TCase {
    const char* Path;
    const char* Found;
    const char* Current;  // the n attribute of the current node afterwards
  };
  const TCase cases[] = {
      {"Function", "attr", "-"},  // an attribute of the last segment comes first
      {"/Function/", "attr", "-"},
      {"Function/Inner", "deep", "deep"},
      {"//Function//Inner/", "deep", "deep"},
      {"Missing/Function/Inner", "deep", "deep"},  // a missing segment is skipped
      {"Function/n", "child", "-"},
      {"Function/Missing", "-", "-"},  // only the last segment becomes current
      {"function", "-", "-"},
      {"Item", "1", "1"},
      {"", "-", "-"},
      {"///", "-", "-"},
  };
  TqorXMLDocument doc;
  doc.setxmlText(ListText);
  for (const TCase& c : cases) {
    TqorXMLNode node(doc);
    EXPECT_EQ(Found(node.GetNodeByName(c.Path)), c.Found) << c.Path;
    EXPECT_EQ(Found(node.CurrentNode()), c.Current) << c.Path;
  }
}

TEST(XMLNode, MissingNodesRaiseWhenNotAllowed) {
  TqorXMLDocument doc;
  doc.setxmlText(ListText);
  TqorXMLNode node(doc);
  EXPECT_TRUE(node.AllowMissingNodes());
  node.setAllowMissingNodes(false);
  const pugi::xml_node function = doc.DocumentElement().child("Function");
  EXPECT_THROW_MSG(node.GetNodeByName("Missing"), Exception,
                   "Element oder Atribut 'Missing' in Pfad 'Root' wurde nicht gefunden.");
  EXPECT_THROW_MSG(node.GetNodeByName("/Inner/Missing", function), Exception,
                   "Element oder Atribut '/Inner/Missing' in Pfad 'Root/Function' wurde nicht gefunden.");
  EXPECT_FALSE(node.CurrentNode()) << "a failed lookup changes nothing";
  node.setCurrentNode(function.child("Inner"));
  EXPECT_THROW_MSG(node.GetAttribute("xMin"), Exception,
                   "Attribut 'xMin' in Pfad 'Root/Function/Inner' wurde nicht gefunden.");
  EXPECT_THROW_MSG(node.GetDTAttribute("xMin", 1.0, dtFloat), Exception,
                   "Attribut 'xMin' in Pfad 'Root/Function/Inner' wurde nicht gefunden.");
  EXPECT_EQ(Text(node.GetAttributeValue("n", "")), "deep");
}

TEST(XMLNode, GetNextChildNodeWalksOneParent) {
  TqorXMLDocument doc;
  doc.setxmlText(ListText);
  const pugi::xml_node root = doc.DocumentElement(), function = root.child("Function");
  TqorXMLNode node(doc);
  struct TStep {
    const char* Name;
    pugi::xml_node Parent;
    bool FromFirst;
    const char* Found;
  };
  const TStep steps[] = {
      {"Item", root, true, "1"},  {"Item", root, false, "2"},
      {"Item", root, false, "-"}, {"Item", root, false, "-"},  // stays at the end
      {"Item", root, true, "1"},  {"Inner", function, false, "deep"},
      {"Item", root, false, "1"},  // another parent starts again
      {"Item", {}, true, "-"},     // the current node Item 1 has no Item children
  };
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    const TStep& step = steps[i];
    SCOPED_TRACE(testing::Message() << "step " << i + 1 << ": " << step.Name);
    const pugi::xml_node found = node.GetNextChildNode(step.Name, step.Parent, step.FromFirst);
    EXPECT_EQ(Found(found), step.Found);
    if (found) {
      EXPECT_EQ(node.CurrentNode(), found);
    }
  }
}

TEST(XMLNode, TypedAttributesWithDefaults) {
  TqorXMLDocument doc;
  doc.setxmlText(
      "<F NodeCount=\"  \" Bad=\"abc\" Real=\"2.5E+000\" Flag=\"TRUE\" When=\"2011-04-25T10:20:30\" "
      "S=\"a&#10;b\" Blank=\" \" Raw=\" x \"/>");
  TqorXMLNode node(doc);
  struct TCase {
    const char* Name;
    TqorValue Default;
    TqorDatatype Kind;
    TqorValue Result;
  };
  const TCase cases[] = {
      {"Missing", 200, dtInteger, 200},
      {"NodeCount", 200, dtInteger, TqorValue::Null()},
      {"Real", 0.0, dtFloat, 2.5L},
      {"Flag", false, dtBoolean, true},
      {"When", TqorValue(), dtDateTime, QDateTime(QDate(2011, 4, 25), QTime(10, 20, 30), Qt::UTC)},
      {"S", "", dtString, "a\r\nb"},
      {"S", "", dtNone, "a\nb"},
      {"Blank", "x", dtString, ""},
      {"Raw", "", dtString, " x "},
  };
  for (const TCase& c : cases) EXPECT_EQ(node.GetDTAttribute(c.Name, c.Default, c.Kind), c.Result) << c.Name;
  EXPECT_THROW_MSG(node.GetDTAttribute("Bad", 200, dtInteger), EConvertError, "'abc' ist kein gültiger Integerwert.");
  EXPECT_EQ(node.GetAttributeValue("SimpleScript", true), TqorValue(true));
  EXPECT_EQ(node.GetAttributeValue("NodeCount", 1), TqorValue("  "));
}

TEST(XMLNode, ReadsATaskDocument) {
  TqorXMLDocument doc;
  doc.setxmlText(TaskText);
  TqorXMLNode node(doc);
  node.setCurrentNode(doc.DocumentElement());
  EXPECT_EQ(ValueAsFloat(node.GetDTAttribute("xMin", 0.0, dtFloat), 0), -2.5L);
  EXPECT_EQ(ValueAsInteger(node.GetDTAttribute("NodeCount", 0, dtInteger), 0), 200);
  EXPECT_EQ(NameOf(node.GetNodeByName("Function").node()), "Function");
  EXPECT_EQ(Text(node.GetAttributeValue("Script", "")), "0.71 + 0.91*x - 5.5*x^2 + 0.172*x^6");
  EXPECT_TRUE(ValueAsBool(node.GetAttributeValue("SimpleScript", false), false));
}
