#include "qorException.h"
#include "qorFloatFaults.h"
#include "qorKaloZeroin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <random>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {
const Extended qnan = std::numeric_limits<Extended>::quiet_NaN();

// Budget and bounds of the worked examples.
constexpr int Budget = 10000;
constexpr Extended Abs10 = 1E-10L;

Extended Linear(Extended x) { return x - 1; }
Extended Parabola(Extended x) { return x * x - 2; }
Extended NoRoot(Extended x) { return x * x + 1; }
Extended Identity(Extended x) { return x; }

// Remembers every point the solver evaluates.
struct Recorder {
  std::function<Extended(Extended)> f;
  std::vector<Extended> points;
  RealFunction Function() {
    return [this](Extended x) {
      points.push_back(x);
      return f(x);
    };
  }
};

struct ZeroinCase {
  const char* name;
  Extended (*f)(Extended);
  Extended a, b, ABSERR, RELERR;
  int FMAX;
  int code;
  int Iter;  // expected evaluations; 0: only checked against the points recorded
};

const ZeroinCase ZeroinCases[] = {
    {"x-1: secant step lands on 1", Linear, 0, 3, Abs10, 0, Budget, ZeroinExactRoot, 3},
    {"x^2-2 converges", Parabola, 0, 3, Abs10, 0, Budget, ZeroinConverged, 0},
    {"x^2-2 with FMAX 3", Parabola, 0, 3, Abs10, 0, 3, ZeroinBudgetSpent, 4},
    {"x^2+1 has no sign change", NoRoot, -1, 1, Abs10, 0, Budget, ZeroinNoSignChange, 2},
    {"both bounds zero", Parabola, 0, 3, 0, 0, Budget, ZeroinBadArguments, 2},
    {"negative ABSERR", Parabola, 0, 3, -1, 1, Budget, ZeroinBadArguments, 2},
    {"negative RELERR", Parabola, 0, 3, 1, -1E-30L, Budget, ZeroinBadArguments, 2},
    {"FMAX 0", Parabola, 0, 3, Abs10, 0, 0, ZeroinBadArguments, 2},
    {"bad bounds without sign change", NoRoot, -1, 1, 0, 0, Budget, ZeroinNoSignChange, 2},
    {"fct(a) = 0", Identity, 0, 3, Abs10, 0, Budget, ZeroinZeroAtStart, 2},
};
}  // namespace

TEST(Zeroin, WorkedExamples) {
  for (const ZeroinCase& t : ZeroinCases) {
    SCOPED_TRACE(t.name);
    Recorder rec{t.f, {}};
    Extended ABSERR = t.ABSERR, RELERR = t.RELERR, b = t.b, fb = qnan;
    int Iter = -1;
    const int code = Zeroin(ABSERR, RELERR, t.FMAX, rec.Function(), "", t.a, b, fb, Iter);
    EXPECT_EQ(code, t.code);
    EXPECT_EQ(Iter, static_cast<int>(rec.points.size()));
    if (t.Iter != 0) {
      EXPECT_EQ(Iter, t.Iter);
    }
    EXPECT_EQ(fb, t.f(b)) << "fb belongs to the returned b";
    if (code == ZeroinBudgetSpent || code == ZeroinExactRoot) {
      EXPECT_EQ(b, rec.points.back()) << "b is the last iterate";
    } else if (code == ZeroinConverged) {
      EXPECT_NE(std::find(rec.points.begin(), rec.points.end(), b), rec.points.end());
    } else {
      EXPECT_EQ(b, t.b) << "b unchanged";
    }
  }
}

TEST(Zeroin, ResultsOfTheConvergingExamples) {
  Extended ABSERR = Abs10, RELERR = 0, b = 3, fb;
  int Iter;
  ASSERT_EQ(Zeroin(ABSERR, RELERR, Budget, Linear, "", 0, b, fb, Iter), ZeroinExactRoot);
  EXPECT_EQ(b, 1);
  EXPECT_EQ(fb, 0);
  EXPECT_EQ(RELERR, 4 * ZeroinEpsilon) << "handed back raised to the floor";
  EXPECT_NEAR(static_cast<double>(RELERR), 4.3368E-19, 1E-23);

  ABSERR = Abs10, RELERR = 0, b = 3;
  ASSERT_EQ(Zeroin(ABSERR, RELERR, Budget, Parabola, "", 0, b, fb, Iter), ZeroinConverged);
  EXPECT_LE(std::fabs(b - std::sqrt(2.0L)), Abs10);
  EXPECT_GE(Iter, 8);
  EXPECT_LE(Iter, 12) << "about ten evaluations";
}

