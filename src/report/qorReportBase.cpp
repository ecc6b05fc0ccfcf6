#include "qorReportBase.h"

#include "qorProgramFolders.h"
#include "qorVersionInfo.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QTime>

namespace {
const QString DefaultReportFileExt = QStringLiteral(".fr3");
const QString DefaultFileName = QStringLiteral("qorReport");
const QString DefaultReportName = QStringLiteral("qor Report");

// The version information of the running program file, read once.
const TqorApplicationVersion& ProgramVersion() {
  static const TqorApplicationVersion version = [] {
    TqorApplicationVersion read;
    read.ReadVersion(QCoreApplication::applicationFilePath());
    return read;
  }();
  return version;
}
}  // namespace

TqorReportBase::TqorReportBase()
    : FReportFilePath(RunningProgramFolders().RptPath),
      FReportFileExt(DefaultReportFileExt),
      FFileName(DefaultFileName),
      FReportName(DefaultReportName) {}

void TqorReportBase::AddDataset(TqorMemoryDataset& DataSet, const QString& Name, TqorReportFieldText Text) {
  FDatasetList.emplace_back(Name, DataSet, std::move(Text));
}

void TqorReportBase::SetParameter(const QString& Name, const QVariant& Value) { FParameters.SetValue(Name, Value); }

bool TqorReportBase::Execute() {
  bool r = SetStandardParameters();
  if (r) r = RunReport();
  if (r) FinishReport();
  return r;
}

bool TqorReportBase::SetStandardParameters() {
  const TqorApplicationVersion& version = ProgramVersion();
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
