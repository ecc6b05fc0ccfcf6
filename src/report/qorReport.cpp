#include "qorReport.h"

#include "qorException.h"
#include "qorFileUtils.h"
#include "qorReportPrint.h"

#include <QDir>
#include <QStandardPaths>

namespace {
// The file name of a report without a name.
const QString UnnamedReport = QStringLiteral("Bericht");
const QString PdfExtension = QStringLiteral(".pdf");
const QString NoScreen = QStringLiteral(
    "Der Bericht '%1' kann hier nur als PDF-Datei ausgegeben werden: Vorschau und Designer fehlen.");
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
  if (!Answer([&] { FTemplate.LoadFromFile(FileName); })) return false;
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

void TqorReport::DesignReport() { throw Exception(NoScreen.arg(FReportName).toStdString()); }

void TqorReport::ShowReport() { throw Exception(NoScreen.arg(FReportName).toStdString()); }

bool TqorReport::PrepareReport() {
  FPages.clear();
  return Answer([this] { FPages = TqorReportPreparation(FTemplate, FVariables, FDataSets, FOnBeforePrint).Run(); });
}

bool TqorReport::Print() {
  return Answer([this] {
    WritePreparedPagesToPdf(FPages, FTemplate.Page, FReportName,
                            FPrintFileName.isEmpty() ? DefaultPrintFileName() : FPrintFileName);
  });
}

QString TqorReport::ErrorText() const { return FErrorText; }

QString TqorReport::DefaultPrintFileName() const {
  const QString name = RemoveInvalidFileNameChars(FReportName).trimmed();
  const QString folder = GetWindowsFolder(QStandardPaths::DocumentsLocation);
  return QDir(folder).filePath((name.isEmpty() ? UnnamedReport : name) + PdfExtension);
}
