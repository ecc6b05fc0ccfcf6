#include "qorAppSvcProvWin.h"
#include "qorAppWinStorage.h"
#include "qorException.h"
#include "qorTestConfigFolders.h"

#include "qorTestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <vector>

namespace {

using TParamCase = std::tuple<const char*, TqorParamType, const char*, const char*>;

TEST(ApplicationParam, ArgumentsParseIntoNamedParameters) {
  const std::vector<TParamCase> cases = {
      {"/Log", ptSwitch, "Log", ""},       {"-Datei=C:\\a.nwd", ptValue, "Datei", "C:\\a.nwd"},
      {"/x:1=2", ptValue, "x", "1=2"},     {"/x=1:2", ptValue, "x", "1:2"},
      {"-:v", ptValue, "", "v"},           {"-", ptSwitch, "", ""},
      {"--gtest", ptSwitch, "-gtest", ""}, {"a.nwd", ptString, "", "a.nwd"},
      {"a=b", ptString, "", "a=b"},        {"", ptString, "", ""},
  };
  for (const auto& [argument, type, name, value] : cases) {
    const TqorApplicationParam param{QString::fromUtf8(argument)};
    EXPECT_EQ(param.PType, type) << argument;
    EXPECT_EQ(param.Name, name) << argument;
    EXPECT_EQ(param.Value, value) << argument;
  }
}

TEST(ServiceProvider, ParametersAreFoundByNameInAnyCase) {
  const TqorApplicationServiceProviderBase provider(nullptr, {"/Log", "-Datei=x.nwd", "a.nwd", "/log=2"}, QString());
  ASSERT_EQ(provider.AppParamCount(), 4);
  EXPECT_EQ(provider.AppParam(2).Value, "a.nwd");
  ASSERT_NE(provider.AppParamByName("LOG"), nullptr);
  EXPECT_EQ(provider.AppParamByName("LOG")->PType, ptSwitch);  // the first of that name
  EXPECT_EQ(provider.AppParamGetValue("log", "d"), "");
  EXPECT_EQ(provider.AppParamGetValue("DATEI", "d"), "x.nwd");
  EXPECT_EQ(provider.AppParamGetValue("a.nwd", "d"), "d");
  EXPECT_THROW_MSG(provider.AppParam(4), EListError, "Listenindex überschreitet das Maximum (4)");

  const TqorApplicationServiceProviderBase bare(nullptr, {}, QString());
  EXPECT_EQ(bare.AppParamCount(), 0);
  EXPECT_EQ(bare.AppParamGetValue("Log", "d"), "d");
  EXPECT_EQ(bare.AppParamByName(""), nullptr);
}

TEST(ServiceProvider, TakesArgumentsAndVersionFromTheApplication) {
  const TqorApplicationServiceProviderBase provider;
  EXPECT_EQ(provider.AppParamCount(), QCoreApplication::arguments().size() - 1);
  EXPECT_EQ(provider.AppVersion().InternalName(), "qorKaloTools");
  EXPECT_EQ(provider.AppVersion().FileDescription(), "VASO Anwendung mit Numerik Werkzeugen");
  EXPECT_EQ(provider.Cfg(), nullptr);
  EXPECT_EQ(provider.BinPath(), "");
  EXPECT_FALSE(provider.RptDesignerEnabled());
}

TEST(ServiceProvider, FoldersLieBesideTheProgramFolder) {
  struct TCase {
    const char* BinPath;
    const char* ProgPath;
    const char* DataPath;
    const char* CfgPath;
    const char* RptPath;
  };
  const std::vector<TCase> cases = {
      {"/opt/Werkzeuge/bin/", "/opt/Werkzeuge/", "/opt/Werkzeuge/Data", "/opt/Werkzeuge/Config",
       "/opt/Werkzeuge/Config/Report"},
      {"/opt/Werkzeuge/bin", "/opt/Werkzeuge/", "/opt/Werkzeuge/Data", "/opt/Werkzeuge/Config",
       "/opt/Werkzeuge/Config/Report"},
      {"/opt/bin//", "/opt/", "/opt/Data", "/opt/Config", "/opt/Config/Report"},
      {"/bin/", "/", "/Data", "/Config", "/Config/Report"},
      {"/", "/", "/Data", "/Config", "/Config/Report"},
      {"bin", "bin", "bin/Data", "bin/Config", "bin/Config/Report"},
      {"bin/", "bin", "bin/Data", "bin/Config", "bin/Config/Report"},
  };
  TqorApplicationServiceProviderBase provider(nullptr, {}, QString());
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.BinPath);
    provider.setBinPath(c.BinPath);
    EXPECT_EQ(provider.BinPath(), c.BinPath);
    EXPECT_EQ(provider.ProgPath(), c.ProgPath);
    EXPECT_EQ(provider.DataPath(), c.DataPath);
    EXPECT_EQ(provider.CfgPath(), c.CfgPath);
    EXPECT_EQ(provider.RptPath(), c.RptPath);
  }
}