TEST(Zeroin, ToleranceFloor) {
  const Extended floor = ZeroinToleranceFloor, tiny = 1E-30L;
  struct Case {
    const char* name;
    Extended absIn, relIn, absOut, relOut;
  } cases[] = {
      {"absolute only, below floor: relative gets the floor too", tiny, 0, floor, floor},
      {"relative only, below floor", 0, tiny, 0, floor},
      {"absolute only, above floor: relative gets the floor", Abs10, 0, Abs10, floor},
      {"relative only, above floor: stays relative", 0, 1E-5L, 0, 1E-5L},
      {"both below floor", tiny, tiny, floor, floor},
      {"both above floor", Abs10, 1E-5L, Abs10, 1E-5L},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.name);
    Extended ABSERR = t.absIn, RELERR = t.relIn, b = 3, fb;
    int Iter;
    Zeroin(ABSERR, RELERR, Budget, Linear, "", 0, b, fb, Iter);
    EXPECT_EQ(ABSERR, t.absOut);
    EXPECT_EQ(RELERR, t.relOut);
  }
  Extended ABSERR = tiny, RELERR = 0, b = 1, fb;
  int Iter;
  Zeroin(ABSERR, RELERR, Budget, NoRoot, "", -1, b, fb, Iter);
  EXPECT_EQ(RELERR, 0);
  EXPECT_EQ(ABSERR, tiny) << "no floor without a sign change";
}

// The root finder's default bounds (absolute 2^-62, relative 0) must still converge
// where the spacing of Extended numbers exceeds the absolute bound.
TEST(Zeroin, ConvergesFarFromZeroWithAnAbsoluteBoundOnly) {
  for (Extended root : {3.0L, 9.4247779607693797L, 1000.5L, -3.0E6L}) {
    SCOPED_TRACE(static_cast<double>(root));
    const RealFunction f = [root](Extended x) { return static_cast<double>(x) - static_cast<double>(root); };
    Extended ABSERR = 2 * MachineEpsilon(), RELERR = 0, b = root + 0.3L, fb;
    int Iter;
    EXPECT_LE(Zeroin(ABSERR, RELERR, Budget, f, "", root - 0.2L, b, fb, Iter), ZeroinZeroAtStart);
    EXPECT_LT(Iter, 200);
    EXPECT_NEAR(static_cast<double>(b), static_cast<double>(root), std::fabs(static_cast<double>(root)) * 1E-15);
  }
}

TEST(Zeroin, FaultsAndErrorsLeaveZeroin) {
  static volatile Extended zero = 0;
  struct Case {
    const char* name;
    RealFunction f;
    const char* type;
    const char* message;
  } cases[] = {
      {"quiet NaN at a", [](Extended x) { return x == 0 ? qnan : x - 1; }, "EInvalidOp",
       "Ungültige Gleitkommaoperation"},
      {"quiet NaN at the first iterate", [](Extended x) { return x == 1 ? qnan : x - 1; }, "EInvalidOp",
       "Ungültige Gleitkommaoperation"},
      {"a quiet infinity at the first iterate: the next step divides inf by inf",
       [](Extended x) { return x == 1 ? std::numeric_limits<Extended>::infinity() : x - 1; }, "EInvalidOp",
       "Ungültige Gleitkommaoperation"},
      {"division by zero inside fct", [](Extended x) { return x == 1 ? 1 / zero : x - 1; }, "EZeroDivide",
       "Gleitkommadivision durch Null"},
      {"an error of fct",
       [](Extended x) -> Extended {
         if (x == 1) throw EConvertError("kaputt");
         return x - 1;
       },
       "EConvertError", "kaputt"},
      {"aborted",
       [](Extended x) -> Extended {
         if (x == 1) throw ECalculationAborted("Abbruch");
         return x - 1;
       },
       "ECalculationAborted", "Abbruch"},
  };
  for (const Case& t : cases) {
    // The same with a function that raises its own faults and Zeroin told so.
    const auto raising = [&](Extended x) { return EvaluateRaisingFaults(t.f, x); };
    for (const bool raisesItself : {false, true}) {
      SCOPED_TRACE(std::string(t.name) + (raisesItself ? ", raised by fct" : ""));
      // On [0, 3] the first step of x - 1 lands on 1.
      Extended ABSERR = Abs10, RELERR = 0, b = 3, fb;
      int Iter;
      try {
        if (raisesItself)
          Zeroin(ABSERR, RELERR, Budget, raising, "", 0, b, fb, Iter, TFctFaults::LeavesNonePending);
        else
          Zeroin(ABSERR, RELERR, Budget, t.f, "", 0, b, fb, Iter);
        ADD_FAILURE() << "nothing raised";
      } catch (const Exception& e) {
        EXPECT_STREQ(e.className(), t.type);
        EXPECT_EQ(e.Message(), t.message);
      }
    }
  }
}

