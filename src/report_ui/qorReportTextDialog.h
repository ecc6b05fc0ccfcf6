#pragma once
// The designer's editor of a text object: the text, and beside it the names the text
// can use (variables by category, the fields of the bound tables, page numbers); a
// double click inserts the chosen name as an expression at the cursor.

#include "qorReportEngine.h"
#include "qorReportPreparation.h"

#include <QDialog>

#include <vector>

class QPlainTextEdit;
class QTreeWidget;
class QTreeWidgetItem;

class TqorReportTextDialog : public QDialog {
  Q_OBJECT

public:
  TqorReportTextDialog(const QString& Text, const TqorReportVariables& Variables,
                       const std::vector<TqorReportDataSet>& DataSets, QWidget* Parent = nullptr);

  QString Text() const;
  // The tree of insertable names; each leaf carries its expression.
  QTreeWidget* Names() const { return FNames; }
  // Inserts the expression of Item at the cursor; items without one insert nothing.
  void Insert(QTreeWidgetItem* Item);

private:
  void FillNames(const TqorReportVariables& Variables, const std::vector<TqorReportDataSet>& DataSets);

  QPlainTextEdit* FEdit;
  QTreeWidget* FNames;
};
