#include "qorMemoryDataset.h"

#include "qorException.h"

#include <cmath>

namespace {
// Default display widths: the widest plain text of each kind.
constexpr int IntegerDisplayWidth = 11;  // -2147483648
constexpr int FloatDisplayWidth = 22;    // -1.23456789012345E+308
constexpr int BooleanDisplayWidth = 5;   // false

// Significant digits of a real's plain text.
constexpr int PlainTextDigits = 15;
// Digits between two group separators.
constexpr int GroupSize = 3;

const QString DefaultDisplayValues = QStringLiteral("true;false");

// ------------------------------------------------------------------ FormatFloat

// The number part of a FormatFloat format.
struct TFloatPattern {
  QString Prefix;
  QString Suffix;
  int MinIntegerDigits = 0;
  bool Grouping = false;
  int MinDecimals = 0;
  int MaxDecimals = 0;
  bool Exponent = false;
  QChar ExponentChar;
  bool ExponentSignAlways = false;
  int ExponentDigits = 0;
};

bool IsNumberChar(QChar C) { return C == u'0' || C == u'#' || C == u',' || C == u'.'; }

// Reads "E+000" and the like at Pos; Pos moves past it when there is one.
void ParseExponent(const QString& Format, qsizetype& Pos, TFloatPattern& Pattern) {
  const qsizetype n = Format.size();
  if (Pos + 2 >= n || (Format[Pos] != u'E' && Format[Pos] != u'e')) return;
  if ((Format[Pos + 1] != u'+' && Format[Pos + 1] != u'-') || Format[Pos + 2] != u'0') return;
  Pattern.Exponent = true;
  Pattern.ExponentChar = Format[Pos];
  Pattern.ExponentSignAlways = Format[Pos + 1] == u'+';
  for (Pos += 2; Pos < n && Format[Pos] == u'0'; ++Pos) ++Pattern.ExponentDigits;
}

TFloatPattern ParsePattern(const QString& Format) {
  TFloatPattern pattern;
  qsizetype pos = 0;
  while (pos < Format.size() && !IsNumberChar(Format[pos])) ++pos;
  pattern.Prefix = Format.left(pos);
  bool fraction = false;
  for (; pos < Format.size() && IsNumberChar(Format[pos]); ++pos) {
    const QChar c = Format[pos];
    if (c == u'.') {
      fraction = true;
    } else if (c == u',') {
      pattern.Grouping = pattern.Grouping || !fraction;
    } else if (fraction) {
      ++pattern.MaxDecimals;
      if (c == u'0') pattern.MinDecimals = pattern.MaxDecimals;
    } else if (c == u'0') {
      ++pattern.MinIntegerDigits;
    }
  }
  ParseExponent(Format, pos, pattern);
  pattern.Suffix = Format.mid(pos);
  return pattern;
}

QString Grouped(QString Digits, const QLocale& Locale) {
  for (qsizetype pos = Digits.size() - GroupSize; pos > 0; pos -= GroupSize)
    Digits.insert(pos, Locale.groupSeparator());
  return Digits;
}

// Integer and fraction digits (as "123.4500" gives them) shaped by the pattern.
QString ComposeNumber(const TFloatPattern& Pattern, const QString& Digits, const QLocale& Locale) {
  const qsizetype dot = Digits.indexOf(u'.');
  QString integer = dot < 0 ? Digits : Digits.left(dot);
  QString fraction = dot < 0 ? QString() : Digits.mid(dot + 1);
  while (fraction.size() > Pattern.MinDecimals && fraction.endsWith(u'0')) fraction.chop(1);
  if (integer == u"0" && Pattern.MinIntegerDigits == 0) integer.clear();
  integer = integer.rightJustified(Pattern.MinIntegerDigits, u'0');
  if (Pattern.Grouping) integer = Grouped(integer, Locale);
  return fraction.isEmpty() ? integer : integer + Locale.decimalPoint() + fraction;
}

QString ScientificNumber(const TFloatPattern& Pattern, double Magnitude, const QLocale& Locale) {
  const QString digits = QString::number(Magnitude, 'e', Pattern.MaxDecimals);
  const qsizetype e = digits.indexOf(u'e');
  const int exponent = digits.mid(e + 1).toInt();
  const QString sign = exponent < 0 ? QStringLiteral("-")
                                    : (Pattern.ExponentSignAlways ? QStringLiteral("+") : QString());
  return ComposeNumber(Pattern, digits.left(e), Locale) + Pattern.ExponentChar + sign +
         QString::number(std::abs(exponent)).rightJustified(Pattern.ExponentDigits, u'0');
}

bool HasNonZeroDigit(const QString& Text) {
  for (QChar c : Text)
    if (c >= u'1' && c <= u'9') return true;
  return false;
}

// Text cut to Size characters (no limit for 0), never inside a surrogate pair.
QString CutText(QString Text, int Size) {
  if (Size <= 0 || Text.size() <= Size) return Text;
  Text.truncate(Size);
  if (Text.back().isHighSurrogate()) Text.chop(1);
  return Text;
}

int DefaultDisplayWidth(TqorFieldType DataType, int Size) {
  switch (DataType) {
    case ftInteger:
      return IntegerDisplayWidth;
    case ftFloat:
      return FloatDisplayWidth;
    case ftBoolean:
      return BooleanDisplayWidth;
    case ftString:
      return Size;
  }
  return Size;
}
}  // namespace

