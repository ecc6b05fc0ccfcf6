#pragma once
// A small typed in-memory table: fields defined before opening, rows appended and
// posted, a current row moved by First/Next or directly, bookmarks, and views (grid,
// detail fields) that follow it through signals and can be paused. Closing empties it;
// the fields and their display properties stay for the next opening.

#include <QLocale>
#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

class TqorMemoryDataset;

// The kind of a field's values.
enum TqorFieldType : int {
  ftInteger,  // 32-bit signed integer
  ftFloat,    // real, stored as double
  ftBoolean,
  ftString,  // text of at most Size characters; longer text is cut
};

// Formats Value by a picture: the number part of Format is made of "0" (a digit always
// shown), "#" (a digit shown when significant), "," (digit grouping) and "." (the
// decimal separator), optionally followed by an exponent "E+", "E-", "e+" or "e-" and
// the "0"s of its least number of digits ("E+" always shows the sign, "E-" only a
// minus). Text before and after the number part is copied. Separators are Locale's.
// Not finite values give "NAN", "INF" and "-INF".
QString FormatFloat(const QString& Format, double Value, const QLocale& Locale = QLocale());

// One column of a TqorMemoryDataset, with its display properties. Values are read from
// and written to the table's current row.
class TqorField {
public:
  // Makes a field's text in place of the standard one: the value (invalid when null)
  // and whether the display text or the plain text is asked for.
  using TGetTextEvent = std::function<QString(const TqorField& Sender, const QVariant& Value, bool DisplayText)>;

  TqorField(TqorMemoryDataset& DataSet, int Index, const QString& FieldName, TqorFieldType DataType, int Size,
            bool Required);

  const QString& FieldName() const { return FFieldName; }
  TqorFieldType DataType() const { return FDataType; }
  // Largest number of characters of a text field; 0 for the other kinds.
  int Size() const { return FSize; }
  // Posting a row with this field null fails.
  bool Required() const { return FRequired; }
  // Position in the table's fields, from 0.
  int Index() const { return FIndex; }
  TqorMemoryDataset& DataSet() const { return FDataSet; }

  // Column title; DisplayName falls back to the field name when it is empty.
  const QString& DisplayLabel() const { return FDisplayLabel; }
  void setDisplayLabel(const QString& value) { FDisplayLabel = value; }
  QString DisplayName() const { return FDisplayLabel.isEmpty() ? FFieldName : FDisplayLabel; }
  bool Visible() const { return FVisible; }
  void setVisible(bool value) { FVisible = value; }
  // Width in characters; by default the widest plain text of the kind, Size for texts.
  int DisplayWidth() const { return FDisplayWidth; }
  void setDisplayWidth(int value) { FDisplayWidth = value; }
  // Alignment of the value in views; numbers right, others left by default.
  Qt::Alignment Alignment() const { return FAlignment; }
  void setAlignment(Qt::Alignment value) { FAlignment = value; }
  // FormatFloat format of a number's display text; empty for the plain text.
  const QString& DisplayFormat() const { return FDisplayFormat; }
  void setDisplayFormat(const QString& value) { FDisplayFormat = value; }
  // Texts of a boolean, "true text;false text" ("X;" shows X for true, nothing for
  // false); without ";" the whole text is the true text. Default "true;false".
  const QString& DisplayValues() const { return FDisplayValues; }
  void setDisplayValues(const QString& value) { FDisplayValues = value; }
  // Replaces the standard display and plain texts when set.
  const TGetTextEvent& OnGetText() const { return FOnGetText; }
  void setOnGetText(TGetTextEvent value) { FOnGetText = std::move(value); }

  // The value in the current row: invalid when null (also without a current row).
  QVariant Value() const;
  // The value in row Row (from 0).
  QVariant ValueAt(int Row) const;
  // Sets the value in the row being appended, converted to the field's kind (texts cut
  // to Size); an invalid QVariant makes it null. A value of another kind that does not
  // convert raises EDatabaseError.
  void setValue(const QVariant& value);
  bool IsNull() const { return !Value().isValid(); }
  // Makes the value null.
  void Clear() { setValue(QVariant()); }

  // Typed reads of the current value; null reads as 0, false or the empty text.
  int AsInteger() const { return Value().toInt(); }
  double AsFloat() const { return Value().toDouble(); }
  bool AsBoolean() const { return Value().toBool(); }
  // The plain text: integers in decimal, reals with 15 significant digits and the
  // locale's decimal separator, booleans by DisplayValues; empty when null.
  QString AsString() const { return TextOf(Value(), false); }
  void setAsInteger(int value) { setTyped(ftInteger, value); }
  void setAsFloat(double value) { setTyped(ftFloat, value); }
  void setAsBoolean(bool value) { setTyped(ftBoolean, value); }
  void setAsString(const QString& value);

  // The display text of the current value: numbers by DisplayFormat with the locale's
  // separators, booleans by DisplayValues; empty when null.
  QString DisplayText() const { return TextOf(Value(), true); }
  // The display text of the value in row Row.
  QString DisplayTextAt(int Row) const { return TextOf(ValueAt(Row), true); }

private:
  QString TextOf(const QVariant& Value, bool DisplayText) const;
  QString StandardText(const QVariant& Value, bool DisplayText) const;
  QString BooleanText(bool Value) const;
  QVariant Converted(const QVariant& Value) const;
  // setValue for a value of the type Type: stored as it is when that is the field's
  // type, which spares converting it (a table of many rows is filled this way).
  void setTyped(TqorFieldType Type, QVariant Value);

