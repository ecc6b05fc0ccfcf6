#pragma once
// The application service provider: the one process-wide object through which every
// window reaches the shared services of the program: configuration storage, the
// program's folders, the version information of the program file, the user data, the
// command-line parameters and the busy status that the main window shows.
// Start-up creates it before any window, registers it as the global provider, gives it
// the program's folder (SetBinPath), sets it up and lets it read its configuration.

#include "qorAppStorage.h"
#include "qorProgramFolders.h"
#include "qorUserData.h"
#include "qorVersionInfo.h"

#include <QObject>
#include <QSettings>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// "In qorAppSvcProvBase wurde der globale Application Service Provider nicht
// initialisiert!"
extern const char* const MsgNoGlobalServiceProvider;
// "Der Application Service Provider hat keine Klasse für den Konfigurationsspeicher."
extern const char* const MsgNoStorageClass;
// "Der Application Service Provider hat keinen Konfigurationsspeicher."
extern const char* const MsgNoStorage;

// The kinds of command-line parameters.
enum TqorParamType : int { ptString = 0, ptSwitch = 1, ptValue = 2, ptNone = 3 };

// One command-line argument.
class TqorApplicationParam : public TqorObject {
public:
  TqorApplicationParam() = default;
  // Parses Argument. Without a leading "-" or "/" it is a plain string (Value).
  // Otherwise, up to the first ":" or "=" (whichever comes first) is the Name after
  // the leading character and the rest is the Value; without either it is a switch
  // whose Name is all after the leading character.
  explicit TqorApplicationParam(const QString& Argument);

  QString Name;
  QString Value;
  TqorParamType PType = ptNone;
};

class TqorApplicationServiceProviderBase : public QObject {
  Q_OBJECT

public:
  // A provider owned by Owner (may be none) with the arguments of the running
  // application and the version information of its program file (none when no
  // application object exists).
  explicit TqorApplicationServiceProviderBase(QObject* Owner = nullptr);
  // A provider with the given arguments (program name excluded) and program file.
  TqorApplicationServiceProviderBase(QObject* Owner, const QStringList& Arguments, const QString& ProgramFile);
  // Stops being the global provider if it is.
  ~TqorApplicationServiceProviderBase() override;

  // Registers this provider as the global one.
  void SetGlobalServiceProvider();

  // The storage class Setup makes the configuration storage from; none here.
  TqorAppStorageClass ClassOfCfg() const { return FClassOfCfg; }
  void setClassOfCfg(TqorAppStorageClass value) { FClassOfCfg = value; }
  // The configuration storage; none until Setup.
  TqorAppStorageBase* Cfg() const { return FCfg.get(); }
  // A new storage of ClassOfCfg that copies Cfg (names and location); the caller owns it.
  std::unique_ptr<TqorAppStorageBase> GetAppStorage() const;

  TqorUserData& User() { return FUser; }
  const TqorUserData& User() const { return FUser; }
  const TqorApplicationVersion& AppVersion() const { return FAppVersion; }
  // The program file AppVersion was read from, with its folder; empty without one.
  const QString& ProgramFile() const { return FProgramFile; }
  // The INI file "QOR.INI" in the program's folder, bound by start-up; nothing reads
  // or writes it.
  QSettings* BinIni() const { return FBinIni.get(); }
  void setBinIni(std::unique_ptr<QSettings> value) { FBinIni = std::move(value); }
  const QString& Computer() const { return FComputer; }
  void setComputer(const QString& value) { FComputer = value; }
  QString SysInfo() const { return GetSysInfo(); }
  // Whether reports may be opened in the report designer; false until ReadConfig.
  bool RptDesignerEnabled() const { return FRptDesignerEnabled; }
  void setRptDesignerEnabled(bool value) { FRptDesignerEnabled = value; }

