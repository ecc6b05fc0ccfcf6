#pragma once
// Writes an in-memory table as delimited text: a header line with the column names
// and one line per row, the values in their display form (the user's regional
// settings), text values quoted with their line breaks replaced so that every row
// stays on one line. The table's current row and its views are the same afterwards.

#include "qorMemoryDataset.h"

#include <QString>

#include <functional>
#include <vector>

// The fields a row writer writes, in order; the fields belong to their table.
class TqorDSRowFieldList {
public:
  int Count() const { return static_cast<int>(FItems.size()); }
  // The field at Index (from 0); raises EListError outside 0 .. Count-1.
  TqorField* Items(int Index) const;
  // Appends Field; returns its index.
  int Add(TqorField* Field);
  void Clear() { FItems.clear(); }
  // Clears the list and adds every field of DataSet in its order.
  void AssignFields(const TqorMemoryDataset& DataSet);

  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

private:
  std::vector<TqorField*> FItems;
};

// Writes the current row of a table as one line, and the header line.
class TqorDSRowToString {
public:
  TqorDSRowFieldList& Fields() { return FFields; }
  const TqorDSRowFieldList& Fields() const { return FFields; }

  // Between the values of a line and between the names of the header; default TAB.
  const QString& ColumnDelim() const { return FColumnDelim; }
  void setColumnDelim(const QString& value) { FColumnDelim = value; }
  // Before and after every text value and header name; default a double quote. A
  // delimiter inside a value is written as it is.
  const QString& StringFieldDelim() const { return FStringFieldDelim; }
  void setStringFieldDelim(const QString& value) { FStringFieldDelim = value; }
  // Replaces every CR LF inside a text value; default "¤". A lone CR or LF stays.
  const QString& CRLFSubstString() const { return FCRLFSubstString; }
  void setCRLFSubstString(const QString& value) { FCRLFSubstString = value; }
  // Skip the fields marked invisible; default true.
  bool VisibleFieldsOnly() const { return FVisibleFieldsOnly; }
  void setVisibleFieldsOnly(bool value) { FVisibleFieldsOnly = value; }
  // Numbers and booleans in their display text rather than their plain text; default true.
  bool UseDisplayFormat() const { return FUseDisplayFormat; }
  void setUseDisplayFormat(bool value) { FUseDisplayFormat = value; }
  // Every value padded with blanks and cut to its field's display width, with no
  // delimiter between values; default false. The header is not affected.
  bool FixFieldLength() const { return FFixFieldLength; }
  void setFixFieldLength(bool value) { FFixFieldLength = value; }
  // Replace CR LF inside text values by CRLFSubstString; default true.
  bool StringFieldSubstCRLF() const { return FStringFieldSubstCRLF; }
  void setStringFieldSubstCRLF(bool value) { FStringFieldSubstCRLF = value; }
  // Makes the text of every real value that is not null, in place of the display or
  // plain text; none by default.
  using TFloatText = std::function<QString(double Value)>;
  const TFloatText& FloatText() const { return FFloatText; }
  void setFloatText(TFloatText value) { FFloatText = std::move(value); }

  // The line of the table's current row.
  QString AsString() const;
  // The display names of the fields, each between StringFieldDelim.
  QString ColumnHeaderAsString() const;

private:
  bool Written(const TqorField& Field) const { return Field.Visible() || !FVisibleFieldsOnly; }
  QString ValueText(const TqorField& Field) const;

  TqorDSRowFieldList FFields;
  QString FColumnDelim = QStringLiteral("\t");
  QString FStringFieldDelim = QStringLiteral("\"");
  QString FCRLFSubstString = QStringLiteral("¤");
  bool FVisibleFieldsOnly = true;
  bool FUseDisplayFormat = true;
  bool FFixFieldLength = false;
  bool FStringFieldSubstCRLF = true;
  TFloatText FFloatText;
};

