#include "qorAppInit.h"

#include "qorAppSvcProvWin.h"
#include "qorException.h"
#include "qorProgramFolders.h"
#include "qorStrUtils.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QLibraryInfo>
#include <QTranslator>
#include <QWidget>

#include <memory>

namespace {
const QString BinIniName = QStringLiteral("QOR.INI");
// The filter is found again by this name: the class has no meta-object of its own, so
// findChild by type would take any child of the application for it.
const QString HintHidePauseName = QStringLiteral("qorHintHidePause");

// Gives every widget whose tool tip is about to show the program's tool-tip duration,
// unless the widget chose its own.
class THintHidePause : public QObject {
public:
  explicit THintHidePause(QObject* Owner) : QObject(Owner) { setObjectName(HintHidePauseName); }

protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override {
    if (Event->type() == QEvent::ToolTip)
      if (auto* widget = qobject_cast<QWidget*>(Watched); widget && widget->toolTipDuration() < 0)
        widget->setToolTipDuration(HintHidePauseMs);
    return false;
  }
};

void SetHintHidePause() {
  QCoreApplication* application = QCoreApplication::instance();
  if (application && !application->findChild<QObject*>(HintHidePauseName, Qt::FindDirectChildrenOnly))
    application->installEventFilter(new THintHidePause(application));
}
}  // namespace

bool InstallQtTranslations(const QLocale& Language) {
  QCoreApplication* application = QCoreApplication::instance();
  if (!application) return false;
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(Language, QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return false;
  // The file's name tells an installed translation apart.
  translator->setObjectName(translator->filePath());
  if (application->findChild<QTranslator*>(translator->objectName(), Qt::FindDirectChildrenOnly)) return true;
  translator->setParent(application);
  return QCoreApplication::installTranslator(translator.release());
}

TQORApplicationInit::TQORApplicationInit(const QString& BinPath)
    : FBinPath(IncludeTrailingChar(BinPath, u'/')), FBinIniFileName(FBinPath + BinIniName) {}

void TQORApplicationInit::ExecSetupStep1() {
  if (!GlobalServiceProviderOrNone())
    (new TqorApplicationServiceProviderBase(QCoreApplication::instance()))->SetGlobalServiceProvider();
  TqorApplicationServiceProviderBase& provider = GlobalServiceProvider();
  provider.SetProgramFolders(WorkingProgramFolders(FBinPath));
  provider.setBinIni(std::make_unique<QSettings>(FBinIniFileName, QSettings::IniFormat));
  const TqorSystemLoginInfo login = GetSystemLoginInfo();
  TqorUserData& user = provider.User();
  user.SysUser = login.LoginName;
  user.DBLogin = login.LoginName;
  user.DBUser = login.LoginName;
  user.QORUserName = login.FullName;
  user.Domain = login.Domain;
  provider.setComputer(login.ComputerName);
  SetHintHidePause();
}

void TQORApplicationInit::ExecuteSetup() {
  TqorApplicationServiceProviderBase& provider = GlobalServiceProvider();
  TqorAppStorageBase* storage = provider.Cfg();
  if (!storage) throw Exception(MsgNoStorage);
  storage->Assign(provider.User());
  storage->Machine = provider.Computer();
  storage->Application = provider.AppVersion().InternalName();
}

void TqorWinApplicationInit::ExecSetupStep1() {
  TQORApplicationInit::ExecSetupStep1();
  TqorUserData& user = GlobalServiceProviderWin().User();
  user.QORUserId = user.SysUser;
  user.CompanyToken = user.Domain;
  // A computer outside any domain is the normal case here, not a failure: its caption
  // names no company then.
  user.CompanyName = user.Domain == NotAvailableText ? QString() : user.Domain;
}

bool TqorWinApplicationInit::RunSetup() {
  const TqorApplicationServiceProviderBase* current = GlobalServiceProviderOrNone();
  if (!qobject_cast<const TqorApplicationServiceProviderWin*>(current))
    (new TqorApplicationServiceProviderWin(QCoreApplication::instance()))->SetGlobalServiceProvider();
  ExecSetupStep1();
  ExecSetupStep2();
  GlobalServiceProvider().Setup();
  ExecuteSetup();
  GlobalServiceProvider().ReadConfig();
  return true;
}

QFont DesignedFormFont() {
  // The forms' designed face and size.
  return QFont(QStringLiteral("MS Sans Serif"), 8);
}

void UseDesignedFormFont() { QApplication::setFont(DesignedFormFont()); }
