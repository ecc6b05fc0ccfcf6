#include "qorUserData.h"

#include "qorTestSupport.h"

#include <gtest/gtest.h>

#include <QSysInfo>

namespace {

TEST(SystemLoginInfo, TellsWhoRunsWhereOrNotAvailable) {
  const TqorSystemLoginInfo info = GetSystemLoginInfo();
  const std::pair<const char*, QString> items[] = {{"LoginName", info.LoginName},
                                                   {"FullName", info.FullName},
                                                   {"ComputerName", info.ComputerName},
                                                   {"Domain", info.Domain}};
  for (const auto& [name, item] : items) EXPECT_FALSE(item.isEmpty()) << name;
  // Every process runs as some account, so its login name is known.
  EXPECT_NE(info.LoginName, NotAvailableText);
  if (!QSysInfo::machineHostName().isEmpty()) {
    EXPECT_EQ(info.ComputerName, QSysInfo::machineHostName());
  }
  EXPECT_NE(info.Domain, "(none)");
}

}  // namespace
