#include "qorException.h"
#include "qorFloatFaults.h"
#include "qorKaloRootFinding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <random>
#include <span>
#include <vector>

namespace {
const Extended inf = std::numeric_limits<Extended>::infinity();
const Extended qnan = std::numeric_limits<Extended>::quiet_NaN();
// The node count of a new task.
constexpr int Nodes = 200;

Extended Polynomial(Extended x) { return 0.71L + 0.91L * x - 5.5L * x * x + 0.172L * std::pow(x, 6); }
Extended Sine(Extended x) { return std::sin(x); }
Extended Square(Extended x) { return x * x; }
Extended Identity(Extended x) { return x; }
// No value at the node 0, a root at 0.5 between its neighbours.
Extended HoleAtZero(Extended x) { return x == 0 ? inf : x - 0.5L; }

// Evaluates as the script function does: the function's own arithmetic never raises
// (log(0) is simply -inf).
RealFunction Script(Extended (*f)(Extended)) {
  return [f](Extended x) {
    TFloatEnvGuard guard;
    return f(x);
  };
}
Extended Log(Extended x) { return std::log(x); }

std::unique_ptr<TqorRootFinder> Finder(RealFunction f, Extended xMin, Extended xMax, int n,
                                       TqorFunctionEvaluation How = {}) {
  auto finder = std::make_unique<TqorRootFinder>();
  finder->setfct(std::move(f), std::move(How));
  finder->setxMin(xMin);
  finder->setxMax(xMax);
  finder->setTestCount(n);
  return finder;
}

struct Expected {
  const char* method;
  Extended root;
  Extended xMin = qnan, xMax = qnan;  // checked when given
};

struct RangeCase {
  const char* name;
  Extended (*f)(Extended);
  Extended xMin, xMax;
  int n;
  Extended tolerance;
  std::vector<Expected> intervals;
};

const Extended h4 = 5.0L / 199;  // spacing of 200 nodes over a range of length 5

const RangeCase RangeCases[] = {
    {"default polynomial",
     Polynomial,
     -2.5L,
     2.5L,
     Nodes,
     1E-4L,
     {{MethodZeroin, -2.4051L}, {MethodZeroin, -0.2860L}, {MethodZeroin, 0.4518L}, {MethodZeroin, 2.3192L}}},
    {"default polynomial, descending range",
     Polynomial,
     2.5L,
     -2.5L,
     Nodes,
     1E-4L,
     {{MethodZeroin, 2.3192L}, {MethodZeroin, 0.4518L}, {MethodZeroin, -0.2860L}, {MethodZeroin, -2.4051L}}},
    {"sin(x)", Sine, -2.5L, 2.5L, Nodes, 1E-18L, {{MethodZeroin, 0, 99 * h4 - 2.5L, 100 * h4 - 2.5L}}},
    {"sin(x), descending range",
     Sine,
     2.5L,
     -2.5L,
     Nodes,
     1E-18L,
     {{MethodZeroin, 0, 2.5L - 99 * h4, 2.5L - 100 * h4}}},
    {"x^2 with 10 nodes: too coarse", Square, -1, 1, 10, 0, {}},
    {"exact zero at an inner node",
     Identity,
     -4,
     4,
     9,
     0,
     {{MethodUpperEndIsRoot, 0, -1, 0}, {MethodLowerEndIsRoot, 0, 0, 1}}},
    {"exact zero at xMin", Identity, 0, 4, 5, 0, {{MethodLowerEndIsRoot, 0, 0, 1}}},
    {"log(x) has no value at xMin", Log, 0, 2.5L, Nodes, 1E-18L, {{MethodZeroin, 1}}},
    {"a node without value is bridged", HoleAtZero, -4, 4, 9, 0, {{MethodZeroin, 0.5L, -1, 1}}},
};

void ExpectInterval(const TqorRootIntervalCommon& got, const Expected& want, Extended tolerance,
                    const RealFunction& f) {
  EXPECT_EQ(got.RootFinderMethode, want.method);
  EXPECT_TRUE(got.RootExists);
  EXPECT_EQ(got.ResultMessage, "");
  EXPECT_NEAR(static_cast<double>(got.xRoot), static_cast<double>(want.root), static_cast<double>(tolerance));
  EXPECT_EQ(got.yRoot, f(got.xRoot));
  EXPECT_TRUE(std::fmin(got.xMin, got.xMax) <= got.xRoot && got.xRoot <= std::fmax(got.xMin, got.xMax))
      << "a bracketed root lies in its interval";
  if (!std::isnan(want.xMin)) {
    EXPECT_EQ(got.xMin, want.xMin);
    EXPECT_EQ(got.xMax, want.xMax);
  }
  const bool atEnd = want.method == MethodLowerEndIsRoot || want.method == MethodUpperEndIsRoot;
  EXPECT_EQ(got.IterCount == 0, atEnd);
}
}  // namespace

TEST(RootFinder, WorkedRanges) {
  for (const RangeCase& t : RangeCases) {
    SCOPED_TRACE(t.name);
    const RealFunction f = Script(t.f);
    auto finder = Finder(f, t.xMin, t.xMax, t.n);
    finder->Execute();
    const TqorRootIntervalList& list = finder->Intervals();
    ASSERT_EQ(list.Count(), static_cast<int>(t.intervals.size()));
    for (int i = 0; i < list.Count(); ++i) {
      SCOPED_TRACE(i);
      ExpectInterval(*list.Items(i), t.intervals[i], t.tolerance, f);
    }
  }
}

