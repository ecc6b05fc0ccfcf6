#pragma once
// The run of a report on the report engine: the registered tables become bindings,
// the template is loaded, the parameters become variables of the category " Report",
// every picture object asks GetPicture for its picture, and the engine shows its
// preview or designer, or prints.

#include "qorReportBase.h"

#include <QString>

#include <functional>
#include <memory>

class TqorReport;
class TqorReportObject;

// "Die Berichtsvorlage '<file>' existiert nicht."
extern const char* const MsgTemplateMissing;

class TqorReportFR4Common : public TqorReportBase {
public:
  // Loads the template (a template that fails to load answers false, with nothing
  // shown), sets the variables and bindings, then shows the preview or designer when
  // PrintPreview is set or no template was loaded, and otherwise prepares and prints.
  // A named template that does not exist answers false with MsgTemplateMissing unless
  // the designer opens, which starts an empty template under that name. The engine
  // objects are freed whatever happens.
  bool RunReport() override;

  // ReportFilePath, with a separator when it has none at its end, followed by
  // ReportFileName and ReportFileExt; empty without ReportFileName.
  QString TemplateFileName() const;
  // The PDF file of direct printing; empty: the default printer, or a PDF file in the
  // user's documents folder when no printer is set up.
  const QString& PrintFileName() const { return FPrintFileName; }
  void setPrintFileName(const QString& value) { FPrintFileName = value; }
  // Why the last run answered false; empty after a run that did not.
  const QString& ErrorText() const { return FErrorText; }
  // Makes the engine of a run, whose dialogs belong to Owner. Unset: a TqorReport, which
  // writes PDF files only; a program with a screen sets one that makes a TqorReportUi.
  using TEngineFactory = std::function<std::unique_ptr<TqorReport>(QObject* Owner)>;
  void setEngineFactory(TEngineFactory value) { FEngineFactory = std::move(value); }

protected:
  // The engine of one run, owned by the run; its dialogs belong to Owner.
  virtual std::unique_ptr<TqorReportEngine> CreateReport();
  // The engine's call before it prints Sender: a picture object gets its picture from
  // GetPicture at its size rounded to whole pixels.
  void DoBeforePrint(TqorReportObject& Sender);

private:
  // The variable category " Report" and every parameter in list order.
  void SetVariables(TqorReportEngine& Report) const;
  // Shows or prints; answers the engine's result.
  bool Output(TqorReportEngine& Report, bool Loaded);

  QString FPrintFileName;
  QString FErrorText;
  TEngineFactory FEngineFactory;
};
