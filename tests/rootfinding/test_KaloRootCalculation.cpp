#include "KaloRootCalculation.h"
#include "LuaLib.h"
#include "ScriptUtil.h"
#include "qorException.h"
#include "qorKaloZeroin.h"
#include "qorMemoryDataset.h"
#include "qorTestSupport.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

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
  TKaloCalculationInput Input(const QString& fct, Extended xMin = -2.5L, Extended xMax = 2.5L, int n = 200) const {
    return {fct, xMin, xMax, n};
  }
  void Run(const TKaloCalculationInput& input, bool* plotted = nullptr) {
    calc.Execute(input, [plotted] {
      if (plotted) *plotted = true;
    });
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
  for (int i : {0, 1, 117, 199}) EXPECT_EQ(w.calc.ValueX()[i], i * (5.0L / 199) + -2.5L) << "node " << i;
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
    EXPECT_EQ(msg.rfind("Eine Klammer ist nicht geschlossen: zu jedem '(' gehört ein ')'.\r\n"
                        "Fehler in LoadScriptFromString(): Syntaxfehler in Script ",
                        0),
              0u)
        << msg;
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

// One expected row: its kind, its method, and either the root (within Tolerance) or the
// start of the message that says why there is none.
struct TExpectedRow {
  TqorRootKind kind;
  const char* method;
  Extended root = 0;
  Extended tolerance = 0;
  const char* message = "";
};

// Every row tells the truth: a sign change across a pole or a jump is no root, steep
// roots stay roots, touching roots are found when asked for, a root outside the range or
// a pair taken only by the absolute zero bound is not reported, a one-point range has one
// row, and a function without any value says why.
TEST(KaloRootCalculation, EveryRowSaysWhatItFound) {
  using K = TqorRootKind;
  const char* pole = "Polstelle: Vorzeichenwechsel ohne Nullstelle, f = ";
  const char* jump = "Sprungstelle: Vorzeichenwechsel ohne Nullstelle, f = ";
  const char* secantGaveUp = "Sekantenverfahren: nach 10001 Iterationen keine Nullstelle gefunden";
  const Extended pi = 3.14159265358979323846L;
  const struct {
    const char* name;
    QString fct;
    Extended xMin, xMax;
    int n;
    bool touching;
    std::vector<TExpectedRow> rows;
    const char* noValue;  // the start of NoValueMessage
  } cases[] = {
      {"tan: three roots, two poles",
       "tan(x)",
       -4,
       4,
       100,
       false,
       {{K::Root, MethodZeroin, -pi, 1E-15L},
        {K::Pole, MethodZeroin, 0, 0, pole},
        {K::Root, MethodZeroin, 0, 1E-15L},
        {K::Pole, MethodZeroin, 0, 0, pole},
        {K::Root, MethodZeroin, pi, 1E-15L}},
       ""},
      {"1/(x - 0.3): a pole where Zeroin's arithmetic breaks down",
       "1/(x - 0.3)",
       -1,
       1,
       20,
       false,
       {{K::Pole, MethodZeroin, 0, 0, pole}},
       ""},
      {"(x-1)/(x-2): a root and a pole",
       "(x - 1)/(x - 2)",
       0,
       3,
       20,
       false,
       {{K::Root, MethodZeroin, 1, 1E-15L}, {K::Pole, MethodZeroin, 0, 0, pole}},
       ""},
      {"a step across zero", "x < 0 and -1 or 1", -1, 1, 10, false, {{K::Jump, MethodZeroin, 0, 0, jump}}, ""},
      {"a steep root", "atan(1e6*x)", -1, 1, 50, false, {{K::Root, MethodZeroin, 0, 1E-15L}}, ""},
      {"a steep root of high degree",
       "1e10*x^101 - 1",
       0,
       1,
       30,
       false,
       {{K::Root, MethodZeroin, std::pow(1E-10L, 1.0L / 101), 1E-15L}},
       ""},
      {"x^2 with 10 nodes: touching root found when asked",
       "x^2",
       -1,
       1,
       10,
       true,
       {{K::Touching, MethodMinimum, 0, 1E-15L}},
       ""},
      {"x^2 with 10 nodes: without the search, none", "x^2", -1, 1, 10, false, {}, ""},
      {"a double root between nodes",
       "(x - 2)^2*(x + 1)",
       -3,
       4,
       40,
       true,
       {{K::Root, MethodZeroin, -1, 1E-15L}, {K::Touching, MethodMinimum, 2, 1E-7L}},
       ""},
      {"a positive minimum of 1E-12 is no root", "x^2 + 1E-12", -1, 1, 10, true, {}, ""},
      // A floor far below the minimiser's reach, but clear against f's rounding there.
      {"a positive minimum of 1E-30 is no root either", "100*(x-0.3)^2+1e-30", -2.5L, 2.5L, 200, true, {}, ""},
      {"the same parabola without the floor touches zero",
       "(x-0.3)^2*100",
       -2.5L,
       2.5L,
       200,
       true,
       {{K::Touching, MethodMinimum, 0.3L, 1E-7L}},
       ""},
      {"sin(x)^2 touches zero at the doubles' distance from pi",
       "sin(x)^2",
       2.5L,
       3.5L,
       10,
       true,
       {{K::Touching, MethodMinimum, 3.14159265358979323846L, 1E-7L}},
       ""},
      {"x^2 + 1E-5: the secant method says why it found nothing",
       "x^2 + 1E-5",
       -1,
       1,
       200,
       true,
       {{K::None, MethodSecant, 0, 0, secantGaveUp},
        {K::None, MethodSecant, 0, 0, secantGaveUp},
        {K::None, MethodSecant, 0, 0, secantGaveUp}},
       ""},
      {"f = x far below the zero bound: no pairs", "x", 1E-320L, 2E-320L, 200, false, {}, ""},
      {"a root far below the zero bound",
       "x - 1.5e-320",
       1E-320L,
       2E-320L,
       200,
       false,
       {{K::Root, MethodZeroin, 1.5E-320L, 1E-322L}},
       ""},
      {"a one-point range is one row", "x - 1", 1, 1, 200, false, {{K::Root, MethodLowerEndIsRoot, 1, 0}}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Workspace w;
    w.task.setTouchingRoots(c.touching);
    w.Run(w.Input(c.fct, c.xMin, c.xMax, c.n));
    const auto& rows = w.calc.Intervals();
    ASSERT_EQ(rows.size(), c.rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
      SCOPED_TRACE(i);
      const TqorRootIntervalCommon& got = rows[i];
      const TExpectedRow& want = c.rows[i];
      EXPECT_EQ(got.Kind, want.kind);
      EXPECT_EQ(got.RootFinderMethode, want.method);
      const bool root = want.kind == K::Root || want.kind == K::Touching;
      EXPECT_EQ(got.RootExists, root);
      EXPECT_EQ(w.Text(RootField::RootExists, static_cast<int>(i)), root ? "X" : "");
      if (root) {
        EXPECT_NEAR(static_cast<double>(got.xRoot), static_cast<double>(want.root),
                    static_cast<double>(want.tolerance));
        EXPECT_TRUE(std::fmin(c.xMin, c.xMax) <= got.xRoot && got.xRoot <= std::fmax(c.xMin, c.xMax));
        EXPECT_EQ(got.ResultMessage, "");
      } else {
        EXPECT_EQ(got.ResultMessage.rfind(want.message, 0), 0u) << got.ResultMessage;
      }
    }
    EXPECT_EQ(w.calc.RootX().size(), static_cast<std::size_t>(std::count_if(
                                         rows.begin(), rows.end(), [](const auto& r) { return r.RootExists; })))
        << "the plot circles roots only";
    if (*c.noValue == 0)
      EXPECT_EQ(w.calc.NoValueMessage(), "");
    else
      EXPECT_TRUE(w.calc.NoValueMessage().startsWith(QString::fromUtf8(c.noValue)))
          << w.calc.NoValueMessage().toStdString();
  }
}

// A function without a value at any node is an error, raised before the results of
// the calculation before are replaced, with a plain sentence first where there is one.
TEST(KaloRootCalculation, NoValueAnywhereRaisesAndKeepsThePreviousResults) {
  const struct {
    const char* name;
    QString fct;
    Extended xMin, xMax;
    const char* message;  // the start of the message
  } cases[] = {
      {"a typo", "sinn(x)", -2.5L, 2.5L,
       "Der Name 'sinn' ist unbekannt. Erlaubt sind x und abs, acos, asin, atan, ceil, cos, cosh, deg, exp, floor, "
       "fmod, frexp, ldexp, log, log10, max, min, pi, pow, rad, sin, sinh, sqrt, tan, tanh.\r\n"
       "Die Funktion hat an keiner Stützstelle einen Wert. Erster Fehler bei x = -2.5: "},
      {"no value on the whole range", "sqrt(x)", -2, -1,
       "Die Funktion hat an keiner Stützstelle einen Wert. Bei x = -2 ist f(x) = nan."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Workspace w;
    w.Run(w.Input(DefaultPolynomial));
    const kaloREALVector valuesBefore = w.calc.ValueY();
    bool plotted = false;
    try {
      w.Run(w.Input(c.fct, c.xMin, c.xMax), &plotted);
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message().rfind(c.message, 0), 0u) << e.Message();
      EXPECT_EQ(QString::fromStdString(e.Message()), w.calc.NoValueMessage());
    }
    EXPECT_FALSE(plotted);
    EXPECT_EQ(w.calc.ValueY(), valuesBefore);
    EXPECT_EQ(w.roots.RecordCount(), 4);
    EXPECT_EQ(w.calc.RootX().size(), 4u);
  }
}

TEST(KaloRootCalculation, ProgressTextNamesThePhaseAndHowFarItIs) {
  const struct {
    TKaloPhase phase;
    int done, total;
    const char* text;
  } cases[] = {
      {TKaloPhase::Sampling, 0, 200, "Funktion berechnen ... 0 %"},
      {TKaloPhase::Sampling, 4599, 10000, "Funktion berechnen ... 45 %"},
      {TKaloPhase::Sampling, 0, 0, "Funktion berechnen ... 0 %"},
      {TKaloPhase::Scan, 9999, 9999, "Nullstellen ermitteln ... 100 %"},
      {TKaloPhase::Scan, 10001, 9999, "Nullstellen ermitteln ... 100 %"},
      {TKaloPhase::Intervals, 12, 319, "Nullstellen suchen ... 12 von 319"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ProgressText(c.phase, c.done, c.total), QString::fromLatin1(c.text));
  }
}

// The time budget as the configuration and the command line give it, in seconds.
TEST(KaloRootCalculation, EvaluationBudgetFromTextTakesSecondsInRange) {
  using std::chrono::milliseconds;
  const struct {
    const char* text;
    std::optional<milliseconds> budget;
  } cases[] = {
      {"10", milliseconds(10000)},
      {" 2.5 ", milliseconds(2500)},
      {"0,2", milliseconds(200)},
      {"0.001", milliseconds(1)},
      {"86400", milliseconds(86400000)},
      {"", std::nullopt},
      {"abc", std::nullopt},
      {"0", std::nullopt},
      {"-1", std::nullopt},
      {"0.0004", std::nullopt},
      {"86401", std::nullopt},
      {"nan", std::nullopt},
      {"inf", std::nullopt},
      {"1e400", std::nullopt},
      {"2 s", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(EvaluationBudgetFromText(QString::fromLatin1(c.text)), c.budget);
  }
}

// A slow function with many roots: every call spins for a few milliseconds.
const QString SlowSine = QStringLiteral(
    "(function() local s = 0 for i = 1, 1e6 do s = s + i end return sin(20*x) end)()");

// The cancel flag stops the calculation in each of its phases, the way the time budget
// does: the previous results stay. The progress reports come while f is evaluated, name
// the phase and rise within it, and come no more often than the watcher's interval.
TEST(KaloRootCalculation, CancelInEveryPhaseLeavesThePreviousResults) {
  Workspace w;
  w.Run(w.Input(DefaultPolynomial));
  const kaloREALVector oldY = w.calc.ValueY();
  std::atomic<bool> cancel = false;
  w.calc.setCancelFlag(&cancel);
  for (const char* phase : {"Funktion berechnen", "Nullstellen ermitteln", "Nullstellen suchen"}) {
    SCOPED_TRACE(phase);
    cancel = false;
    w.busy.clear();
    QStringList reports;
    std::vector<std::chrono::steady_clock::duration> times;
    w.calc.setProgressReport([&](const TKaloProgress& p) {
      reports << p.Text;
      times.push_back(p.Elapsed);
      if (p.Text.startsWith(QString::fromLatin1(phase)) && reports.filter(QString::fromLatin1(phase)).size() == 2)
        cancel = true;
    });
    EXPECT_THROW_MSG(w.Run(w.Input(SlowSine, -10, 10, 400)), ECalculationCancelled, "Berechnung abgebrochen");
    ASSERT_GE(reports.size(), 2);
    EXPECT_TRUE(reports.last().startsWith(QString::fromLatin1(phase))) << reports.last().toStdString();
    for (int i = 1; i < reports.size(); ++i) EXPECT_GE(times[i] - times[i - 1], WatcherInterval * 9 / 10);
    const QRegularExpression shape(
        QStringLiteral("^(Funktion berechnen|Nullstellen ermitteln) \\.\\.\\. \\d+ %$|"
                       "^Nullstellen suchen \\.\\.\\. \\d+ von \\d+$"));
    for (const QString& r : reports) EXPECT_TRUE(shape.match(r).hasMatch()) << r.toStdString();
    EXPECT_EQ(w.busy.last(), "");
    EXPECT_EQ(w.calc.ValueY(), oldY);
    EXPECT_EQ(w.roots.RecordCount(), 4);
    EXPECT_EQ(w.calc.RootX().size(), 4u);
  }
  w.calc.setProgressReport({});
  // A flag set before the calculation stops it before anything changes, also where f is
  // too quick for the script's time check to look.
  cancel = true;
  EXPECT_THROW(w.Run(w.Input("x - 1")), ECalculationCancelled);
  EXPECT_EQ(w.calc.ValueY(), oldY);
  cancel = false;
  w.Run(w.Input("sin(20*x)", -10, 10, 400));
  EXPECT_EQ(w.roots.RecordCount(), 127) << "the flag cleared, the next calculation runs to its end";
}

// FNV-1a over bytes: a short fingerprint of a long sequence, to compare with a recorded one.
class TFingerprint {
public:
  void Add(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) FValue = (FValue ^ bytes[i]) * 0x100000001b3ULL;
  }
  // An Extended by its 80 bits of value, without the padding.
  void Add(Extended x) { Add(&x, 10); }
  void Add(int n) { Add(&n, sizeof n); }
  void Add(const std::string& s) { Add(s.data(), s.size()); }
  std::uint64_t Value() const { return FValue; }

private:
  std::uint64_t FValue = 0xcbf29ce484222325ULL;
};

// What a calculation did: how often and with which x (as doubles, in order) the user's
// function was called, and fingerprints of those calls and of every result.
struct TRecordedCalculation {
  int Calls = 0;
  std::uint64_t CallsFingerprint = 0;
  std::uint64_t ResultsFingerprint = 0;
  std::string Error;  // the message of the error that ended it, if one did
};

// The results in every bit: values, intervals with roots, methods, codes and messages.
std::uint64_t ResultsFingerprint(const TKaloRootCalculation& Calc) {
  TFingerprint f;
  for (std::size_t i = 0; i < Calc.ValueX().size(); ++i) {
    f.Add(Calc.ValueX()[i]);
    f.Add(Calc.ValueY()[i]);
  }
  for (const TqorRootIntervalCommon& interval : Calc.Intervals()) {
    for (Extended x : {interval.xMin, interval.xMax, interval.xRoot, interval.yRoot}) f.Add(x);
    for (int k : {interval.IterCount, interval.ResultCode, int(interval.RootExists)}) f.Add(k);
    f.Add(interval.RootFinderMethode);
    f.Add(interval.ResultMessage);
  }
  return f.Value();
}

// Calculates Expression with a script that logs every x it is called with in a global
// table, then reads the log back through the same state.
TRecordedCalculation RecordCalculation(const QString& Expression, Extended xMin, Extended xMax, int n,
                                       const TqorScriptWatcher& Watcher = {}) {
  Workspace w;
  TScriptFunction function;
  function.setWatcher(Watcher);
  function.LoadScriptFromString("calls = {}\r\nfunction fct(x)\r\n  calls[#calls + 1] = x\r\n  return (" + Expression +
                                ")\r\nend");
  function.PrepareFunction("fct");
  TRecordedCalculation r;
  try {
    w.calc.SampleAndFindRoots(function, w.Input(Expression, xMin, xMax, n));
  } catch (const Exception& e) {
    r.Error = std::string(e.className()) + ": " + e.Message();
  }
  r.ResultsFingerprint = ResultsFingerprint(w.calc);

  function.LoadScriptFromString("function fct(i) return i == 0 and #calls or calls[i] end");
  function.PrepareFunction("fct");
  r.Calls = static_cast<int>(function.fct(0));
  TFingerprint calls;
  for (int i = 1; i <= r.Calls; ++i) {
    const double x = static_cast<double>(function.fct(i));
    calls.Add(&x, sizeof x);
  }
  r.CallsFingerprint = calls.Value();
  return r;
}

// The calculation calls fct with the same x in the same order and computes the same bits
// as it always has: the fingerprints were recorded from the calculation as first written,
// which called fct node by node through the Lua C API and checked the fault flags after
// every arithmetic step.
TEST(KaloRootCalculation, SameEvaluationsAndResultsAsRecorded) {
  const std::string scanFailed =
      "Exception: Bei der Ermittlung der Nullstellenintervalle ist die Ausnahme EZeroDivide aufgetreten. "
      "Text der Fehlermeldung: Gleitkommadivision durch Null";
  const struct {
    const char* name;
    QString expression;
    Extended xMin, xMax;
    int n;
    int calls;
    std::uint64_t callsFingerprint, resultsFingerprint;
    std::string error;
  } cases[] = {
      {"default task", DefaultPolynomial, -2.5L, 2.5L, 200,  //
       498, 0x172512f803132da1ULL, 0xb5551e57473d94f5ULL, ""},
      {"default polynomial, 10000 nodes", DefaultPolynomial, -2.5L, 2.5L, 10000,  //
       20071, 0x31fff24400bdc4f9ULL, 0x6e1f3d49c8137217ULL, ""},
      {"sin(50*x), 319 roots", "sin(50*x)", -10, 10, 10000,  //
       26337, 0x915cdc905d78a58bULL, 0x6bc5bf0b8a4e727dULL, ""},
      {"secant method where x^2 touches zero", "x^2", -1, 1, 200,  //
       883, 0x0b11340af2a7e171ULL, 0xad6fa5c9f339ad5fULL, ""},
      {"roots on nodes", "x^3 - x", -2, 2, 9,  //
       30, 0x94ce39225f76abf5ULL, 0x18033360b1460005ULL, ""},
      {"no value at the first node", "log(x)", 0, 3, 50,  //
       108, 0xcca4ed2ae3e91c4eULL, 0x92f6a850d0daa37aULL, ""},
      {"errors give no value", "x < 0 and error('negativ') or x - 0.3", -1, 1, 30,  //
       65, 0x441754705ead5171ULL, 0x0f87cad51b4dbcfdULL, ""},
      {"descending nodes", "cos(3*x)", 2, -2, 40,  //
       155, 0xabeb395242bf8960ULL, 0x9c8471cca402b763ULL, ""},
      // Where Zeroin meets the NaN, two more calls look beside it (NaN there too: no gap).
      {"NaN inside Zeroin's bracket", "x < 0.25 and -1 or (x < 0.6 and 0/0 or 1)", 0, 1, 11,  //
       29, 0x220215eb1a58bcc5ULL, 0x1f8082f180f20a83ULL, ""},
      {"the scan fails", "x + 1", 1, 1, 10,  //
       12, 0xdacfbe1d0c7910e5ULL, 0x40627928cfcee9a1ULL, scanFailed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TRecordedCalculation r = RecordCalculation(c.expression, c.xMin, c.xMax, c.n);
    EXPECT_EQ(r.Calls, c.calls);
    EXPECT_EQ(r.CallsFingerprint, c.callsFingerprint);
    EXPECT_EQ(r.ResultsFingerprint, c.resultsFingerprint);
    EXPECT_EQ(r.Error, c.error);
    // The expression as the window hands it over, computed in place where it can be:
    // the same results and the same count of values of f.
    Workspace w;
    TScriptFunction function;
    function.LoadExpression(c.expression);
    std::string error;
    try {
      w.calc.SampleAndFindRoots(function, w.Input(c.expression, c.xMin, c.xMax, c.n));
    } catch (const Exception& e) {
      error = std::string(e.className()) + ": " + e.Message();
    }
    EXPECT_EQ(ResultsFingerprint(w.calc), c.resultsFingerprint) << "in place: " << function.EvaluatesInPlace();
    EXPECT_EQ(w.calc.EvaluationCount(), c.calls);
    EXPECT_EQ(error, c.error);
    // Watched for a cancel and reporting progress, the calculation is the same.
    std::atomic<bool> cancel = false;
    const TRecordedCalculation watched = RecordCalculation(c.expression, c.xMin, c.xMax, c.n, {&cancel, [](int) {}});
    EXPECT_EQ(watched.CallsFingerprint, c.callsFingerprint);
    EXPECT_EQ(watched.ResultsFingerprint, c.resultsFingerprint);
  }
}

// Rows whose roots coincide within the solvers' tolerance show one root: later rows name
// the first, the count says how many different roots the rows show, and the plot's roots
// hold each once. Where the absolute bound, not f, limits a root's accuracy, the
// calculation says so; a root f hit exactly, or a purely relative request, is limited by
// nothing.
TEST(KaloRootCalculation, CountsEachRootOnceAndTellsWhenTheBoundLimitsIt) {
  constexpr int none = -1;
  const struct {
    const char* name;
    QString fct;
    Extended xMin, xMax;
    int n;
    bool relative;             // abs 0, rel 1E-18 instead of the task's default bounds
    std::vector<int> repeats;  // per row; none for a row that shows its root first or none
    int different;
    const char* countNote;
    bool boundLimits;
  } cases[] = {
      {"sin(x) with 0 a node: two rows end at 0",
       "sin(x)",
       -4,
       4,
       101,
       false,
       {none, none, 1, none},
       3,
       "3 Nullstellen in 4 Zeilen",
       false},
      {"the same, the range descending",
       "sin(x)",
       4,
       -4,
       101,
       false,
       {none, none, 1, none},
       3,
       "3 Nullstellen in 4 Zeilen",
       false},
      {"the default polynomial: four roots of their own",
       DefaultPolynomial,
       -2.5L,
       2.5L,
       200,
       false,
       {none, none, none, none},
       4,
       "",
       false},
      {"x^2 with 0 a node: one root in two rows",
       "x^2",
       -1,
       1,
       11,
       false,
       {none, 0},
       1,
       "1 Nullstelle in 2 Zeilen",
       false},
      {"roots 1E-9 apart, a node between them, stay two",
       "(x - 0.5)*(x - 0.5 - 1e-9)",
       0.0000000005L,
       1.0000000005L,
       11,
       false,
       {none, none},
       2,
       "",
       false},
      {"a triple root reached from three rows",
       "(x-1/3)^3*(x-0.8)",
       -2.5L,
       2.5L,
       200,
       false,
       {none, none, none, 2, 2, none, none, none, none},
       2,
       "2 Nullstellen in 4 Zeilen",
       false},
      {"x - 1E-300: the absolute bound limits the root", "x - 1e-300", -1, 1, 200, false, {none}, 1, "", true},
      {"x - 1E-300, asked for relative accuracy", "x - 1e-300", -1, 1, 200, true, {none}, 1, "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Workspace w;
    if (c.relative) {
      w.task.setAbsErrorBound(0);
      w.task.setRelErrorBound(1E-18L);
    }
    w.Run(w.Input(c.fct, c.xMin, c.xMax, c.n));
    EXPECT_EQ(w.calc.RepeatedRows(), c.repeats);
    EXPECT_EQ(w.calc.DifferentRootCount(), c.different);
    EXPECT_EQ(w.calc.RootX().size(), static_cast<std::size_t>(c.different)) << "the plot marks each root once";
    EXPECT_EQ(w.calc.RootCountNote(), QString::fromUtf8(c.countNote));
    EXPECT_EQ(w.calc.LimitingAbsErrorBound() != 0, c.boundLimits);
    if (c.boundLimits) {
      EXPECT_EQ(w.calc.LimitingAbsErrorBound(), ZeroinToleranceFloor) << "the bound Zeroin worked with";
      EXPECT_TRUE(w.calc.ErrorBoundNote().startsWith("Die absolute Fehlerschranke 4.34E-19 "))
          << w.calc.ErrorBoundNote().toStdString();
    } else {
      EXPECT_EQ(w.calc.ErrorBoundNote(), "");
    }
  }
}

}  // namespace
