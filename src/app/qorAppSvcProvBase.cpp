#include "qorAppSvcProvBase.h"

#include "qorException.h"
#include "qorFileUtils.h"
#include "qorProgramFolders.h"

#include <QCoreApplication>

const char* const MsgNoGlobalServiceProvider =
    "In qorAppSvcProvBase wurde der globale Application Service Provider nicht initialisiert!";
const char* const MsgNoStorageClass =
    "Der Application Service Provider hat keine Klasse für den Konfigurationsspeicher.";
const char* const MsgNoStorage = "Der Application Service Provider hat keinen Konfigurationsspeicher.";

namespace {

// The registered provider.
TqorApplicationServiceProviderBase* GlobalProvider = nullptr;

// Where the program configuration lies.
const QString kConfigKey = QStringLiteral("Config");
const QString kReportConfigKey = QStringLiteral("Config\\Report");
const QString kBinPathName = QStringLiteral("BinPath");
const QString kReportDesignerName = QStringLiteral("ReportDesignerEnabled");

// The characters that open a named parameter, and those that end its name.
const QString kParamPrefixes = QStringLiteral("-/");
const QChar kValueSeparators[] = {QLatin1Char(':'), QLatin1Char('=')};

QStringList ApplicationArguments() {
  return QCoreApplication::instance() ? QCoreApplication::arguments().mid(1) : QStringList();
}

QString ApplicationFile() { return QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString(); }

}  // namespace

TqorApplicationParam::TqorApplicationParam(const QString& Argument) {
  if (Argument.isEmpty() || !kParamPrefixes.contains(Argument.front())) {
    PType = ptString;
    Value = Argument;
    return;
  }
  qsizetype separator = -1;
  for (const QChar candidate : kValueSeparators) {
    const qsizetype at = Argument.indexOf(candidate);
    if (at >= 0 && (separator < 0 || at < separator)) separator = at;
  }
  if (separator < 0) {
    PType = ptSwitch;
    Name = Argument.mid(1);
    return;
  }
  PType = ptValue;
  Name = Argument.mid(1, separator - 1);
  Value = Argument.mid(separator + 1);
}

TqorApplicationServiceProviderBase::TqorApplicationServiceProviderBase(QObject* Owner)
    : TqorApplicationServiceProviderBase(Owner, ApplicationArguments(), ApplicationFile()) {}

TqorApplicationServiceProviderBase::TqorApplicationServiceProviderBase(QObject* Owner, const QStringList& Arguments,
                                                                       const QString& ProgramFile)
    : QObject(Owner), FProgramFile(ProgramFile) {
  FAppVersion.ReadVersion(ProgramFile);
  for (const QString& argument : Arguments) FAppParams.emplace_back(argument);
}

TqorApplicationServiceProviderBase::~TqorApplicationServiceProviderBase() {
  if (GlobalProvider == this) GlobalProvider = nullptr;
}

void TqorApplicationServiceProviderBase::SetGlobalServiceProvider() { GlobalProvider = this; }

TqorAppStorageBase& TqorApplicationServiceProviderBase::Storage() const {
  if (!FCfg) throw Exception(MsgNoStorage);
  return *FCfg;
}

std::unique_ptr<TqorAppStorageBase> TqorApplicationServiceProviderBase::GetAppStorage() const {
  TqorAppStorageBase& source = Storage();
  std::unique_ptr<TqorAppStorageBase> storage = FClassOfCfg();
  storage->Assign(source);
  return storage;
}

void TqorApplicationServiceProviderBase::SetBinPath(const QString& Value) {
  SetProgramFolders(ProgramFoldersOf(Value));
}

void TqorApplicationServiceProviderBase::SetProgramFolders(const TqorProgramFolders& Folders) {
  FBinPath = Folders.BinPath;
  FProgPath = Folders.ProgPath;
  FDataPath = Folders.DataPath;
  FCfgPath = Folders.CfgPath;
  FRptPath = Folders.RptPath;
}

const TqorApplicationParam& TqorApplicationServiceProviderBase::AppParam(int Index) const {
  if (Index < 0 || Index >= AppParamCount())
    throw EListError(QStringLiteral("Listenindex überschreitet das Maximum (%1)").arg(Index).toStdString());
  return FAppParams[static_cast<std::size_t>(Index)];
}

const TqorApplicationParam* TqorApplicationServiceProviderBase::AppParamByName(const QString& Name) const {
  for (const TqorApplicationParam& param : FAppParams)
    if (param.Name.compare(Name, Qt::CaseInsensitive) == 0) return &param;
  return nullptr;
}

QString TqorApplicationServiceProviderBase::AppParamGetValue(const QString& Name, const QString& Default) const {
  const TqorApplicationParam* param = AppParamByName(Name);
  return param ? param->Value : Default;
}

QString TqorApplicationServiceProviderBase::GetSysInfo() const { return FComputer + QLatin1Char('/') + FUser.DBUser; }

void TqorApplicationServiceProviderBase::Setup() {
  if (!FClassOfCfg) throw Exception(MsgNoStorageClass);
  FCfg = FClassOfCfg();
  CreatePath(FDataPath);
  CreatePath(FCfgPath);
  CreatePath(FRptPath);
  ProvideReportTemplates({FBinPath, FProgPath, FDataPath, FCfgPath, FRptPath});
}

void TqorApplicationServiceProviderBase::ReadConfig() {
  TqorAppStorageBase& storage = Storage();
  const QString binPath = storage.ReadString(aslsProgramConfig, kConfigKey, kBinPathName, FBinPath);
  // An empty configured folder is no folder, and the program's own one, written back
  // by WriteConfig, is no new one: the program's folders stay.
  if (!binPath.isEmpty() && binPath != FBinPath) SetBinPath(binPath);
  FRptDesignerEnabled = storage.ReadBoolean(aslsProgramConfig, kReportConfigKey, kReportDesignerName,
                                            FRptDesignerEnabled);
}

void TqorApplicationServiceProviderBase::WriteConfig() {
  TqorAppStorageBase& storage = Storage();
  storage.WriteValue(aslsProgramConfig, kConfigKey, kBinPathName, TqorValue(FBinPath));
  storage.WriteValue(aslsProgramConfig, kReportConfigKey, kReportDesignerName, TqorValue(FRptDesignerEnabled));
}

void TqorApplicationServiceProviderBase::BusyStatus(const QString& Text) {
  emit BusyStatusNotification(Text);
  FBusyStatusStack.clear();
}

int TqorApplicationServiceProviderBase::PushBusyStatus(const QString& Text) {
  FBusyStatusStack.append(Text);
  emit BusyStatusNotification(Text);
  return static_cast<int>(FBusyStatusStack.size()) - 1;
}

void TqorApplicationServiceProviderBase::PopBusyStatus(int Index) {
  const qsizetype index = Index < 0 ? FBusyStatusStack.size() - 1 : Index;
  if (index >= 0 && index < FBusyStatusStack.size()) FBusyStatusStack.removeAt(index);
  emit BusyStatusNotification(FBusyStatusStack.isEmpty() ? QString() : FBusyStatusStack.last());
}

void TqorApplicationServiceProviderBase::StatusMessage(const QString& Text) { emit StatusMessageNotification(Text); }

TqorApplicationServiceProviderBase* GlobalServiceProviderOrNone() { return GlobalProvider; }

TqorApplicationServiceProviderBase& GlobalServiceProvider() {
  if (!GlobalProvider) throw Exception(MsgNoGlobalServiceProvider);
  return *GlobalProvider;
}
