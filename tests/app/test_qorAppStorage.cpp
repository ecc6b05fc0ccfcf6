#include "qorAppWinStorage.h"
#include "qorTestConfigFolders.h"

#include "qorTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>

#include <vector>

namespace {

class AppStorage : public ::testing::Test {
protected:
  TTestConfigFolders folders;
  TqorAppWinStorage storage;
};

TEST(AppStorageLocations, SetsHoldOneBitPerScope) {
  EXPECT_EQ(aslsDefault.AsByte(), 40);
  EXPECT_EQ(aslsProgramConfig.AsByte(), 2);
  EXPECT_EQ(aslsFormMetrics.AsByte(), 56);
  EXPECT_EQ(aslsRecentLists.AsByte(), 104);
  EXPECT_EQ(aslsCurrent.AsByte(), 1);
  EXPECT_EQ(TqorAppStorageLocations::FromByte(104), aslsRecentLists);
  EXPECT_TRUE(aslsFormMetrics.Contains(aslMachine));
  EXPECT_FALSE(aslsFormMetrics.Contains(aslForm));
}

TEST_F(AppStorage, LocationsBuildTheirKeysInAFixedOrder) {
  EXPECT_EQ(storage.StorageLocation(), aslsDefault);
  EXPECT_EQ(storage.StorageLocationKey(), "Software\\VASO\\user\\Applications\\application");
  const std::vector<std::pair<TqorAppStorageLocations, QString>> cases = {
      {{}, "Software\\VASO"},
      {aslsCurrent, "Software\\VASO"},
      {aslsProgramConfig, "Software\\VASO\\client"},
      {{aslDepartement}, "Software\\VASO\\Departements\\departement"},
      {aslsFormMetrics, "Software\\VASO\\user\\Applications\\application"},
      {aslsRecentLists, "Software\\VASO\\user\\Applications\\application\\Forms"},
      {{aslForm, aslApplication, aslUser, aslDepartement, aslClient},
       "Software\\VASO\\client\\Departements\\departement\\user\\Applications\\application\\Forms"},
  };
  for (const auto& [location, key] : cases) {
    SCOPED_TRACE(testing::Message() << "locations " << int(location.AsByte()));
    storage.setStorageLocation(location);
    EXPECT_EQ(storage.StorageLocation(), location);
    EXPECT_EQ(storage.StorageLocationKey(), key);
  }
}

TEST_F(AppStorage, UserDataNamesApplyFromTheNextLocationChange) {
  TqorUserData user;
  user.CompanyToken = "WORKGROUP";
  user.DeptToken = "Labor";
  user.QORUserId = "anna";
  storage.Assign(user);
  EXPECT_EQ(storage.Client, "WORKGROUP");
  EXPECT_EQ(storage.Departement, "Labor");
  EXPECT_EQ(storage.User, "anna");
  EXPECT_EQ(storage.StorageLocationKey(), "Software\\VASO\\user\\Applications\\application");

  storage.WriteValue(aslsProgramConfig, "Config", "BinPath", TqorValue("/opt/bin/"));
  EXPECT_EQ(storage.StorageLocation(), aslsDefault);
  EXPECT_EQ(storage.StorageLocationKey(), "Software\\VASO\\anna\\Applications\\application");
  EXPECT_EQ(storage.Registry().ReadValue("Software\\VASO\\WORKGROUP\\Config", "BinPath"),
            TqorRegistryValue(QStringLiteral("/opt/bin/")));
}

TEST_F(AppStorage, AssignCopiesNamesSeparatorLocationAndHive) {
  storage.Client = "c";
  storage.Departement = "d";
  storage.User = "u";
  storage.Machine = "m";
  storage.Application = "a";
  storage.PathDelim = "/";
  storage.setHKLMEnabled(true);
  storage.setStorageLocation(aslsFormMetrics);
  TqorAppWinStorage copy;
  copy.Assign(storage);
  EXPECT_EQ(copy.Client + copy.Departement + copy.User + copy.Machine + copy.Application, "cduma");
  EXPECT_EQ(copy.PathDelim, "/");
  EXPECT_TRUE(copy.HKLMEnabled());
  EXPECT_EQ(copy.StorageLocation(), aslsFormMetrics);
  EXPECT_EQ(copy.StorageLocationKey(), "Software/VASO/u/Applications/a");
  EXPECT_EQ(copy.Registry().FileName(), TqorIniRegistry::MachineFileName());
}

TEST_F(AppStorage, LocationStackPushesAndPops) {
  storage.PopSP();  // an empty stack: nothing happens
  EXPECT_EQ(storage.StorageLocation(), aslsDefault);

  EXPECT_EQ(storage.PushSL(aslsCurrent), 0);
  EXPECT_EQ(storage.StorageLocation(), aslsDefault);
  storage.setStorageLocation(aslsProgramConfig);
  storage.PopSP();  // the only item: the location stays
  EXPECT_EQ(storage.StorageLocation(), aslsProgramConfig);
  EXPECT_EQ(storage.SLStackCount(), 0);

  EXPECT_EQ(storage.PushSL(aslsDefault), 0);
  EXPECT_EQ(storage.PushSL(aslsFormMetrics), 1);
  EXPECT_EQ(storage.PushSL(aslsRecentLists), 2);
  EXPECT_EQ(storage.StorageLocation(), aslsRecentLists);
  storage.PopSP(1);  // removes items 1 and 2
  EXPECT_EQ(storage.SLStackCount(), 1);
  EXPECT_EQ(storage.StorageLocation(), aslsDefault);

  EXPECT_EQ(storage.PushSL(aslsRecentLists), 1);
  storage.setStorageLocation(aslsProgramConfig);
  storage.PopSP(5);  // beyond the top: nothing removed, the top is current again
  EXPECT_EQ(storage.SLStackCount(), 2);
  EXPECT_EQ(storage.StorageLocation(), aslsRecentLists);
  storage.PopSP(-1);
  EXPECT_EQ(storage.StorageLocation(), aslsDefault);
}

TEST_F(AppStorage, FailedWriteAtALocationRestoresTheLocation) {
  ASSERT_TRUE(QDir().mkpath(TqorIniRegistry::UserFileName()));  // a folder in the hive's place
  storage.setStorageLocation(aslsRecentLists);
  EXPECT_THROW(storage.WriteValue(aslsProgramConfig, "Config", "BinPath", TqorValue("x")), ERegistryException);
  EXPECT_EQ(storage.StorageLocation(), aslsRecentLists);
  EXPECT_EQ(storage.StorageLocationKey(), "Software\\VASO\\user\\Applications\\application\\Forms");
  EXPECT_EQ(storage.ReadString(aslsProgramConfig, "Config", "BinPath", "/bin/"), "/bin/");
  EXPECT_EQ(storage.StorageLocation(), aslsRecentLists);
}

}  // namespace
