#pragma once
// Widgets need a QApplication: a test program that includes this header gets one for
// the whole run, on the offscreen platform when no other is set, with the C locale as
// the default so that the tests read the same everywhere. It is destroyed before main
// returns, while Qt can still take it down in order.

#include <QApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

class TWidgetTestApp : public ::testing::Environment {
public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QLocale::setDefault(QLocale::c());
    FApp = std::make_unique<QApplication>(FArgc, FArgv);
  }
  void TearDown() override { FApp.reset(); }

private:
  int FArgc = 1;
  char FName[12] = "widget_test";
  char* FArgv[2] = {FName, nullptr};
  std::unique_ptr<QApplication> FApp;
};

// GoogleTest owns the environments it is given.
inline ::testing::Environment* const WidgetTestApp =
    ::testing::AddGlobalTestEnvironment(new TWidgetTestApp);

// Sets the default locale for a scope and restores the one before.
class TDefaultLocale {
public:
  explicit TDefaultLocale(const QLocale& Locale) { QLocale::setDefault(Locale); }
  ~TDefaultLocale() { QLocale::setDefault(FSaved); }
  TDefaultLocale(const TDefaultLocale&) = delete;
  TDefaultLocale& operator=(const TDefaultLocale&) = delete;

private:
  QLocale FSaved;
};

// Sends Key to Target as a key press and release, as the keyboard would.
inline void SendKey(QWidget* Target, int Key, const QString& Text = QString(),
                    Qt::KeyboardModifiers Modifiers = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, Key, Modifiers, Text);
  QApplication::sendEvent(Target, &press);
  QKeyEvent release(QEvent::KeyRelease, Key, Modifiers, Text);
  QApplication::sendEvent(Target, &release);
}

// Types Text into Target one character at a time.
inline void TypeText(QWidget* Target, const QString& Text) {
  for (const QChar c : Text) SendKey(Target, c.toUpper().unicode(), QString(c));
}
