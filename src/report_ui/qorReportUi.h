#pragma once
// The report engine with a screen: the designer and the print preview open as modal
// dialogs over the owner widget, and printing goes to the default printer when one is
// set up.

#include "qorReport.h"

class QPrinter;
class QWidget;

class TqorReportUi : public TqorReport {
public:
  // An empty report whose dialogs belong to Owner when it is a widget; the report
  // belongs to whoever creates it.
  explicit TqorReportUi(QObject* Owner = nullptr);

  // Opens the designer on the template, modally.
  void DesignReport() override;
  // Prepares the pages and shows them in the preview, modally; raises Exception with
  // the reason when they cannot be laid out.
  void ShowReport() override;
  // Without a print file, prints on the default printer; without that too, or with a
  // print file, writes the PDF file as TqorReport does.
  bool Print() override;

  // Draws the prepared pages onto Printer.
  void PrintTo(QPrinter& Printer) const;

private:
  // Owner when it is a widget.
  QWidget* DialogParent() const;
  // Paper and document name of the report on Printer.
  void SetUpPrinter(QPrinter& Printer) const;
  // Prints the prepared pages on the default printer; raises EInOutError when it
  // cannot start.
  void PrintOnDefaultPrinter() const;
};
