#include "qorReportUi.h"

#include "qorReportDesigner.h"
#include "qorReportPrint.h"

#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QWidget>

TqorReportUi::TqorReportUi(QObject* Owner) : TqorReport(Owner) {}

void TqorReportUi::DesignReport() {
  TqorReportDesigner designer(*this, DialogParent());
  designer.exec();
}

void TqorReportUi::ShowReport() {
  if (!PrepareReport()) throw Exception(ErrorText().toStdString());
  QPrinter printer(QPrinter::HighResolution);
  SetUpPrinter(printer);
  QPrintPreviewDialog preview(&printer, DialogParent());
  preview.setWindowTitle(QStringLiteral("Vorschau: %1").arg(ReportName()));
  QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                   [this](QPrinter* target) { PrintTo(*target); });
  preview.exec();
}

bool TqorReportUi::Print() {
  if (!PrintFileName().isEmpty() || QPrinterInfo::defaultPrinter().isNull()) return TqorReport::Print();
  return Answer([this] { PrintOnDefaultPrinter(); });
}

void TqorReportUi::PrintTo(QPrinter& Printer) const {
  QPainter painter(&Printer);
  if (painter.isActive()) PaintPreparedPages(PreparedPages(), painter, Printer);
}

QWidget* TqorReportUi::DialogParent() const { return qobject_cast<QWidget*>(Owner()); }

void TqorReportUi::PrintOnDefaultPrinter() const {
  QPrinter printer(QPrinterInfo::defaultPrinter(), QPrinter::HighResolution);
  SetUpPrinter(printer);
  QPainter painter(&printer);
  if (!painter.isActive())
    throw EInOutError(QStringLiteral("Der Drucker '%1' kann nicht drucken.").arg(printer.printerName()).toStdString());
  PaintPreparedPages(PreparedPages(), painter, printer);
}

void TqorReportUi::SetUpPrinter(QPrinter& Printer) const {
  Printer.setPageLayout(ReportPageLayout(Template().Page));
  Printer.setFullPage(true);
  Printer.setDocName(ReportName());
}
