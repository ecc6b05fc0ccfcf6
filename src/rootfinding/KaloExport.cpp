#include "KaloExport.h"

#include "KaloRootCalculation.h"
#include "qorException.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace {
const char* const MsgBadFormat = "Das Format '%1' ist ungültig oder passt nicht zu einem Gleitkommawert.";

// Both files separate their values by ";", whatever the regional settings say.
const QString ExportColumnDelim = QStringLiteral(";");

// Significant digits of "%e" without a precision.
constexpr int DefaultPrecision = 15;
constexpr int MinExponentDigits = 3;

// A format "%[-][width][.precision]e" with the text around it.
struct TRealFormat {
  QString Prefix, Suffix;
  bool LeftAlign = false;
  int Width = 0;
  int Precision = DefaultPrecision;
};

// Reads the digits at Pos as a number; nothing when there are none.
std::optional<int> ReadNumber(const QString& Text, qsizetype& Pos) {
  const qsizetype start = Pos;
  while (Pos < Text.size() && Text[Pos].isDigit() && Text[Pos].unicode() < 128) ++Pos;
  bool ok = false;
  const int number = Text.mid(start, Pos - start).toInt(&ok);
  return ok ? std::optional<int>(number) : std::nullopt;
}

std::optional<TRealFormat> ParseRealFormat(const QString& Format) {
  TRealFormat format;
  qsizetype pos = Format.indexOf(u'%');
  if (pos < 0) return std::nullopt;
  format.Prefix = Format.left(pos++);
  if (pos < Format.size() && Format[pos] == u'-') {
    format.LeftAlign = true;
    ++pos;
  }
  format.Width = ReadNumber(Format, pos).value_or(0);
  if (pos < Format.size() && Format[pos] == u'.')
    format.Precision = ReadNumber(Format, ++pos).value_or(DefaultPrecision);
  if (pos >= Format.size() || (Format[pos] != u'e' && Format[pos] != u'E')) return std::nullopt;
  format.Suffix = Format.mid(pos + 1);
  if (format.Suffix.contains(u'%') || format.Precision < 1) return std::nullopt;
  return format;
}

// Value with Precision significant digits: "-d.ddd" + "E" + sign + three digits or more.
QString ExponentText(double Value, int Precision, const QLocale& Locale) {
  if (std::isnan(Value)) return QStringLiteral("NAN");
  if (std::isinf(Value)) return Value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
  const QString digits = QString::number(Value, 'e', Precision - 1);
  const qsizetype e = digits.indexOf(u'e');
  const int exponent = digits.mid(e + 1).toInt();
  return QString(digits.left(e)).replace(u'.', Locale.decimalPoint()) + u'E' + (exponent < 0 ? u'-' : u'+') +
         QString::number(std::abs(exponent)).rightJustified(MinExponentDigits, u'0');
}

// Value by Format, as "%20.16e" writes it, with the user's decimal separator.
QString FormatReal(const QString& Format, double Value) {
  const std::optional<TRealFormat> format = ParseRealFormat(Format);
  if (!format) throw EConvertError(QString::fromUtf8(MsgBadFormat).arg(Format).toStdString());
  const QString text = ExponentText(Value, format->Precision, QLocale());
  const QString aligned = format->LeftAlign ? text.leftJustified(format->Width) : text.rightJustified(format->Width);
  return format->Prefix + aligned + format->Suffix;
}

QString ValueText(const TqorField& Sender, const QVariant& Value, bool) {
  return Value.isValid() ? FormatReal(Sender.DisplayFormat(), Value.toDouble()) : QString();
}
}  // namespace

// ------------------------------------------------------------------ TValueExport

// The row range starts as wide as possible and is narrowed by every column added.
TValueExport::TValueExport()
    : FMinRowIndex(std::numeric_limits<qint32>::min()), FMaxRowIndex(std::numeric_limits<qint32>::max()) {
  FdsExport.setObjectName(QStringLiteral("dsExport"));
  setDS(&FdsExport);
  Row().setColumnDelim(ExportColumnDelim);
}

int TValueExport::AddColumn(const QString& ColumnName, const kaloREALVector& ColumnValues, const QString& ValueFormat) {
  FMinRowIndex = std::max(FMinRowIndex, 0);
  const qint64 lastIndex = static_cast<qint64>(ColumnValues.size()) - 1;
  FMaxRowIndex = static_cast<qint32>(std::min<qint64>(FMaxRowIndex, lastIndex));
  auto column = std::make_unique<TExportColum>();
  column->Values = &ColumnValues;
  column->ValueFormat = ValueFormat;
  column->ColumnName = ColumnName;
  return FColumnList.Add(std::move(column));
}

