#include "qorTestSupport.h"
#include "KaloRootCalculation.h"
#include "LuaLib.h"
#include "qorException.h"
#include "qorMemoryDataset.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QStringList>

#include <cmath>

namespace {

// A window's worth of state: a task, a roots table and the busy texts shown.
struct Workspace {
  TKaloPersistRootFinding task;
  TqorMemoryDataset roots;
  QStringList busy;
  TKaloRootCalculation calc{task, roots, [this](const QString& text) { busy << text; }};

  Workspace() {
    DefineRootTable(roots);
    roots.Open();
  }
  TKaloCalculationInput Input(const QString& fct, Extended xMin = -2.5L, Extended xMax = 2.5L,
                              int n = 200) const {
    return {fct, xMin, xMax, n};
  }
  void Run(const TKaloCalculationInput& input, bool* plotted = nullptr) {
    calc.Execute(input, [plotted] { if (plotted) *plotted = true; });
  }
  QString Text(const char* field, int row) const { return roots.FieldByName(field).DisplayTextAt(row); }
  QVariant Value(const char* field, int row) const { return roots.FieldByName(field).ValueAt(row); }
};

const QString DefaultPolynomial = TKaloPersistFunction::DefaultFunctionScript;

TEST(KaloRootCalculation, DefaultTaskGivesFourZeroinRoots) {
  Workspace w;
  bool plotted = false;
  w.Run(w.Input(DefaultPolynomial), &plotted);
  EXPECT_TRUE(plotted);
  ASSERT_EQ(w.calc.ValueX().size(), 200u);
  for (int i : {0, 1, 117, 199})
    EXPECT_EQ(w.calc.ValueX()[i], i * (5.0L / 199) + -2.5L) << "node " << i;
  ASSERT_EQ(w.roots.RecordCount(), 4);
  const double expected[] = {-2.4051, -0.2860, 0.4518, 2.3192};
  for (int row = 0; row < 4; ++row) {
    SCOPED_TRACE(testing::Message() << "root near " << expected[row]);
    EXPECT_EQ(w.Value(RootField::ID, row).toInt(), row);
    EXPECT_EQ(w.Value(RootField::RootFinder, row).toString(), "Zeroin()");
    EXPECT_TRUE(w.Value(RootField::RootExists, row).toBool());
    EXPECT_NEAR(w.Value(RootField::xRoot, row).toDouble(), expected[row], 1E-4);
    EXPECT_NEAR(static_cast<double>(w.calc.RootX()[row]), expected[row], 1E-4);
    EXPECT_GT(w.Value(RootField::IterCount, row).toInt(), 0);
    EXPECT_TRUE(w.Value(RootField::ResultMessage, row).toString().isEmpty());
  }
  EXPECT_EQ(w.roots.RecNo(), 0);
  EXPECT_EQ(w.busy, QStringList({"Funktion berechnen ...", "Nullstellen ermitteln ...", "", ""}));
  EXPECT_EQ(w.task.NodeCount(), 200) << "the calculation reads the fields, not the task's range";
  EXPECT_GT(w.calc.EvaluationCount(), 400);
}

TEST(KaloRootCalculation, RootTableShowsLabelsFormatsAndNulls) {
  Workspace w;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  w.Run(w.Input("x^2 + 1 - 1.0000001*x^2", 10, 10.5, 10));  // no root: no row
  EXPECT_EQ(w.roots.RecordCount(), 0);
  w.Run(w.Input("sin(x)"));
  ASSERT_EQ(w.roots.RecordCount(), 1);
  EXPECT_EQ(w.Text(RootField::xRoot, 0), "0,0000000");
  EXPECT_TRUE(w.Text(RootField::yRoot, 0).contains("e")) << w.Text(RootField::yRoot, 0).toStdString();
  EXPECT_EQ(w.Text(RootField::RootExists, 0), "X");
  EXPECT_EQ(w.Text(RootField::xIntervalMin, 0), "-0,013");
  QLocale::setDefault(QLocale::c());

  const TqorField& id = w.roots.FieldByName(RootField::ID);
  EXPECT_FALSE(id.Visible());
  const char* labels[][2] = {{RootField::RootExists, "N?"},      {RootField::xRoot, "x-Nullstelle"},
                             {RootField::yRoot, "y-Nullstelle"}, {RootField::IterCount, "Iter."},
                             {RootField::xIntervalMin, "x-Min"}, {RootField::xIntervalMax, "x-Max"},
                             {RootField::RootFinder, "Methode"}, {RootField::ResultMessage, "Bemerkung"}};
  for (auto& [field, label] : labels) EXPECT_EQ(w.roots.FieldByName(field).DisplayLabel(), label);
}

TEST(KaloRootCalculation, RowsWithoutRootKeepRootColumnsNull) {
  Workspace w;
  // Touches zero at 0 but never reaches it: the secant method runs and finds nothing.
  w.Run(w.Input("x^2 + 1E-5", -1, 1, 200));
  EXPECT_EQ(w.roots.RecordCount(), 3);
  for (int row = 0; row < w.roots.RecordCount(); ++row) {
    if (w.Value(RootField::RootExists, row).toBool()) continue;
    EXPECT_FALSE(w.Value(RootField::xRoot, row).isValid());
    EXPECT_FALSE(w.Value(RootField::yRoot, row).isValid());
    EXPECT_FALSE(w.Value(RootField::IterCount, row).isValid());
    EXPECT_TRUE(w.Text(RootField::xRoot, row).isEmpty());
  }
  EXPECT_EQ(w.calc.RootX().size(), 0u);
}

TEST(KaloRootCalculation, SimpleExpressionGoesIntoTheTaskFullScriptStays) {
  Workspace w;
  w.Run(w.Input("cos(x)"));
  EXPECT_EQ(w.task.RootFunction().FunctionScript(), "cos(x)");
  EXPECT_EQ(w.roots.RecordCount(), 2);

  const QString script = "function fct(x)\r\n  return x - 1\r\nend";
  w.task.RootFunction().setSimpleScript(false);
  w.task.RootFunction().setFunctionScript(script);
  w.Run(w.Input("ignored"));
  EXPECT_EQ(w.task.RootFunction().FunctionScript(), script);
  ASSERT_EQ(w.roots.RecordCount(), 1);
  EXPECT_NEAR(w.Value(RootField::xRoot, 0).toDouble(), 1.0, 1E-15);
}

TEST(KaloRootCalculation, EmptyFunctionChangesNothing) {
  Workspace w;
  w.Run(w.Input("sin(x)"));
  w.busy.clear();
  bool plotted = false;
  w.Run(w.Input(""), &plotted);
  EXPECT_FALSE(plotted);
  EXPECT_EQ(w.busy, QStringList({"Funktion berechnen ...", "", ""}));
  EXPECT_EQ(w.roots.RecordCount(), 1);
  EXPECT_EQ(w.calc.ValueX().size(), 200u);
}

// Every failure ends the busy display and leaves the results of the previous
// calculation, except a failed scan, which has new values and an empty roots table.
TEST(KaloRootCalculation, FailuresLeaveThePreviousResults) {
  Workspace w;
  w.Run(w.Input(DefaultPolynomial));
  const kaloREALVector oldY = w.calc.ValueY();

  bool plotted = false;
  // The library is loaded once per process: unload it so that this run has to load one.
  LuaLib::ResetLuaBinding();
  w.calc.setScriptSettings({"qor-no-such-lua.so", DefaultEvaluationBudget, DefaultLuaMemoryCap});
  EXPECT_THROW_MSG(w.Run(w.Input("sin(x)", -1, 1, 50), &plotted), Exception,
                   "LuaScript.LoadLibrary(): Bibliothek \"qor-no-such-lua.so\" existiert nicht.");
  LuaLib::SetLuaLibFileName(LuaLib::DefaultLuaLibFileName);
  w.calc.setScriptSettings({});
  EXPECT_FALSE(plotted);
  EXPECT_EQ(w.busy.last(), "");
  EXPECT_EQ(w.calc.ValueY(), oldY);
  EXPECT_EQ(w.roots.RecordCount(), 4);

  w.busy.clear();
  try {
    w.Run(w.Input("sin(x", -1, 1, 50), &plotted);
    ADD_FAILURE() << "no compile error";
  } catch (const Exception& e) {
    const std::string msg = e.Message();
    EXPECT_EQ(msg.rfind("Fehler in LoadScriptFromString(): Syntaxfehler in Script ", 0), 0u) << msg;
    EXPECT_NE(msg.find("function fct(x) return (sin(x); end;"), std::string::npos) << msg;
  }
  EXPECT_FALSE(plotted);
  EXPECT_EQ(w.busy.last(), "");
  EXPECT_EQ(w.calc.ValueY(), oldY);
  EXPECT_EQ(w.roots.RecordCount(), 4);
  EXPECT_EQ(w.calc.RootX().size(), 4u);

  EXPECT_THROW_MSG(w.Run(w.Input("x + 1", 1, 1, 10)), Exception,
                   "Bei der Ermittlung der Nullstellenintervalle ist die Ausnahme EZeroDivide "
                   "aufgetreten. Text der Fehlermeldung: Gleitkommadivision durch Null");
  ASSERT_EQ(w.calc.ValueX().size(), 10u);
  EXPECT_EQ(w.calc.ValueX()[9], 1.0L);
  EXPECT_EQ(w.roots.RecordCount(), 0);
  EXPECT_EQ(w.calc.RootX().size(), 4u) << "root vectors belong to the last complete run";
}

TEST(KaloRootCalculation, RunawayFunctionStopsTheWholeCalculation) {
  Workspace w;
  w.Run(w.Input(DefaultPolynomial));
  const kaloREALVector oldY = w.calc.ValueY();
  w.calc.setScriptSettings({QString(), std::chrono::milliseconds(50), DefaultLuaMemoryCap});
  // Loops forever from a given call on: while sampling (calls 1 to 200), in the root
  // search's scan (201 to 400) and inside Zeroin (its first step, after the interval's
  // ends and Zeroin's own two start values).
  const char* const loopsFromCall =
      "(function() calls = (calls or 0) + 1 if calls >= %1 then while true do end end "
      "return x - 1 end)()";
  for (int firstLoopingCall : {1, 301, 405}) {
    const QString fct = QString::fromLatin1(loopsFromCall).arg(firstLoopingCall);
    SCOPED_TRACE(fct.toStdString());
    w.busy.clear();
    try {
      w.Run(w.Input(fct));
      ADD_FAILURE() << "not stopped";
    } catch (const ECalculationAborted& e) {
      EXPECT_NE(e.Message().find("x = "), std::string::npos) << e.Message();
    }
    EXPECT_GE(w.calc.EvaluationCount(), firstLoopingCall - 1) << "stopped where intended";
    EXPECT_EQ(w.busy.last(), "");
    EXPECT_EQ(w.calc.ValueY(), oldY);
    EXPECT_EQ(w.roots.RecordCount(), 4);
    EXPECT_EQ(w.calc.RootX().size(), 4u);
  }
}

}  // namespace
