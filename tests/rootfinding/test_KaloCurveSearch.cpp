// The calculation's search for extrema and inflection points, through the script host:
// exact derivatives for an expression, numerical ones for a full script.
#include "KaloPersistentTypes.h"
#include "KaloRootCalculation.h"
#include "qorMemoryDataset.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {
constexpr double Pi = std::numbers::pi;

struct Workspace {
  TKaloPersistRootFinding task;
  TqorMemoryDataset roots, extrema;
  TKaloRootCalculation calc{task, roots};

  explicit Workspace(TKaloCurveSearch Search = {true, true, true}) {
    DefineRootTable(roots);
    roots.Open();
    DefineExtremaTable(extrema);
    extrema.Open();
    calc.setExtremaTable(&extrema);
    task.setCurveSearch(Search);
  }
  void Run(const QString& Text, double xMin, double xMax, int Nodes, bool Script = false) {
    task.RootFunction().setSimpleScript(!Script);
    task.RootFunction().setFunctionScript(Text);
    calc.Execute({Text, xMin, xMax, Nodes});
  }
  // The rows other than the largest and smallest value, as "Kind x" pairs.
  std::vector<std::pair<QString, double>> Local() const {
    std::vector<std::pair<QString, double>> rows;
    for (const TqorExtremumRow& r : calc.ExtremaRows())
      if (r.Kind != TqorExtremumKind::GlobalMaximum && r.Kind != TqorExtremumKind::GlobalMinimum)
        rows.emplace_back(QString::fromUtf8(ExtremumKindText(r.Kind)), static_cast<double>(r.x));
    return rows;
  }
};

struct Case {
  const char* Name;
  const char* Text;
  double xMin, xMax;
  int Nodes;
  std::vector<std::pair<QString, double>> Rows;
  bool Script = false;
  double Tolerance = 1E-12;  // relative to max(1, |x|)
};

// The roots of f' and f'' of the polynomial, by bisection in double outside the program.
const double PolyMin1 = -1.8269912617824449, PolyMax = 0.08272763625713343, PolyMin2 = 1.7855732502979664,
             PolyTurn = 1.2083305223759027;
// The polynomial's rows, whether it is given as an expression or as a script.
const std::vector<std::pair<QString, double>> PolyRows = {{"Minimum", PolyMin1},
                                                          {"Wendepunkt", -PolyTurn},
                                                          {"Maximum", PolyMax},
                                                          {"Wendepunkt", PolyTurn},
                                                          {"Minimum", PolyMin2}};

const Case Cases[] = {
    {"default polynomial", "0.71 + 0.91*x - 5.5*x^2 + 0.172*x^6", -2.5, 2.5, 200, PolyRows},
    {"sin(x) on [-7, 7]",
     "sin(x)",
     -7,
     7,
     200,
     {{"Wendepunkt", -2 * Pi},
      {"Maximum", -1.5 * Pi},
      {"Wendepunkt", -Pi},
      {"Minimum", -Pi / 2},
      {"Wendepunkt", 0},
      {"Maximum", Pi / 2},
      {"Wendepunkt", Pi},
      {"Minimum", 1.5 * Pi},
      {"Wendepunkt", 2 * Pi}}},
    {"x^3", "x^3", -2, 2, 200, {{"Sattelpunkt", 0}}},
    {"x^4", "x^4", -2, 2, 200, {{"Minimum", 0}}},
    {"x^3 - 3*x", "x^3 - 3*x", -3, 3, 200, {{"Maximum", -1}, {"Wendepunkt", 0}, {"Minimum", 1}}},
    {"exp(-x^2)",
     "exp(-x^2)",
     -3,
     3,
     200,
     {{"Wendepunkt", -std::sqrt(0.5)}, {"Maximum", 0}, {"Wendepunkt", std::sqrt(0.5)}}},
    {"abs(x): a minimum at a kink", "abs(x)", -1, 1, 200, {{"Minimum", 0}}},
    {"abs(x - 0.5) with the kink on a node", "abs(x - 0.5)", -1, 1, 201, {{"Minimum", 0.5}}},
    {"a kink that keeps the slope's sign", "x + 0.5*abs(x)", -1, 1, 200, {{"Knick", 0}}},
    {"the same with the kink on a node", "x + 0.5*abs(x)", -1, 1, 201, {{"Knick", 0}}},
    {"abs(x - 1) + 2*x: a halving lands on the kink", "abs(x - 1) + 2*x", -3, 3, 200, {{"Knick", 1}}},
    {"x/abs(x): a jump on a node without a value", "x/abs(x)", -1, 1, 201, {{"Sprungstelle", 0}}},
    {"x*exp(-x)", "x*exp(-x)", -1, 5, 200, {{"Maximum", 1}, {"Wendepunkt", 2}}},
    {"tan(x) on [-4, 4]: nothing at the poles",
     "tan(x)",
     -4,
     4,
     100,
     {{"Wendepunkt", -Pi}, {"Wendepunkt", 0}, {"Wendepunkt", Pi}}},
    {"a Lua script: numerical derivatives",
     "function fct(x)\r\n  return x * math.exp(-x)\r\nend",
     -1,
     5,
     200,
     {{"Maximum", 1}, {"Wendepunkt", 2}},
     true,
     1E-8},
    {"a Lua script with a kink that keeps the slope's sign",
     "function fct(x) return x + 0.5*math.abs(x) end",
     -1,
     1,
     200,
     {{"Knick", 0}},
     true},
    {"a Lua script with that kink on a node",
     "function fct(x) return math.abs(x - 1) + 2*x end",
     -1,
     3,
     201,
     {{"Knick", 1}},
     true},
    {"a Lua script with a pole on a node: no extrema", "function fct(x) return 1/x end", -1, 1, 201, {}, true},
    {"a Lua script of the polynomial", "function fct(x) return 0.71 + 0.91*x - 5.5*x^2 + 0.172*x^6 end", -2.5, 2.5, 200,
     PolyRows, true, 1E-8},
};

