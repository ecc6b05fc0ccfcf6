#include "qorReportBase.h"

#include "qorAppSvcProvBase.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QTime>

namespace {
const QString DefaultReportFileExt = QStringLiteral(".fr3");
const QString DefaultFileName = QStringLiteral("qorReport");
const QString DefaultReportName = QStringLiteral("qor Report");

// The provider's folders of a program without a provider (the batch program): those
// that the provider would give it.
QString ProgramReportPath() {
  TqorApplicationServiceProviderBase folders(nullptr, {}, QCoreApplication::applicationFilePath());
  folders.SetBinPath(QCoreApplication::applicationDirPath() + QLatin1Char('/'));
  return folders.RptPath();
}

TqorApplicationVersion ProgramVersion() {
  if (const TqorApplicationServiceProviderBase* provider = GlobalServiceProviderOrNone())
    return provider->AppVersion();
  TqorApplicationVersion version;
  version.ReadVersion(QCoreApplication::applicationFilePath());
  return version;
}
}  // namespace

TqorReportBase::TqorReportBase()
    : FReportFileExt(DefaultReportFileExt), FFileName(DefaultFileName), FReportName(DefaultReportName) {
  const TqorApplicationServiceProviderBase* provider = GlobalServiceProviderOrNone();
  FDesignReport = provider && provider->RptDesignerEnabled();
  FReportFilePath = provider ? provider->RptPath() : ProgramReportPath();
}

void TqorReportBase::AddDataset(TqorMemoryDataset& DataSet, const QString& Name) {
  FDatasetList.emplace_back(Name, DataSet);
}

void TqorReportBase::SetParameter(const QString& Name, const QVariant& Value) { FParameters.SetValue(Name, Value); }

bool TqorReportBase::Execute() {
  bool r = SetStandardParameters();
  if (r) r = RunReport();
  if (r) FinishReport();
  return r;
}

bool TqorReportBase::SetStandardParameters() {
  const TqorApplicationVersion version = ProgramVersion();
  SetParameter(QStringLiteral("AppVersion"), version.FileVersion().AsDisplayString());
  SetParameter(QStringLiteral("AppDescription"), version.FileDescription());
  SetParameter(QStringLiteral("AppCopyright"), version.LegalCopyright());
  const QDateTime now = QDateTime::currentDateTime();
  SetParameter(QStringLiteral("PrintTimestamp"), now.time());
  SetParameter(QStringLiteral("PrintDate"), now.date());
  return true;
}

bool TqorReportBase::RunReport() { return true; }

void TqorReportBase::FinishReport() { FDatasetList.clear(); }

bool TqorReportBase::GetPicture(const QString& /*Name*/, int /*Width*/, int /*Height*/, QIODevice& /*Stream*/) {
  return true;
}
