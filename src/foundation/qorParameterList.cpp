#include "qorParameterList.h"

#include <algorithm>

namespace {
// a-z count as A-Z; every other character compares by its code.
char16_t UpperAscii(QChar c) {
  const char16_t u = c.unicode();
  return (u >= u'a' && u <= u'z') ? static_cast<char16_t>(u - (u'a' - u'A')) : u;
}

int CompareTextAscii(const QString& a, const QString& b) {
  const qsizetype n = std::min(a.size(), b.size());
  for (qsizetype i = 0; i < n; ++i) {
    const int diff = int(UpperAscii(a[i])) - int(UpperAscii(b[i]));
    if (diff != 0) return diff;
  }
  return int(a.size() - b.size());
}
}  // namespace

int TqorParameterList::CompareObjects(const TqorObject* Obj1, const TqorObject* Obj2) const {
  if (!Obj1 || !Obj2) return TqorObjectList::CompareObjects(Obj1, Obj2);
  return CompareTextAscii(static_cast<const TqorParameter*>(Obj1)->Name, static_cast<const TqorParameter*>(Obj2)->Name);
}

void TqorParameterList::SetValue(const QString& Name, const QVariant& Value) {
  auto parameter = std::make_unique<TqorParameter>();
  parameter->Name = Name;
  const int i = Search(parameter.get(), false);
  if (i >= 0) {
    Items(i)->Value = Value;
    return;
  }
  parameter->Value = Value;
  Add(std::move(parameter));
}