  TqorMemoryDataset& FDataSet;
  int FIndex;
  QString FFieldName;
  TqorFieldType FDataType;
  int FSize;
  bool FRequired;
  QString FDisplayLabel;
  bool FVisible = true;
  int FDisplayWidth;
  Qt::Alignment FAlignment;
  QString FDisplayFormat;
  QString FDisplayValues;
  TGetTextEvent FOnGetText;
};

// A remembered row of a TqorMemoryDataset, valid until the table is closed.
struct TqorBookmark {
  int Row = -1;
  quint64 Generation = 0;
};

// The in-memory table. Its objectName is the table's name in messages. Views attach to
// the signals; while controls are disabled no signal is sent, and enabling them again
// sends DataSetChanged so that views reread everything.
class TqorMemoryDataset : public QObject {
  Q_OBJECT

public:
  explicit TqorMemoryDataset(QObject* Parent = nullptr);
  ~TqorMemoryDataset() override;

  // Adds a field (its own definition) before the table is opened and returns it. Size
  // is the largest number of characters of a text field. Raises EDatabaseError while
  // open and for a name that is taken.
  TqorField* AddFieldDef(const QString& Name, TqorFieldType DataType, int Size = 0, bool Required = false);
  int FieldCount() const { return static_cast<int>(FFields.size()); }
  // The field at Index (from 0).
  TqorField* Fields(int Index) const { return FFields.at(Index).get(); }
  // The field of that name, letter case ignored, or nullptr.
  TqorField* FindField(const QString& Name) const;
  // The field of that name, letter case ignored; raises EDatabaseError when missing.
  TqorField& FieldByName(const QString& Name) const;

  // Opens the table empty.
  void Open();
  // Closes the table: its rows and a row being appended are dropped.
  void Close();
  bool Active() const { return FActive; }

  // Starts a new row with every field null; a row being appended is posted first.
  void Append();
  // Stores the row being appended as the last row and makes it current. Raises
  // EDatabaseError unless a row is being appended or when a required field is null.
  void Post();
  // True between Append and Post.
  bool Appending() const { return FAppending; }

  int RecordCount() const { return static_cast<int>(FRows.size()); }
  // The current row, from 0; -1 when the table is empty.
  int RecNo() const { return FRecNo; }
  // Moving the current row posts a row being appended first.
  // Makes row Row current; raises EDatabaseError outside 0 .. RecordCount-1.
  void setRecNo(int Row);
  // Moves to the first row; Eof is then true only for an empty table.
  void First();
  // Moves to the next row; on the last row Eof becomes true and the row stays.
  void Next();
  // True after Next on the last row, and while the table is empty or closed.
  bool Eof() const { return FEof; }

  // The current row, to return to it with GotoBookmark.
  TqorBookmark Bookmark() const { return {FRecNo, FGeneration}; }
  // True when the bookmark was taken since the table was last opened.
  bool BookmarkValid(const TqorBookmark& Bookmark) const;
  // Returns to a bookmarked row; raises EDatabaseError for an invalid bookmark.
  void GotoBookmark(const TqorBookmark& Bookmark);

  // Pauses the attached views; calls nest.
  void DisableControls() { ++FDisableCount; }
  // Ends one pause; the last one sends DataSetChanged.
  void EnableControls();
  bool ControlsDisabled() const { return FDisableCount > 0; }

signals:
  // Rows, fields or the current row may all have changed (open, close, end of a pause).
  void DataSetAboutToChange();
  void DataSetChanged();
  // A posted row is about to be, or has been, stored at Row.
  void RecordAboutToBeAppended(int Row);
  void RecordAppended(int Row);
  // Row is now the current row.
  void CurrentRowChanged(int Row);

private:
  friend class TqorField;

  // The values of the current row (the row being appended while appending), or nullptr.
  const std::vector<QVariant>* CurrentValues() const;
  // The row being appended; raises EDatabaseError when none is.
  std::vector<QVariant>& EditValues();
  void RequireActive() const;
  void RequirePostable() const;
  // Before moving: the table must be open; a row being appended is posted.
  void BrowseMode();
  // Makes Row current (-1: none) and sets Eof.
  void MoveTo(int Row, bool AtEnd);
  void ResetContent(bool Active);
  [[noreturn]] void Fail(const QString& Message) const;

  std::vector<std::unique_ptr<TqorField>> FFields;
  std::vector<std::vector<QVariant>> FRows;
  std::vector<QVariant> FAppendRow;
  bool FActive = false;
  bool FAppending = false;
  bool FEof = true;
  int FRecNo = -1;
  int FDisableCount = 0;
  quint64 FGeneration = 0;
};

// Pauses a table's views for its lifetime, also when an error leaves the scope.
class TqorDisableControlsGuard {
public:
  explicit TqorDisableControlsGuard(TqorMemoryDataset& DataSet) : FDataSet(DataSet) { FDataSet.DisableControls(); }
  ~TqorDisableControlsGuard() { FDataSet.EnableControls(); }
  TqorDisableControlsGuard(const TqorDisableControlsGuard&) = delete;
  TqorDisableControlsGuard& operator=(const TqorDisableControlsGuard&) = delete;

private:
  TqorMemoryDataset& FDataSet;
};