QString FormatFloat(const QString& Format, double Value, const QLocale& Locale) {
  if (std::isnan(Value)) return QStringLiteral("NAN");
  if (std::isinf(Value)) return Value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
  const TFloatPattern pattern = ParsePattern(Format);
  const double magnitude = std::fabs(Value);
  const QString number = pattern.Exponent
                             ? ScientificNumber(pattern, magnitude, Locale)
                             : ComposeNumber(pattern, QString::number(magnitude, 'f', pattern.MaxDecimals), Locale);
  // A value that rounds to zero shows no sign.
  const bool negative = Value < 0 && HasNonZeroDigit(number);
  return pattern.Prefix + (negative ? QStringLiteral("-") : QString()) + number + pattern.Suffix;
}

// -------------------------------------------------------------------- TqorField

TqorField::TqorField(TqorMemoryDataset& DataSet, int Index, const QString& FieldName, TqorFieldType DataType, int Size,
                     bool Required)
    : FDataSet(DataSet),
      FIndex(Index),
      FFieldName(FieldName),
      FDataType(DataType),
      FSize(DataType == ftString ? Size : 0),
      FRequired(Required),
      FDisplayWidth(DefaultDisplayWidth(DataType, FSize)),
      FAlignment(DataType == ftInteger || DataType == ftFloat ? Qt::AlignRight : Qt::AlignLeft),
      FDisplayValues(DefaultDisplayValues) {}

QVariant TqorField::Value() const {
  const std::vector<QVariant>* values = FDataSet.CurrentValues();
  return values ? (*values)[FIndex] : QVariant();
}

QVariant TqorField::ValueAt(int Row) const {
  if (Row < 0 || Row >= FDataSet.RecordCount()) return {};
  return FDataSet.FRows[Row][FIndex];
}

void TqorField::setValue(const QVariant& value) {
  std::vector<QVariant>& row = FDataSet.EditValues();
  row[FIndex] = Converted(value);
}

void TqorField::setTyped(TqorFieldType Type, QVariant Value) {
  if (Type != FDataType) return setValue(Value);
  FDataSet.EditValues()[FIndex].swap(Value);  // a move would destroy two values out of line
}

void TqorField::setAsString(const QString& value) {
  if (FDataType != ftString) return setValue(value);
  QVariant text(CutText(value, FSize));
  FDataSet.EditValues()[FIndex].swap(text);
}

QVariant TqorField::Converted(const QVariant& Value) const {
  if (!Value.isValid()) return {};
  bool ok = false;
  switch (FDataType) {
    case ftInteger: {
      const int number = Value.toInt(&ok);
      if (ok) return number;
      break;
    }
    case ftFloat: {
      const double number = Value.toDouble(&ok);
      if (ok) return number;
      break;
    }
    case ftBoolean:
      if (Value.typeId() == QMetaType::Bool) return Value;
      break;
    case ftString:
      return CutText(Value.toString(), FSize);
  }
  FDataSet.Fail(QStringLiteral("'%1' ist kein gültiger Wert für das Feld '%2'.").arg(Value.toString(), FFieldName));
}

QString TqorField::TextOf(const QVariant& Value, bool DisplayText) const {
  return FOnGetText ? FOnGetText(*this, Value, DisplayText) : StandardText(Value, DisplayText);
}

QString TqorField::StandardText(const QVariant& Value, bool DisplayText) const {
  if (!Value.isValid()) return {};
  const bool formatted = DisplayText && !FDisplayFormat.isEmpty();
  switch (FDataType) {
    case ftInteger:
      return formatted ? FormatFloat(FDisplayFormat, Value.toInt()) : QString::number(Value.toInt());
    case ftFloat:
      return formatted ? FormatFloat(FDisplayFormat, Value.toDouble())
                       : QString::number(Value.toDouble(), 'g', PlainTextDigits)
                             .replace(u'.', QLocale().decimalPoint())
                             .toUpper();
    case ftBoolean:
      return BooleanText(Value.toBool());
    case ftString:
      return Value.toString();
  }
  return {};
}

QString TqorField::BooleanText(bool Value) const {
  const qsizetype separator = FDisplayValues.indexOf(u';');
  if (separator < 0) return Value ? FDisplayValues : QString();
  return Value ? FDisplayValues.left(separator) : FDisplayValues.mid(separator + 1);
}

// ------------------------------------------------------------ TqorMemoryDataset

TqorMemoryDataset::TqorMemoryDataset(QObject* Parent) : QObject(Parent) {}

TqorMemoryDataset::~TqorMemoryDataset() = default;

void TqorMemoryDataset::Fail(const QString& Message) const { throw EDatabaseError(Message.toStdString()); }

