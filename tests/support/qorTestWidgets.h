#pragma once
// Shared set-up of the widget tests: a registered service provider whose configuration
// storage lives in temporary folders and whose busy texts are recorded (the QApplication
// comes from qorTestWidgetApp.h), and the widgets of a window by name.

#include "qorAppErrorDisplay.h"
#include "qorAppSvcProvWin.h"
#include "qorIniRegistry.h"
#include "qorTestConfigFolders.h"
#include "qorTestWidgetApp.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

#include <stdexcept>
#include <string>

// The child of Window named Name; a missing one ends the test with its name instead of
// letting it go on with nothing.
template <class TChild>
TChild* Child(QWidget& Window, const char* Name) {
  TChild* child = Window.findChild<TChild*>(QString::fromLatin1(Name));
  if (!child) throw std::runtime_error(std::string("the window has no child ") + Name);
  return child;
}

// A set-up provider, registered as the global one, with the version information of the
// test program and the user "anna" of the workgroup "WORKGROUP"; its busy texts are
// recorded in busyTexts, and the error display records messages instead of showing them.
class TWidgetTest : public ::testing::Test {
protected:
  TTestConfigFolders folders;
  QTemporaryDir install;
  // Before the provider, so that it outlives whatever the provider still reports.
  QStringList busyTexts;
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
    QObject::connect(&provider, &TqorApplicationServiceProviderBase::BusyStatusNotification,
                     [this](const QString& Text) { busyTexts << Text; });
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