  // The program's folders, "/"-separated: BinPath as given, ProgPath its parent
  // folder, DataPath, CfgPath and RptPath below ProgPath. Empty until SetBinPath.
  const QString& BinPath() const { return FBinPath; }
  void setBinPath(const QString& value) { SetBinPath(value); }
  const QString& ProgPath() const { return FProgPath; }
  const QString& DataPath() const { return FDataPath; }
  const QString& CfgPath() const { return FCfgPath; }
  const QString& RptPath() const { return FRptPath; }
  // BinPath := Value; ProgPath := Value without its trailing separators, up to and
  // including the last separator left (the value itself when none is left, the root
  // for the root); DataPath := ProgPath/Data, CfgPath := ProgPath/Config,
  // RptPath := CfgPath/Report.
  void SetBinPath(const QString& Value);
  // Takes all five folders as given (start-up's WorkingProgramFolders).
  void SetProgramFolders(const TqorProgramFolders& Folders);

  // The command-line parameters, in order.
  int AppParamCount() const { return static_cast<int>(FAppParams.size()); }
  // Raises EListError outside 0 .. AppParamCount-1.
  const TqorApplicationParam& AppParam(int Index) const;
  // The first parameter named Name, letter case ignored; none if there is none.
  const TqorApplicationParam* AppParamByName(const QString& Name) const;
  // The Value of AppParamByName(Name), or Default if there is none.
  QString AppParamGetValue(const QString& Name, const QString& Default) const;

  // Computer + "/" + the user's DBUser.
  virtual QString GetSysInfo() const;
  // Makes the configuration storage from ClassOfCfg (MsgNoStorageClass without one)
  // and creates DataPath, CfgPath and RptPath (failing with CreatePath's message); an
  // installed program's report templates missing there are copied into RptPath.
  virtual void Setup();
  // Reads the text "BinPath" of "Config" (a configured folder other than BinPath
  // replaces it, with the folders beside it; its folders are not created) and the
  // boolean "ReportDesignerEnabled" of "Config\Report", both at {aslClient}, with the
  // current values as defaults.
  // Raises MsgNoStorage before Setup.
  virtual void ReadConfig();
  // Writes the two settings of ReadConfig to the same places.
  virtual void WriteConfig();

  // The stack of busy texts, its top last.
  const QStringList& BusyStatusStack() const { return FBusyStatusStack; }
  // Shows a one-off Text (the empty text clears it) and empties the stack.
  void BusyStatus(const QString& Text);
  // Pushes Text, shows it and returns its index.
  int PushBusyStatus(const QString& Text);
  // Removes the item at Index (below 0: the top; an index beyond the stack removes
  // nothing), then shows the new top text, or the empty text for an empty stack.
  void PopBusyStatus(int Index = -1);
  // Shows Text where the busy texts show, as a message: not busy; the next busy text
  // replaces it.
  void StatusMessage(const QString& Text);

signals:
  // The busy text to show; runs synchronously inside the busy-status calls.
  void BusyStatusNotification(const QString& Str);
  // The message of StatusMessage.
  void StatusMessageNotification(const QString& Str);

private:
  // The storage, failing with MsgNoStorage before Setup.
  TqorAppStorageBase& Storage() const;

  TqorAppStorageClass FClassOfCfg = nullptr;
  std::unique_ptr<TqorAppStorageBase> FCfg;
  TqorUserData FUser;
  QString FProgramFile;
  TqorApplicationVersion FAppVersion;
  std::unique_ptr<QSettings> FBinIni;
  QStringList FBusyStatusStack;
  std::vector<TqorApplicationParam> FAppParams;
  QString FComputer;
  QString FProgPath;
  QString FBinPath;
  QString FDataPath;
  QString FCfgPath;
  QString FRptPath;
  bool FRptDesignerEnabled = false;
};

// The registered provider; fails with MsgNoGlobalServiceProvider when none is.
TqorApplicationServiceProviderBase& GlobalServiceProvider();
// The registered provider, or none.
TqorApplicationServiceProviderBase* GlobalServiceProviderOrNone();