QString TValueExport::GetAsString() {
  if (!FdsExport.Active()) BuildDataSet();
  return TqorDSToStringCustom::GetAsString();
}

void TValueExport::BuildDataSet() {
  for (int j = 0; j < FColumnList.Count(); ++j) FdsExport.AddFieldDef(FColumnList.Items(j)->ColumnName, ftFloat);
  FdsExport.Open();
  DefineFields();
  AppendRows();
}

void TValueExport::DefineFields() {
  for (int j = 0; j < FColumnList.Count(); ++j) {
    TqorField* field = FdsExport.Fields(j);
    field->setDisplayFormat(FColumnList.Items(j)->ValueFormat);
    field->setOnGetText(ValueText);
  }
}

// Without columns the range is still the widest one: there are no rows then.
void TValueExport::AppendRows() {
  if (FColumnList.Count() == 0) return;
  for (qint64 i = FMinRowIndex; i <= FMaxRowIndex; ++i) {
    FdsExport.Append();
    for (int j = 0; j < FColumnList.Count(); ++j)
      FdsExport.Fields(j)->setAsFloat(static_cast<double>((*FColumnList.Items(j)->Values)[i]));
    FdsExport.Post();
  }
}

// ------------------------------------------------------------------ the two files

void SaveValuesFile(const QString& FileName, const kaloREALVector& ValueX, const kaloREALVector& ValueY) {
  TValueExport exporter;
  exporter.AddColumn(ValuesFile::xColumn, ValueX, ValuesFile::ValueFormat);
  exporter.AddColumn(ValuesFile::yColumn, ValueY, ValuesFile::ValueFormat);
  exporter.WriteToFile(FileName);
}

void SaveValuesFile(const QString& FileName, const kaloREALVector& ValueX, const kaloREALVector& ValueY,
                    const kaloREALVector& D1, const kaloREALVector& D2) {
  TValueExport exporter;
  exporter.AddColumn(ValuesFile::xColumn, ValueX, ValuesFile::ValueFormat);
  exporter.AddColumn(ValuesFile::yColumn, ValueY, ValuesFile::ValueFormat);
  exporter.AddColumn(ValuesFile::d1Column, D1, ValuesFile::ValueFormat);
  exporter.AddColumn(ValuesFile::d2Column, D2, ValuesFile::ValueFormat);
  exporter.WriteToFile(FileName);
}

void SaveValuesFile(const QString& FileName, const TKaloRootCalculation& Calc) {
  if (Calc.ValueD1().empty())
    SaveValuesFile(FileName, Calc.ValueX(), Calc.ValueY());
  else
    SaveValuesFile(FileName, Calc.ValueX(), Calc.ValueY(), Calc.ValueD1(), Calc.ValueD2());
}

void SaveExtremaFile(const QString& FileName, TqorMemoryDataset& Extrema) { SaveRootsFile(FileName, Extrema); }

void SaveRootsFile(const QString& FileName, TqorMemoryDataset& Roots) {
  TqorDSToString writer;
  writer.Row().setColumnDelim(ExportColumnDelim);
  writer.setDS(&Roots);
  writer.WriteToFile(FileName);
}

QString FullPrecisionText(double Value) {
  constexpr int RoundTripDigits = std::numeric_limits<double>::max_digits10;
  if (std::isnan(Value)) return QStringLiteral("NAN");
  if (std::isinf(Value)) return Value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
  QLocale locale;
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  return locale.toString(Value, 'G', RoundTripDigits);
}

// A spreadsheet reads what the clipboard holds as the number it was, not as the
// rounded display of the table.
QString RootsClipboardText(TqorMemoryDataset& Roots, const std::vector<int>& Rows) {
  TqorDSToString writer;
  writer.setDS(&Roots);
  writer.Row().setFloatText(FullPrecisionText);
  writer.setRowDelim(QStringLiteral("\n"));
  if (!Rows.empty())
    writer.setBeforeExecuteRow([&Rows](TqorDSRowToString&, TqorMemoryDataset& DataSet, bool& Continue) {
      Continue = std::find(Rows.begin(), Rows.end(), DataSet.RecNo()) != Rows.end();
    });
  return writer.AsString() + QStringLiteral("\n");
}
