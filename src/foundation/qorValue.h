#pragma once
// The locale-independent text forms of booleans, reals and date-times, and the tagged
// value that the XML layer, configuration storage and report variables exchange.
// Nothing here reads or changes the user's regional settings. Conversion failures
// raise EConvertError with a German message.

#include "qorKaloBase.h"

#include <QDateTime>
#include <QString>

#include <concepts>
#include <variant>

// The kind of a value; other parts store the ordinal numbers.
enum TqorDatatype : int {
  dtString = 0,
  dtInteger = 1,
  dtBoolean = 2,
  dtFloat = 3,
  dtDateTime = 4,
  dtNone = 5,
};

// A value that is empty, null, a text, an integer, a boolean, a real or a date-time.
class TqorValue {
public:
  // The empty value.
  TqorValue() = default;
  // The null value.
  static TqorValue Null();
  TqorValue(const QString& Text) : FData(Text) {}
  // A text given in UTF-8.
  TqorValue(const char* Text) : FData(QString::fromUtf8(Text)) {}
  TqorValue(bool B) : FData(B) {}
  // Integers up to 64 bits signed or 32 bits unsigned (the range of qint64).
  template <std::integral T>
  requires(!std::same_as<T, bool> && (std::is_signed_v<T> || sizeof(T) < sizeof(qint64))) TqorValue(T I)
      : FData(static_cast<qint64>(I)) {}
  TqorValue(double X) : FData(static_cast<Extended>(X)) {}
  TqorValue(Extended X) : FData(X) {}
  // A date-time (wall-clock date and time of day); an invalid one gives the null value.
  TqorValue(const QDateTime& DT);

  bool isEmpty() const { return std::holds_alternative<TEmpty>(FData); }
  bool isNull() const { return std::holds_alternative<TNull>(FData); }
  // The held alternative, or nullptr when the value holds another one.
  template <class T>
  const T* get() const {
    return std::get_if<T>(&FData);
  }

  // Same alternative and same content.
  bool operator==(const TqorValue&) const = default;

private:
  struct TEmpty {
    bool operator==(const TEmpty&) const = default;
  };
  struct TNull {
    bool operator==(const TNull&) const = default;
  };
  std::variant<TEmpty, TNull, QString, qint64, bool, Extended, QDateTime> FData;
};

// "true" or "false".
QString BoolToText(bool B);

// True for "true" or "1", false for "false" or "0", letter case ignored; anything else
// fails with "Text '<Text>' kann nicht als Boolean interpretiert werden."
bool TextToBool(const QString& Text);

// The significant digits FloatToExpText writes unless told otherwise.
inline constexpr int ExpTextDigits = 15;

// X with Digits significant digits in exponent form: "-2.50000000000000E+000" (full stop,
// exponent sign, at least three exponent digits); "NAN", "INF", "-INF" when not finite.
QString FloatToExpText(Extended X, int Digits = ExpTextDigits);

// The real in Text: optional blanks, optional sign, digits with an optional full stop
// and fraction, an optional exponent (E or e, optional sign, digits), optional blanks.
// Values below the normal range of Extended (under about 3.4E-4932) read as zero; too
// large ones and any other text fail.
Extended ExpTextToFloat(const QString& Text);

// The real in Text, of the form ExpTextToFloat reads, rounded once to the nearest
// double (never first to Extended, which could round a second time). Values below the
// double range read as a zero, values beyond it as an infinity, each with its sign;
// any other text fails as in ExpTextToFloat.
double ExpTextToDouble(const QString& Text);

// DateToISOText + "T" + TimeToISOText.
QString DateTimeToISOText(const QDateTime& DT);

// "yyyy-mm-dd"; years outside 1 to 9999 fail.
QString DateToISOText(const QDateTime& DT);

// "hh:mm:ss", followed by ".zzz" when the milliseconds are not 0.
QString TimeToISOText(const QDateTime& DT);

// The date-time of a text "yyyy-mm-dd" with an optional "T" or blank and "hh:mm:ss.zzz"
// (missing or non-numeric parts count as 0; ".5" means 5 ms). The result has Qt::UTC
// as its time zone so that every wall-clock time exists; a text without a date part
// gives 1899-12-30 00:00, the zero of date-times. Parts outside 0 to 65535 and dates
// or times that do not exist fail.
QDateTime ISOTextToDateTime(const QString& Text);

// True when V is neither empty nor null.
bool ValueAssigned(const TqorValue& V);

// V as a boolean (texts as TextToBool or any number, 0 being false), or Default.
bool ValueAsBool(const TqorValue& V, bool Default);

// V as an int (reals rounded to nearest, ties to even; texts as decimal), or Default.
int ValueAsInteger(const TqorValue& V, int Default);

// V as a real (texts as ExpTextToFloat), or Default.
Extended ValueAsFloat(const TqorValue& V, Extended Default);

// FormatValue(V), or Default when V is not assigned.
QString ValueAsText(const TqorValue& V, const QString& Default);

// The kind of V; empty and null values are dtNone.
TqorDatatype DatatypeOf(const TqorValue& V);

// The text form of V; the empty text for empty and null values.
QString FormatValue(const TqorValue& V);

// The value of kind Kind in Text: null for blank text; texts kept unchanged for
// dtString and dtNone; the other kinds parse their text form or fail.
TqorValue ParseValue(const QString& Text, TqorDatatype Kind);

// A new GUID as 32 upper-case hexadecimal digits.
QString NewIdentifierText();