class ZeroinProtocol : public ::testing::Test {
protected:
  void SetUp() override {
    std::random_device random;
    folder = fs::temp_directory_path() / ("zeroin-protocol-" + std::to_string(random()));
    fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(folder); }

  static std::string Read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  int FileCount() const {
    return static_cast<int>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
  }
  int Run(const RealFunction& f, const fs::path& file, Extended ABSERR = Abs10) {
    Extended RELERR = 0, b = 3, fb;
    int Iter;
    return Zeroin(ABSERR, RELERR, Budget, f, file.string(), 0, b, fb, Iter);
  }

  fs::path folder;
};

TEST_F(ZeroinProtocol, LinearExampleWordForWord) {
  const fs::path file = folder / "zeroin.txt";
  ASSERT_EQ(Run(Linear, file), ZeroinExactRoot);
  EXPECT_EQ(Read(file),
            "a =     3.00000000000000  b =     0.00000000000000  c =     3.00000000000000\n"
            "fa=     2.00000000000000  fb=    -1.00000000000000  fc=     2.00000000000000\n"
            "Sekantenverfahren\n"
            "Differenz d zum neuen b:  d =     1.00000000000000\n"
            "b =     1.00000000000000  fb=     0.00000000000000\n"
            "Anzahl der Funktionsauswertungen =                    3\n"
            "\n"
            "\n"
            "a =     0.00000000000000  b =     1.00000000000000  c =     3.00000000000000\n"
            "fa=    -1.00000000000000  fb=     0.00000000000000  fc=     2.00000000000000\n");
  EXPECT_EQ(FileCount(), 1) << "no temporary file is left";
}

TEST_F(ZeroinProtocol, EveryIterationHasTheKnownLines) {
  const std::string real = R"( *-?\d+\.\d{14})";
  const std::string points = "a = " + real + "  b = " + real + "  c = " + real + "\n" + "fa= " + real +
                             "  fb= " + real + "  fc= " + real + "\n";
  const std::string method = "(Bisektion|Sekantenverfahren|inverse quadratische Interpolation)\n";
  const std::string step =
      "(Differenz d zum neuen b:  |Fehlerschranke wird addiert:     |"
      "Fehlerschranke wird subtrahiert: )d = " +
      real + "\n";
  const std::string newPoint = "b = " + real + "  fb= " + real + "\n" +
                               "Anzahl der Funktionsauswertungen = +\\d+\n\n\n";
  const std::regex whole("(" + points + method + step + newPoint + ")+" + points);
  const fs::path file = folder / "zeroin.txt";
  ASSERT_EQ(Run(Parabola, file, 1E-3L), ZeroinConverged);
  const std::string text = Read(file);
  EXPECT_TRUE(std::regex_match(text, whole)) << text;
  EXPECT_NE(text.find("Fehlerschranke wird"), std::string::npos) << "a coarse bound ends with steps by the tolerance:\n"
                                                                 << text;
}

TEST_F(ZeroinProtocol, FileThatCannotBeCreated) {
  Extended ABSERR = Abs10, RELERR = 0, b = 3, fb;
  int Iter;
  const fs::path file = folder / "missing" / "zeroin.txt";
  EXPECT_EQ(Zeroin(ABSERR, RELERR, Budget, Linear, file.string(), 0, b, fb, Iter), ZeroinProtocolFailed);
  EXPECT_EQ(Iter, 2);
  EXPECT_EQ(b, 3);
  EXPECT_EQ(RELERR, ZeroinToleranceFloor) << "the floor comes before the file";
  EXPECT_EQ(Run(Linear, folder), ZeroinProtocolFailed) << "a folder is no protocol file";
  EXPECT_EQ(FileCount(), 0);
}