TEST(KaloCurveSearch, FindsTheExpectedExtremaAndInflectionPoints) {
  for (const Case& c : Cases) {
    SCOPED_TRACE(c.Name);
    Workspace w;
    w.Run(QString::fromUtf8(c.Text), c.xMin, c.xMax, c.Nodes, c.Script);
    const auto rows = w.Local();
    ASSERT_EQ(rows.size(), c.Rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
      EXPECT_EQ(rows[i].first, c.Rows[i].first) << i;
      EXPECT_NEAR(rows[i].second, c.Rows[i].second, c.Tolerance * std::max(1.0, std::fabs(c.Rows[i].second))) << i;
    }
    EXPECT_EQ(w.calc.DerivativesNumerical(), c.Script);
    EXPECT_EQ(w.extrema.RecordCount(), static_cast<int>(w.calc.ExtremaRows().size()));
    for (int row = 0; row < w.extrema.RecordCount(); ++row)
      EXPECT_EQ(w.extrema.FieldByName(ExtremumField::Remark).ValueAt(row).toString().contains("numerisch"), c.Script);
  }
}

// The value at a maximum of a script agrees with the exact one within 1E-8 relative, and so
// do f' (0 there) and f'' against the expression's exact derivatives.
TEST(KaloCurveSearch, AScriptsDerivativesAgreeWithTheExactOnes) {
  Workspace exact, script;
  exact.Run("x*exp(-x)", -1, 5, 200);
  script.Run("function fct(x) return x*math.exp(-x) end", -1, 5, 200, true);
  const TqorExtremumRow& a = exact.calc.ExtremaRows()[0];
  const TqorExtremumRow& b = script.calc.ExtremaRows()[0];
  EXPECT_NEAR(static_cast<double>(b.y), static_cast<double>(a.y), 1E-8 * std::fabs(a.y));
  EXPECT_NEAR(static_cast<double>(b.d1), 0, 1E-8);
  EXPECT_NEAR(static_cast<double>(b.d2), static_cast<double>(a.d2), 1E-6 * std::fabs(a.d2));
  ASSERT_EQ(exact.calc.ValueD1().size(), 200u);
  for (std::size_t i = 0; i < 200; i += 13)
    EXPECT_NEAR(static_cast<double>(script.calc.ValueD1()[i]), static_cast<double>(exact.calc.ValueD1()[i]),
                1E-8 * (1 + std::fabs(exact.calc.ValueD1()[i])));
}

// Random smooth expressions for x in [-2, 2]: every piece keeps its operation inside
// its smooth range whatever its argument, so f', f'' exist everywhere.
class TSmoothExpressions {
public:
  explicit TSmoothExpressions(std::uint32_t Seed) : FRandom(Seed) {}
  std::string Next() { return Term(3); }

private:
  std::size_t Pick(std::size_t n) { return FRandom() % n; }

