#include "qorXMLDoc.h"

#include "qorException.h"
#include "qorFileIO.h"
#include "qorStrUtils.h"

#include <QDir>
#include <QStringList>

#include <algorithm>
#include <cstring>

namespace {
const char* const MsgNoStartNode = "TqorXMLBaseNode: Methodenaufruf nicht verfügbar, ParentNode ist nicht vorhanden.";
const char* const MsgMissingNode = "%1 '%2' in Pfad '%3' wurde nicht gefunden.";
const char* const KindPath = "Element oder Atribut";
const char* const KindAttribute = "Attribut";
// The parser's own (English) words are quoted as its detail, after the place it names.
const char* const MsgNoXML = "%1 ist kein gültiges XML: Zeile %2, Spalte %3, Meldung des XML-Parsers: \"%4\"";
const char* const MsgNoXMLNowhere = "%1 ist kein gültiges XML, Meldung des XML-Parsers: \"%2\"";
const char* const ReasonEmptyDocument = "Das XML-Dokument ist leer.";
const char* const MsgInvalidName = "'%1' ist kein gültiger XML-Name.";

const char16_t PathDelimiter = u'/';
const char* const Indent = "  ";
const char* const XMLVersion = "1.0";
const char* const XMLEncoding = "UTF-8";

[[noreturn]] void Fail(const QString& Message) { throw Exception(Message.toStdString()); }

QString FromUtf8(const char* Message) { return QString::fromUtf8(Message); }

// Line breaks in attribute values come out of the file as single LF characters, also
// when the writer stored them as CR LF character references.
class TLineBreakNormalizer : public pugi::xml_tree_walker {
public:
  bool for_each(pugi::xml_node& Node) override {
    for (pugi::xml_attribute attribute : Node.attributes())
      if (std::strchr(attribute.value(), '\r')) {
        QByteArray value(attribute.value());
        attribute.set_value(value.replace("\r\n", "\n").replace('\r', '\n').constData());
      }
    return true;
  }
};

void SetAttribute(pugi::xml_node Node, const char* Name, const char* Value) {
  pugi::xml_attribute attribute = Node.attribute(Name);
  if (!attribute) attribute = Node.append_attribute(Name);
  attribute.set_value(Value);
}

// Whatever a loaded file declared, the document is held and saved as UTF-8.
void SetDeclaration(pugi::xml_document& Doc) {
  pugi::xml_node declaration = Doc.first_child();
  if (declaration.type() != pugi::node_declaration) declaration = Doc.prepend_child(pugi::node_declaration);
  SetAttribute(declaration, "version", XMLVersion);
  SetAttribute(declaration, "encoding", XMLEncoding);
}

// 1-based line and column (in characters) of a byte offset.
std::pair<qsizetype, qsizetype> LineAndColumn(const QByteArray& Bytes, qsizetype Offset) {
  const QByteArray before = Bytes.left(Offset);
  const qsizetype lineStart = before.lastIndexOf('\n') + 1;
  return {before.count('\n') + 1, QString::fromUtf8(before.mid(lineStart)).size() + 1};
}

// True when a failed parse names a place in the text; running out of memory names none.
bool HasPlace(const pugi::xml_parse_result& Result) {
  return Result.status != pugi::status_out_of_memory && Result.status != pugi::status_internal_error &&
         Result.status != pugi::status_io_error && Result.status != pugi::status_file_not_found;
}

// Why Bytes is no XML document: the place, where known, and the parser's detail.
QString NoXMLMessage(const QString& Source, const QByteArray& Bytes, const pugi::xml_parse_result& Result) {
  const QString detail = QString::fromUtf8(Result.description());
  if (!HasPlace(Result)) return FromUtf8(MsgNoXMLNowhere).arg(Source, detail);
  const auto [line, column] = LineAndColumn(Bytes, Result.offset);
  // One arg() call, so that a "%1" in a file name is not taken for a place holder.
  return FromUtf8(MsgNoXML).arg(Source, QString::number(line), QString::number(column), detail);
}

// An XML name: a letter, "_" or ":", then letters, digits, "_", ":", "-" or ".".
// pugixml writes any name, so an invalid one would make a file that cannot be read.
bool IsXMLName(const QString& Name) {
  if (Name.isEmpty()) return false;
  const auto isStart = [](QChar c) { return c.isLetter() || c == u'_' || c == u':'; };
  const auto isPart = [&](QChar c) {
    return isStart(c) || c.isDigit() || c == u'-' || c == u'.' || c.category() == QChar::Mark_NonSpacing;
  };
  return isStart(Name[0]) && std::all_of(Name.begin() + 1, Name.end(), isPart);
}

QByteArray CheckedName(const QString& Name) {
  if (!IsXMLName(Name)) Fail(FromUtf8(MsgInvalidName).arg(Name));
  return Name.toUtf8();
}

// The first child element of Node named Name, or none.
pugi::xml_node FirstChildElement(pugi::xml_node Node, const QByteArray& Name) {
  for (pugi::xml_node child : Node.children())
    if (child.type() == pugi::node_element && Name == child.name()) return child;
  return {};
}

// The names of Node and its ancestor elements, outermost first, joined by "/".
QString NodePath(pugi::xml_node Node) {
  QStringList names;
  for (; Node && Node.type() != pugi::node_document; Node = Node.parent())
    names.prepend(QString::fromUtf8(Node.name()));
  return names.join(PathDelimiter);
}
}  // namespace

