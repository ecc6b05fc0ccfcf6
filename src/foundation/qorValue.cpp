#include "qorValue.h"

#include "qorException.h"
#include "qorFloatFaults.h"
#include "qorStrUtils.h"

#include <QUuid>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace {
const char* const MsgNoBoolean = "Text '%1' kann nicht als Boolean interpretiert werden.";
const char* const MsgNoInteger = "'%1' ist kein gültiger Integerwert.";
const char* const MsgNoFloat = "'%1' ist kein gültiger Gleitkommawert.";
const char* const MsgNoDateTime = "'%1' ist kein gültiger Wert für Datum und Uhrzeit.";
const char* const MsgDateOutOfRange = "Datum und Uhrzeit müssen gültig sein und in den Jahren 1 bis 9999 liegen.";

// The real form: one digit before the full stop, the others after it; the exponent
// has at least three digits.
constexpr int MinExponentDigits = 3;

// Date and time parts are 16-bit numbers; larger ones are refused, not wrapped.
constexpr qint64 MaxDateTimePart = 65535;
constexpr int MinYear = 1;
constexpr int MaxYear = 9999;
// The zero of date-times, which a text without a date part yields.
constexpr int ZeroYear = 1899, ZeroMonth = 12, ZeroDay = 30;

// An exponent beyond any Extended is kept at this size instead of overflowing.
constexpr qint64 ExponentCap = 1'000'000'000'000'000;

// A message quotes only the start of a long text: a file's attribute may hold megabytes.
[[noreturn]] void Fail(const char* Message, const QString& Text) {
  throw EConvertError(QString::fromUtf8(Message).arg(TextExcerpt(Text)).toStdString());
}

bool IsBlank(QChar C) { return C.unicode() <= u' '; }
bool IsDigit(QChar C) { return C >= u'0' && C <= u'9'; }
bool IsBlankText(QStringView Text) { return std::all_of(Text.begin(), Text.end(), IsBlank); }

// A decimal number as read from text, before conversion.
struct TDecimal {
  bool Negative = false;
  std::string Whole, Fraction;  // ASCII digits
  qint64 Exponent = 0;          // capped at ExponentCap

  bool IsZero() const { return (Whole + Fraction).find_first_not_of('0') == std::string::npos; }
  // The power of ten of the leading non-zero digit (the number must not be zero).
  qint64 LeadingPower() const {
    const std::string digits = Whole + Fraction;
    const qint64 lead = static_cast<qint64>(digits.find_first_not_of('0'));
    return Exponent + static_cast<qint64>(Whole.size()) - 1 - lead;
  }
  // The number in the form std::from_chars reads.
  std::string Ascii() const {
    std::string s = Negative ? "-" : "";
    s += Whole.empty() ? "0" : Whole;
    if (!Fraction.empty()) s.append(1, '.').append(Fraction);
    if (Exponent != 0) s.append(1, 'e').append(std::to_string(Exponent));
    return s;
  }
};

// Reads ASCII digits at Pos.
std::string ReadDigits(QStringView Text, qsizetype& Pos) {
  std::string digits;
  for (; Pos < Text.size() && IsDigit(Text[Pos]); ++Pos) digits += static_cast<char>(Text[Pos].unicode());
  return digits;
}

// Reads an optional sign at Pos; true for a minus sign.
bool ReadSign(QStringView Text, qsizetype& Pos) {
  if (Pos >= Text.size() || (Text[Pos] != u'+' && Text[Pos] != u'-')) return false;
  return Text[Pos++] == u'-';
}

qint64 CappedNumber(const std::string& Digits) {
  qint64 n = 0;
  for (char d : Digits) n = std::min(ExponentCap, n * 10 + (d - '0'));
  return n;
}

// The number in Text: blanks, sign, digits, and for reals an optional fraction and
// exponent, blanks. Nothing when Text has any other form.
std::optional<TDecimal> ScanDecimal(QStringView Text, bool Real) {
  TDecimal d;
  qsizetype pos = 0;
  while (pos < Text.size() && IsBlank(Text[pos])) ++pos;
  d.Negative = ReadSign(Text, pos);
  d.Whole = ReadDigits(Text, pos);
  if (Real && pos < Text.size() && Text[pos] == u'.') d.Fraction = ReadDigits(Text, ++pos);
  if (d.Whole.empty() && d.Fraction.empty()) return std::nullopt;
  if (Real && pos < Text.size() && (Text[pos] == u'E' || Text[pos] == u'e')) {
    const bool negative = ReadSign(Text, ++pos);
    const std::string digits = ReadDigits(Text, pos);
    if (digits.empty()) return std::nullopt;
    d.Exponent = negative ? -CappedNumber(digits) : CappedNumber(digits);
  }
  while (pos < Text.size() && IsBlank(Text[pos])) ++pos;
  if (pos != Text.size()) return std::nullopt;
  return d;
}

std::optional<qint64> TryTextToInteger(QStringView Text) {
  const auto d = ScanDecimal(Text, false);
  if (!d) return std::nullopt;
  const std::string s = d->Ascii();
  qint64 n = 0;
  if (std::from_chars(s.data(), s.data() + s.size(), n).ec != std::errc()) return std::nullopt;
  return n;
}