TEST(RootFinder, TouchingRootGoesToTheSecantMethod) {
  auto finder = Finder(Square, -1, 1, Nodes);
  finder->Execute();
  const TqorRootIntervalList& list = finder->Intervals();
  ASSERT_EQ(list.Count(), 3) << "the three pairs nearest 0 pass the small-value test";
  for (int i = 0; i < list.Count(); ++i) {
    SCOPED_TRACE(i);
    const TqorRootIntervalCommon& interval = *list.Items(i);
    EXPECT_EQ(interval.RootFinderMethode, MethodSecant);
    EXPECT_EQ(interval.ResultCode, 0);
    EXPECT_EQ(interval.yRoot, Square(interval.xRoot));
    EXPECT_GT(interval.IterCount, 0);
  }
  for (int i : {0, 2}) {
    EXPECT_TRUE(list.Items(i)->RootExists);
    EXPECT_EQ(list.Items(i)->Kind, TqorRootKind::Root);
    EXPECT_LT(std::fabs(list.Items(i)->xRoot), 1E-18L);
  }
  // The middle pair straddles 0 with values that differ only by rounding: the first
  // step flies far out, and the method stops where two iterates coincide, within a
  // node spacing of the root but with |f| no smaller than at the nodes: no root.
  const TqorRootIntervalCommon& middle = *list.Items(1);
  EXPECT_LT(std::fabs(middle.xRoot), 2.0L / (Nodes - 1));
  EXPECT_FALSE(middle.RootExists);
  EXPECT_EQ(middle.Kind, TqorRootKind::None);
  EXPECT_EQ(middle.ResultMessage.rfind("Sekantenverfahren: keine Nullstelle, f = ", 0), 0u) << middle.ResultMessage;
}

TEST(RootFinder, DefaultsAndRepeatedExecute) {
  TqorRootFinder finder;
  EXPECT_EQ(finder.AbsErrorBound(), std::ldexp(1.0L, -62));
  EXPECT_EQ(finder.RelErrorBound(), 0);
  EXPECT_EQ(finder.TestCount(), 0);
  EXPECT_EQ(finder.xMin(), 0);
  EXPECT_EQ(finder.xMax(), 0);
  EXPECT_EQ(finder.Intervals().Count(), 0);
  EXPECT_FALSE(finder.fct());

  auto polynomial = Finder(Script(Polynomial), -2.5L, 2.5L, Nodes);
  polynomial->Execute();
  polynomial->Execute();
  EXPECT_EQ(polynomial->Intervals().Count(), 4) << "a second run starts from an empty list";
  EXPECT_EQ(polynomial->Intervals().Compare(0, 1), -1);
  EXPECT_EQ(polynomial->Intervals().Compare(1, 0), 1);
  EXPECT_EQ(polynomial->Intervals().Compare(2, 2), 0);
  EXPECT_THROW(polynomial->Intervals().Items(4), EListError);
}

TEST(RootFinder, EvaluationCountCoversTheWholeRun) {
  for (Extended (*f)(Extended) : {Polynomial, Square}) {
    SCOPED_TRACE(f == Polynomial ? "Polynomial: sign changes, for Zeroin"
                                 : "Square: touches zero, for the secant method");
    long calls = 0;
    auto finder = Finder(
        [&](Extended x) {
          ++calls;
          return f(x);
        },
        -1, 1, Nodes);
    finder->Execute();
    EXPECT_EQ(finder->EvaluationCount(), calls);
    // The scan, then per interval both ends and the solver's own evaluations.
    std::int64_t expected = Nodes;
    for (int i = 0; i < finder->Intervals().Count(); ++i) {
      const TqorRootIntervalCommon& interval = *finder->Intervals().Items(i);
      expected += 2 + (interval.RootFinderMethode == MethodZeroin ? interval.IterCount : 2 * interval.IterCount + 1);
    }
    EXPECT_EQ(finder->EvaluationCount(), expected);
  }
}

TEST(RootFinder, IntervalContainsRoot) {
  const Extended tiny = 1E-20L;
  struct Case {
    const char* name;
    Extended x1, x2, y1, y2;
    bool result;
  } cases[] = {
      {"right value zero within MachineEpsilon", 0, 1, 5, tiny, true},
      {"sign change", 0, 1, -1, 1, true},
      {"left value small against the spacing", 0, 2, 0.019L, 5, true},
      {"right value small against the spacing", 0, 2, 5, 0.019L, true},
      {"left value zero", 0, 1, 0, 5, true},
      {"one hundredth exactly is not small", 0, 1, 0.01L, 5, false},
      {"large values, same sign", 0, 1, 1, 2, false},
      {"descending nodes", 2, 0, 5, 0.019L, true},
  };
  TqorRootFinder finder;
  for (const Case& t : cases) {
    SCOPED_TRACE(t.name);
    EXPECT_EQ(finder.IntervalContainsRoot(t.x1, t.x2, t.y1, t.y2), t.result);
  }
  EXPECT_THROW(finder.IntervalContainsRoot(1, 1, 1, 2), EZeroDivide);
  EXPECT_THROW(finder.IntervalContainsRoot(0, 1, qnan, 2), EInvalidOp);
}

