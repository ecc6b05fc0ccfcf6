#pragma once
// The XML layer over pugixml: a document that is created, loaded and saved, and a node
// object that walks a document by names and paths, keeps a current node between calls,
// reads attributes as typed values with defaults and creates elements and attributes.
// Values go into attributes in the locale-independent text forms of qorValue.h, so a
// file written on one machine reads the same on another.
//
// Node arguments and results are pugixml handles; a default-constructed handle means
// "none". Handles stay valid as long as their document exists and is not reloaded.

#include "qorValue.h"

#include <QByteArray>
#include <QString>

#include <pugixml.hpp>

// Collects what pugixml writes into a byte array.
class TqorXMLByteWriter : public pugi::xml_writer {
public:
  void write(const void* Data, size_t Size) override;
  // Everything written so far.
  const QByteArray& Bytes() const { return FBytes; }

private:
  QByteArray FBytes;
};

// Owns one DOM document. Created empty; CreateDocument or a load fills it.
class TqorXMLBaseDocument {
public:
  TqorXMLBaseDocument() = default;
  virtual ~TqorXMLBaseDocument() = default;
  TqorXMLBaseDocument(const TqorXMLBaseDocument&) = delete;
  TqorXMLBaseDocument& operator=(const TqorXMLBaseDocument&) = delete;

  // Replaces the content by the declaration (version "1.0", encoding "UTF-8") and an
  // empty document element DocTypeName, in the namespace NameSpace unless it is empty.
  void CreateDocument(const QString& DocTypeName, const QString& NameSpace);

  // Replaces the content by the parsed file (UTF-8 with or without byte-order mark, or
  // UTF-16 with one), read by ReadWholeFile. Line breaks in attribute values read as
  // single LF characters. File and parse errors raise Exception; after a failure the
  // document is empty.
  void LoadFromFile(const QString& FileName);

  // Writes the document as UTF-8 with its declaration, one element per line, indented
  // by depth, through WriteWholeFile (EInOutError when it fails). An empty document
  // raises Exception.
  void SaveToFile(const QString& FileName) const;

  // The document element, or none.
  pugi::xml_node DocumentElement() const { return FxmlDoc.document_element(); }

protected:
  // Replaces the content by the parsed Bytes; Source names them in error messages.
  void Parse(const QByteArray& Bytes, pugi::xml_encoding Encoding, const QString& Source);
  // The document as saved; empty when it has no document element.
  QByteArray SavedText() const;

  pugi::xml_document FxmlDoc;
};

// A document that can also be read and written as a whole text.
class TqorXMLDocument : public TqorXMLBaseDocument {
public:
  // The whole document as XML text, or the empty text when it has no document element.
  QString xmlText() const;
  // Replaces the content by the parsed Text; errors as LoadFromFile.
  void setxmlText(const QString& Text);
};

// Navigation and attribute access on a document, with a current node. Every ParentNode
// may be none: an operation then works on the current node, or, when there is none,
// on the document element; when neither exists it raises "TqorXMLBaseNode:
// Methodenaufruf nicht verfügbar, ParentNode ist nicht vorhanden.". A missing element
// or attribute yields none, or, with AllowMissingNodes false, raises "<Kind> '<Name>' in
// Pfad '<path>' wurde nicht gefunden.". Must not outlive its document.
class TqorXMLBaseNode {
public:
  explicit TqorXMLBaseNode(TqorXMLBaseDocument& Document) : FDocument(Document) {}
  virtual ~TqorXMLBaseNode() = default;
  TqorXMLBaseNode(const TqorXMLBaseNode&) = delete;
  TqorXMLBaseNode& operator=(const TqorXMLBaseNode&) = delete;

  // The node along a "/"-separated path: an attribute of that name for the last segment
  // if there is one, else the first child element of that name, which becomes current.
  // A missing segment is skipped (with AllowMissingNodes); empty segments are ignored.
  pugi::xpath_node GetNodeByName(const QString& PathAndName, pugi::xml_node ParentNode = {});

  // The next child element named NodeName of the start node, which becomes current;
  // FromFirstNode or a different start node begins again with the first child. After
  // the last match it returns none until restarted.
  pugi::xml_node GetNextChildNode(const QString& NodeName, pugi::xml_node ParentNode, bool FromFirstNode);

  // The attribute Name of the start node, or none.
  pugi::xml_attribute GetAttribute(const QString& Name, pugi::xml_node ParentNode = {}) const;

  // The attribute's text parsed as DataType (ParseValue: blank text gives null), or
  // Default when it is missing. For dtString every LF becomes CR LF and null the empty text.
  TqorValue GetDTAttribute(const QString& Name, const TqorValue& Default, TqorDatatype DataType,
                           pugi::xml_node ParentNode = {}) const;

  // The attribute's text unconverted, or Default when it is missing.
  TqorValue GetAttributeValue(const QString& Name, const TqorValue& Default, pugi::xml_node ParentNode = {}) const;

  // Appends a new child element to the start node; it becomes current.
  pugi::xml_node CreateElement(const QString& Name, pugi::xml_node ParentNode = {});

  // Adds the attribute Name with the text form of Value (FormatValue) after the start
  // node's other attributes; an existing attribute of that name takes the new value in
  // its place, since a name may occur only once. The current node does not change.
  pugi::xml_attribute CreateAttribute(const QString& Name, const TqorValue& Value, pugi::xml_node ParentNode = {});

protected:
  TqorXMLBaseDocument& Document() const { return FDocument; }
  pugi::xml_node CurrentNode() const { return FCurrentNode; }
  void setCurrentNode(pugi::xml_node Node) { FCurrentNode = Node; }
  bool AllowMissingNodes() const { return FAllowMissingNodes; }
  void setAllowMissingNodes(bool Allow) { FAllowMissingNodes = Allow; }

private:
  // ParentNode, else the current node, else the document element; raises when none exists.
  pugi::xml_node ResolveStartNode(pugi::xml_node ParentNode) const;
  // Raises the missing-node error unless missing nodes are allowed.
  void CheckMissingNode(pugi::xml_node Node, const QString& Name, const char* Kind) const;

  TqorXMLBaseDocument& FDocument;
  pugi::xml_node FLastNode;  // the child GetNextChildNode returned last, or none
  pugi::xml_node FCurrentNode;
  pugi::xml_node FLastParentNode;
  bool FAllowMissingNodes = true;
};

// The node object with its document, current node and missing-node switch public.
class TqorXMLNode : public TqorXMLBaseNode {
public:
  using TqorXMLBaseNode::AllowMissingNodes;
  using TqorXMLBaseNode::CurrentNode;
  using TqorXMLBaseNode::Document;
  using TqorXMLBaseNode::setAllowMissingNodes;
  using TqorXMLBaseNode::setCurrentNode;
  using TqorXMLBaseNode::TqorXMLBaseNode;
};
