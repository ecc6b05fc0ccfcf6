#include "KaloToolsUtil.h"

#include "qorException.h"
#include "qorValue.h"
#include "qorXMLDoc.h"

#include <QDir>
#include <QFileInfo>

namespace {
const char* const AttrID = "ID";
const char* const AttrName = "Name";

const char* const MsgCannotOpen = "Die Datei '%1' kann nicht geöffnet werden: %2";
const char* const MsgCannotRead = "Die Datei '%1' kann nicht gelesen werden: %2";
const char* const MsgCannotWrite = "Die Datei '%1' kann nicht geschrieben werden: %2";
const char* const ReasonMissing = "Sie existiert nicht.";
const char* const ReasonFolder = "Das ist ein Verzeichnis.";
const char* const ReasonNoRegularFile = "Das ist keine gewöhnliche Datei.";
const char* const ReasonTooLarge = "Sie ist mit %1 Bytes zu groß (höchstens %2 Bytes).";

QString Shown(const QString& FileName) { return QDir::toNativeSeparators(FileName); }

[[noreturn]] void FailToOpen(const QString& FileName, const QString& Reason) {
  throw Exception(QString::fromUtf8(MsgCannotOpen).arg(Shown(FileName), Reason).toStdString());
}

// Refuses what cannot be a persistent object's file before any byte is read, so that
// a device, a folder or a huge file neither blocks nor fills the memory.
void CheckLoadableFile(const QString& FileName) {
  const QFileInfo info(FileName);
  if (!info.exists()) FailToOpen(FileName, QString::fromUtf8(ReasonMissing));
  if (info.isDir()) FailToOpen(FileName, QString::fromUtf8(ReasonFolder));
  if (!info.isFile()) FailToOpen(FileName, QString::fromUtf8(ReasonNoRegularFile));
  if (info.size() > MaxPersistentFileSize)
    FailToOpen(FileName, QString::fromUtf8(ReasonTooLarge).arg(info.size()).arg(MaxPersistentFileSize));
}
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

void SavePersistentElement(const QString& FileName, const QString& DocTypeName,
                           const TKaloPersistentElement& Element) {
  TqorXMLDocument document;
  document.CreateDocument(DocTypeName, QString());
  TqorXMLNode node(document);
  try {
    Element.WriteToElement(node);
  } catch (const EConvertError& e) {
    throw EConvertError(QString::fromUtf8(MsgCannotWrite).arg(Shown(FileName), QString::fromUtf8(e.what())).toStdString());
  }
  document.SaveToFile(FileName);
}

void LoadPersistentElement(const QString& FileName, TKaloPersistentElement& Element) {
  CheckLoadableFile(FileName);
  TqorXMLDocument document;
  document.LoadFromFile(FileName);
  TqorXMLNode node(document);
  node.setCurrentNode(document.DocumentElement());
  try {
    Element.ReadFromElement(node);
  } catch (const EConvertError& e) {
    throw EConvertError(QString::fromUtf8(MsgCannotRead).arg(Shown(FileName), QString::fromUtf8(e.what())).toStdString());
  }
}
