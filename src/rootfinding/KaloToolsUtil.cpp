#include "KaloToolsUtil.h"

#include "qorException.h"
#include "qorFileIO.h"
#include "qorValue.h"
#include "qorXMLDoc.h"

namespace {
const char* const AttrID = "ID";
const char* const AttrName = "Name";

const char* const MsgCannotRead = "Die Datei '%1' kann nicht gelesen werden: %2";
}  // namespace

TKaloPersistentType::TKaloPersistentType() : FID(NewIdentifierText()) {}

void TKaloPersistentType::WriteToElement(TqorXMLNode& Elem) const {
  Elem.CreateAttribute(AttrID, FID);
  Elem.CreateAttribute(AttrName, FName);
}

void TKaloPersistentType::ReadFromElement(TqorXMLNode& Elem) {
  FID = FormatValue(Elem.GetDTAttribute(AttrID, FID, dtString));
  FName = FormatValue(Elem.GetDTAttribute(AttrName, FName, dtString));
}

void SavePersistentElement(const QString& FileName, const QString& DocTypeName, const TKaloPersistentElement& Element) {
  TqorXMLDocument document;
  document.CreateDocument(DocTypeName, QString());
  TqorXMLNode node(document);
  try {
    Element.WriteToElement(node);
  } catch (const EConvertError& e) {
    throw EConvertError(FileMessage(MsgCannotWriteFile, FileName, QString::fromUtf8(e.what())).toStdString());
  }
  document.SaveToFile(FileName);
}

void LoadPersistentElement(const QString& FileName, TKaloPersistentElement& Element) {
  // Refused here with our own reasons, also for a missing file, before the document reads it.
  if (const std::optional<QString> reason = UnreadableFileReason(FileName, MaxReadFileSize))
    throw Exception(FileMessage(MsgCannotOpenFile, FileName, *reason).toStdString());
  TqorXMLDocument document;
  document.LoadFromFile(FileName);
  TqorXMLNode node(document);
  node.setCurrentNode(document.DocumentElement());
  try {
    Element.ReadFromElement(node);
  } catch (const EConvertError& e) {
    throw EConvertError(FileMessage(MsgCannotRead, FileName, QString::fromUtf8(e.what())).toStdString());
  }
}
