#include "qorDataSetModel.h"

#include "qorMemoryDataset.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>

#include <algorithm>

namespace {
// Room for the cell's margins and grid line beside the text.
constexpr int ColumnPadding = 8;
}  // namespace

TqorDataSetModel::TqorDataSetModel(TqorMemoryDataset& DataSet, QObject* Parent)
    : QAbstractTableModel(Parent), FDataSet(DataSet) {
  FColumns = VisibleFields();
  FRowCount = FDataSet.RecordCount();
  FCurrentRow = FDataSet.RecNo();
  connect(&FDataSet, &TqorMemoryDataset::DataSetChanged, this, &TqorDataSetModel::DataSetChanged);
  connect(&FDataSet, &TqorMemoryDataset::RecordAboutToBeAppended, this, &TqorDataSetModel::RecordAboutToBeAppended);
  connect(&FDataSet, &TqorMemoryDataset::RecordAppended, this, &TqorDataSetModel::RecordAppended);
  connect(&FDataSet, &TqorMemoryDataset::CurrentRowChanged, this, &TqorDataSetModel::CurrentRowChanged);
}

std::vector<int> TqorDataSetModel::VisibleFields() const {
  std::vector<int> fields;
  for (int i = 0; i < FDataSet.FieldCount(); ++i)
    if (FDataSet.Fields(i)->Visible()) fields.push_back(i);
  return fields;
}

TqorField* TqorDataSetModel::ColumnField(int Column) const {
  if (Column < 0 || Column >= columnCount()) return nullptr;
  return FDataSet.Fields(FColumns[Column]);
}

int TqorDataSetModel::rowCount(const QModelIndex& Parent) const { return Parent.isValid() ? 0 : FRowCount; }

int TqorDataSetModel::columnCount(const QModelIndex& Parent) const {
  return Parent.isValid() ? 0 : static_cast<int>(FColumns.size());
}

QVariant TqorDataSetModel::data(const QModelIndex& Index, int Role) const {
  const TqorField* field = Index.isValid() ? ColumnField(Index.column()) : nullptr;
  if (!field) return {};
  switch (Role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return ViewText(*field, Index.row());
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(field->Alignment() | Qt::AlignVCenter);
    default:
      return {};
  }
}

QString TqorDataSetModel::ViewText(const TqorField& Field, int Row) const {
  return FViewText ? FViewText(Field, Row) : Field.DisplayTextAt(Row);
}

void TqorDataSetModel::setViewText(TqorViewText Text) {
  FViewText = std::move(Text);
  if (FRowCount > 0) emit dataChanged(index(0, 0), index(FRowCount - 1, columnCount() - 1));
}

void TqorDataSetModel::setRowTitle(TqorRowTitle Title) {
  FRowTitle = std::move(Title);
  if (FRowCount > 0) emit headerDataChanged(Qt::Vertical, 0, FRowCount - 1);
}

QVariant TqorDataSetModel::headerData(int Section, Qt::Orientation Orientation, int Role) const {
  if (Orientation == Qt::Vertical && Role == Qt::TextAlignmentRole && FRowTitle)
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  if (Role != Qt::DisplayRole) return {};
  if (Orientation == Qt::Vertical) {
    const QString title = FRowTitle ? FRowTitle(Section) : QString();
    if (Section != FCurrentRow) return title;
    return title.isEmpty() ? QString(QChar(CurrentRowMark)) : QChar(CurrentRowMark) + QStringLiteral(" ") + title;
  }
  const TqorField* field = ColumnField(Section);
  return field ? QVariant(field->DisplayName()) : QVariant();
}