// The scan's fast run decides each pair as the pair test does, also where the values lie
// within a few units of rounding of one hundredth of the spacing, on either side, next to
// clearly steep values, exact zeros, sign changes and nodes without a value, over
// several blocks of nodes.
TEST(RootFinder, ScanDecidesPairsAsThePairTest) {
  const int n = 1500;
  // On the second range the nodes lie 10.5 units in the last place apart, so rounding
  // makes their distances 10 and 11 units: the widest exceeds h by 5 %.
  const Extended ulp = 0x1p-63L;
  for (const auto& [xMin, xMax] : {std::pair{-1.25L, 3.5L}, std::pair{1.0L, 1 + (n - 1) * 10.5L * ulp}}) {
    SCOPED_TRACE(static_cast<double>(xMin));
    const Extended h = (xMax - xMin) / (n - 1);
    const auto value = [&](Extended x) -> Extended {
      const long i = std::lround(static_cast<double>((x - xMin) / h));
      if (i % 13 == 12) return inf;
      if (i % 17 == 16) return 0;
      const Extended wiggle = std::ldexp(static_cast<Extended>(i % 9 - 4), -62);
      const Extended scale = i % 5 == 0 ? 1.0101L : (i % 5 == 1 ? 1.03L : (i % 11 < 8 ? 3 : 1));
      return (i % 7 == 3 ? -0.01L : 0.01L) * h * (1 + wiggle) * scale;
    };
    TqorFunctionEvaluation how;
    how.Pass = [&](const Extended* x, Extended* y, int count, std::int64_t& calls) {
      for (int i = 0; i < count; ++i, ++calls) y[i] = value(x[i]);
    };
    auto finder = Finder(value, xMin, xMax, n, how);
    finder->Execute();
    // Pairs bridge the nodes without a value.
    std::vector<Extended> expected;
    Extended left = xMin;
    for (int i = 1; i < n; ++i) {
      const Extended x = i * h + xMin;
      if (!IsFiniteReal(value(x))) continue;
      if (finder->IntervalContainsRoot(left, x, value(left), value(x)) &&
          finder->IntervalHoldsRootAtScale(left, x, value(left), value(x)))
        expected.push_back(left);
      left = x;
    }
    std::vector<Extended> found;
    for (int i = 0; i < finder->Intervals().Count(); ++i) found.push_back(finder->Intervals().Items(i)->xMin);
    EXPECT_GT(expected.size(), 100u);
    EXPECT_LT(expected.size(), n * 2 / 3u) << "yet not every pair";
    EXPECT_EQ(found, expected);
  }
}

namespace {
// A function known at the nodes of one scan only: elsewhere it raises, so that the work
// of the intervals ends at once and the test looks at the scan's pairs alone.
class TNodeValues {
public:
  void Add(Extended x, Extended y) { values[Key(x)] = y; }
  Extended operator()(const Extended& x) const {
    const auto found = values.find(Key(x));
    if (found == values.end()) throw EConvertError("kein Knoten");
    return found->second;
  }

private:
  static std::pair<std::uint64_t, std::uint16_t> Key(const Extended& x) {
    std::uint64_t significand;
    std::uint16_t exponent;
    std::memcpy(&significand, &x, 8);
    std::memcpy(&exponent, reinterpret_cast<const char*>(&x) + 8, 2);
    return {significand, exponent};
  }
  std::map<std::pair<std::uint64_t, std::uint16_t>, Extended> values;
};

// Random node values around the bounds of the pair tests: one hundredth of the spacing
// and the scan's bounds just above it, within a few units of rounding, also of rounding
// to double; exact and near zeros, values without a finite value, and steep runs of one
// sign, which the scan's fast run passes by.
class TPairValueMaker {
public:
  explicit TPairValueMaker(std::uint64_t Seed) : random(Seed) {}

  // A range of n nodes: ordinary, tiny or huge, some with spacings that rounding makes
  // unequal, some descending.
  void Range(Extended& xMin, Extended& xMax, int& n) {
    n = 3 + Pick(1500);
    const Extended scale = std::pow(10.0L, static_cast<Extended>(Pick(61) - 30));
    xMin = Uniform(-1, 1) * scale;
    if (Pick(3) == 0) {
      // Nodes a few units in the last place apart, a half unit off: spacings differ.
      const Extended ulp = std::fabs(std::nextafter(xMin, 2 * xMin - 1) - xMin);
      xMax = xMin + (n - 1) * (4 + Pick(20) + 0.5L) * ulp;
    } else {
      xMax = xMin + Uniform(0.01L, 10) * scale;
    }
    if (Pick(4) == 0) std::swap(xMin, xMax);
  }

