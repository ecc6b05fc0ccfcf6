#include "qorReport.h"

#include "qorException.h"
#include "qorFileUtils.h"
#include "qorReportDesigner.h"
#include "qorReportPrint.h"

#include <QDir>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <QWidget>

namespace {
// The file name of a report without a name.
const QString UnnamedReport = QStringLiteral("Bericht");
const QString PdfExtension = QStringLiteral(".pdf");
}  // namespace

TqorReport::TqorReport(QObject* Owner) : FOwner(Owner) {}

void TqorReport::Clear() {
  FTemplate = TqorReportTemplate();
  FVariables.Clear();
  FDataSets.clear();
  FPages.clear();
  FLoadedFileName.clear();
  FErrorText.clear();
}

bool TqorReport::LoadFromFile(const QString& FileName) {
  FLoadedFileName.clear();
  try {
    FTemplate.LoadFromFile(FileName);
  } catch (const Exception& error) {
    FErrorText = QString::fromStdString(error.Message());
    return false;
  }
  FLoadedFileName = FileName;
  return true;
}

void TqorReport::SetVariable(const QString& Name, const QVariant& Value) { FVariables.Set(Name, Value); }

void TqorReport::ClearDataSets() { FDataSets.clear(); }

void TqorReport::AddDataSet(const TqorReportDataSet& DataSet) { FDataSets.push_back(DataSet); }

void TqorReport::setOnBeforePrint(TqorBeforePrintEvent Handler) { FOnBeforePrint = std::move(Handler); }

void TqorReport::setReportName(const QString& Name) { FReportName = Name; }

void TqorReport::setFileName(const QString& Name) { FFileName = Name; }

void TqorReport::setPrintFileName(const QString& Name) { FPrintFileName = Name; }

void TqorReport::DesignReport() {
  TqorReportDesigner designer(*this, DialogParent());
  designer.exec();
}

void TqorReport::ShowReport() {
  if (!PrepareReport()) throw Exception(FErrorText.toStdString());
  QPrinter printer(QPrinter::HighResolution);
  SetUpPrinter(printer);
  QPrintPreviewDialog preview(&printer, DialogParent());
  preview.setWindowTitle(QStringLiteral("Vorschau: %1").arg(FReportName));
  QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                   [this](QPrinter* target) { PrintTo(*target); });
  preview.exec();
}

bool TqorReport::PrepareReport() {
  FPages.clear();
  try {
    FPages = TqorReportPreparation(FTemplate, FVariables, FDataSets, FOnBeforePrint).Run();
  } catch (const Exception& error) {
    FErrorText = QString::fromStdString(error.Message());
    return false;
  }
  return true;
}

bool TqorReport::Print() {
  try {
    if (!FPrintFileName.isEmpty())
      WritePreparedPagesToPdf(FPages, FTemplate.Page, FReportName, FPrintFileName);
    else if (QPrinterInfo::defaultPrinter().isNull())
      WritePreparedPagesToPdf(FPages, FTemplate.Page, FReportName, DefaultPrintFileName());
    else
      PrintOnDefaultPrinter();
  } catch (const Exception& error) {
    FErrorText = QString::fromStdString(error.Message());
    return false;
  }
  return true;
}

QString TqorReport::ErrorText() const { return FErrorText; }

void TqorReport::PrintTo(QPrinter& Printer) const {
  QPainter painter(&Printer);
  if (painter.isActive()) PaintPreparedPages(FPages, painter, Printer);
}

QString TqorReport::DefaultPrintFileName() const {
  const QString name = RemoveInvalidFileNameChars(FReportName).trimmed();
  const QString folder = GetWindowsFolder(QStandardPaths::DocumentsLocation);
  return QDir(folder).filePath((name.isEmpty() ? UnnamedReport : name) + PdfExtension);
}

QWidget* TqorReport::DialogParent() const { return qobject_cast<QWidget*>(FOwner.data()); }

void TqorReport::PrintOnDefaultPrinter() const {
  QPrinter printer(QPrinterInfo::defaultPrinter(), QPrinter::HighResolution);
  SetUpPrinter(printer);
  QPainter painter(&printer);
  if (!painter.isActive())
    throw EInOutError(QStringLiteral("Der Drucker '%1' kann nicht drucken.").arg(printer.printerName()).toStdString());
  PaintPreparedPages(FPages, painter, printer);
}

void TqorReport::SetUpPrinter(QPrinter& Printer) const {
  Printer.setPageLayout(ReportPageLayout(FTemplate.Page));
  Printer.setFullPage(true);
  Printer.setDocName(FReportName);
}
