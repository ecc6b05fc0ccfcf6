#pragma once
// Shared set-up of the widget tests: a registered service provider whose configuration
// storage lives in temporary folders (the QApplication comes from qorTestWidgetApp.h).

#include "qorAppErrorDisplay.h"
#include "qorAppSvcProvWin.h"
#include "qorIniRegistry.h"
#include "qorTestConfigFolders.h"
#include "qorTestWidgetApp.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <QTemporaryDir>

// A set-up provider, registered as the global one, with the version information of the
// test program and the user "anna" of the workgroup "WORKGROUP"; the error display
// records messages instead of showing them.
class TWidgetTest : public ::testing::Test {
protected:
  TTestConfigFolders folders;
  QTemporaryDir install;
  TqorApplicationServiceProviderWin provider;
  QStringList shownErrors;

  void SetUp() override {
    FSavedDisplay = SetErrorDisplay([this](const QString& Message) { shownErrors << Message; });
    provider.SetGlobalServiceProvider();
    provider.setBinPath(install.filePath("Werkzeuge/bin/"));
    provider.User().CompanyToken = "WORKGROUP";
    provider.User().QORUserId = "anna";
    provider.Setup();
    provider.Cfg()->Assign(provider.User());
    provider.Cfg()->Application = "qorKaloTools";
  }
  void TearDown() override { SetErrorDisplay(FSavedDisplay); }

  // The key below which the forms keep their metrics.
  static QString FormsKey() { return QStringLiteral("Software\\VASO\\anna\\Applications\\qorKaloTools\\Forms"); }
  // The metrics text stored for FormName, or "" when none is.
  static QString StoredMetrics(const QString& FormName) {
    const auto value = TqorIniRegistry(TqorIniRegistry::UserFileName()).ReadValue(FormsKey(), FormName);
    return value ? std::get<QString>(*value) : QString();
  }
  static void StoreMetrics(const QString& FormName, const QString& Text) {
    TqorIniRegistry(TqorIniRegistry::UserFileName()).WriteValue(FormsKey(), FormName, Text);
  }

private:
  TqorErrorDisplay FSavedDisplay;
};