TEST(ServiceProvider, SysInfoAndLoginInfo) {
  TqorApplicationServiceProviderBase provider(nullptr, {}, QString());
  provider.setComputer("pc17");
  provider.User().DBUser = "anna";
  EXPECT_EQ(provider.SysInfo(), "pc17/anna");
  provider.User().CompanyToken = "WORKGROUP";
  provider.User().QORUserId = "anna";
  EXPECT_EQ(provider.User().GetLoginInfo(), "WORKGROUP//anna");
}

TEST(ServiceProvider, BusyStatusStacksTextsAndNotifies) {
  TqorApplicationServiceProviderBase provider(nullptr, {}, QString());
  EXPECT_EQ(provider.PushBusyStatus("vor dem Anschluss"), 0);  // no handler yet: still recorded
  QStringList shown;
  QObject::connect(&provider, &TqorApplicationServiceProviderBase::BusyStatusNotification,
                   [&shown](const QString& Str) { shown << Str; });
  EXPECT_EQ(provider.PushBusyStatus("Funktion berechnen ..."), 1);
  EXPECT_EQ(provider.PushBusyStatus("Nullstellen ermitteln ..."), 2);
  provider.PopBusyStatus();
  provider.PopBusyStatus(0);
  provider.PopBusyStatus(7);  // beyond the stack: nothing removed
  EXPECT_EQ(provider.BusyStatusStack(), QStringList{"Funktion berechnen ..."});
  EXPECT_EQ(provider.PushBusyStatus("Graph zeichnen ..."), 1);
  provider.BusyStatus("Funktion wird geladen ...");
  EXPECT_TRUE(provider.BusyStatusStack().isEmpty());
  provider.PopBusyStatus();
  EXPECT_EQ(shown, QStringList({"Funktion berechnen ...", "Nullstellen ermitteln ...", "Funktion berechnen ...",
                                "Funktion berechnen ...", "Funktion berechnen ...", "Graph zeichnen ...",
                                "Funktion wird geladen ...", ""}));
}

TEST(GlobalServiceProvider, AccessorsNameWhatIsMissing) {
  const std::string notWin =
      "Der globale Application Service Provider ist nicht vom Typ "
      "TqorApplicationServiceProviderWin sondern vom Typ "
      "TqorApplicationServiceProviderBase!";
  EXPECT_THROW_MSG(GlobalServiceProvider(), Exception, MsgNoGlobalServiceProvider);
  EXPECT_THROW_MSG(GlobalServiceProviderWin(), Exception, MsgNoGlobalServiceProvider);
  {
    TqorApplicationServiceProviderBase base(nullptr, {}, QString());
    base.SetGlobalServiceProvider();
    EXPECT_EQ(&GlobalServiceProvider(), &base);
    EXPECT_THROW_MSG(GlobalServiceProviderWin(), Exception, notWin);
    TqorApplicationServiceProviderWin win(nullptr, {}, QString());
    win.SetGlobalServiceProvider();
    EXPECT_EQ(&GlobalServiceProviderWin(), &win);
  }
  EXPECT_EQ(GlobalServiceProviderOrNone(), nullptr);  // a freed provider is no longer global
}

// A Win provider whose program lies in <temporary folder>/Werkzeuge/bin, with the
// user's configuration in a temporary folder too.
class ServiceProviderSetup : public ::testing::Test {
protected:
  TTestConfigFolders folders;
  QTemporaryDir install;
  TqorApplicationServiceProviderWin provider{nullptr, {}, QString()};

  void SetUp() override {
    provider.setBinPath(install.filePath("Werkzeuge/bin/"));
    provider.User().CompanyToken = "WORKGROUP";
    provider.User().QORUserId = "anna";
  }
  // Setup, then the storage names of start-up.
  void SetupWithNames() {
    provider.Setup();
    provider.Cfg()->Assign(provider.User());
  }
  // Writes the program configuration as someone outside the program would.
  void Configure(const QString& SubKey, const QString& Name, const TqorRegistryValue& Value) {
    TqorIniRegistry(TqorIniRegistry::UserFileName()).WriteValue("Software\\VASO\\WORKGROUP\\" + SubKey, Name, Value);
  }
};

TEST_F(ServiceProviderSetup, SetupMakesTheStorageAndTheFolders) {
  provider.Setup();
  EXPECT_NE(dynamic_cast<TqorAppWinStorage*>(provider.Cfg()), nullptr);
  for (const char* folder : {"Werkzeuge/Data", "Werkzeuge/Config", "Werkzeuge/Config/Report"})
    EXPECT_TRUE(QFileInfo(install.filePath(folder)).isDir()) << folder;
  EXPECT_FALSE(QFileInfo::exists(TqorIniRegistry::UserFileName()));
}

