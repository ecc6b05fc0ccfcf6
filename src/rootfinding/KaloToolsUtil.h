#pragma once
// Persistence bases of the tool's objects: everything that writes itself into an XML
// element and reads itself back derives from TKaloPersistentElement, and the two
// procedures that save such an object as an XML file and read it back.

#include "qorFileIO.h"

#include <QString>

class TqorXMLNode;

class TKaloPersistentElement {
public:
  virtual ~TKaloPersistentElement() = default;

  // Writes the object into the node's current element (the document element when
  // there is none).
  virtual void WriteToElement(TqorXMLNode& Elem) const = 0;
  // Reads the object back from the node's current element (or the document element);
  // a missing attribute leaves its field as it is.
  virtual void ReadFromElement(TqorXMLNode& Elem) = 0;
};

// A persistent object with an identifier and a display name.
class TKaloPersistentType : public TKaloPersistentElement {
public:
  // Draws a new identifier: a random GUID as 32 upper-case hexadecimal digits.
  TKaloPersistentType();

  const QString& ID() const { return FID; }
  const QString& Name() const { return FName; }
  void setName(const QString& value) { FName = value; }

  // The attributes ID and Name, in this order.
  void WriteToElement(TqorXMLNode& Elem) const override;
  // ID and Name; an identifier is replaced only here.
  void ReadFromElement(TqorXMLNode& Elem) override;

protected:
  QString FID;
  QString FName;
};

// Creates a document with the document element DocTypeName, lets Element write itself
// into it and saves it as FileName (UTF-8, replaced atomically). Write errors raise
// Exception, a value that the file cannot hold EConvertError; both name the file, and
// an existing file stays as it was.
void SavePersistentElement(const QString& FileName, const QString& DocTypeName, const TKaloPersistentElement& Element);

// Loads FileName and lets Element read itself from the document element, whatever its
// name. The file is only read. A missing file, a folder,
// a file that is no regular file, larger than MaxReadFileSize or not well-formed
// XML raise Exception; a value of the wrong kind raises EConvertError; every message
// names the file.
void LoadPersistentElement(const QString& FileName, TKaloPersistentElement& Element);