  // The value at a node Spacing from its left neighbour (h: the nominal spacing).
  Extended Value(Extended Spacing, Extended h) {
    if (Pick(20) == 0) sign = -sign;
    const Extended base = Pick(2) ? std::fabs(Spacing) : std::fabs(h);
    switch (Pick(12)) {
      case 0: {  // one hundredth of the spacing, or one of the scan's bounds, within units of rounding
        const Extended factors[] = {0.01L, 0.0101L, 0.0102L, 0.00999L, 0.0103L};
        const Extended v = factors[Pick(5)] * base * (1 + (Pick(41) - 20) * 0x1p-63L);
        return sign * v;
      }
      case 1: {  // next to its rounding to double
        const Extended factors[] = {0.01L, 0.0102L};
        Extended v = static_cast<double>(factors[Pick(2)] * base);
        for (int k = Pick(7) - 3; k != 0; k += k > 0 ? -1 : 1) v = std::nextafter(v, k > 0 ? inf : 0.0L);
        return sign * v;
      }
      case 2: {  // rare values: zeros, around MachineEpsilon, none, the ends of double
        const Extended rare[] = {0.0L,
                                 -0.0L,
                                 qnan,
                                 inf,
                                 -inf,
                                 MachineEpsilon(),
                                 std::nextafter(MachineEpsilon(), inf),
                                 DBL_MAX,
                                 std::nextafter(static_cast<Extended>(DBL_MAX), inf),
                                 1E-4000L,
                                 1E4000L};
        return rare[Pick(11)] * (Pick(2) ? sign : 1);
      }
      case 3:
        return -sign * Uniform(0.02L, 100) * base;  // a sign change
      default:
        return sign * std::pow(10.0L, Uniform(-1.5L, 4)) * base;  // steep
    }
  }

private:
  Extended Uniform(Extended lo, Extended hi) {
    return lo + (hi - lo) * std::uniform_real_distribution<double>(0, 1)(random);
  }
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }

  std::mt19937_64 random;
  Extended sign = 1;
};
}  // namespace

// The scan's fast run passes pairs by without the pair test, reading its values in double
// against bounds set by hand: on random ranges and values around those bounds, every
// pair it takes must be one IntervalContainsRoot takes (a pair passed by, one it rejects),
// through the values in passes, one by one, or from a sample.
TEST(RootFinder, ScanTakesThePairsOfThePairTestOnRandomValues) {
  TPairValueMaker maker(20261211);
  RootFinderTestHooks = {};
  long pairs = 0, taken = 0;
  for (int range = 0; range < 400; ++range) {
    Extended xMin, xMax;
    int n;
    maker.Range(xMin, xMax, n);
    const Extended h = NodeSpacing(xMin, xMax, n);
    kaloREALVector x, y;
    const TqorNodeSample sample = TqorNodeSample::PlaceNodes(xMin, xMax, n, x, y);
    TNodeValues f;
    for (int i = 0; i < n; ++i) {
      // The first node steep: the scan also takes a zero there, which the pair test does not.
      y[i] = i == 0 ? 1 + 0.02L * std::fabs(h) : maker.Value(x[i] - x[i - 1], h);
      f.Add(x[i], y[i]);
    }
    TqorFunctionEvaluation how;
    switch (range % 3) {
      case 0:
        how.Pass = [&f](const Extended* nx, Extended* ny, int count, std::int64_t& calls) {
          for (int i = 0; i < count; ++i, ++calls) ny[i] = f(nx[i]);
        };
        break;
      case 1:
        how = {.Pure = true, .Pass = {}, .Sample = sample};
        break;
      default:
        break;
    }
    auto finder = Finder(f, xMin, xMax, n, how);
    finder->Execute();
    // Pairs bridge the nodes without a value.
    std::vector<Extended> expected;
    int left = 0;
    for (int i = 1; i < n; ++i) {
      if (!IsFiniteReal(y[i])) continue;
      if (finder->IntervalContainsRoot(x[left], x[i], y[left], y[i]) &&
          finder->IntervalHoldsRootAtScale(x[left], x[i], y[left], y[i]))
        expected.push_back(x[left]);
      left = i;
      ++pairs;
    }
    taken += static_cast<long>(expected.size());
    std::vector<Extended> found;
    for (int i = 0; i < finder->Intervals().Count(); ++i) found.push_back(finder->Intervals().Items(i)->xMin);
    ASSERT_EQ(found, expected) << "range " << range << ": [" << static_cast<double>(xMin) << ", "
                               << static_cast<double>(xMax) << "] with " << n << " nodes";
  }
  const TRootFinderTestHooks& scan = RootFinderTestHooks;
  SCOPED_TRACE("pairs " + std::to_string(pairs) + ", taken " + std::to_string(taken) + ", looked at fast " +
               std::to_string(scan.FastPairs) + ", passed by " + std::to_string(scan.PassedBy));
  RecordProperty("pairs", static_cast<int>(pairs));
  RecordProperty("passedBy", static_cast<int>(scan.PassedBy));
  RecordProperty("taken", static_cast<int>(taken));
  EXPECT_GT(scan.FastPairs, pairs * 9 / 10) << "the fast run looks at nearly every pair";
  EXPECT_GT(scan.PassedBy, pairs / 4) << "and passes many by";
  EXPECT_GT(taken, pairs / 10) << "yet many pairs are taken";
}

