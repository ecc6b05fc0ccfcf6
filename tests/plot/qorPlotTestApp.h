#pragma once
// Fonts need a QGuiApplication: a test program that includes this header gets one for
// the whole run, on the offscreen platform when no other is set. It is destroyed
// before main returns, while Qt can still take it down in order.

#include <memory>

#include <QGuiApplication>
#include <gtest/gtest.h>

class TPlotTestApp : public ::testing::Environment {
public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
      qputenv("QT_QPA_PLATFORM", "offscreen");
    FApp = std::make_unique<QGuiApplication>(FArgc, FArgv);
  }
  void TearDown() override { FApp.reset(); }

private:
  int FArgc = 1;
  char FName[10] = "plot_test";
  char* FArgv[2] = {FName, nullptr};
  std::unique_ptr<QGuiApplication> FApp;
};

// GoogleTest owns the environments it is given.
inline ::testing::Environment* const PlotTestApp = ::testing::AddGlobalTestEnvironment(new TPlotTestApp);