Qt::ItemFlags TqorDataSetModel::flags(const QModelIndex& Index) const {
  return Index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

// The table sends this after it was opened or closed, or when a pause ends: the rows
// are told to the views as removed and inserted, so that a grid keeps its column
// widths; only other columns make the views start over.
void TqorDataSetModel::DataSetChanged() {
  const std::vector<int> columns = VisibleFields();
  const int rows = FDataSet.RecordCount();
  if (columns != FColumns) {
    beginResetModel();
    FColumns = columns;
    FRowCount = rows;
    FCurrentRow = FDataSet.RecNo();
    endResetModel();
    return;
  }
  if (FRowCount > 0) {
    beginRemoveRows(QModelIndex(), 0, FRowCount - 1);
    FRowCount = 0;
    endRemoveRows();
  }
  if (rows > 0) {
    beginInsertRows(QModelIndex(), 0, rows - 1);
    FRowCount = rows;
    endInsertRows();
  }
  CurrentRowChanged(FDataSet.RecNo());
}

void TqorDataSetModel::RecordAboutToBeAppended(int Row) { beginInsertRows(QModelIndex(), Row, Row); }

void TqorDataSetModel::RecordAppended(int Row) {
  FRowCount = Row + 1;
  endInsertRows();
}

void TqorDataSetModel::CurrentRowChanged(int Row) {
  const int previous = FCurrentRow;
  FCurrentRow = Row;
  for (int section : {previous, Row})
    if (section >= 0 && section < FRowCount) emit headerDataChanged(Qt::Vertical, section, section);
}

TqorDataSource::TqorDataSource(TqorMemoryDataset& DataSet, QObject* Parent)
    : QObject(Parent), FModel(new TqorDataSetModel(DataSet, this)) {
  // The model is connected first, so the views below see its rows already updated.
  connect(&DataSet, &TqorMemoryDataset::CurrentRowChanged, this, [this] {
    SelectCurrentRow();
    ShowCurrentRow();
  });
  connect(&DataSet, &TqorMemoryDataset::DataSetChanged, this, [this] {
    SelectCurrentRow();
    ShowCurrentRow();
  });
}

void TqorDataSource::AttachGrid(QTableView* Grid) {
  FGrid = Grid;
  Grid->setModel(FModel);
  Grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  Grid->setSelectionMode(QAbstractItemView::SingleSelection);
  Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  Grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  connect(Grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& Current) { GridRowSelected(Current.row()); });
  connect(FModel, &QAbstractItemModel::modelReset, this, &TqorDataSource::SizeColumns);
  SizeColumns();
  SelectCurrentRow();
}

void TqorDataSource::AttachField(QLineEdit* Edit, const QString& FieldName) {
  TqorField& field = DataSet().FieldByName(FieldName);
  Edit->setReadOnly(true);
  Edit->setAlignment(field.Alignment());
  FDetailFields.push_back({Edit, &field});
  ShowCurrentRow();
}

void TqorDataSource::AttachField(QPlainTextEdit* Edit, const QString& FieldName) {
  Edit->setReadOnly(true);
  FDetailFields.push_back({Edit, &DataSet().FieldByName(FieldName)});
  ShowCurrentRow();
}

void TqorDataSource::setViewText(TqorViewText Text) {
  FModel->setViewText(std::move(Text));
  ShowCurrentRow();
}

void TqorDataSource::ShowCurrentRow() {
  const int row = DataSet().RecNo();
  for (const TDetailField& detail : FDetailFields) {
    const QString text = row >= 0 ? FModel->ViewText(*detail.Field, row) : detail.Field->DisplayText();
    if (auto* line = qobject_cast<QLineEdit*>(detail.Edit))
      line->setText(text);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(detail.Edit))
      plain->setPlainText(text);
  }
}

void TqorDataSource::SelectCurrentRow() {
  if (!FGrid) return;
  const int row = DataSet().RecNo();
  QItemSelectionModel* selection = FGrid->selectionModel();
  const QModelIndex index = FModel->index(row, 0);
  if (!index.isValid()) {
    selection->clear();
    return;
  }
  if (selection->currentIndex().row() != row)
    selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  FGrid->scrollTo(index);
}

// A column is as wide as its display width in digits of the grid's font, and never
// narrower than its title.
void TqorDataSource::SizeColumns() {
  const QFontMetrics digits(FGrid->font());
  const QFontMetrics titles(FGrid->horizontalHeader()->font());
  for (int column = 0; column < FModel->columnCount(); ++column) {
    const TqorField& field = *FModel->ColumnField(column);
    const int width = std::max(field.DisplayWidth() * digits.horizontalAdvance(QLatin1Char('0')),
                               titles.horizontalAdvance(field.DisplayName()));
    FGrid->setColumnWidth(column, width + ColumnPadding);
  }
}

void TqorDataSource::GridRowSelected(int Row) {
  TqorMemoryDataset& table = DataSet();
  if (Row >= 0 && Row < table.RecordCount() && Row != table.RecNo() && !table.ControlsDisabled()) table.setRecNo(Row);
}
