#pragma once
// The report engine: a template read from its file, variables and bound tables, the
// pages prepared from them, and the designer, preview and printing on top.

#include "qorReportEngine.h"
#include "qorReportPreparation.h"
#include "qorReportTemplate.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <vector>

class QPrinter;
class QWidget;

class TqorReport : public TqorReportEngine {
public:
  // An empty report; Owner, when it is a widget, is the parent of its dialogs. The
  // report belongs to whoever creates it, never to Owner.
  explicit TqorReport(QObject* Owner = nullptr);

  void Clear() override;
  bool LoadFromFile(const QString& FileName) override;
  void SetVariable(const QString& Name, const QVariant& Value) override;
  void ClearDataSets() override;
  void AddDataSet(const TqorReportDataSet& DataSet) override;
  void setOnBeforePrint(TqorBeforePrintEvent Handler) override;
  void setReportName(const QString& Name) override;
  void setFileName(const QString& Name) override;
  void setPrintFileName(const QString& Name) override;
  void DesignReport() override;
  void ShowReport() override;
  bool PrepareReport() override;
  bool Print() override;
  QString ErrorText() const override;

  TqorReportTemplate& Template() { return FTemplate; }
  const TqorReportVariables& Variables() const { return FVariables; }
  const std::vector<TqorReportDataSet>& DataSets() const { return FDataSets; }
  const QString& ReportName() const { return FReportName; }
  const QString& FileName() const { return FFileName; }
  const QString& PrintFileName() const { return FPrintFileName; }
  // The file the template was read from; empty when it was not read from one.
  const QString& LoadedFileName() const { return FLoadedFileName; }
  // The pages of the last preparation.
  const std::vector<TqorPreparedPage>& PreparedPages() const { return FPages; }
  // Draws the prepared pages onto Printer.
  void PrintTo(QPrinter& Printer) const;
  // The PDF file of Print when no print file is named and no printer is set up: the
  // report's name in the user's documents folder, which is created when missing.
  QString DefaultPrintFileName() const;

private:
  // Owner when it is a widget.
  QWidget* DialogParent() const;
  // Paper and document name of the report on Printer.
  void SetUpPrinter(QPrinter& Printer) const;
  // Prints the prepared pages on the default printer; raises EInOutError when it
  // cannot start.
  void PrintOnDefaultPrinter() const;

  QPointer<QObject> FOwner;
  TqorReportTemplate FTemplate;
  TqorReportVariables FVariables;
  std::vector<TqorReportDataSet> FDataSets;
  TqorBeforePrintEvent FOnBeforePrint;
  std::vector<TqorPreparedPage> FPages;
  QString FReportName;
  QString FFileName;
  QString FPrintFileName;
  QString FLoadedFileName;
  QString FErrorText;
};
