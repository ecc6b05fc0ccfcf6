#include "qorReportFR4Common.h"

#include "qorReport.h"
#include "qorStrUtils.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>

#include <cmath>

const char* const MsgTemplateMissing = "Die Berichtsvorlage '%1' existiert nicht.";

namespace {
// The variable that heads the category of the report's parameters.
const QString ReportCategory = QStringLiteral(" Report");
const QChar Quote = QLatin1Char('\'');

// Values the engine takes as they are; everything else goes as a string literal.
bool PassesUnchanged(const QVariant& Value) {
  switch (Value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Bool:
    case QMetaType::QDate:
    case QMetaType::QTime:
    case QMetaType::QDateTime:
      return true;
    default:
      return false;
  }
}

// 'text' with every quote inside doubled; null and empty give ''.
QString StringLiteral(const QVariant& Value) {
  QString text = Value.isNull() ? QString() : Value.toString();
  return Quote + text.replace(Quote, QStringLiteral("''")) + Quote;
}

// Pixels of a layout length, rounded as the layout rounds: halves to the even neighbour.
int RoundedPixels(double Length) { return static_cast<int>(std::lrint(Length)); }
}  // namespace

bool TqorReportFR4Common::RunReport() {
  bool r = TqorReportBase::RunReport();
  FErrorText.clear();
  const QString templateFile = TemplateFileName();
  const bool templateExists = !templateFile.isEmpty() && QFileInfo::exists(templateFile);
  // Without its template a report is an empty page; only the designer, which makes the
  // template, has a use for it.
  if (!templateFile.isEmpty() && !templateExists && !DesignReport()) {
    FErrorText = QString::fromUtf8(MsgTemplateMissing).arg(QDir::toNativeSeparators(templateFile));
    return false;
  }
  const std::vector<TqorReportDataSet> bindings = DatasetList();
  std::unique_ptr<TqorReportEngine> report = CreateReport();
  report->Clear();
  if (templateExists) r = report->LoadFromFile(templateFile);
  if (r) {
    SetVariables(*report);
    report->ClearDataSets();
    for (const TqorReportDataSet& binding : bindings) report->AddDataSet(binding);
    report->setOnBeforePrint([this](TqorReportObject& Sender) { DoBeforePrint(Sender); });
    report->setReportName(ReportName());
    report->setFileName(templateFile);
    r = Output(*report, templateExists);
  }
  if (!r) FErrorText = report->ErrorText();
  return r;
}

QString TqorReportFR4Common::TemplateFileName() const {
  if (ReportFileName().isEmpty()) return QString();
  const QString folder = QDir::fromNativeSeparators(ReportFilePath());
  return (folder.isEmpty() ? folder : IncludeTrailingChar(folder, QLatin1Char('/'))) + ReportFileName() +
         ReportFileExt();
}

std::unique_ptr<TqorReportEngine> TqorReportFR4Common::CreateReport() {
  std::unique_ptr<TqorReport> report = FEngineFactory ? FEngineFactory(Owner()) : std::make_unique<TqorReport>(Owner());
  report->setPrintFileName(FPrintFileName);
  return report;
}

void TqorReportFR4Common::DoBeforePrint(TqorReportObject& Sender) {
  auto* picture = dynamic_cast<TqorReportPicture*>(&Sender);
  if (!picture) return;
  QBuffer stream;
  stream.open(QIODevice::ReadWrite);
  if (GetPicture(picture->Name, RoundedPixels(picture->Bounds.width()), RoundedPixels(picture->Bounds.height()),
                 stream))
    picture->LoadFromStream(stream);
}

void TqorReportFR4Common::SetVariables(TqorReportEngine& Report) const {
  Report.SetVariable(ReportCategory, QVariant());
  const TqorParameterList& parameters = Parameters();
  for (int i = 0; i < parameters.Count(); ++i) {
    const TqorParameter* parameter = parameters.Items(i);
    const QVariant& value = parameter->Value;
    Report.SetVariable(parameter->Name, PassesUnchanged(value) ? value : QVariant(StringLiteral(value)));
  }
}

bool TqorReportFR4Common::Output(TqorReportEngine& Report, bool Loaded) {
  if (PrintPreview() || !Loaded) {
    if (DesignReport())
      Report.DesignReport();
    else
      Report.ShowReport();
    return true;
  }
  return Report.PrepareReport() && Report.Print();
}