void TqorXMLByteWriter::write(const void* Data, size_t Size) {
  FBytes.append(static_cast<const char*>(Data), static_cast<qsizetype>(Size));
}

void TqorXMLBaseDocument::CreateDocument(const QString& DocTypeName, const QString& NameSpace) {
  const QByteArray name = CheckedName(DocTypeName);
  FxmlDoc.reset();
  SetDeclaration(FxmlDoc);
  pugi::xml_node element = FxmlDoc.append_child(name.constData());
  if (!NameSpace.isEmpty()) element.append_attribute("xmlns").set_value(NameSpace.toUtf8().constData());
}

void TqorXMLBaseDocument::LoadFromFile(const QString& FileName) {
  FxmlDoc.reset();  // a file that cannot be read leaves the document empty, as a parse error does
  Parse(ReadWholeFile(FileName), pugi::encoding_auto, "Die Datei '" + QDir::toNativeSeparators(FileName) + "'");
}

void TqorXMLBaseDocument::SaveToFile(const QString& FileName) const {
  const QByteArray bytes = SavedText();
  if (bytes.isEmpty()) Fail(FileMessage(MsgCannotWriteFile, FileName, FromUtf8(ReasonEmptyDocument)));
  WriteWholeFile(FileName, bytes);
}

void TqorXMLBaseDocument::Parse(const QByteArray& Bytes, pugi::xml_encoding Encoding, const QString& Source) {
  const unsigned options = pugi::parse_default | pugi::parse_declaration;
  const pugi::xml_parse_result result = FxmlDoc.load_buffer(Bytes.constData(), Bytes.size(), options, Encoding);
  if (!result) {
    FxmlDoc.reset();
    Fail(NoXMLMessage(Source, Bytes, result));
  }
  TLineBreakNormalizer normalizer;
  FxmlDoc.traverse(normalizer);
  SetDeclaration(FxmlDoc);
}

QByteArray TqorXMLBaseDocument::SavedText() const {
  TqorXMLByteWriter writer;
  if (DocumentElement()) FxmlDoc.save(writer, Indent, pugi::format_indent, pugi::encoding_utf8);
  return writer.Bytes();
}

QString TqorXMLDocument::xmlText() const { return QString::fromUtf8(SavedText()); }

void TqorXMLDocument::setxmlText(const QString& Text) {
  Parse(Text.toUtf8(), pugi::encoding_utf8, QStringLiteral("Der XML-Text"));
}

pugi::xml_node TqorXMLBaseNode::ResolveStartNode(pugi::xml_node ParentNode) const {
  if (ParentNode) return ParentNode;
  if (FCurrentNode) return FCurrentNode;
  if (pugi::xml_node element = FDocument.DocumentElement()) return element;
  Fail(FromUtf8(MsgNoStartNode));
}