TEST(RootFinder, ScanErrorsEndExecute) {
  struct Case {
    const char* name;
    RealFunction f;
    Extended xMin, xMax;
    const char* message;
  } cases[] = {
      {"xMin = xMax", Sine, 1, 1,
       "Bei der Ermittlung der Nullstellenintervalle ist die Ausnahme EZeroDivide "
       "aufgetreten. Text der Fehlermeldung: Gleitkommadivision durch Null"},
      {"an error of fct",
       [](Extended x) -> Extended {
         if (x > 0) throw EConvertError("kaputt");
         return x;
       },
       -1, 1,
       "Bei der Ermittlung der Nullstellenintervalle ist die Ausnahme EConvertError "
       "aufgetreten. Text der Fehlermeldung: kaputt"},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.name);
    auto finder = Finder(t.f, t.xMin, t.xMax, 10);
    try {
      finder->Execute();
      ADD_FAILURE() << "nothing raised";
    } catch (const Exception& e) {
      EXPECT_STREQ(e.className(), "Exception");
      EXPECT_EQ(e.Message(), t.message);
    }
  }
}

// Roots at -1 and 1. No node of 200 over [-2.5, 2.5] lies in (0.995, 1.015), but
// Zeroin evaluates the root 1 there: failures placed in that window hit only the
// second interval's work, never the scan.
constexpr Extended WindowLow = 0.995L, WindowHigh = 1.015L;
Extended TwoRoots(Extended x) { return (x + 1) * (x - 1); }

TEST(RootFinder, ErrorsWhileAnIntervalIsWorked) {
  static volatile Extended zero = 0;
  struct Case {
    const char* name;
    Extended (*failure)();
    const char* message;
  } cases[] = {
      {"division by zero in fct", [] { return 1 / zero; },
       "Bei der Nullstellensuche ist eine Ausnahme vom Typ EZeroDivide aufgetreten. Text der "
       "Fehlermeldung: Gleitkommadivision durch Null"},
      {"an error of fct", []() -> Extended { throw EConvertError("kaputt"); },
       "Bei der Nullstellensuche ist eine Ausnahme vom Typ EConvertError aufgetreten. Text der "
       "Fehlermeldung: kaputt"},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.name);
    auto finder = Finder([&](Extended x) { return x > WindowLow && x < WindowHigh ? t.failure() : TwoRoots(x); }, -2.5L,
                         2.5L, Nodes);
    ASSERT_NO_THROW(finder->Execute());
    ASSERT_EQ(finder->Intervals().Count(), 2);
    const TqorRootIntervalCommon& worked = *finder->Intervals().Items(0);
    EXPECT_TRUE(worked.RootExists);
    EXPECT_NEAR(static_cast<double>(worked.xRoot), -1, 1E-15);
    const TqorRootIntervalCommon& failed = *finder->Intervals().Items(1);
    EXPECT_FALSE(failed.RootExists);
    EXPECT_EQ(failed.ResultMessage, t.message);
    EXPECT_EQ(failed.RootFinderMethode, MethodZeroin) << "set before the error, kept";
    EXPECT_EQ(failed.xRoot, 0);
    EXPECT_EQ(failed.IterCount, 0);
  }
}

TEST(RootFinder, ZeroinFailureCodesBecomeMessages) {
  auto finder = Finder(Sine, -2.5L, 2.5L, Nodes);
  finder->setAbsErrorBound(-1);
  finder->Execute();
  ASSERT_EQ(finder->Intervals().Count(), 1);
  const TqorRootIntervalCommon& interval = *finder->Intervals().Items(0);
  EXPECT_EQ(interval.ResultCode, -2);
  EXPECT_FALSE(interval.RootExists);
  EXPECT_EQ(interval.ResultMessage,
            "Fehler Nullstellensuche: ABSERR oder RELERR ist negativ, oder beide sind gleich "
            "Null, oder FMAX < 1.");
  EXPECT_EQ(interval.xRoot, 0);
  EXPECT_EQ(interval.IterCount, 0);
}

TEST(RootFinder, AbortPassesThroughEveryCatch) {
  // Aborts at the first node of the scan, or in the work of the second interval.
  for (const bool inScan : {true, false}) {
    SCOPED_TRACE(inScan ? "in the scan" : "in an interval");
    int calls = 0;
    auto finder = Finder(
        [&](Extended x) -> Extended {
          ++calls;
          if (inScan || (x > WindowLow && x < WindowHigh)) throw ECalculationAborted("Abbruch");
          return TwoRoots(x);
        },
        -2.5L, 2.5L, Nodes);
    EXPECT_THROW(finder->Execute(), ECalculationAborted);
    EXPECT_EQ(finder->EvaluationCount(), calls);
  }
}

// f as the script function evaluates it (see Script), for single calls and for passes,
// recording every x in order.
struct TRecordingFunctions {
  std::vector<Extended> calls;
  Extended (*f)(Extended);
  std::int64_t passes = 0;

  Extended Call(Extended x) {
    calls.push_back(x);
    TFloatEnvGuard guard;
    return f(x);
  }
  RealFunction Single() {
    return [this](Extended x) { return Call(x); };
  }
  RealPassFunction Pass() {
    return [this](const Extended* x, Extended* y, int n, std::int64_t& Calls) {
      ++passes;
      for (int i = 0; i < n; ++i) {
        ++Calls;
        y[i] = Call(x[i]);
      }
    };
  }
};

