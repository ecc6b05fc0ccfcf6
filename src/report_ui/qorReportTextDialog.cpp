#include "qorReportTextDialog.h"

#include "qorMemoryDataset.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int ExpressionRole = Qt::UserRole;
constexpr int NamesWidth = 220;

QTreeWidgetItem* Group(QTreeWidgetItem* Parent, const QString& Caption) {
  auto* item = new QTreeWidgetItem(Parent, {Caption});
  item->setExpanded(true);
  return item;
}

void Leaf(QTreeWidgetItem* Parent, const QString& Caption, const QString& Expression) {
  auto* item = new QTreeWidgetItem(Parent, {Caption});
  item->setData(0, ExpressionRole, QStringLiteral("[%1]").arg(Expression));
}
}  // namespace

TqorReportTextDialog::TqorReportTextDialog(const QString& Text, const TqorReportVariables& Variables,
                                           const std::vector<TqorReportDataSet>& DataSets, QWidget* Parent)
    : QDialog(Parent), FEdit(new QPlainTextEdit(Text, this)), FNames(new QTreeWidget(this)) {
  setWindowTitle(QStringLiteral("Text bearbeiten"));
  FEdit->moveCursor(QTextCursor::End);
  FNames->setHeaderLabel(QStringLiteral("Einfügen (Doppelklick)"));
  FNames->setFixedWidth(NamesWidth);
  FillNames(Variables, DataSets);
  connect(FNames, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) { Insert(item); });
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* fields = new QHBoxLayout;
  fields->addWidget(FEdit);
  fields->addWidget(FNames);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(buttons);
}

QString TqorReportTextDialog::Text() const { return FEdit->toPlainText(); }

void TqorReportTextDialog::Insert(QTreeWidgetItem* Item) {
  const QString expression = Item ? Item->data(0, ExpressionRole).toString() : QString();
  if (expression.isEmpty()) return;
  FEdit->insertPlainText(expression);
  FEdit->setFocus();
}

void TqorReportTextDialog::FillNames(const TqorReportVariables& Variables,
                                     const std::vector<TqorReportDataSet>& DataSets) {
  QTreeWidgetItem* variables = Group(FNames->invisibleRootItem(), QStringLiteral("Variablen"));
  QTreeWidgetItem* category = variables;
  for (const TqorReportVariables::TVariable& variable : Variables.Items()) {
    if (TqorReportVariables::IsCategory(variable.Name))
      category = Group(variables, variable.Name.trimmed());
    else
      Leaf(category, variable.Name, variable.Name);
  }
  QTreeWidgetItem* tables = Group(FNames->invisibleRootItem(), QStringLiteral("Datensätze"));
  for (const TqorReportDataSet& dataSet : DataSets) {
    QTreeWidgetItem* table = Group(tables, dataSet.UserName);
    for (int i = 0; i < dataSet.DataSet->FieldCount(); ++i) {
      const QString field = dataSet.DataSet->Fields(i)->FieldName();
      Leaf(table, field, QStringLiteral("%1.\"%2\"").arg(dataSet.UserName, field));
    }
  }
  QTreeWidgetItem* system = Group(FNames->invisibleRootItem(), QStringLiteral("Seiten"));
  Leaf(system, QStringLiteral("Seitennummer"), QStringLiteral("Page#"));
  Leaf(system, QStringLiteral("Seitenzahl"), QStringLiteral("TotalPages#"));
}