  // Pieces[0] a [1] b [2] ...: the text with the operands filled in.
  static std::string Filled(std::initializer_list<const char*> Pieces, const std::string& a, const std::string& b) {
    std::string text;
    int operand = 0;
    for (const char* piece : Pieces) {
      if (operand > 0) text.append(operand == 1 ? a : b);
      text.append(piece);
      ++operand;
    }
    return text;
  }

  std::string Term(int Depth) {
    static const char* const constants[] = {"0.5", "1.3", "2", "0.7", "3", "pi"};
    if (Depth == 0 || Pick(6) == 0) return Pick(3) ? "x" : constants[Pick(std::size(constants))];
    const std::string a = Term(Depth - 1), b = Term(Depth - 1);
    switch (Pick(14)) {
      case 0:
        return Filled({"(", ") + (", ")"}, a, b);
      case 1:
        return Filled({"(", ") - (", ")"}, a, b);
      case 2:
        return Filled({"(", ")*(", ")"}, a, b);
      case 3:
        return Filled({"(", ")/(1 + (", ")^2)"}, a, b);
      case 4:
        return Filled({"(", Pick(2) ? ")^2" : ")^3"}, a, b);
      case 5:
        return Filled({"sin(", ")"}, a, b);
      case 6:
        return Filled({"cos(", ")"}, a, b);
      case 7:
        return Filled({"atan(", ")"}, a, b);
      case 8:
        return Filled({"tanh(", ")"}, a, b);
      case 9:
        return Filled({"exp(sin(", "))"}, a, b);
      case 10:
        return Filled({"exp(-(", ")^2)"}, a, b);
      case 11:
        return Filled({"log(2 + cos(", "))"}, a, b);
      case 12:
        return Filled({"sqrt(1 + (", ")^2)"}, a, b);
      default:
        return Filled({"0.5*(", ")"}, a, b);
    }
  }

  std::mt19937 FRandom;
};

// The largest |value| of V.
Extended Largest(const kaloREALVector& V) {
  Extended m = 0;
  for (const Extended v : V) m = std::max(m, std::fabs(v));
  return m;
}

// A full script gets f' and f'' from differences of f; the same text as an expression gets
// them exactly. On random smooth functions the two agree at every node, on the scale of f
// and its derivatives over the range: differences lose digits where f is large.
TEST(KaloCurveSearch, AScriptsNumericalDerivativesAgreeWithTheExactOnesOnRandomFunctions) {
  // Few nodes: the first step, the node spacing, is then often coarse against f.
  constexpr int Count = 300, Nodes = 41;
  const TKaloCurveSearch derivativesOnly{false, false, false, true};
  TSmoothExpressions expressions(20261211);
  for (int n = 0; n < Count; ++n) {
    const std::string text = expressions.Next();
    SCOPED_TRACE(text);
    Workspace exact(derivativesOnly), script(derivativesOnly);
    exact.Run(QString::fromStdString(text), -2, 2, Nodes);
    script.Run(QStringLiteral("function fct(x) return %1 end").arg(QString::fromStdString(text)), -2, 2, Nodes, true);
    ASSERT_FALSE(exact.calc.DerivativesNumerical());
    ASSERT_TRUE(script.calc.DerivativesNumerical());
    ASSERT_EQ(exact.calc.ValueD1().size(), static_cast<std::size_t>(Nodes));
    ASSERT_EQ(script.calc.ValueD1().size(), static_cast<std::size_t>(Nodes));
    const Extended f = Largest(exact.calc.ValueY()), d1 = Largest(exact.calc.ValueD1()),
                   d2 = Largest(exact.calc.ValueD2());
    for (int i = 0; i < Nodes; ++i) {
      const double e1 = std::fabs(static_cast<double>(script.calc.ValueD1()[i] - exact.calc.ValueD1()[i])) /
                        (1 + f + d1);
      const double e2 = std::fabs(static_cast<double>(script.calc.ValueD2()[i] - exact.calc.ValueD2()[i])) /
                        (1 + f + d1 + d2);
      EXPECT_LE(e1, 1E-8) << i;  // about 1E-10 and 1E-8 at worst as the differences stand
      EXPECT_LE(e2, 1E-6) << i;
    }
  }
}

