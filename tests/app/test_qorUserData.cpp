#include "qorUserData.h"

#include "qorTestSupport.h"

#include <gtest/gtest.h>

#include <QSysInfo>


namespace {

TEST(SystemLoginInfo, TellsWhoRunsWhereOrNotAvailable) {
  const TqorSystemLoginInfo info = GetSystemLoginInfo();
  for (const QString& item : {info.LoginName, info.FullName, info.ComputerName, info.Domain})
    EXPECT_FALSE(item.isEmpty());
  // Every process runs as some account, so its login name is known.
  EXPECT_NE(info.LoginName, NotAvailableText);
  if (!QSysInfo::machineHostName().isEmpty()) {
    EXPECT_EQ(info.ComputerName, QSysInfo::machineHostName());
  }
  EXPECT_NE(info.Domain, "(none)");
}

}  // namespace
