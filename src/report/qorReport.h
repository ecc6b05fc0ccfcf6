#pragma once
// The report engine: a template read from its file, variables and bound tables, the
// pages prepared from them, and those pages written as a PDF file. It needs Qt Gui
// only; the designer, the preview and the printers come with TqorReportUi.

#include "qorException.h"
#include "qorReportEngine.h"
#include "qorReportPreparation.h"
#include "qorReportTemplate.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <vector>

class TqorReport : public TqorReportEngine {
public:
  // An empty report; Owner, when it is a widget, is the parent of the dialogs of a
  // report with a screen. The report belongs to whoever creates it, never to Owner.
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
  // Without a screen there is neither designer nor preview: both raise Exception.
  void DesignReport() override;
  void ShowReport() override;
  bool PrepareReport() override;
  // Writes the prepared pages as a PDF file: the print file, or without one the
  // default print file.
  bool Print() override;
  QString ErrorText() const override;

  TqorReportTemplate& Template() { return FTemplate; }
  const TqorReportTemplate& Template() const { return FTemplate; }
  const TqorReportVariables& Variables() const { return FVariables; }
  const std::vector<TqorReportDataSet>& DataSets() const { return FDataSets; }
  const QString& ReportName() const { return FReportName; }
  const QString& FileName() const { return FFileName; }
  const QString& PrintFileName() const { return FPrintFileName; }
  // The file the template was read from; empty when it was not read from one.
  const QString& LoadedFileName() const { return FLoadedFileName; }
  // The pages of the last preparation.
  const std::vector<TqorPreparedPage>& PreparedPages() const { return FPages; }
  // The PDF file of Print when no print file is named and no printer is set up: the
  // report's name in the user's documents folder, which is created when missing.
  QString DefaultPrintFileName() const;

protected:
  // The owner given at construction, while it lives.
  QObject* Owner() const { return FOwner.data(); }
  // Runs Step, which may raise Exception; its message becomes ErrorText and the
  // answer false.
  template <class TStep>
  bool Answer(TStep&& Step) {
    try {
      Step();
    } catch (const Exception& error) {
      FErrorText = QString::fromStdString(error.Message());
      return false;
    }
    return true;
  }

private:
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
