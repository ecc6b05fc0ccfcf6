#pragma once
// Shared set-up of the widget tests: one QApplication for the whole run (offscreen
// when no platform is given) and a registered service provider whose configuration
// storage lives in temporary folders.

#include "qorAppErrorDisplay.h"
#include "qorAppSvcProvWin.h"
#include "qorIniRegistry.h"
#include "qorTestConfigFolders.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// Widgets need a QApplication for the whole run; it must be gone before the program's
// static objects are, so the test environment ends it. Register it once per test
// program with AddGlobalTestEnvironment.
class TWidgetTestEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    FApp = std::make_unique<QApplication>(FArgc, FArgv);
  }
  void TearDown() override { FApp.reset(); }

private:
  int FArgc = 1;
  char FName[16] = "app_widgets";
  char* FArgv[2] = {FName, nullptr};
  std::unique_ptr<QApplication> FApp;
};

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
