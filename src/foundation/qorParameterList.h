#pragma once
// Named parameters: the variables a report receives and similar name/value sets.

#include "qorList.h"

#include <QString>
#include <QVariant>

// A named value: empty, number, text, boolean or date.
class TqorParameter : public TqorObject {
public:
  QString Name;
  QVariant Value;
};

// Named parameters, compared by name with letters a-z equal to A-Z.
class TqorParameterList : public TqorTypedObjectList<TqorParameter> {
public:
  // Compares the names: a-z equal A-Z, other characters by code.
  int CompareObjects(const TqorObject* Obj1, const TqorObject* Obj2) const override;
  // Sets the value of the parameter Name (case-insensitive), appending one when there is
  // none; an existing parameter keeps the spelling of its name.
  void SetValue(const QString& Name, const QVariant& Value);
};