void TqorXMLBaseNode::CheckMissingNode(pugi::xml_node Node, const QString& Name, const char* Kind) const {
  if (FAllowMissingNodes) return;
  Fail(FromUtf8(MsgMissingNode).arg(FromUtf8(Kind), Name, NodePath(Node)));
}

pugi::xpath_node TqorXMLBaseNode::GetNodeByName(const QString& PathAndName, pugi::xml_node ParentNode) {
  const pugi::xml_node start = ResolveStartNode(ParentNode);
  const QStringList segments = PathAndName.split(PathDelimiter, Qt::SkipEmptyParts);
  pugi::xml_node search = start;
  for (qsizetype i = 0; i < segments.size(); ++i) {
    const QByteArray segment = segments[i].toUtf8();
    const bool last = i == segments.size() - 1;
    if (pugi::xml_attribute attribute = search.attribute(segment.constData()); last && attribute)
      return pugi::xpath_node(attribute, search);
    if (pugi::xml_node child = FirstChildElement(search, segment)) {
      search = child;
      if (last) {
        FCurrentNode = child;
        return pugi::xpath_node(child);
      }
    } else
      CheckMissingNode(start, PathAndName, KindPath);
  }
  return {};
}

pugi::xml_node TqorXMLBaseNode::GetNextChildNode(const QString& NodeName, pugi::xml_node ParentNode,
                                                 bool FromFirstNode) {
  const pugi::xml_node parent = ResolveStartNode(ParentNode);
  if (FromFirstNode || parent != FLastParentNode) {
    FLastNode = {};
    FLastParentNode = parent;
  }
  const QByteArray name = NodeName.toUtf8();
  for (pugi::xml_node child = FLastNode ? FLastNode.next_sibling() : parent.first_child(); child;
       child = child.next_sibling())
    if (child.type() == pugi::node_element && name == child.name()) {
      FLastNode = child;
      FCurrentNode = child;
      return child;
    }
  return {};
}

pugi::xml_attribute TqorXMLBaseNode::GetAttribute(const QString& Name, pugi::xml_node ParentNode) const {
  const pugi::xml_node start = ResolveStartNode(ParentNode);
  const pugi::xml_attribute attribute = start.attribute(Name.toUtf8().constData());
  if (!attribute) CheckMissingNode(start, Name, KindAttribute);
  return attribute;
}

TqorValue TqorXMLBaseNode::GetDTAttribute(const QString& Name, const TqorValue& Default, TqorDatatype DataType,
                                          pugi::xml_node ParentNode) const {
  const pugi::xml_attribute attribute = GetAttribute(Name, ParentNode);
  if (!attribute) return Default;
  const TqorValue value = ParseValue(QString::fromUtf8(attribute.value()), DataType);
  if (DataType != dtString) return value;
  return ReplaceAllText(ValueAsText(value, QString()), QStringLiteral("\n"), QStringLiteral("\r\n"));
}

TqorValue TqorXMLBaseNode::GetAttributeValue(const QString& Name, const TqorValue& Default,
                                             pugi::xml_node ParentNode) const {
  const pugi::xml_attribute attribute = GetAttribute(Name, ParentNode);
  return attribute ? TqorValue(QString::fromUtf8(attribute.value())) : Default;
}

pugi::xml_node TqorXMLBaseNode::CreateElement(const QString& Name, pugi::xml_node ParentNode) {
  const QByteArray name = CheckedName(Name);
  FCurrentNode = ResolveStartNode(ParentNode).append_child(name.constData());
  return FCurrentNode;
}

pugi::xml_attribute TqorXMLBaseNode::CreateAttribute(const QString& Name, const TqorValue& Value,
                                                     pugi::xml_node ParentNode) {
  const QByteArray name = CheckedName(Name);
  pugi::xml_node start = ResolveStartNode(ParentNode);
  const QByteArray text = FormatValue(Value).toUtf8();
  pugi::xml_attribute attribute = start.attribute(name.constData());
  if (!attribute) attribute = start.append_attribute(name.constData());
  attribute.set_value(text.constData());
  return attribute;
}
