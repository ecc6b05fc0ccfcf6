#pragma once
// What the report wrapper asks of a report engine, in the order of a run: clear the
// report, load a template, set variables, bind tables, hook the printing of objects,
// name the report and its file, then design, show or print it. TqorReport is the
// engine; tests put a recording engine in its place.

#include <QString>
#include <QVariant>

#include <functional>
#include <utility>

class TqorField;
class TqorMemoryDataset;
class TqorReportObject;

// The printed text of Field's value in row Row of its table.
using TqorReportFieldText = std::function<QString(const TqorField& Field, int Row)>;

// A table handed to the report under a user name, the name that the template's
// expressions and bands use. The table is not owned.
class TqorReportDataSet {
public:
  TqorReportDataSet(const QString& AUserName, TqorMemoryDataset& ADataSet, TqorReportFieldText AText = {})
      : UserName(AUserName), DataSet(&ADataSet), Text(std::move(AText)) {}

  QString UserName;
  TqorMemoryDataset* DataSet;
  // How the report prints the table's values; empty: the fields' display texts.
  TqorReportFieldText Text;
};

// Called with each object of the template just before it is printed.
using TqorBeforePrintEvent = std::function<void(TqorReportObject& Sender)>;

class TqorReportEngine {
public:
  virtual ~TqorReportEngine() = default;

  // Forgets template, variables, data sets and prepared pages: an empty A4 page.
  virtual void Clear() = 0;
  // Reads the template FileName; false, with the reason in ErrorText, when the file is
  // missing or holds no template. Never raises.
  virtual bool LoadFromFile(const QString& FileName) = 0;
  // Sets the variable Name (letter case ignored), appending it when new. A name that
  // begins with a blank heads a category of the variables after it. Numbers,
  // booleans and dates pass as they are; a text is an expression, a string literal in
  // single quotes with inner quotes doubled ('it''s').
  virtual void SetVariable(const QString& Name, const QVariant& Value) = 0;
  // Unbinds every table.
  virtual void ClearDataSets() = 0;
  // Binds a table; DataSet must outlive the report's use of it.
  virtual void AddDataSet(const TqorReportDataSet& DataSet) = 0;
  virtual void setOnBeforePrint(TqorBeforePrintEvent Handler) = 0;
  // The report's title in the preview and in printed files.
  virtual void setReportName(const QString& Name) = 0;
  // The template file that the designer saves to.
  virtual void setFileName(const QString& Name) = 0;
  // The PDF file that Print writes; empty: the default printer, or, without a
  // printer, a PDF file named after the report in the user's documents folder.
  virtual void setPrintFileName(const QString& Name) = 0;
  // Opens the designer on the template, modally.
  virtual void DesignReport() = 0;
  // Prepares the pages and shows them in the preview, modally.
  virtual void ShowReport() = 0;
  // Prepares the pages; false, with the reason in ErrorText, when they cannot be laid out.
  virtual bool PrepareReport() = 0;
  // Prints the prepared pages; false, with the reason in ErrorText, on failure.
  virtual bool Print() = 0;
  // Why the last LoadFromFile, PrepareReport or Print answered false.
  virtual QString ErrorText() const = 0;
};
