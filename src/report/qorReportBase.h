#pragma once
// The report wrapper through which windows print: a concrete report names its template
// and supplies pictures; the caller registers the tables it shows, sets parameters and
// calls Execute. Execute runs the phases in order (standard parameters, the run of the
// report, the finish) and stops at the first that answers false.
//
//   TrptPlot2D report;            // a TqorReportCommon
//   report.AddDataset(roots, "Nullstellen");
//   report.SetParameter("FunctionText", "sin(x)");
//   report.Execute();

#include "qorParameterList.h"
#include "qorReportEngine.h"

#include <QString>
#include <QVariant>

#include <vector>

class QIODevice;
class QObject;
class TqorMemoryDataset;

class TqorReportBase {
public:
  // Defaults: no parameters and tables, printing without preview, no designer, the
  // report folder of the running program (Config/Report beside its folder), extension
  // ".fr3", report name "qor Report", no template. A program with a configuration sets
  // its own folder and designer switch.
  TqorReportBase();
  virtual ~TqorReportBase() = default;
  TqorReportBase(const TqorReportBase&) = delete;
  TqorReportBase& operator=(const TqorReportBase&) = delete;

  // The named variables of the report.
  TqorParameterList& Parameters() { return FParameters; }
  const TqorParameterList& Parameters() const { return FParameters; }
  // The registered tables under their names, in order of registration.
  const std::vector<TqorReportDataSet>& DatasetList() const { return FDatasetList; }
  // Preview (true) or print directly (false).
  bool PrintPreview() const { return FPrintPreview; }
  void setPrintPreview(bool value) { FPrintPreview = value; }
  // Open the designer where the preview would open.
  bool DesignReport() const { return FDesignReport; }
  void setDesignReport(bool value) { FDesignReport = value; }
  // The template's name without folder and extension; empty for none.
  const QString& ReportFileName() const { return FReportFileName; }
  void setReportFileName(const QString& value) { FReportFileName = value; }
  // The template's folder.
  const QString& ReportFilePath() const { return FReportFilePath; }
  void setReportFilePath(const QString& value) { FReportFilePath = value; }
  // The template's extension with its dot.
  const QString& ReportFileExt() const { return FReportFileExt; }
  void setReportFileExt(const QString& value) { FReportFileExt = value; }
  // A file name kept for concrete reports; no phase uses it.
  const QString& FileName() const { return FFileName; }
  void setFileName(const QString& value) { FFileName = value; }
  // The report's name handed to the engine.
  const QString& ReportName() const { return FReportName; }
  void setReportName(const QString& value) { FReportName = value; }
  // The window that the engine's dialogs belong to (when it is a widget); the engine
  // objects themselves belong to the run.
  QObject* Owner() const { return FOwner; }
  void setOwner(QObject* value) { FOwner = value; }

  // Registers DataSet under Name after the tables registered before; a name may come
  // twice. The table is not owned and must outlive Execute. Text prints its values (the
  // fields' display texts when empty).
  void AddDataset(TqorMemoryDataset& DataSet, const QString& Name, TqorReportFieldText Text = {});
  // Sets the parameter Name (letter case ignored) to Value, appending it when new.
  void SetParameter(const QString& Name, const QVariant& Value);
  // SetStandardParameters, then RunReport when that succeeded, then FinishReport when
  // that succeeded; answers the last result.
  bool Execute();

  // Sets "AppVersion", "AppDescription", "AppCopyright" of the program's version
  // information, "PrintTimestamp" (the time of day, no date) and "PrintDate" (the
  // date, no time); answers true.
  virtual bool SetStandardParameters();
  // The run of the report; answers true here.
  virtual bool RunReport();
  // Forgets the registered tables, so that the wrapper can run again with new ones.
  virtual void FinishReport();
  // The picture for the template's picture object Name of Width x Height pixels,
  // written into the empty Stream; answers false to leave the object as it is. Writes
  // nothing here and answers true.
  virtual bool GetPicture(const QString& Name, int Width, int Height, QIODevice& Stream);

private:
  TqorParameterList FParameters;
  std::vector<TqorReportDataSet> FDatasetList;
  bool FPrintPreview = false;
  bool FDesignReport = false;
  QString FReportFileName;
  QString FReportFilePath;
  QString FReportFileExt;
  QString FFileName;
  QString FReportName;
  QObject* FOwner = nullptr;
};