std::optional<Extended> TryExpTextToFloat(QStringView Text) {
  const auto d = ScanDecimal(Text, true);
  if (!d) return std::nullopt;
  if (d->IsZero()) return d->Negative ? -0.0L : 0.0L;
  // The parse may set overflow or underflow flags that are no fault of the caller.
  TFloatEnvGuard guard;
  const std::string s = d->Ascii();
  Extended x = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), x);
  if (ec == std::errc()) return x;
  if (ec == std::errc::result_out_of_range && d->LeadingPower() < 0) return d->Negative ? -0.0L : 0.0L;
  return std::nullopt;
}

std::optional<double> TryExpTextToDouble(QStringView Text) {
  const auto d = ScanDecimal(Text, true);
  if (!d) return std::nullopt;
  const double sign = d->Negative ? -1.0 : 1.0;
  if (d->IsZero()) return sign * 0.0;
  // The parse may set overflow or underflow flags that are no fault of the caller.
  TFloatEnvGuard guard;
  const std::string s = d->Ascii();
  double x = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), x);
  if (ec == std::errc()) return x;
  if (ec == std::errc::result_out_of_range)
    return sign * (d->LeadingPower() < 0 ? 0.0 : std::numeric_limits<double>::infinity());
  return std::nullopt;
}

qint64 TextToInteger(const QString& Text) {
  const auto n = TryTextToInteger(Text);
  if (!n) Fail(MsgNoInteger, Text);
  return *n;
}

// A date or time part: a decimal number from 0 to 65535; text that is no number
// counts as 0.
int ReadDateTimePart(const QString& Part, const QString& Text) {
  const auto d = ScanDecimal(Part, false);
  if (!d) return 0;
  const auto n = TryTextToInteger(Part);
  if (!n || *n < 0 || *n > MaxDateTimePart) Fail(MsgNoDateTime, Text);
  return static_cast<int>(*n);
}

QDate ReadISODate(const QString& DatePart, const QString& Text) {
  const TqorCharSet hyphen(u"-");
  const int year = ReadDateTimePart(GetWord(1, DatePart, hyphen), Text);
  const int month = ReadDateTimePart(GetWord(2, DatePart, hyphen), Text);
  const int day = ReadDateTimePart(GetWord(3, DatePart, hyphen), Text);
  if (year < MinYear || year > MaxYear || !QDate::isValid(year, month, day)) Fail(MsgNoDateTime, Text);
  return QDate(year, month, day);
}

QTime ReadISOTime(const QString& TimePart, const QString& Text) {
  const TqorCharSet stop(u"."), colon(u":");
  const QString hms = GetWord(1, TimePart, stop);
  const int hour = ReadDateTimePart(GetWord(1, hms, colon), Text);
  const int minute = ReadDateTimePart(GetWord(2, hms, colon), Text);
  const int second = ReadDateTimePart(GetWord(3, hms, colon), Text);
  const int msec = ReadDateTimePart(GetWord(2, TimePart, stop), Text);
  if (!QTime::isValid(hour, minute, second, msec)) Fail(MsgNoDateTime, Text);
  return QTime(hour, minute, second, msec);
}

// The text of a value that does not convert, for the message.
QString Quoted(const TqorValue& V) { return V.get<QString>() ? *V.get<QString>() : FormatValue(V); }
}  // namespace

TqorValue TqorValue::Null() {
  TqorValue v;
  v.FData = TNull();
  return v;
}

TqorValue::TqorValue(const QDateTime& DT) {
  if (DT.isValid())
    FData = DT;
  else
    FData = TNull();
}

QString BoolToText(bool B) { return B ? QStringLiteral("true") : QStringLiteral("false"); }

bool TextToBool(const QString& Text) {
  if (Text.compare(u"true", Qt::CaseInsensitive) == 0 || Text == u"1") return true;
  if (Text.compare(u"false", Qt::CaseInsensitive) == 0 || Text == u"0") return false;
  Fail(MsgNoBoolean, Text);
}

QString FloatToExpText(Extended X, int Digits) {
  if (std::isnan(X)) return QStringLiteral("NAN");
  if (std::isinf(X)) return std::signbit(X) ? QStringLiteral("-INF") : QStringLiteral("INF");
  // A negative zero is no negative value.
  if (X == 0) X = 0;
  char buffer[64];
  const auto end =
      std::to_chars(std::begin(buffer), std::end(buffer), X, std::chars_format::scientific, Digits - 1).ptr;
  const std::string_view s(buffer, end - buffer);
  const std::size_t e = s.find('e');
  const std::string_view mantissa = s.substr(0, e), exponentSign = s.substr(e + 1, 1), exponent = s.substr(e + 2);
  const std::string padding(std::max<int>(0, MinExponentDigits - int(exponent.size())), '0');
  return QString::fromLatin1(std::string(mantissa) + "E" + std::string(exponentSign) + padding + std::string(exponent));
}

