#pragma once
// Views over a TqorMemoryDataset: a table model for a grid that shows the visible
// fields with their display labels, display texts and alignment, and a data source
// that ties a grid and read-only detail fields to the table's current row. Both follow
// the table's signals, so a paused table (DisableControls) leaves them as they were
// until the pause ends.

#include <QAbstractTableModel>
#include <QPointer>

#include <functional>
#include <utility>
#include <vector>

class QLineEdit;
class QPlainTextEdit;
class QTableView;
class QWidget;
class TqorField;
class TqorMemoryDataset;

// The grid's model: one column per visible field, in field order; one row per posted
// row. The vertical header is the row indicator: it marks the table's current row,
// and shows each row's title when the model has one.
// The text the views show for Field's value in Row.
using TqorViewText = std::function<QString(const TqorField& Field, int Row)>;
// The title of row Row in the row indicator.
using TqorRowTitle = std::function<QString(int Row)>;

class TqorDataSetModel : public QAbstractTableModel {
  Q_OBJECT

public:
  // The mark the row indicator shows at the current row.
  static constexpr char16_t CurrentRowMark = u'\u25B6';

  // A model over DataSet, which must outlive it.
  explicit TqorDataSetModel(TqorMemoryDataset& DataSet, QObject* Parent = nullptr);

  TqorMemoryDataset& DataSet() const { return FDataSet; }
  // The field shown in Column, or nullptr outside the columns.
  TqorField* ColumnField(int Column) const;

  int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& Parent = QModelIndex()) const override;
  // What the cells show: the fields' display texts unless set otherwise; an empty
  // function restores those.
  QString ViewText(const TqorField& Field, int Row) const;
  void setViewText(TqorViewText Text);
  // The rows' titles beside the current-row mark, right-aligned; none when empty.
  void setRowTitle(TqorRowTitle Title);

  // Display and tool-tip role: ViewText; alignment role: the field's alignment.
  QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
  // Horizontal: the fields' display names; vertical: the current-row mark and the row's
  // title ("▶ 2" at the current row, "3" at the others).
  QVariant headerData(int Section, Qt::Orientation Orientation, int Role = Qt::DisplayRole) const override;
  // Cells can be selected, never edited.
  Qt::ItemFlags flags(const QModelIndex& Index) const override;

private:
  void DataSetChanged();
  void RecordAboutToBeAppended(int Row);
  void RecordAppended(int Row);
  void CurrentRowChanged(int Row);
  std::vector<int> VisibleFields() const;

  TqorMemoryDataset& FDataSet;
  // What the attached views know: they learn of changes only through the signals.
  std::vector<int> FColumns;
  int FRowCount = 0;
  int FCurrentRow = -1;
  TqorViewText FViewText;
  TqorRowTitle FRowTitle;
};

// Connects a table to its grid and detail fields: the grid shows the table and moves
// the table's current row when the user selects a row; the detail fields show the
// display texts of the current row.
class TqorDataSource : public QObject {
  Q_OBJECT

public:
  // A data source over DataSet, which must outlive it.
  explicit TqorDataSource(TqorMemoryDataset& DataSet, QObject* Parent = nullptr);

  TqorMemoryDataset& DataSet() const { return FModel->DataSet(); }
  TqorDataSetModel& Model() const { return *FModel; }
  // The text of the grid's cells and of the detail fields (TqorDataSetModel::ViewText).
  void setViewText(TqorViewText Text);
  // The rows' titles in the grid's row indicator (TqorDataSetModel::setRowTitle).
  void setRowTitle(TqorRowTitle Title) { FModel->setRowTitle(std::move(Title)); }

  // Shows the table in Grid: whole-row selection of one row, no editing, column widths
  // from the fields' display widths, the grid's selection and the current row kept
  // together.
  void AttachGrid(QTableView* Grid);
  // Makes Edit a read-only detail field of the field FieldName, aligned as the field
  // (EDatabaseError when the table has no such field).
  void AttachField(QLineEdit* Edit, const QString& FieldName);
  void AttachField(QPlainTextEdit* Edit, const QString& FieldName);

private:
  struct TDetailField {
    QPointer<QWidget> Edit;
    TqorField* Field;
  };

  void ShowCurrentRow();
  void SelectCurrentRow();
  void SizeColumns();
  void GridRowSelected(int Row);

  TqorDataSetModel* FModel;
  QPointer<QTableView> FGrid;
  std::vector<TDetailField> FDetailFields;
};
