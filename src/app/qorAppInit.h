#pragma once
// Start-up of an application: the set-up steps that find out who runs the program on
// which computer, fix the program's folders, make the configuration storage with the
// user's names and read the configuration. The steps are virtual so that a variant
// with more steps can be derived; this program uses TqorWinApplicationInit.

#include "qorList.h"

#include <QFont>
#include <QLocale>
#include <QString>

// Tool tips stay visible this long, so that long hints can be read in peace.
inline constexpr int HintHidePauseMs = 3600000;

// Installs Qt's own translations for Language (qtbase from Qt's translations folder) on
// the running application, which owns them, so that Qt's dialogs, standard buttons and
// edit menus speak the program's language. False, with nothing installed, when this
// system has no such translation; installing the same file again changes nothing.
bool InstallQtTranslations(const QLocale& Language);

// The font the forms are laid out for: MS Sans Serif at 8 points. Fields such as the
// range's "-1234567,00000" are as wide as this font needs; a wider default font would
// cut them. The caller maps the face to one this machine has (UseMetricCompatibleFonts).
QFont DesignedFormFont();
// Makes DesignedFormFont the font of every widget made from now on.
void UseDesignedFormFont();

class TQORApplicationInit : public TqorObject {
public:
  // Start-up for the program whose file lies in the folder BinPath.
  explicit TQORApplicationInit(const QString& BinPath);

  // The program's folder, ending with "/".
  const QString& BinPath() const { return FBinPath; }
  // BinPath + "QOR.INI": bound at start-up, neither read nor written.
  const QString& BinIniFileName() const { return FBinIniFileName; }

  // Registers a base provider if none is registered, gives it BinPath with the folders
  // the program works in (WorkingProgramFolders) and the INI file,
  // fills the user data and the computer name from the system's login information
  // (NotAvailableText for what it cannot tell) and lets tool tips stay for an hour.
  virtual void ExecSetupStep1();
  // Nothing here.
  virtual void ExecSetupStep2() {}
  // Gives the configuration storage its names: client, department and user from the
  // user data, the computer name and the program's internal name.
  virtual void ExecuteSetup();

private:
  QString FBinPath;
  QString FBinIniFileName;
};

class TqorWinApplicationInit : public TQORApplicationInit {
public:
  using TQORApplicationInit::TQORApplicationInit;

  // The inherited step; then the user id is the login name and the client name is the
  // domain or workgroup. The company name is the domain too, when the system knows one.
  void ExecSetupStep1() override;
  // Registers a TqorApplicationServiceProviderWin (owned by the application object)
  // unless one is registered, then runs ExecSetupStep1, ExecSetupStep2, the provider's
  // Setup, ExecuteSetup and the provider's ReadConfig. Errors pass on to the caller;
  // returns true when all steps have run.
  bool RunSetup();
};