TEST_F(ZeroinProtocol, ReplacesAnOldFileButNotWhenTheRunRaises) {
  const fs::path file = folder / "zeroin.txt";
  std::ofstream(file) << "old protocol\n";
  const RealFunction failing = [](Extended x) -> Extended {
    if (x == 1) throw EConvertError("kaputt");
    return x - 1;
  };
  EXPECT_THROW(Run(failing, file), EConvertError);
  EXPECT_EQ(Read(file), "old protocol\n");
  EXPECT_EQ(FileCount(), 1) << "the temporary file is removed";
  ASSERT_EQ(Run(Linear, file), ZeroinExactRoot);
  EXPECT_EQ(Read(file).rfind("a = ", 0), 0u) << "the old content is gone";
}

// Without a protocol Zeroin iterates on local values and leaves faults, NaN values and
// long runs to the checked iterations, which a protocol always takes. Both ways must make
// the same calls and end alike, with a result or an error.
TEST_F(ZeroinProtocol, TheFastAndTheCheckedIterationsAgree) {
  static volatile Extended zero = 0;
  const Extended third = 1 / 3.0L, inf = std::numeric_limits<Extended>::infinity();
  struct Case {
    const char* name;
    RealFunction f;
    Extended a, b;
  } cases[] = {
      {"sin(50x), values in double", [](Extended x) { return std::sin(50 * static_cast<double>(x)); }, 0.05L, 0.1L},
      {"x^2 - 2", Parabola, 0, 3},
      {"a jump, bisected longer than a fast run", [third](Extended x) { return x < third ? -1.0L : 1.0L; }, 0, 1000},
      {"a pole", [third](Extended x) { return 1 / (x - third); }, 0, 1},
      {"NaN near the root", [third](Extended x) { return std::fabs(x - third) < 1E-3L ? qnan : x - third; }, 0, 1},
      {"an infinity inside: inf / inf", [inf](Extended x) { return x == 1 ? inf : x - 1; }, 0, 3},
      {"division by zero inside fct", [](Extended x) { return x == 1 ? 1 / zero : x - 1; }, 0, 3},
  };
  struct Outcome {
    std::vector<Extended> calls;
    std::string error;
    int code = 0, Iter = 0;
    Extended b = 0, fb = 0;
  };
  const auto run = [](const RealFunction& f, Extended a, Extended b0, const std::string& file) {
    Outcome o;
    const RealFunction recorded = [&](Extended x) {
      o.calls.push_back(x);
      return f(x);
    };
    Extended ABSERR = 0, RELERR = ZeroinEpsilon;  // as fine as the arithmetic goes
    o.b = b0;
    try {
      o.code = Zeroin(ABSERR, RELERR, Budget, recorded, file, a, o.b, o.fb, o.Iter);
    } catch (const Exception& e) {
      o.error = std::string(e.className()) + ": " + e.Message();
    }
    return o;
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.name);
    const Outcome checked = run(t.f, t.a, t.b, (folder / "zeroin.txt").string());
    const Outcome fast = run(t.f, t.a, t.b, "");
    EXPECT_EQ(fast.calls, checked.calls);
    EXPECT_EQ(fast.error, checked.error);
    EXPECT_EQ(fast.code, checked.code);
    EXPECT_EQ(fast.Iter, checked.Iter);
    EXPECT_TRUE(SameBits(fast.b, checked.b) && SameBits(fast.fb, checked.fb));
  }
}

namespace {
// A random function of the kinds Zeroin meets, a bracket around one of its features
// (a root, a pole, a jump, a region without values) and bounds to run it with.
struct TRandomProblem {
  RealFunction f;
  Extended a = 0, b = 0, ABSERR = 0, RELERR = 0;
  int FMAX = Budget;
  TFctFaults faults = TFctFaults::MayLeavePending;
  std::string what;
};

// What one Zeroin run did: every call in order, and how it ended.
struct TRunOutcome {
  std::vector<Extended> calls;
  std::string error;
  int code = 0, Iter = 0;
  Extended b = 0, fb = 0, ABSERR = 0, RELERR = 0;