// The scan evaluates its nodes in passes when a pass function is given, and the finder
// calls the function with the same x in the same order and finds the same.
TEST(RootFinder, PassesOfNodesGiveTheSameCallsAndIntervals) {
  for (const RangeCase& t : RangeCases) {
    SCOPED_TRACE(t.name);
    TRecordingFunctions single{{}, t.f}, passes{{}, t.f};
    auto one = Finder(single.Single(), t.xMin, t.xMax, t.n);
    one->Execute();
    auto many = Finder(passes.Single(), t.xMin, t.xMax, t.n, {.Pass = passes.Pass()});
    many->Execute();
    EXPECT_GT(passes.passes, 0);
    EXPECT_EQ(passes.calls, single.calls);
    EXPECT_EQ(many->EvaluationCount(), one->EvaluationCount());
    EXPECT_EQ(many->EvaluationCount(), static_cast<std::int64_t>(single.calls.size()));
    ASSERT_EQ(many->Intervals().Count(), one->Intervals().Count());
    for (int i = 0; i < one->Intervals().Count(); ++i) {
      EXPECT_EQ(many->Intervals().Items(i)->xMin, one->Intervals().Items(i)->xMin);
      EXPECT_EQ(many->Intervals().Items(i)->xRoot, one->Intervals().Items(i)->xRoot);
    }
  }
}

// Where a pair test can fault (here every node is the same), a fault must end the scan
// before the next evaluation: those nodes are evaluated one by one, never in a pass.
TEST(RootFinder, NodesThatMayFaultAreNotEvaluatedInAPass) {
  TRecordingFunctions recording{{}, Sine};
  auto finder = Finder(recording.Single(), 1, 1, 10, {.Pass = recording.Pass()});
  EXPECT_THROW(finder->Execute(), Exception);
  EXPECT_EQ(recording.passes, 0);
  EXPECT_EQ(finder->EvaluationCount(), 2) << "the first pair divides by zero";
  EXPECT_EQ(recording.calls.size(), 2u);

  // Nodes this huge are no fault yet, but their differences come close to one.
  TRecordingFunctions huge{{}, Sine};
  auto hugeFinder = Finder(huge.Single(), 0, 1E4932L, 5, {.Pass = huge.Pass()});
  hugeFinder->Execute();
  EXPECT_EQ(huge.passes, 0);
  EXPECT_EQ(hugeFinder->EvaluationCount(), static_cast<std::int64_t>(huge.calls.size()));
}

// A pure function's values at an interval's ends are taken from the scan: every call at
// an end is left out and every other call is made as before, in the same order, with the
// same results and the same count.
TEST(RootFinder, APureFunctionIsNotEvaluatedAgainAtTheEnds) {
  for (const RangeCase& t : RangeCases) {
    SCOPED_TRACE(t.name);
    TRecordingFunctions every{{}, t.f}, pure{{}, t.f};
    std::vector<std::size_t> everyStarts, pureStarts;  // the first call of each interval's work
    auto all = Finder(every.Single(), t.xMin, t.xMax, t.n);
    all->setIntervalProgress([&](int, int) { everyStarts.push_back(every.calls.size()); });
    all->Execute();
    auto remembering = Finder(pure.Single(), t.xMin, t.xMax, t.n, {.Pure = true});
    remembering->setIntervalProgress([&](int, int) { pureStarts.push_back(pure.calls.size()); });
    remembering->Execute();

    EXPECT_EQ(remembering->EvaluationCount(), all->EvaluationCount());
    const TqorRootIntervalList& got = remembering->Intervals();
    const TqorRootIntervalList& want = all->Intervals();
    ASSERT_EQ(got.Count(), want.Count());
    ASSERT_EQ(pureStarts.size(), everyStarts.size());
    std::vector<Extended> expected(every.calls.begin(),
                                   every.calls.begin() + (everyStarts.empty() ? every.calls.size() : everyStarts[0]));
    for (int i = 0; i < want.Count(); ++i) {
      const TqorRootIntervalCommon& w = *want.Items(i);
      const TqorRootIntervalCommon& g = *got.Items(i);
      EXPECT_TRUE(SameBits(g.xRoot, w.xRoot) && SameBits(g.yRoot, w.yRoot)) << "interval " << i;
      EXPECT_EQ(g.IterCount, w.IterCount);
      EXPECT_EQ(g.RootFinderMethode, w.RootFinderMethode);
      EXPECT_EQ(g.ResultMessage, w.ResultMessage);
      const std::size_t end = i + 1 < want.Count() ? everyStarts[i + 1] : every.calls.size();
      for (std::size_t k = everyStarts[i]; k < end; ++k)
        if (!SameBits(every.calls[k], w.xMin) && !SameBits(every.calls[k], w.xMax)) expected.push_back(every.calls[k]);
    }
    EXPECT_LT(pure.calls.size(), every.calls.size() - 2 * want.Count() + 1)
        << "at least both ends of every interval are taken";
    EXPECT_EQ(pure.calls, expected);
  }
}