TEST_F(ServiceProviderSetup, FolderThatCannotBeMadeFailsSetup) {
  ASSERT_TRUE(QDir().mkpath(install.filePath("Werkzeuge")));
  QFile blocker(install.filePath("Werkzeuge/Config"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  EXPECT_THROW_MSG(
      provider.Setup(), Exception,
      "CreatePath: Kann Verzeichnis '" + install.filePath("Werkzeuge/Config").toStdString() + "' nicht anlegen");
}

TEST_F(ServiceProviderSetup, WithoutStorageClassOrStorageNothingIsRead) {
  TqorApplicationServiceProviderBase base(nullptr, {}, QString());
  EXPECT_THROW_MSG(base.Setup(), Exception, MsgNoStorageClass);
  EXPECT_THROW_MSG(provider.ReadConfig(), Exception, MsgNoStorage);
  EXPECT_THROW_MSG(provider.GetAppStorage(), Exception, MsgNoStorage);
}

TEST_F(ServiceProviderSetup, EmptyConfigurationKeepsTheDefaultsAndWritesNothing) {
  SetupWithNames();
  provider.ReadConfig();
  EXPECT_EQ(provider.BinPath(), install.filePath("Werkzeuge/bin/"));
  EXPECT_EQ(provider.DataPath(), install.filePath("Werkzeuge/Data"));
  EXPECT_FALSE(provider.RptDesignerEnabled());
  EXPECT_FALSE(QFileInfo::exists(TqorIniRegistry::UserFileName()));
}

TEST_F(ServiceProviderSetup, ConfigurationIsReadBelowTheClientKey) {
  Configure("Config", "BinPath", install.filePath("Anders/bin/"));
  Configure("Config\\Report", "ReportDesignerEnabled", QStringLiteral("yes"));
  SetupWithNames();
  provider.ReadConfig();
  EXPECT_EQ(provider.BinPath(), install.filePath("Anders/bin/"));
  EXPECT_EQ(provider.DataPath(), install.filePath("Anders/Data"));
  EXPECT_FALSE(QFileInfo::exists(install.filePath("Anders")));  // configured folders are not made
  EXPECT_TRUE(provider.RptDesignerEnabled());
  EXPECT_EQ(provider.Cfg()->StorageLocation(), aslsDefault);
}

TEST_F(ServiceProviderSetup, ConfigurationOfAnotherClientOrEmptyIsNotUsed) {
  TqorIniRegistry(TqorIniRegistry::UserFileName())
      .WriteValue("Software\\VASO\\client\\Config", "BinPath", QStringLiteral("/elsewhere/bin/"));
  Configure("Config", "BinPath", QString());
  SetupWithNames();
  provider.ReadConfig();
  EXPECT_EQ(provider.BinPath(), install.filePath("Werkzeuge/bin/"));
}

// An installed program works in the user's folders; its own folder, once written to the
// configuration, must not move them back beside it, where it may not write.
TEST_F(ServiceProviderSetup, ConfiguredOwnFolderKeepsTheFoldersTheProgramWorksIn) {
  TqorProgramFolders user = ProgramFoldersOf(install.filePath("Benutzer/bin/"));
  user.BinPath = provider.BinPath();
  provider.SetProgramFolders(user);
  Configure("Config", "BinPath", provider.BinPath());
  SetupWithNames();
  provider.ReadConfig();
  EXPECT_EQ(provider.BinPath(), install.filePath("Werkzeuge/bin/"));
  EXPECT_EQ(provider.RptPath(), install.filePath("Benutzer/Config/Report"));
}

TEST_F(ServiceProviderSetup, WriteConfigStoresWhatReadConfigReads) {
  SetupWithNames();
  provider.setBinPath("/opt/vaso/bin/");
  provider.setRptDesignerEnabled(true);
  provider.WriteConfig();
  const TqorIniRegistry registry(TqorIniRegistry::UserFileName());
  EXPECT_EQ(registry.ReadValue("Software\\VASO\\WORKGROUP\\Config", "BinPath"),
            TqorRegistryValue(QStringLiteral("/opt/vaso/bin/")));
  EXPECT_EQ(registry.ReadValue("Software\\VASO\\WORKGROUP\\Config\\Report", "ReportDesignerEnabled"),
            TqorRegistryValue(QStringLiteral("TRUE")));
}

TEST_F(ServiceProviderSetup, GetAppStorageGivesAnOwnCopy) {
  SetupWithNames();
  provider.Cfg()->setStorageLocation(aslsRecentLists);
  const std::unique_ptr<TqorAppStorageBase> copy = provider.GetAppStorage();
  ASSERT_NE(dynamic_cast<TqorAppWinStorage*>(copy.get()), nullptr);
  EXPECT_NE(copy.get(), provider.Cfg());
  EXPECT_EQ(copy->StorageLocationKey(), "Software\\VASO\\anna\\Applications\\application\\Forms");
}

}  // namespace

// The provider reads the application's arguments and program file.
int main(int argc, char* argv[]) {
  ::testing::InitGoogleTest(&argc, argv);
  const QCoreApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
