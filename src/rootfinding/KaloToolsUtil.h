#pragma once
// Persistence bases of the tool's objects: everything that writes itself into an XML
// element and reads itself back derives from TKaloPersistentElement.

#include <QString>

class TKaloPersistentElement {
public:
  virtual ~TKaloPersistentElement() = default;
};

// A persistent object with an identifier and a display name.
class TKaloPersistentType : public TKaloPersistentElement {
public:
  // Draws a new identifier: a random GUID as 32 upper-case hexadecimal digits.
  TKaloPersistentType();

  const QString& ID() const { return FID; }
  const QString& Name() const { return FName; }
  void setName(const QString& value) { FName = value; }

protected:
  QString FID;
  QString FName;
};
