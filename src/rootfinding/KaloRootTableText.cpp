#include "KaloRootTableText.h"

#include "KaloRootCalculation.h"
#include "qorMemoryDataset.h"

#include <QRegularExpression>

#include <cmath>
#include <string_view>

namespace {
// Fewer significant digits than this tell next to nothing of a value.
constexpr int MinShownDigits = 3;

// The remarks the scan writes itself, with the word "N?" shows for them; other
// remarks (a solver's or the script's message) may quote code and keep their form.
struct TRowKind {
  const char* RemarkStart;
  const char* Shown;  // nullptr: "N?" stays empty
};
constexpr TRowKind RowKinds[] = {
    {"Polstelle:", "Pol"}, {"Sprungstelle:", "Sprung"}, {"Vorzeichenwechsel ohne Nullstelle:", nullptr}};

const TRowKind* KindOfRow(const TqorField& Field, int Row) {
  const QString remark = Field.DataSet().FieldByName(RootField::ResultMessage).ValueAt(Row).toString();
  for (const TRowKind& kind : RowKinds)
    if (remark.startsWith(QLatin1String(kind.RemarkStart))) return &kind;
  return nullptr;
}

// "f = 1.6331779e+16 bei x = 1.5707963" in Locale's form.
QString LocalRemark(QString Remark, const QLocale& Locale) {
  static const QRegularExpression decimalPoint(QStringLiteral("(\\d)\\.(\\d)"));
  static const QRegularExpression exponent(QStringLiteral("(\\d)e([+-]?\\d)"));
  Remark.replace(decimalPoint, QStringLiteral("\\1") + Locale.decimalPoint() + QStringLiteral("\\2"));
  return Remark.replace(exponent, QStringLiteral("\\1E\\2"));
}

// The number part of a FormatFloat format ("0.0000000" of "0.0000000e+000").
QString MantissaFormat(const QString& Format) {
  const qsizetype e = Format.indexOf(QRegularExpression(QStringLiteral("[eE][+-]")));
  return e < 0 ? Format : Format.left(e);
}

qsizetype Decimals(const QString& Mantissa) {
  const qsizetype point = Mantissa.indexOf(u'.');
  return point < 0 ? 0 : Mantissa.size() - point - 1;
}

QString RealText(const TqorField& Field, double Value, const QLocale& Locale) {
  const QString format = Field.DisplayFormat();
  const QString mantissa = MantissaFormat(format);
  const QString exponentForm = mantissa + QStringLiteral("E+00");
  if (mantissa != format) return FormatFloat(exponentForm, Value, Locale);
  const bool tooFewDigits = Value != 0 && std::fabs(Value) <
                                              std::pow(10.0, MinShownDigits - 1 - static_cast<int>(Decimals(mantissa)));
  return FormatFloat(tooFewDigits ? exponentForm : format, Value, Locale);
}
}  // namespace

QString RootViewText(const TqorField& Field, int Row, const QLocale& Locale) {
  const QVariant value = Field.ValueAt(Row);
  const QString name = Field.FieldName();
  if (name == QLatin1String(RootField::RootExists) && !value.toBool()) {
    const TRowKind* kind = KindOfRow(Field, Row);
    return kind && kind->Shown ? QString::fromUtf8(kind->Shown) : Field.DisplayTextAt(Row);
  }
  if (name == QLatin1String(RootField::ResultMessage))
    return KindOfRow(Field, Row) ? LocalRemark(value.toString(), Locale) : Field.DisplayTextAt(Row);
  // The extrema search writes every remark itself ("f springt von 0.5 auf 1.5").
  if (name == QLatin1String(ExtremumField::Remark)) return LocalRemark(value.toString(), Locale);
  if (Field.DataType() == ftFloat && value.isValid() && !Field.DisplayFormat().isEmpty())
    return RealText(Field, value.toDouble(), Locale);
  return Field.DisplayTextAt(Row);
}

// The roots and the extrema table name their ID field alike.
QString RowNumberText(const TqorMemoryDataset& Table, int Row) {
  static_assert(std::string_view(RootField::ID) == ExtremumField::ID);
  return Table.FieldByName(RootField::ID).DisplayTextAt(Row);
}
