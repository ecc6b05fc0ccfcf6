#pragma once
// The Qt application object of a test program. Fonts need a QGuiApplication and widgets
// a QApplication, for the whole run; the object must be gone before the program's
// static objects are, so a GoogleTest environment makes and ends it. Tests run on the
// offscreen platform unless another one is set, with the fonts the program draws in
// (UseMetricCompatibleFonts), so that they measure what users see.

#include "qorGraphicUtils.h"

#include <gtest/gtest.h>

#include <QGuiApplication>

#include <memory>

template <class TApplication>
class TQtTestEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    UseMetricCompatibleFonts();
    FApp = std::make_unique<TApplication>(FArgc, FArgv);
  }
  void TearDown() override { FApp.reset(); }

private:
  int FArgc = 1;
  char FName[8] = "qortest";
  char* FArgv[2] = {FName, nullptr};
  std::unique_ptr<TApplication> FApp;
};

// Plot and report tests: fonts and painting, no widgets. Window and dialog tests take
// TWidgetTestEnvironment from qorTestWidgetApp.h.
using TGuiTestEnvironment = TQtTestEnvironment<QGuiApplication>;

// Registers an environment of Kind once per test program: `QOR_TEST_APPLICATION(TGuiTestEnvironment);`
// at namespace scope. GoogleTest owns the environments it is given.
#define QOR_TEST_APPLICATION(Kind)                                                                                \
  [[maybe_unused]] inline ::testing::Environment* const QorTestApplication = ::testing::AddGlobalTestEnvironment( \
      new Kind)
