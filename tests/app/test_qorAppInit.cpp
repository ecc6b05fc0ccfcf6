#include "qorAppInit.h"

#include "qorAppWinStorage.h"
#include "qorTestWidgets.h"

#include "qorTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHelpEvent>
#include <QTemporaryDir>

namespace {

QOR_TEST_APPLICATION(TWidgetTestEnvironment);

class ApplicationInit : public TWidgetTest {
protected:
  QString BinPath() const { return install.filePath("Programm/bin"); }
};

TEST_F(ApplicationInit, SetupFillsTheUserFoldersAndStorageNames) {
  TqorWinApplicationInit init(BinPath());
  EXPECT_EQ(init.BinIniFileName(), BinPath() + "/QOR.INI");
  EXPECT_TRUE(init.RunSetup());

  const TqorSystemLoginInfo login = GetSystemLoginInfo();
  const TqorUserData& user = provider.User();
  EXPECT_EQ(user.SysUser, login.LoginName);
  EXPECT_EQ(user.DBUser, login.LoginName);
  EXPECT_EQ(user.QORUserId, login.LoginName);
  EXPECT_EQ(user.QORUserName, login.FullName);
  EXPECT_EQ(user.CompanyToken, login.Domain);
  EXPECT_EQ(user.CompanyName, login.Domain == NotAvailableText ? QString() : login.Domain);
  EXPECT_EQ(provider.Computer(), login.ComputerName);
  EXPECT_EQ(provider.BinPath(), BinPath() + "/");
  EXPECT_EQ(provider.BinIni()->fileName(), BinPath() + "/QOR.INI");
  EXPECT_TRUE(QFileInfo(install.filePath("Programm/Config/Report")).isDir());

  TqorAppStorageBase& storage = *provider.Cfg();
  EXPECT_EQ(storage.Client, login.Domain);
  EXPECT_EQ(storage.User, login.LoginName);
  EXPECT_EQ(storage.Machine, login.ComputerName);
  EXPECT_EQ(storage.Application, "qorKaloTools");
  // Start-up reads the configuration but writes none.
  EXPECT_FALSE(QFileInfo::exists(TqorIniRegistry::UserFileName()));
}

// The application already has children (its event dispatcher among them) when the
// set-up runs; the tool-tip filter must still be installed, and only once.
TEST_F(ApplicationInit, ToolTipsStayForTheProgramsHintPauseUnlessAWidgetChoseItsOwn) {
  TqorWinApplicationInit init(BinPath());
  ASSERT_TRUE(init.RunSetup());
  ASSERT_TRUE(init.RunSetup());
  QWidget plain, own;
  own.setToolTipDuration(500);
  for (QWidget* widget : {&plain, &own}) {
    QHelpEvent event(QEvent::ToolTip, QPoint(1, 1), QPoint(1, 1));
    QCoreApplication::sendEvent(widget, &event);
  }
  EXPECT_EQ(plain.toolTipDuration(), HintHidePauseMs);
  EXPECT_EQ(own.toolTipDuration(), 500);
  EXPECT_EQ(QCoreApplication::instance()->findChildren<QObject*>("qorHintHidePause").size(), 1);
}

TEST_F(ApplicationInit, ConfigurationIsReadBelowTheDomainKey) {
  const QString client = GetSystemLoginInfo().Domain;
  TqorIniRegistry(TqorIniRegistry::UserFileName())
      .WriteValue("Software\\VASO\\" + client + "\\Config\\Report", "ReportDesignerEnabled", QStringLiteral("TRUE"));
  TqorWinApplicationInit(BinPath()).RunSetup();
  EXPECT_TRUE(provider.RptDesignerEnabled());
}

// An installed program ships its template in the data folder of its prefix and works in
// the user's data folder, where start-up makes the folders and puts the template.
TEST_F(ApplicationInit, InstalledProgramWorksInTheUsersDataFolderWithTheShippedTemplate) {
  ASSERT_TRUE(QDir(install.path()).mkpath("usr/bin"));
  ASSERT_TRUE(QDir(install.path()).mkpath("usr/share/qorKaloTools/Report"));
  QFile shipped(install.filePath("usr/share/qorKaloTools/Report/kaloPlot2D.fr3"));
  ASSERT_TRUE(shipped.open(QIODevice::WriteOnly));
  shipped.write("<Vorlage/>");
  shipped.close();
  QTemporaryDir userData;
  const QByteArray saved = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", userData.path().toLocal8Bit());
  EXPECT_TRUE(TqorWinApplicationInit(install.filePath("usr/bin")).RunSetup());
  qputenv("XDG_DATA_HOME", saved);

  EXPECT_EQ(provider.BinPath(), install.filePath("usr/bin/"));
  EXPECT_EQ(provider.DataPath(), userData.filePath("VASO/qorKaloTools/Data"));
  EXPECT_TRUE(QFileInfo(provider.DataPath()).isDir());
  QFile copy(userData.filePath("VASO/qorKaloTools/Config/Report/kaloPlot2D.fr3"));
  ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
  EXPECT_EQ(copy.readAll(), "<Vorlage/>");
  EXPECT_FALSE(QFileInfo::exists(install.filePath("usr/Config")));
}

TEST_F(ApplicationInit, FolderThatCannotBeMadeFailsTheSetup) {
  QFile blocker(install.filePath("Programm"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  EXPECT_THROW_MSG(TqorWinApplicationInit(BinPath()).RunSetup(), Exception,
                   "CreatePath: Kann Verzeichnis '" + install.filePath("Programm").toStdString() + "' nicht anlegen");
}

}  // namespace