// A kink reads alike whether f' is exact or comes from differences: the kind, the method,
// no f', and for a kink that is no extremum the slopes beside it.
TEST(KaloCurveSearch, TheTableShowsKindsAndLeavesAMissingDerivativeEmpty) {
  struct Kink {
    const char* Expression;
    const char* Script;
    const char* Kind;
    const char* Remark;  // what the first row's remark starts with
    const char* Method;  // checked when given: a kink narrowed down by halving f' needs f' exact
  };
  const Kink kinks[] = {
      {"abs(x)", "function fct(x) return math.abs(x) end", "Minimum", "Knick: f' hat hier keinen Wert", "Knick"},
      {"x + 0.5*abs(x)", "function fct(x) return x + 0.5*math.abs(x) end", "Knick", "f' springt von 0.5 auf 1.5",
       nullptr},
  };
  for (const Kink& k : kinks) {
    for (const bool script : {false, true}) {
      SCOPED_TRACE(script ? k.Script : k.Expression);
      Workspace w;
      w.Run(script ? k.Script : k.Expression, -1, 1, 200, script);
      ASSERT_EQ(w.extrema.RecordCount(), 3);
      const auto text = [&w](const char* field, int row) { return w.extrema.FieldByName(field).ValueAt(row); };
      EXPECT_EQ(text(ExtremumField::Kind, 0).toString(), k.Kind);
      EXPECT_TRUE(text(ExtremumField::Remark, 0).toString().startsWith(QString::fromUtf8(k.Remark)))
          << text(ExtremumField::Remark, 0).toString().toStdString();
      if (k.Method) {
        EXPECT_EQ(text(ExtremumField::Method, 0).toString(), k.Method);
      }
      EXPECT_TRUE(text(ExtremumField::dy, 0).isNull());
      EXPECT_EQ(text(ExtremumField::Kind, 1).toString(), "globales Maximum");
      EXPECT_EQ(text(ExtremumField::Kind, 2).toString(), "globales Minimum");
    }
  }
  TqorMemoryDataset table;
  DefineExtremaTable(table);
  EXPECT_EQ(table.FieldByName(ExtremumField::ddy).DisplayName(), "f''(x)");
}

// Roots only, the default: nothing else is evaluated, so the calculation costs what it did.
TEST(KaloCurveSearch, RootsOnlyComputesNothingElse) {
  Workspace only(TKaloCurveSearch{}), both;
  only.Run("sin(3*x)", -2.5, 2.5, 200);
  EXPECT_TRUE(only.calc.ExtremaRows().empty());
  EXPECT_TRUE(only.calc.ValueD1().empty());
  EXPECT_EQ(only.extrema.RecordCount(), 0);
  both.Run("sin(3*x)", -2.5, 2.5, 200);
  EXPECT_EQ(both.roots.RecordCount(), only.roots.RecordCount());
  EXPECT_GT(both.calc.EvaluationCount(), only.calc.EvaluationCount());

  Workspace none(TKaloCurveSearch{false, true, false});
  none.Run("sin(3*x)", -2.5, 2.5, 200);
  EXPECT_EQ(none.roots.RecordCount(), 0);
  EXPECT_GT(none.extrema.RecordCount(), 0);
}

// The task file's text, and the task read back from it.
QString SavedTask(TKaloPersistRootFinding& Task, TKaloPersistRootFinding& ReadBack) {
  QTemporaryDir dir;
  const QString name = dir.filePath("task.nwd");
  SaveTaskFile(name, Task);
  LoadTaskFile(name, ReadBack);
  QFile file(name);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  return QString::fromUtf8(file.readAll());
}

TEST(KaloCurveSearch, TheTaskStoresOnlyChoicesThatDifferFromRootsOnly) {
  TKaloPersistRootFinding task, readBack;
  const QString standard = SavedTask(task, readBack);
  for (const char* name : {"FindRoots", "FindExtrema", "FindInflection"}) EXPECT_FALSE(standard.contains(name));
  EXPECT_EQ(readBack.CurveSearch(), TKaloCurveSearch{});
  for (const TKaloCurveSearch& search : {TKaloCurveSearch{false, true, true}, TKaloCurveSearch{true, false, true}}) {
    task.setCurveSearch(search);
    const QString text = SavedTask(task, readBack);
    EXPECT_EQ(readBack.CurveSearch(), search);
    EXPECT_EQ(text.contains("FindRoots="), !search.Roots) << text.toStdString();
    EXPECT_EQ(text.contains("FindExtrema="), search.Extrema) << text.toStdString();
  }
}
}  // namespace
