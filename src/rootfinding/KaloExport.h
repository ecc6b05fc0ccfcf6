#pragma once
// Export of a calculation's results as ";"-separated text in the user's regional
// settings: the values file (nodes and function values) and the roots file (the roots
// table). The window and the batch program both write through SaveValuesFile and
// SaveRootsFile, so both write the same bytes.

#include "qorDSExportUtil.h"
#include "qorKaloBase.h"
#include "qorList.h"
#include "qorMemoryDataset.h"

#include <QString>

#include <vector>

class TKaloRootCalculation;

// One column of a value export.
class TExportColum : public TqorObject {
public:
  const kaloREALVector* Values = nullptr;  // shared with the caller, not copied
  QString ValueFormat;                     // format of one value, for example "%20.16e"
  QString ColumnName;
};

// The columns of a value export, in order; owns them.
class TExportColumList : public TqorTypedObjectList<TExportColum> {};

// Writes columns of real vectors: one row per index from 0 to the last index of the
// shortest column, each value by its column's format. Used for one text: the columns
// are turned into a table on the first read of AsString.
class TValueExport : public TqorDSToStringCustom {
public:
  // An export without columns; the values are separated by ";".
  TValueExport();

  // Appends a column; ColumnValues must outlive the export. ValueFormat is
  // "%[-][width][.precision]e": sign, one digit, the user's decimal separator,
  // precision-1 digits, "E", the exponent's sign and at least three digits, aligned in
  // width characters ("INF", "-INF", "NAN" when not finite). Returns the column's index.
  int AddColumn(const QString& ColumnName, const kaloREALVector& ColumnValues, const QString& ValueFormat);

  // The table made of the columns; its fields are named after them.
  TqorMemoryDataset& dsExport() { return FdsExport; }

  using TqorDSToStringCustom::AsString;
  using TqorDSToStringCustom::BeforeExecuteRow;
  using TqorDSToStringCustom::CurrentRowIndex;
  using TqorDSToStringCustom::ExecutedRowCount;
  using TqorDSToStringCustom::Row;
  using TqorDSToStringCustom::RowDelim;
  using TqorDSToStringCustom::setBeforeExecuteRow;
  using TqorDSToStringCustom::setRowDelim;
  using TqorDSToStringCustom::setUseDSFields;
  using TqorDSToStringCustom::setWriteColumnHeader;
  using TqorDSToStringCustom::UseDSFields;
  using TqorDSToStringCustom::WriteColumnHeader;

protected:
  // Fills dsExport from the columns on the first call, then writes it. A value format
  // that is not of the form above raises EConvertError.
  QString GetAsString() override;

private:
  void BuildDataSet();
  void DefineFields();
  void AppendRows();

  TqorMemoryDataset FdsExport;
  TExportColumList FColumnList;
  qint32 FMinRowIndex;
  qint32 FMaxRowIndex;
};

// The header texts and value format of the values file.
namespace ValuesFile {
inline constexpr const char* xColumn = "x-Werte";
inline constexpr const char* yColumn = "y-Werte";
inline constexpr const char* d1Column = "f'-Werte";
inline constexpr const char* d2Column = "f''-Werte";
inline constexpr const char* ValueFormat = "%20.16e";
}  // namespace ValuesFile

// Writes the values file: the columns "x-Werte" and "y-Werte" of ValueX and ValueY.
// Raises EInOutError when the file cannot be written.
void SaveValuesFile(const QString& FileName, const kaloREALVector& ValueX, const kaloREALVector& ValueY);
// The same with the columns "f'-Werte" and "f''-Werte" of D1 and D2 after them.
void SaveValuesFile(const QString& FileName, const kaloREALVector& ValueX, const kaloREALVector& ValueY,
                    const kaloREALVector& D1, const kaloREALVector& D2);

// Writes the values file of Calc's last calculation, with the columns of f' and f''
// whenever it computed the derivatives (asked for, or for the search of extrema and
// inflection points), as the window and kaloroots both write it.
void SaveValuesFile(const QString& FileName, const TKaloRootCalculation& Calc);

// Writes the extrema file: the visible fields of Extrema (a table defined by
// DefineExtremaTable) as SaveRootsFile writes the roots.
void SaveExtremaFile(const QString& FileName, TqorMemoryDataset& Extrema);

// Value with 17 significant digits, enough to read back the same double: the user's
// decimal separator, no digit grouping, trailing zeros dropped, an exponent "E-05" for
// values below 1E-4 or from 1E+17 on; "NAN", "INF", "-INF" when not finite.
QString FullPrecisionText(double Value);

// Writes the roots file: the visible fields of Roots (a table defined by
// DefineRootTable) in their display form. Roots stays on its current row. Raises
// EDatabaseError when Roots is not open, EInOutError when the file cannot be written.
void SaveRootsFile(const QString& FileName, TqorMemoryDataset& Roots);

// The roots table as the clipboard takes it for a spreadsheet: a line with the titles
// of the visible fields, then one line per row of Rows (every row when Rows is empty),
// in table order, the values tab-separated, each line ending with a line feed. Reals
// come in FullPrecisionText, the other values in their display form. Roots stays on
// its current row.
QString RootsClipboardText(TqorMemoryDataset& Roots, const std::vector<int>& Rows);
