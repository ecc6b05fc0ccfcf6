#include "FRootFinding2D.h"
#include "qorTestInput.h"
#include "qorTestWidgets.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include <chrono>
#include <functional>

namespace {

QOR_TEST_APPLICATION(TWidgetTestEnvironment);

using Clock = std::chrono::steady_clock;

// Every call spins for several milliseconds: sampling the default range alone takes seconds.
const QString SlowFunction = QStringLiteral(
    "(function() local s = 0 for i = 1, 4e6 do s = s + i end return x - 1 end)()");

// Busy texts and status messages as the main window would show them.
class RootFinding2DLong : public TWidgetTest {
protected:
  void SetUp() override {
    TWidgetTest::SetUp();
    QObject::connect(&provider, &TqorApplicationServiceProviderBase::StatusMessageNotification,
                     [this](const QString& Text) { messages << Text; });
  }

  // Starts Function in w with Enter and runs During once the calculation has shown its
  // progress; returns how long the calculation took.
  Clock::duration CalculateWhile(TfrmRootFinding2D& w, const QString& Function, std::function<void()> During) {
    QLineEdit& fct = *Child<QLineEdit>(w, "txtFct");
    fct.setText(Function);
    QTimer::singleShot(800, &w, std::move(During));
    const auto start = Clock::now();
    SendKey(&fct, Qt::Key_Return, "\r");
    return Clock::now() - start;
  }

  static void Click(QWidget& Target) {
    const QPointF at(Target.width() / 2.0, Target.height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, at, Target.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&Target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, Target.mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(&Target, &release);
  }

  TDefaultLocale locale{QLocale::c()};
  QStringList messages;
};

// Esc and "Abbrechen" stop a long calculation the way the time budget does: the previous
// results stay, no error is shown, the status bar says so. Meanwhile the progress shows,
// the cancel button is there, and other input does nothing: a typed key, a click on
// "Berechnen", F5.
TEST_F(RootFinding2DLong, EscAndCancelButtonStopTheCalculationAndKeepTheResults) {
  const struct {
    const char* name;
    bool byButton;
  } cases[] = {{"Esc", false}, {"Abbrechen", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TfrmRootFinding2D w;
    w.show();
    QLineEdit& fct = *Child<QLineEdit>(w, "txtFct");
    QPushButton& cancel = *Child<QPushButton>(w, "btnCancel");
    const kaloREALVector oldY = w.ValueY();
    EXPECT_EQ(w.memRoot().RecordCount(), 4);
    EXPECT_TRUE(cancel.isHidden());
    busyTexts.clear();
    messages.clear();
    bool cancelShown = false;
    const auto took = CalculateWhile(w, SlowFunction, [&] {
      cancelShown = cancel.isVisible();
      SendKey(&fct, Qt::Key_Z, "z");
      PressKey(&fct, Qt::Key_F5);
      Click(*Child<QPushButton>(w, "Button2"));
      if (c.byButton)
        Click(cancel);
      else
        PressKey(&fct, Qt::Key_Escape);
    });
    EXPECT_LT(took, std::chrono::seconds(3)) << "stopped long before the end";
    EXPECT_TRUE(cancelShown);
    EXPECT_TRUE(cancel.isHidden());
    EXPECT_EQ(fct.text(), SlowFunction) << "the typed key went nowhere";
    EXPECT_TRUE(shownErrors.isEmpty()) << shownErrors.join('\n').toStdString();
    EXPECT_EQ(messages, QStringList{"Berechnung abgebrochen"});
    EXPECT_TRUE(busyTexts.filter(QRegularExpression("^Funktion berechnen \\.\\.\\. \\d+ %$")).size() >= 1)
        << busyTexts.join('|').toStdString();
    EXPECT_EQ(busyTexts.last(), "");
    EXPECT_EQ(w.ValueY(), oldY);
    EXPECT_EQ(w.memRoot().RecordCount(), 4);
    EXPECT_EQ(w.RootX().size(), 4u);

    // The next calculation runs normally.
    fct.setText("x - 1");
    SendKey(&fct, Qt::Key_Return, "\r");
    EXPECT_EQ(w.memRoot().RecordCount(), 1);
  }
}

// A function that never returns is stopped as promptly as any other: Esc and
// "Abbrechen" reach it inside the Lua loop, well before the time budget.
TEST_F(RootFinding2DLong, EscAndCancelStopAnEndlessLuaLoopWithinHalfASecond) {
  const struct {
    const char* name;
    bool fullScript;
    bool byButton;
  } cases[] = {
      {"full script, Esc", true, false},
      {"full script, Abbrechen", true, true},
      {"expression, Esc", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TfrmRootFinding2D w;
    w.show();
    messages.clear();
    TKaloPersistFunction& function = w.RootFinder().RootFunction();
    function.setSimpleScript(!c.fullScript);
    function.setFunctionScript(c.fullScript ? "function fct(x) while true do end end"
                                            : "(function() while true do end end)()");
    w.RefreshFields();
    Clock::time_point cancelled;
    QTimer::singleShot(1000, &w, [&] {
      cancelled = Clock::now();
      if (c.byButton)
        Click(*Child<QPushButton>(w, "btnCancel"));
      else
        PressKey(Child<QLineEdit>(w, "txtXmin"), Qt::Key_Escape);
    });
    Child<QPushButton>(w, "Button2")->click();
    const auto afterCancel = Clock::now() - cancelled;
    EXPECT_LT(afterCancel, std::chrono::milliseconds(500));
    EXPECT_EQ(messages, QStringList{"Berechnung abgebrochen"});
    EXPECT_TRUE(shownErrors.isEmpty()) << shownErrors.join('\n').toStdString();
    EXPECT_EQ(w.memRoot().RecordCount(), 4) << "the previous results stay";
  }
}

// Closing the window during a calculation stops it and then closes the window.
TEST_F(RootFinding2DLong, ClosingDuringACalculationStopsItAndCloses) {
  QPointer<TfrmRootFinding2D> w = new TfrmRootFinding2D;  // deletes itself when closed
  w->show();
  bool closedAtOnce = true;
  CalculateWhile(*w, "(function() while true do end end)()", [&] { closedAtOnce = w->close(); });
  EXPECT_FALSE(closedAtOnce) << "the window waits for the calculation to stop";
  EXPECT_TRUE(shownErrors.isEmpty()) << shownErrors.join('\n').toStdString();
  for (int i = 0; i < 100 && !w.isNull(); ++i) {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  EXPECT_TRUE(w.isNull());
}

// The time one evaluation may take comes from the configuration when the window opens.
TEST_F(RootFinding2DLong, TimeLimitComesFromTheConfiguration) {
  provider.Cfg()->WriteValue(aslsProgramConfig, "Config", "EvaluationTimeLimit", TqorValue(QString("0,2")));
  TfrmRootFinding2D w;
  const auto took = CalculateWhile(w, "(function() while true do end end)()", [] {});
  EXPECT_LT(took, std::chrono::seconds(2));
  ASSERT_EQ(shownErrors.size(), 1);
  EXPECT_TRUE(shownErrors[0].contains("hat das Zeitlimit von 0.2 s überschritten.")) << shownErrors[0].toStdString();
  EXPECT_FALSE(messages.contains(QString::fromUtf8(MsgCalculationCancelled)))
      << "running out of time is an error, not a cancel";
  EXPECT_EQ(w.memRoot().RecordCount(), 4);
}

}  // namespace