// A sample of the function at the scan's nodes is taken instead of evaluating them: its
// nodes are the very ones the scan evaluates without it. A sample of another range or
// node count, whose nodes differ, is not used.
TEST(RootFinder, TheScanTakesASampleAtItsNodes) {
  for (const RangeCase& t : RangeCases) {
    SCOPED_TRACE(t.name);
    kaloREALVector x, y;
    const TqorNodeSample sample = TqorNodeSample::PlaceNodes(t.xMin, t.xMax, t.n, x, y);
    for (int i = 0; i < t.n; ++i) y[i] = Script(t.f)(x[i]);
    // The scan evaluates its nodes first, in order; both zeros start a range of their own.
    const auto expectTheScansNodes = [&](Extended xMin) {
      kaloREALVector nodes, values;
      TqorNodeSample::PlaceNodes(xMin, t.xMax, t.n, nodes, values);
      TRecordingFunctions scan{{}, t.f};
      Finder(scan.Single(), xMin, t.xMax, t.n)->Execute();
      ASSERT_EQ(nodes.size(), static_cast<std::size_t>(t.n));
      ASSERT_GE(scan.calls.size(), nodes.size());
      for (int i = 0; i < t.n; ++i) EXPECT_TRUE(SameBits(nodes[i], scan.calls[i])) << "the scan's node " << i;
    };
    expectTheScansNodes(t.xMin);
    if (t.xMin == 0) expectTheScansNodes(-t.xMin);
    TRecordingFunctions plain{{}, t.f}, sampled{{}, t.f};
    auto all = Finder(plain.Single(), t.xMin, t.xMax, t.n);
    all->Execute();
    auto withSample = Finder(sampled.Single(), t.xMin, t.xMax, t.n, {.Pure = true, .Sample = sample});
    withSample->Execute();
    EXPECT_EQ(withSample->EvaluationCount(), all->EvaluationCount());
    ASSERT_EQ(withSample->Intervals().Count(), all->Intervals().Count());
    for (int i = 0; i < all->Intervals().Count(); ++i)
      EXPECT_TRUE(SameBits(withSample->Intervals().Items(i)->xRoot, all->Intervals().Items(i)->xRoot));
    EXPECT_LE(sampled.calls.size() + t.n, plain.calls.size()) << "no node is evaluated";

    // Samples that are not used: each node is evaluated as without one.
    TRecordingFunctions unsampled{{}, t.f};
    Finder(unsampled.Single(), t.xMin, t.xMax, t.n, {.Pure = true})->Execute();
    struct OtherSample {
      const char* what;
      Extended xMin, xMax;
      int n;
      bool pure;
    };
    const Extended up = t.xMax > t.xMin ? inf : -inf;
    std::vector<OtherSample> others = {
        {"the range starts a unit later", std::nextafter(t.xMin, up), t.xMax, t.n, true},
        {"the range ends a unit earlier", t.xMin, std::nextafter(t.xMax, -up), t.n, true},
        {"a node more", t.xMin, t.xMax, t.n + 1, true},
        {"a node less", t.xMin, t.xMax, t.n - 1, true},
        {"f is not pure", t.xMin, t.xMax, t.n, false},
    };
    if (t.xMin == 0) others.push_back({"the range starts at the other zero", -t.xMin, t.xMax, t.n, true});
    for (const OtherSample& o : others) {
      SCOPED_TRACE(o.what);
      kaloREALVector ox, oy;
      const TqorNodeSample other = TqorNodeSample::PlaceNodes(o.xMin, o.xMax, o.n, ox, oy);
      for (std::size_t i = 0; i < ox.size(); ++i) oy[i] = Script(t.f)(ox[i]);
      TRecordingFunctions recorded{{}, t.f};
      Finder(recorded.Single(), t.xMin, t.xMax, t.n, {.Pure = o.pure, .Sample = other})->Execute();
      EXPECT_EQ(recorded.calls, o.pure ? unsampled.calls : plain.calls);
    }
  }
}

namespace {
// f as a script computes it: in double, from x rounded to double, the flags kept.
RealFunction InDouble(double (*f)(double)) {
  return [f](const Extended& x) {
    TFloatEnvGuard guard;
    return static_cast<Extended>(f(static_cast<double>(x)));
  };
}
}  // namespace