// Asked before each row with the table on that row; clearing Continue skips the row.
using TqorExecuteRowEvent = std::function<void(TqorDSRowToString& Row, TqorMemoryDataset& DataSet, bool& Continue)>;

// Writes a whole table as text; the options are published by the derived classes.
class TqorDSToStringCustom {
public:
  TqorDSToStringCustom() = default;
  virtual ~TqorDSToStringCustom() = default;
  TqorDSToStringCustom(const TqorDSToStringCustom&) = delete;
  TqorDSToStringCustom& operator=(const TqorDSToStringCustom&) = delete;

  // Writes AsString to FileName in the locale's character set, without byte-order
  // mark, replacing the file atomically. Raises EInOutError when it cannot be written.
  void WriteToFile(const QString& FileName);

protected:
  // The header line (if WriteColumnHeader) and one line per row, joined by RowDelim,
  // with no delimiter after the last line. Raises EDatabaseError without an open table.
  virtual QString GetAsString();
  QString AsString() { return GetAsString(); }

  TqorDSRowToString& Row() { return FRow; }
  // The table to write; not owned.
  TqorMemoryDataset* DS() const { return FDS; }
  void setDS(TqorMemoryDataset* value) { FDS = value; }
  // Take all fields of the table, in their order, before writing; default true.
  bool UseDSFields() const { return FUseDSFields; }
  void setUseDSFields(bool value) { FUseDSFields = value; }
  // Write the header line; default true.
  bool WriteColumnHeader() const { return FWriteColumnHeader; }
  void setWriteColumnHeader(bool value) { FWriteColumnHeader = value; }
  // Between lines; default CR LF.
  const QString& RowDelim() const { return FRowDelim; }
  void setRowDelim(const QString& value) { FRowDelim = value; }
  // Rows visited and rows written by the last run.
  quint32 CurrentRowIndex() const { return FCurrentRowIndex; }
  quint32 ExecutedRowCount() const { return FExecutedRowCount; }
  const TqorExecuteRowEvent& BeforeExecuteRow() const { return FBeforeExecuteRow; }
  void setBeforeExecuteRow(TqorExecuteRowEvent value) { FBeforeExecuteRow = std::move(value); }

private:
  // The open table to write; raises EDatabaseError when there is none.
  TqorMemoryDataset& ActiveDataSet() const;
  // Asks BeforeExecuteRow whether the current row is to be written.
  bool RowWanted(TqorMemoryDataset& DataSet);
  // Appends the line of every wanted row, from the first row on, to Text.
  void AppendRows(TqorMemoryDataset& DataSet, QString& Text);

  TqorDSRowToString FRow;
  TqorMemoryDataset* FDS = nullptr;
  bool FUseDSFields = true;
  bool FWriteColumnHeader = true;
  QString FRowDelim = QStringLiteral("\r\n");
  quint32 FCurrentRowIndex = 0;
  quint32 FExecutedRowCount = 0;
  TqorExecuteRowEvent FBeforeExecuteRow;
};

// The table writer with all its options public.
class TqorDSToString : public TqorDSToStringCustom {
public:
  using TqorDSToStringCustom::AsString;
  using TqorDSToStringCustom::BeforeExecuteRow;
  using TqorDSToStringCustom::CurrentRowIndex;
  using TqorDSToStringCustom::DS;
  using TqorDSToStringCustom::ExecutedRowCount;
  using TqorDSToStringCustom::Row;
  using TqorDSToStringCustom::RowDelim;
  using TqorDSToStringCustom::setBeforeExecuteRow;
  using TqorDSToStringCustom::setDS;
  using TqorDSToStringCustom::setRowDelim;
  using TqorDSToStringCustom::setUseDSFields;
  using TqorDSToStringCustom::setWriteColumnHeader;
  using TqorDSToStringCustom::UseDSFields;
  using TqorDSToStringCustom::WriteColumnHeader;
};