  // Empty when both runs did the same, else what differs.
  std::string Difference(const TRunOutcome& other) const {
    if (calls.size() != other.calls.size())
      return "calls " + std::to_string(calls.size()) + " vs " + std::to_string(other.calls.size());
    for (std::size_t i = 0; i < calls.size(); ++i)
      if (!SameBits(calls[i], other.calls[i])) return "call " + std::to_string(i) + " at another x";
    if (error != other.error) return "error '" + error + "' vs '" + other.error + "'";
    if (code != other.code || Iter != other.Iter)
      return "code/Iter " + std::to_string(code) + "/" + std::to_string(Iter) + " vs " + std::to_string(other.code) +
             "/" + std::to_string(other.Iter);
    if (!SameBits(b, other.b) || !SameBits(fb, other.fb)) return "another result";
    if (!SameBits(ABSERR, other.ABSERR) || !SameBits(RELERR, other.RELERR)) return "other bounds";
    return "";
  }
};

TRunOutcome RunRecorded(const TRandomProblem& p, const std::string& ProtocolFile = "") {
  TRunOutcome o;
  const auto recorded = [&](const Extended& x) {
    o.calls.push_back(x);
    return p.f(x);
  };
  o.ABSERR = p.ABSERR;
  o.RELERR = p.RELERR;
  o.b = p.b;
  try {
    o.code = Zeroin(o.ABSERR, o.RELERR, p.FMAX, recorded, ProtocolFile, p.a, o.b, o.fb, o.Iter, p.faults);
  } catch (const Exception& e) {
    o.error = std::string(e.className()) + ": " + e.Message();
  } catch (const std::exception& e) {
    o.error = std::string("std::exception: ") + e.what();
  }
  return o;
}

class TProblemMaker {
public:
  explicit TProblemMaker(std::uint64_t Seed) : random(Seed) {}

  TRandomProblem Next() {
    TRandomProblem p;
    if (Pick(16) == 0) return EqualSteps();
    Extended feature = 0;  // where the bracket is put around
    MakeFunction(p, feature);
    AddFaults(p);
    PlaceBracket(p, feature);
    ChooseBounds(p);
    return p;
  }

private:
  // Where the arithmetic meets its bounds exactly: a jump between -v and v at a power of
  // two P, on [P - 2^w, P + 2^w], is bisected, |f| equal at every point; the first step
  // lands on P, where half the bracket is the tolerance when RELERR = 2^w / P.
  TRandomProblem EqualSteps() {
    TRandomProblem p;
    const int e = Pick(41) - 20, w = e - 1 - Pick(55);
    const Extended P = std::ldexp(Pick(2) ? 1.0L : -1.0L, e), v = Uniform(0.1L, 10);
    p.f = [P, v](const Extended& x) { return x < P ? -v : v; };
    p.a = P - std::ldexp(1.0L, w);
    p.b = P + std::ldexp(1.0L, w);
    if (Pick(2)) std::swap(p.a, p.b);
    p.ABSERR = 0;
    p.RELERR = std::ldexp(1.0L, w - e + Pick(3) - 1);
    p.what = "equal steps";
    return p;
  }

  Extended Uniform(Extended lo, Extended hi) {
    return lo + (hi - lo) * std::uniform_real_distribution<double>(0, 1)(random);
  }
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }

  void MakeFunction(TRandomProblem& p, Extended& feature) {
    // The scale of x, mostly ordinary, now and then tiny or huge.
    const Extended scale = Pick(4) ? 1 : std::pow(10.0L, static_cast<Extended>(Pick(61) - 30));
    switch (Pick(6)) {
      case 0: {  // a polynomial through a few roots, in Extended or rounded to double
        std::vector<Extended> roots(1 + Pick(5));
        for (Extended& r : roots) r = Uniform(-2, 2) * scale;
        const Extended factor = Uniform(-3, 3) * std::pow(10.0L, static_cast<Extended>(Pick(21) - 10));
        const bool inDouble = Pick(2);
        p.f = [roots, factor, scale, inDouble](const Extended& x) {
          Extended y = factor;
          for (const Extended r : roots) y *= (x - r) / scale;
          return inDouble ? static_cast<double>(y) : y;
        };
        feature = roots[Pick(static_cast<int>(roots.size()))];
        p.what = "polynomial";
        break;
      }
      case 1: {  // sin(w x + phi) + c, in double or Extended
        const Extended w = Uniform(0.5L, 100) / scale, phi = Uniform(-3, 3), c = Pick(3) ? 0 : Uniform(-0.5L, 0.5L);
        const bool inDouble = Pick(2);
        p.f = [w, phi, c, inDouble](const Extended& x) {
          return inDouble ? std::sin(static_cast<double>(w * x + phi)) + static_cast<double>(c)
                          : std::sin(w * x + phi) + c;
        };
        feature = (std::asin(-std::clamp(c, -1.0L, 1.0L)) - phi + Pick(5) * 3.14159265358979323846L) / w;
        p.what = "sine";
        break;
      }
      case 2: {  // a pole, with a root nearby or not
        const Extended pole = Uniform(-1, 1) * scale, c = Pick(2) ? 0 : Uniform(-2, 2);
        p.f = [pole, c, scale](const Extended& x) { return scale / (x - pole) + c; };
        feature = Pick(3) ? pole : pole - scale / c;
        p.what = "pole";
        break;
      }
      case 3: {  // a jump across zero, with a slope beside it
        const Extended at = Uniform(-1, 1) * scale, left = -Uniform(0, 2),
                       right = Uniform(0, 2) * (Pick(4) ? 1 : 1E-300L);
        const Extended slope = Pick(2) ? 0 : Uniform(0, 1);
        feature = at;
        p.what = "jump";
        if (Pick(3) == 0) {
          // |f| alike on both sides; or a steep line cut off there, so that the steps
          // where |f| was alike shape those that follow.
          const Extended steep = std::pow(10.0L, Uniform(0, 6)) / scale;
          p.f = Pick(2) ? RealFunction([at, left](const Extended& x) { return x < at ? left : -left; })
                        : RealFunction([at, left, steep](const Extended& x) {
                            return std::clamp(steep * (x - at), left, -left);
                          });
          break;
        }
        p.f = [at, left, right, slope, scale](const Extended& x) {
          return (x < at ? left : right) + slope * (x - at) / scale;
        };
        break;
      }
      case 4: {  // x - r with sides of very different steepness, up to overflowing steps
        const Extended r = Uniform(-1, 1) * scale;
        const Extended left = std::pow(10.0L, static_cast<Extended>(Pick(4001) - 2000));
        const Extended right = std::pow(10.0L, static_cast<Extended>(Pick(4001) - 2000));
        p.f = [r, left, right, scale](const Extended& x) { return (x < r ? left : right) * (x - r) / scale; };
        feature = r;
        p.what = "steep sides";
        break;
      }
      default: {  // (x - r)^k: flat near its root, exact zeros after underflow
        const Extended r = Uniform(-1, 1) * scale;
        const int k = 1 + 2 * Pick(40);
        p.f = [r, k, scale](const Extended& x) { return std::pow((x - r) / scale, k); };
        feature = r;
        p.what = "odd power";
        break;
      }
    }
  }

  // Now and then a region where f has no value, raises, or runs into a fault, and the
  // way the caller tells Zeroin what f leaves in the flags.
  void AddFaults(TRandomProblem& p) {
    static volatile Extended zero = 0, huge = 1E4000L;
    const int kind = Pick(14);
    if (kind < 7) {
      const RealFunction base = p.f;
      // The region lies on one side of the bracket's feature or around it; it is placed
      // once the bracket is known, relative to it, by the fractions lo and hi.
      const Extended lo = Uniform(0, 1), hi = std::min<Extended>(1, lo + Uniform(0, 0.6L));
      const auto region = std::make_shared<std::pair<Extended, Extended>>();
      regionOf = [region, lo, hi](Extended a, Extended b) {
        *region = {std::fmin(a, b) + lo * std::fabs(b - a), std::fmin(a, b) + hi * std::fabs(b - a)};
      };
      const auto inside = [region](const Extended& x) { return region->first <= x && x <= region->second; };
      const char* names[] = {"NaN", "C++ exception", "EConvertError", "0/0", "inf-inf", "overflow", "quiet inf"};
      p.what += std::string(", ") + names[kind] + " region";
      p.f = [=](const Extended& x) -> Extended {
        if (!inside(x)) return base(x);
        switch (kind) {
          case 0:
            return std::numeric_limits<Extended>::quiet_NaN();
          case 1:
            throw std::runtime_error("out of range");
          case 2:
            throw EConvertError("kaputt");
          case 3:
            return zero / zero;
          case 4:
            return huge * huge - huge * huge;
          case 5:
            return huge * huge * (x < 0 ? -1 : 1);
          default:
            return std::numeric_limits<Extended>::infinity() * (base(x) < 0 ? -1 : 1);
        }
      };
    } else {
      regionOf = nullptr;
    }
    // As f is called: raw, leaving its faults; raising them itself; or keeping the flags
    // as a script function does.
    const RealFunction raw = p.f;
    switch (Pick(3)) {
      case 0:
        p.faults = TFctFaults::MayLeavePending;
        break;
      case 1:
        p.faults = TFctFaults::LeavesNonePending;
        p.f = [raw](const Extended& x) { return EvaluateRaisingFaults(raw, x); };
        p.what += ", raising";
        break;
      default:
        p.faults = Pick(2) ? TFctFaults::LeavesNonePending : TFctFaults::MayLeavePending;
        p.f = [raw](const Extended& x) {
          TFloatEnvGuard guard;
          return raw(x);
        };
        p.what += ", guarded";
    }
  }

