#include "qorDSExportUtil.h"

#include "qorException.h"
#include "qorFileIO.h"
#include "qorStrUtils.h"

#include <QStringEncoder>

#include <string>

namespace {
const char* const MsgNotActive =
    "Datenbanktabelle kopieren: die Tabelle %1 ist nicht aktiv. Daten können nicht kopiert werden!.";
const char* const MsgNoTable =
    "Datenbanktabelle kopieren: es ist keine Tabelle angegeben. Daten können nicht kopiert werden!.";

const QString CRLF = QStringLiteral("\r\n");

// Text left-aligned in Width characters: padded with blanks, cut when longer.
QString FixedWidth(const QString& Text, int Width) { return Text.leftJustified(qMax(0, Width), u' ', true); }

// Brings the table back to the row it was on, also when writing fails; runs while its
// views are still paused, so they never see the rows being walked.
class TReturnToRow {
public:
  explicit TReturnToRow(TqorMemoryDataset& DataSet) : FDataSet(DataSet), FBookmark(DataSet.Bookmark()) {}
  ~TReturnToRow() {
    // A row left half-appended by a failure cannot be moved away from without posting it.
    if (!FDataSet.Appending() && FDataSet.BookmarkValid(FBookmark)) FDataSet.GotoBookmark(FBookmark);
  }
  TReturnToRow(const TReturnToRow&) = delete;
  TReturnToRow& operator=(const TReturnToRow&) = delete;

private:
  TqorMemoryDataset& FDataSet;
  const TqorBookmark FBookmark;
};
}  // namespace

// ---------------------------------------------------------- TqorDSRowFieldList

TqorField* TqorDSRowFieldList::Items(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError("Listenindex überschreitet das Maximum (" + std::to_string(Index) + ")");
  return FItems[Index];
}

int TqorDSRowFieldList::Add(TqorField* Field) {
  FItems.push_back(Field);
  return Count() - 1;
}

void TqorDSRowFieldList::AssignFields(const TqorMemoryDataset& DataSet) {
  Clear();
  for (int i = 0; i < DataSet.FieldCount(); ++i) Add(DataSet.Fields(i));
}

// ----------------------------------------------------------- TqorDSRowToString

QString TqorDSRowToString::ValueText(const TqorField& Field) const {
  switch (Field.DataType()) {
    case ftString: {
      const QString text = FStringFieldSubstCRLF ? ReplaceAllText(Field.AsString(), CRLF, FCRLFSubstString)
                                                 : Field.AsString();
      return FStringFieldDelim + text + FStringFieldDelim;
    }
    case ftFloat:
      if (FFloatText && !Field.IsNull()) return FFloatText(Field.AsFloat());
      [[fallthrough]];
    case ftInteger:
    case ftBoolean:
      return FUseDisplayFormat ? Field.DisplayText() : Field.AsString();
  }
  return Field.AsString();
}

QString TqorDSRowToString::AsString() const {
  QString line;
  bool first = true;
  for (const TqorField* field : FFields) {
    if (!Written(*field)) continue;
    if (!first && !FFixFieldLength) line += FColumnDelim;
    first = false;
    const QString text = ValueText(*field);
    line += FFixFieldLength ? FixedWidth(text, field->DisplayWidth()) : text;
  }
  return line;
}

QString TqorDSRowToString::ColumnHeaderAsString() const {
  QString header;
  for (const TqorField* field : FFields) {
    if (!Written(*field)) continue;
    if (!header.isEmpty()) header += FColumnDelim;
    header += FStringFieldDelim + field->DisplayName() + FStringFieldDelim;
  }
  return header;
}

// -------------------------------------------------------- TqorDSToStringCustom

TqorMemoryDataset& TqorDSToStringCustom::ActiveDataSet() const {
  if (!FDS) throw EDatabaseError(MsgNoTable);
  if (!FDS->Active()) throw EDatabaseError(QString::fromUtf8(MsgNotActive).arg(FDS->objectName()).toStdString());
  return *FDS;
}

bool TqorDSToStringCustom::RowWanted(TqorMemoryDataset& DataSet) {
  bool proceed = true;
  if (FBeforeExecuteRow) FBeforeExecuteRow(FRow, DataSet, proceed);
  return proceed;
}

QString TqorDSToStringCustom::GetAsString() {
  FCurrentRowIndex = 0;
  FExecutedRowCount = 0;
  TqorMemoryDataset& dataSet = ActiveDataSet();
  const TqorDisableControlsGuard paused(dataSet);
  const TReturnToRow returnToRow(dataSet);
  if (FUseDSFields) FRow.Fields().AssignFields(dataSet);
  QString text = FWriteColumnHeader ? FRow.ColumnHeaderAsString() : QString();
  AppendRows(dataSet, text);
  return text;
}

void TqorDSToStringCustom::AppendRows(TqorMemoryDataset& DataSet, QString& Text) {
  for (DataSet.First(); !DataSet.Eof(); DataSet.Next()) {
    if (RowWanted(DataSet)) {
      if (!Text.isEmpty()) Text += FRowDelim;
      Text += FRow.AsString();
      ++FExecutedRowCount;
    }
    ++FCurrentRowIndex;
  }
}

void TqorDSToStringCustom::WriteToFile(const QString& FileName) {
  QStringEncoder encoder(QStringConverter::System);
  WriteWholeFile(FileName, encoder.encode(AsString()));
}