// Ranges far from 1 and functions far from 1: every root once, in a row of its own
// interval, with a relative error below 1E-15, as at ordinary scales. Absolute tests of
// zero and small values took every pair of a wide range, or of a range of a few
// millionths, and a node value of 2.7E-20 for a zero of x - 1E-300.
TEST(RootFinder, EachRootOnceAtEveryScale) {
  const Extended ln2 = 0.693147180559945309417L, pi = 3.14159265358979323846L;
  const auto pis = [pi](Extended unit, int from, int to) {
    std::vector<Extended> roots;
    for (int k = from; k <= to; ++k) roots.push_back(k * pi * unit);
    return roots;
  };
  const Extended defaultAbs = 2 * MachineEpsilon();
  struct Case {
    const char* name;
    double (*f)(double);
    Extended xMin, xMax, absErr, relErr;
    std::vector<Extended> roots;  // one row each, in scan order
  } cases[] = {
      {"exp(1e-50*x)-2 on +-1e50",
       [](double x) { return std::exp(1e-50 * x) - 2; },
       -1E50L,
       1E50L,
       defaultAbs,
       0,
       {ln2 * 1E50L}},
      {"sin(x/100000) on +-1e6", [](double x) { return std::sin(x / 100000); }, -1E6L, 1E6L, defaultAbs, 0,
       pis(1E5L, -3, 3)},
      {"(x-2E-6)*(x-2.5E-6) on [1E-6, 3E-6]",
       [](double x) { return (x - 2E-6) * (x - 2.5E-6); },
       1E-6L,
       3E-6L,
       defaultAbs,
       0,
       {2E-6L, 2.5E-6L}},
      {"x-1e-300, relative bounds", [](double x) { return x - 1E-300; }, -1, 1, 0, 1E-18L, {1E-300L}},
      {"sin(1e300*x) on [0, 2e-299], relative bounds", [](double x) { return std::sin(1E300 * x); }, 0, 2E-299L, 0,
       1E-18L, pis(1E-300L, 0, 6)},
      {"(1e300*x-1)*(1e300*x+2), relative bounds",
       [](double x) { return (1E300 * x - 1) * (1E300 * x + 2); },
       -3E-300L,
       3E-300L,
       0,
       1E-18L,
       {-2E-300L, 1E-300L}},
      {"exp(1e50*x)-2, relative bounds",
       [](double x) { return std::exp(1E50 * x) - 2; },
       -1E-50L,
       1E-50L,
       0,
       1E-18L,
       {ln2 * 1E-50L}},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.name);
    auto finder = Finder(InDouble(t.f), t.xMin, t.xMax, Nodes);
    finder->setAbsErrorBound(t.absErr);
    finder->setRelErrorBound(t.relErr);
    finder->Execute();
    const TqorRootIntervalList& rows = finder->Intervals();
    ASSERT_EQ(rows.Count(), static_cast<int>(t.roots.size()));
    for (int i = 0; i < rows.Count(); ++i) {
      SCOPED_TRACE(i);
      const TqorRootIntervalCommon& row = *rows.Items(i);
      EXPECT_TRUE(row.RootExists) << row.ResultMessage;
      const Extended want = t.roots[i];
      const Extended error = want == 0 ? std::fabs(row.xRoot) : std::fabs(row.xRoot - want) / std::fabs(want);
      EXPECT_LT(error, 1E-15L) << static_cast<double>(row.xRoot);
      EXPECT_TRUE(row.xMin <= row.xRoot && row.xRoot <= row.xMax) << "in its own interval";
    }
  }
}

// Zeroin may land on the very point where f has no value. What f does beside it names
// the row: tending to 0 from both sides (0/0) is a gap, not a root; running off is a
// pole; keeping its size is a jump.
TEST(RootFinder, APointWithoutValueInsideASignChangeIsExplainedByItsSides) {
  struct Case {
    const char* name;
    double (*f)(double);
    Extended xMin, xMax;
    int nodes;
    TqorRootKind kind;
    const char* message;
  } cases[] = {
      {"(1-exp(-x^2))/x: 0/0 at 0", [](double x) { return (1 - std::exp(-x * x)) / x; }, -10, 10, 200,
       TqorRootKind::None, "f ist bei x = 0 nicht definiert, strebt dort gegen 0"},
      {"1/x: a pole at the point", [](double x) { return 1 / x; }, -1, 1, 10, TqorRootKind::Pole,
       "Polstelle: Vorzeichenwechsel ohne Nullstelle, f = "},
      {"x/|x|: a jump at the point", [](double x) { return x / std::fabs(x); }, -1, 1, 10, TqorRootKind::Jump,
       "Sprungstelle: Vorzeichenwechsel ohne Nullstelle, f = 1 bei x = 0"},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.name);
    auto finder = Finder(InDouble(t.f), t.xMin, t.xMax, t.nodes);
    finder->Execute();
    const TqorRootIntervalList& rows = finder->Intervals();
    ASSERT_EQ(rows.Count(), 1);
    const TqorRootIntervalCommon& row = *rows.Items(0);
    EXPECT_FALSE(row.RootExists);
    EXPECT_EQ(row.Kind, t.kind);
    EXPECT_TRUE(row.ResultMessage.starts_with(t.message)) << row.ResultMessage;
    EXPECT_EQ(row.xRoot, 0);
  }
}

// The secant method may walk from a pair where f comes close to zero to a root far away,
// which a row of its own already holds: that row is not the far root's.
TEST(RootFinder, ASecantRootOutsideItsIntervalIsNotItsRow) {
  // Near 0 f is about -0.9E-6, small against the spacing; the only root is 0.9.
  auto finder = Finder(InDouble([](double x) { return (x * x + 1E-6) * (x - 0.9); }), -1, 1, Nodes);
  finder->Execute();
  int roots = 0, outside = 0;
  for (int i = 0; i < finder->Intervals().Count(); ++i) {
    const TqorRootIntervalCommon& row = *finder->Intervals().Items(i);
    if (row.RootExists) {
      ++roots;
      EXPECT_NEAR(static_cast<double>(row.xRoot), 0.9, 1E-15);
      EXPECT_EQ(row.RootFinderMethode, MethodZeroin);
    } else if (row.ResultMessage.rfind("Sekantenverfahren: erreichte Nullstelle x = 0.9 liegt außerhalb des "
                                       "Intervalls",
                                       0) == 0) {
      ++outside;
      EXPECT_EQ(row.Kind, TqorRootKind::None);
    }
  }
  EXPECT_EQ(roots, 1);
  EXPECT_GT(outside, 0) << "the pairs near 0 are worked, and say where the method went";
}