Extended ExpTextToFloat(const QString& Text) {
  const auto x = TryExpTextToFloat(Text);
  if (!x) Fail(MsgNoFloat, Text);
  return *x;
}

double ExpTextToDouble(const QString& Text) {
  const auto x = TryExpTextToDouble(Text);
  if (!x) Fail(MsgNoFloat, Text);
  return *x;
}

QString DateTimeToISOText(const QDateTime& DT) { return DateToISOText(DT) + u'T' + TimeToISOText(DT); }

QString DateToISOText(const QDateTime& DT) {
  const QDate d = DT.date();
  if (!DT.isValid() || d.year() < MinYear || d.year() > MaxYear) throw EConvertError(MsgDateOutOfRange);
  return QString::asprintf("%04d-%02d-%02d", d.year(), d.month(), d.day());
}

QString TimeToISOText(const QDateTime& DT) {
  const QTime t = DT.time();
  QString text = QString::asprintf("%2.2d:%2.2d:%2.2d", t.hour(), t.minute(), t.second());
  if (t.msec() != 0) text += QString::asprintf(".%3.3d", t.msec());
  return text;
}

QDateTime ISOTextToDateTime(const QString& Text) {
  const TqorCharSet separators(u" Tt");
  const QString datePart = GetWord(1, Text, separators), timePart = GetWord(2, Text, separators);
  const QDate date = datePart.isEmpty() ? QDate(ZeroYear, ZeroMonth, ZeroDay) : ReadISODate(datePart, Text);
  const QTime time = timePart.isEmpty() ? QTime(0, 0) : ReadISOTime(timePart, Text);
  return QDateTime(date, time, Qt::UTC);
}

bool ValueAssigned(const TqorValue& V) { return !V.isEmpty() && !V.isNull(); }

bool ValueAsBool(const TqorValue& V, bool Default) {
  if (!ValueAssigned(V)) return Default;
  if (const bool* b = V.get<bool>()) return *b;
  if (const qint64* i = V.get<qint64>()) return *i != 0;
  if (const Extended* x = V.get<Extended>(); x && !std::isnan(*x)) return *x != 0;
  const QString text = Quoted(V);
  if (text.compare(u"true", Qt::CaseInsensitive) == 0) return true;
  if (text.compare(u"false", Qt::CaseInsensitive) == 0) return false;
  if (const auto x = TryExpTextToFloat(text)) return *x != 0;
  Fail(MsgNoBoolean, text);
}

int ValueAsInteger(const TqorValue& V, int Default) {
  if (!ValueAssigned(V)) return Default;
  if (const bool* b = V.get<bool>()) return *b ? 1 : 0;
  std::optional<qint64> n;
  if (const qint64* i = V.get<qint64>())
    n = *i;
  else if (const Extended* x = V.get<Extended>()) {
    if (std::isfinite(*x) && std::fabs(*x) < static_cast<Extended>(LLONG_MAX)) n = std::llrint(*x);
  } else if (const QString* t = V.get<QString>())
    n = TryTextToInteger(*t);
  if (!n || *n < INT_MIN || *n > INT_MAX) Fail(MsgNoInteger, Quoted(V));
  return static_cast<int>(*n);
}

Extended ValueAsFloat(const TqorValue& V, Extended Default) {
  if (!ValueAssigned(V)) return Default;
  if (const bool* b = V.get<bool>()) return *b ? 1 : 0;
  if (const qint64* i = V.get<qint64>()) return static_cast<Extended>(*i);
  if (const Extended* x = V.get<Extended>()) return *x;
  if (const QString* t = V.get<QString>()) return ExpTextToFloat(*t);
  Fail(MsgNoFloat, Quoted(V));
}

QString ValueAsText(const TqorValue& V, const QString& Default) { return ValueAssigned(V) ? FormatValue(V) : Default; }

TqorDatatype DatatypeOf(const TqorValue& V) {
  if (V.get<QString>()) return dtString;
  if (V.get<qint64>()) return dtInteger;
  if (V.get<bool>()) return dtBoolean;
  if (V.get<Extended>()) return dtFloat;
  if (V.get<QDateTime>()) return dtDateTime;
  return dtNone;
}

QString FormatValue(const TqorValue& V) {
  if (const QString* t = V.get<QString>()) return *t;
  if (const qint64* i = V.get<qint64>()) return QString::number(*i);
  if (const bool* b = V.get<bool>()) return BoolToText(*b);
  if (const Extended* x = V.get<Extended>()) return FloatToExpText(*x);
  if (const QDateTime* dt = V.get<QDateTime>()) return DateTimeToISOText(*dt);
  return {};
}

TqorValue ParseValue(const QString& Text, TqorDatatype Kind) {
  if (IsBlankText(Text)) return TqorValue::Null();
  switch (Kind) {
    case dtInteger:
      return TextToInteger(Text);
    case dtBoolean:
      return TextToBool(Text);
    case dtFloat:
      return ExpTextToFloat(Text);
    case dtDateTime:
      return ISOTextToDateTime(Text);
    default:
      return Text;
  }
}

QString NewIdentifierText() { return QUuid::createUuid().toString(QUuid::Id128).toUpper(); }
