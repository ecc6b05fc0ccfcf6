#include "qorAppWinStorage.h"

#include <QStringList>

#include <cstring>
#include <optional>

namespace {

const QString kTrueText = QStringLiteral("TRUE");
const QString kFalseText = QStringLiteral("FALSE");
// The texts a stored boolean may have, compared in upper case.
const QStringList kTrueTexts = {kTrueText, QStringLiteral("YES"), QStringLiteral("Y")};
const QStringList kFalseTexts = {kFalseText, QStringLiteral("NO"), QStringLiteral("N")};

// The bytes of an Extended that hold its value: 64-bit significand, exponent and sign.
constexpr qsizetype kExtendedBytes = 10;
static_assert(sizeof(Extended) >= kExtendedBytes);

bool IsTextKind(TqorDatatype Kind) {
  return Kind != dtInteger && Kind != dtBoolean && Kind != dtFloat && Kind != dtDateTime;
}

std::optional<TqorValue> TextAsBool(const QString& Text) {
  const QString upper = Text.toUpper();
  if (kTrueTexts.contains(upper)) return TqorValue(true);
  if (kFalseTexts.contains(upper)) return TqorValue(false);
  return std::nullopt;
}

std::optional<TqorValue> BytesAsFloat(const QByteArray& Bytes) {
  if (Bytes.size() != kExtendedBytes) return std::nullopt;
  Extended x = 0;
  std::memcpy(&x, Bytes.constData(), kExtendedBytes);
  return TqorValue(x);
}

QByteArray FloatAsBytes(Extended X) { return QByteArray(reinterpret_cast<const char*>(&X), kExtendedBytes); }

std::optional<TqorValue> TextAsDateTime(const QString& Text) {
  if (Text.trimmed().isEmpty()) return std::nullopt;
  try {
    return TqorValue(ISOTextToDateTime(Text));
  } catch (const EConvertError&) {
    return std::nullopt;
  }
}

QString DateTimeAsText(const QDateTime& DT) {
  return DT.time() == QTime(0, 0) ? DateToISOText(DT) : DateTimeToISOText(DT);
}

// The stored value read as a value of Kind; none when it is of another kind or its
// content is not a value of Kind.
std::optional<TqorValue> Decode(TqorDatatype Kind, const TqorRegistryValue& Stored) {
  const QString* text = std::get_if<QString>(&Stored);
  switch (Kind) {
    case dtInteger:
      if (const qint32* integer = std::get_if<qint32>(&Stored)) return TqorValue(*integer);
      return std::nullopt;
    case dtBoolean:
      return text ? TextAsBool(*text) : std::nullopt;
    case dtFloat:
      if (const QByteArray* bytes = std::get_if<QByteArray>(&Stored)) return BytesAsFloat(*bytes);
      return std::nullopt;
    case dtDateTime:
      return text ? TextAsDateTime(*text) : std::nullopt;
    default:
      return text ? std::optional<TqorValue>(TqorValue(*text)) : std::nullopt;
  }
}

TqorRegistryValue Encode(const TqorValue& Value) {
  switch (DatatypeOf(Value)) {
    case dtInteger:
      return qint32(ValueAsInteger(Value, 0));
    case dtBoolean:
      return *Value.get<bool>() ? kTrueText : kFalseText;
    case dtFloat:
      return FloatAsBytes(ValueAsFloat(Value, 0));
    case dtDateTime:
      return DateTimeAsText(*Value.get<QDateTime>());
    default:
      return ValueAsText(Value, QString());
  }
}

}  // namespace

TqorAppWinStorage::TqorAppWinStorage() : FRegistry(TqorIniRegistry::UserFileName()) {
  SetStorageLocation(StorageLocation());
}

void TqorAppWinStorage::SetStorageLocation(TqorAppStorageLocations Locations) {
  TqorAppStorageBase::SetStorageLocation(Locations);
  const bool machineWide = FHKLMEnabled && Locations.Contains(aslMachine);
  FRegistry.setFileName(machineWide ? TqorIniRegistry::MachineFileName() : TqorIniRegistry::UserFileName());
}

void TqorAppWinStorage::Assign(const TqorAppStorageBase& Source) {
  if (const auto* source = dynamic_cast<const TqorAppWinStorage*>(&Source)) FHKLMEnabled = source->FHKLMEnabled;
  TqorAppStorageBase::Assign(Source);
}

QString TqorAppWinStorage::KeyOf(const QString& SubKey) const {
  return SubKey.isEmpty() ? StorageLocationKey() : StorageLocationKey() + PathDelim + SubKey;
}

TqorValue TqorAppWinStorage::ReadValue(const QString& SubKey, const QString& Name, const TqorValue& Default) {
  const TqorDatatype kind = DatatypeOf(Default);
  const TqorValue fallback = IsTextKind(kind) ? TqorValue(ValueAsText(Default, QString())) : Default;
  const std::optional<TqorRegistryValue> stored = FRegistry.ReadValue(KeyOf(SubKey), Name);
  if (!stored) return fallback;
  return Decode(kind, *stored).value_or(fallback);
}

void TqorAppWinStorage::WriteValue(const QString& SubKey, const QString& Name, const TqorValue& Value) {
  FRegistry.WriteValue(KeyOf(SubKey), Name, Encode(Value));
}
