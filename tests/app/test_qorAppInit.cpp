#include "qorAppInit.h"

#include "qorAppWinStorage.h"
#include "qorTestWidgets.h"

#include "qorTestSupport.h"

#include <QFileInfo>

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

TEST_F(ApplicationInit, ConfigurationIsReadBelowTheDomainKey) {
  const QString client = GetSystemLoginInfo().Domain;
  TqorIniRegistry(TqorIniRegistry::UserFileName())
      .WriteValue("Software\\VASO\\" + client + "\\Config\\Report", "ReportDesignerEnabled", QStringLiteral("TRUE"));
  TqorWinApplicationInit(BinPath()).RunSetup();
  EXPECT_TRUE(provider.RptDesignerEnabled());
}

TEST_F(ApplicationInit, FolderThatCannotBeMadeFailsTheSetup) {
  QFile blocker(install.filePath("Programm"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  EXPECT_THROW_MSG(TqorWinApplicationInit(BinPath()).RunSetup(), Exception,
                   "CreatePath: Kann Verzeichnis '" + install.filePath("Programm").toStdString() +
                       "' nicht anlegen");
}

}  // namespace