  void PlaceBracket(TRandomProblem& p, Extended feature) {
    const Extended width = std::fabs(feature) * std::pow(10.0L, -Uniform(0, 6)) + std::pow(10.0L, -Uniform(0, 3));
    p.a = feature - Uniform(0.01L, 1) * width;
    p.b = feature + Uniform(0.01L, 1) * width;
    if (Pick(2)) std::swap(p.a, p.b);
    if (Pick(50) == 0) p.b = p.a;  // a bracket of a single point
    if (regionOf) regionOf(p.a, p.b);
  }

  void ChooseBounds(TRandomProblem& p) {
    const Extended absolute[] = {0, ZeroinToleranceFloor, 1E-20L, 1E-10L, 1E-3L, 1E-30L};
    const Extended relative[] = {0, ZeroinEpsilon, 1E-15L, 1E-6L, 0};
    p.ABSERR = absolute[Pick(6)];
    p.RELERR = relative[Pick(5)];
    if (p.ABSERR == 0 && p.RELERR == 0 && Pick(10)) p.RELERR = ZeroinEpsilon;
    if (Pick(10) == 0) p.FMAX = 1 + Pick(40);
  }

  std::mt19937_64 random;
  std::function<void(Extended, Extended)> regionOf;
};
}  // namespace

// The fast iterations copy the checked ones: on random brackets of random functions both
// make the same calls and end alike, with a result, a code or an error. The fast run must
// have done most of the work, and its faults and long runs must have been taken over.
TEST_F(ZeroinProtocol, TheFastAndTheCheckedIterationsAgreeOnRandomBrackets) {
  constexpr int Problems = 10000;
  TProblemMaker maker(20261211);
  ZeroinTestHooks = {};
  int differences = 0, sameAsProtocol = 0;
  std::string first;
  for (int i = 0; i < Problems; ++i) {
    const TRandomProblem p = maker.Next();
    ZeroinTestHooks.AlwaysChecked = false;
    const TRunOutcome fast = RunRecorded(p);
    ZeroinTestHooks.AlwaysChecked = true;
    const TRunOutcome checked = RunRecorded(p);
    ZeroinTestHooks.AlwaysChecked = false;
    std::string difference = fast.Difference(checked);
    // Every 40th also against a run with protocol, which never takes the fast way.
    if (difference.empty() && i % 40 == 0) {
      difference = RunRecorded(p, (folder / "zeroin.txt").string()).Difference(checked);
      if (difference.empty()) ++sameAsProtocol;
    }
    if (difference.empty()) continue;
    if (++differences == 1)
      first = "problem " + std::to_string(i) + " (" + p.what + " on [" + std::to_string(static_cast<double>(p.a)) +
              ", " + std::to_string(static_cast<double>(p.b)) + "]): " + difference;
  }
  EXPECT_EQ(differences, 0) << first;
  EXPECT_EQ(sameAsProtocol, Problems / 40);
  const TZeroinTestHooks& runs = ZeroinTestHooks;
  SCOPED_TRACE("fast " + std::to_string(runs.Fast) + ", replayed " + std::to_string(runs.Replayed) + ", handed over " +
               std::to_string(runs.HandedOver) + ", checked " + std::to_string(runs.Checked));
  RecordProperty("fast", static_cast<int>(runs.Fast));
  RecordProperty("replayed", static_cast<int>(runs.Replayed));
  RecordProperty("handedOver", static_cast<int>(runs.HandedOver));
  const long unprotocolled = runs.Fast + runs.Replayed + runs.HandedOver;
  EXPECT_GT(runs.Fast, unprotocolled / 2) << "the fast way does most of the work";
  EXPECT_GT(runs.Replayed, 50);
  EXPECT_GT(runs.HandedOver, 50);
}
