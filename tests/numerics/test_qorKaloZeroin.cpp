#include "qorException.h"
#include "qorFloatFaults.h"
#include "qorKaloZeroin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <regex>
#include <sstream>
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
    return [this](Extended x) { points.push_back(x); return f(x); };
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
      {"relative only, above floor: absolute gets the floor", 0, 1E-5L, floor, 1E-5L},
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
      {"quiet NaN at the first iterate", [](Extended x) { return x == 1 ? qnan : x - 1; },
       "EInvalidOp", "Ungültige Gleitkommaoperation"},
      {"a quiet infinity at the first iterate: the next step divides inf by inf",
       [](Extended x) { return x == 1 ? std::numeric_limits<Extended>::infinity() : x - 1; }, "EInvalidOp",
       "Ungültige Gleitkommaoperation"},
      {"division by zero inside fct",
       [](Extended x) { return x == 1 ? 1 / zero : x - 1; }, "EZeroDivide",
       "Gleitkommadivision durch Null"},
      {"an error of fct", [](Extended x) -> Extended {
         if (x == 1) throw EConvertError("kaputt");
         return x - 1;
       }, "EConvertError", "kaputt"},
      {"aborted", [](Extended x) -> Extended {
         if (x == 1) throw ECalculationAborted("Abbruch");
         return x - 1;
       }, "ECalculationAborted", "Abbruch"},
  };
  for (const Case& t : cases) {
    // The same with a function that raises its own faults and Zeroin told so.
    const auto checked = [&](Extended x) { return EvaluateChecked(t.f, x); };
    for (const bool fctChecked : {false, true}) {
      SCOPED_TRACE(std::string(t.name) + (fctChecked ? ", checked by fct" : ""));
      // On [0, 3] the first step of x - 1 lands on 1.
      Extended ABSERR = Abs10, RELERR = 0, b = 3, fb;
      int Iter;
      try {
        if (fctChecked)
          Zeroin(ABSERR, RELERR, Budget, checked, "", 0, b, fb, Iter, true);
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
  const std::string points = "a = " + real + "  b = " + real + "  c = " + real + "\n" +
                             "fa= " + real + "  fb= " + real + "  fc= " + real + "\n";
  const std::string method =
      "(Bisektion|Sekantenverfahren|inverse quadratische Interpolation)\n";
  const std::string step = "(Differenz d zum neuen b:  |Fehlerschranke wird addiert:     |"
                           "Fehlerschranke wird subtrahiert: )d = " + real + "\n";
  const std::string newPoint = "b = " + real + "  fb= " + real + "\n" +
                               "Anzahl der Funktionsauswertungen = +\\d+\n\n\n";
  const std::regex whole("(" + points + method + step + newPoint + ")+" + points);
  const fs::path file = folder / "zeroin.txt";
  ASSERT_EQ(Run(Parabola, file, 1E-3L), ZeroinConverged);
  const std::string text = Read(file);
  EXPECT_TRUE(std::regex_match(text, whole)) << text;
  EXPECT_NE(text.find("Fehlerschranke wird"), std::string::npos)
      << "a coarse bound ends with steps by the tolerance:\n" << text;
}

TEST_F(ZeroinProtocol, FileThatCannotBeCreated) {
  Extended ABSERR = Abs10, RELERR = 0, b = 3, fb;
  int Iter;
  const fs::path file = folder / "missing" / "zeroin.txt";
  EXPECT_EQ(Zeroin(ABSERR, RELERR, Budget, Linear, file.string(), 0, b, fb, Iter),
            ZeroinProtocolFailed);
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
    const RealFunction recorded = [&](Extended x) { o.calls.push_back(x); return f(x); };
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