TqorField* TqorMemoryDataset::AddFieldDef(const QString& Name, TqorFieldType DataType, int Size, bool Required) {
  if (FActive)
    Fail(QStringLiteral("Die Tabelle %1 ist geöffnet: Felder werden vor dem Öffnen festgelegt.").arg(objectName()));
  if (FindField(Name)) Fail(QStringLiteral("Die Tabelle %1 hat schon ein Feld '%2'.").arg(objectName(), Name));
  FFields.push_back(std::make_unique<TqorField>(*this, FieldCount(), Name, DataType, Size, Required));
  return FFields.back().get();
}

TqorField* TqorMemoryDataset::FindField(const QString& Name) const {
  for (const auto& field : FFields)
    if (field->FieldName().compare(Name, Qt::CaseInsensitive) == 0) return field.get();
  return nullptr;
}

TqorField& TqorMemoryDataset::FieldByName(const QString& Name) const {
  TqorField* field = FindField(Name);
  if (!field) Fail(QStringLiteral("Die Tabelle %1 hat kein Feld '%2'.").arg(objectName(), Name));
  return *field;
}

void TqorMemoryDataset::Open() {
  if (!FActive) ResetContent(true);
}

void TqorMemoryDataset::Close() {
  if (FActive) ResetContent(false);
}

void TqorMemoryDataset::ResetContent(bool Active) {
  if (!ControlsDisabled()) emit DataSetAboutToChange();
  FRows.clear();
  FAppendRow.clear();
  FAppending = false;
  FEof = true;
  FRecNo = -1;
  FActive = Active;
  ++FGeneration;
  if (!ControlsDisabled()) emit DataSetChanged();
}

void TqorMemoryDataset::Append() {
  RequireActive();
  if (FAppending) Post();
  // Constructed empty, not copied from an empty value: Qt copies a QVariant out of line.
  FAppendRow.clear();
  FAppendRow.resize(FFields.size());
  FAppending = true;
}

void TqorMemoryDataset::Post() {
  RequirePostable();
  const int row = RecordCount();
  if (!ControlsDisabled()) emit RecordAboutToBeAppended(row);
  FRows.push_back(std::move(FAppendRow));
  FAppendRow.clear();
  FAppending = false;
  FRecNo = row;
  FEof = false;
  if (ControlsDisabled()) return;
  emit RecordAppended(row);
  emit CurrentRowChanged(row);
}

void TqorMemoryDataset::RequirePostable() const {
  if (!FAppending) Fail(QStringLiteral("Die Tabelle %1 ist nicht im Einfügemodus.").arg(objectName()));
  for (const auto& field : FFields)
    if (field->Required() && !FAppendRow[field->Index()].isValid())
      Fail(QStringLiteral("Feld '%1' muss einen Wert haben.").arg(field->FieldName()));
}

void TqorMemoryDataset::RequireActive() const {
  if (!FActive) Fail(QStringLiteral("Die Tabelle %1 ist nicht geöffnet.").arg(objectName()));
}

const std::vector<QVariant>* TqorMemoryDataset::CurrentValues() const {
  if (FAppending) return &FAppendRow;
  return FRecNo >= 0 ? &FRows[FRecNo] : nullptr;
}

std::vector<QVariant>& TqorMemoryDataset::EditValues() {
  if (!FAppending) Fail(QStringLiteral("Die Tabelle %1 ist nicht im Einfügemodus.").arg(objectName()));
  return FAppendRow;
}

void TqorMemoryDataset::BrowseMode() {
  RequireActive();
  if (FAppending) Post();
}

void TqorMemoryDataset::MoveTo(int Row, bool AtEnd) {
  FEof = AtEnd || Row < 0;
  if (Row == FRecNo) return;
  FRecNo = Row;
  if (!ControlsDisabled()) emit CurrentRowChanged(Row);
}

void TqorMemoryDataset::setRecNo(int Row) {
  BrowseMode();
  if (Row < 0 || Row >= RecordCount())
    Fail(QStringLiteral("Die Tabelle %1 hat keinen Datensatz %2.").arg(objectName()).arg(Row));
  MoveTo(Row, false);
}

void TqorMemoryDataset::First() {
  BrowseMode();
  MoveTo(RecordCount() > 0 ? 0 : -1, false);
}

void TqorMemoryDataset::Next() {
  BrowseMode();
  const bool last = FRecNo + 1 >= RecordCount();
  MoveTo(last ? FRecNo : FRecNo + 1, last);
}

bool TqorMemoryDataset::BookmarkValid(const TqorBookmark& Bookmark) const {
  if (!FActive || Bookmark.Generation != FGeneration) return false;
  if (Bookmark.Row < 0) return RecordCount() == 0;
  return Bookmark.Row < RecordCount();
}

void TqorMemoryDataset::GotoBookmark(const TqorBookmark& Bookmark) {
  BrowseMode();
  if (!BookmarkValid(Bookmark))
    Fail(QStringLiteral("Das Lesezeichen gehört nicht zum Inhalt der Tabelle %1.").arg(objectName()));
  MoveTo(Bookmark.Row, false);
}

void TqorMemoryDataset::EnableControls() {
  if (FDisableCount == 0 || --FDisableCount > 0) return;
  emit DataSetAboutToChange();
  emit DataSetChanged();
}
