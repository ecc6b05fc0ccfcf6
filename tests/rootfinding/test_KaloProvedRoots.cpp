#include "KaloBallProof.h"
#include "KaloProvedRoots.h"
#include "KaloRootCalculation.h"
#include "qorException.h"
#include "qorMemoryDataset.h"
#include "qorProvedRoots.h"
#include "qorTestSupport.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <atomic>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace {

struct Workspace {
  TKaloPersistRootFinding task;
  TqorMemoryDataset roots;
  TKaloRootCalculation calc{task, roots};

  Workspace() {
    UseBallProof();
    DefineRootTable(roots);
    roots.Open();
    task.setProveRoots(true);
  }
  void Run(const QString& fct, Extended xMin, Extended xMax, bool Simple = true) {
    task.RootFunction().setSimpleScript(Simple);
    task.RootFunction().setFunctionScript(fct);
    calc.Execute({fct, xMin, xMax, 200});
  }
  // The rows after the sampling search's.
  std::vector<TqorRootIntervalCommon> ProvedRows() const {
    std::vector<TqorRootIntervalCommon> rows;
    for (const TqorRootIntervalCommon& r : calc.Intervals())
      if (r.Kind == TqorRootKind::Proved || r.Kind == TqorRootKind::Undecided) rows.push_back(r);
    return rows;
  }
};

constexpr double Pi = std::numbers::pi;
using K = TqorRootKind;

struct TExpectedRow {
  TqorRootKind Kind;
  bool Root;
  double x;  // the root, or a point of the undecided region
};

// The proved rows follow the sampling rows in the table, the JSON and the exports: one
// per proved root, one per undecided region, and the statement for the rest last.
TEST(KaloProvedRoots, RowsFollowTheSamplingRows) {
  const struct {
    const char* Name;
    const char* Text;
    double xMin, xMax;
    std::vector<TExpectedRow> Rows;
  } cases[] = {
      {"tan: three roots, two poles",
       "tan(x)",
       -4,
       4,
       {{K::Proved, true, -Pi},
        {K::Undecided, false, -Pi / 2},
        {K::Proved, true, 0},
        {K::Undecided, false, Pi / 2},
        {K::Proved, true, Pi}}},
      {"a double root", "(x-2)^2*(x+1)", -2.5, 2.5, {{K::Proved, true, -1}, {K::Undecided, false, 2}}},
      {"no root at all", "x^2+1", -2.5, 2.5, {}},
      {"a root on a round number",
       "(x-1)*(x-1.001)*(x-1.002)",
       0,
       2,
       {{K::Proved, true, 1}, {K::Proved, true, 1.001}, {K::Proved, true, 1.002}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Workspace w;
    w.Run(c.Text, c.xMin, c.xMax);
    const std::vector<TqorRootIntervalCommon> rows = w.ProvedRows();
    ASSERT_EQ(rows.size(), c.Rows.size() + 1);
    for (std::size_t i = 0; i < c.Rows.size(); ++i) {
      SCOPED_TRACE(i);
      const TqorRootIntervalCommon& row = rows[i];
      EXPECT_EQ(row.Kind, c.Rows[i].Kind);
      EXPECT_EQ(row.RootFinderMethode, RootKindText(c.Rows[i].Kind));
      EXPECT_EQ(row.RootExists, c.Rows[i].Root);
      EXPECT_TRUE(row.xMin <= c.Rows[i].x && c.Rows[i].x <= row.xMax);
      if (c.Rows[i].Root) {
        EXPECT_NEAR(static_cast<double>(row.xRoot), c.Rows[i].x, 1e-15);
        EXPECT_EQ(row.ResultMessage.rfind("bewiesen: genau eine Nullstelle in [", 0), 0u) << row.ResultMessage;
        EXPECT_NE(row.ResultMessage.find("], Breite der Einschließung "), std::string::npos) << row.ResultMessage;
      } else {
        EXPECT_FALSE(row.ResultMessage.empty());
      }
    }
    const TqorRootIntervalCommon& rest = rows.back();
    EXPECT_EQ(rest.Kind, K::Proved);
    EXPECT_FALSE(rest.RootExists);
    EXPECT_EQ(rest.ResultMessage, "Im übrigen Bereich hat f bewiesen keine Nullstelle.");
    EXPECT_EQ(rest.xMin, c.xMin);
    EXPECT_EQ(rest.xMax, c.xMax);
    std::size_t roots = 0;
    for (const TExpectedRow& r : c.Rows) roots += r.Root;
    EXPECT_EQ(w.calc.ProvedRootX().size(), roots) << "the plot marks the proved roots apart";
    EXPECT_EQ(w.roots.RecordCount(), static_cast<int>(w.calc.Intervals().size()));
    EXPECT_EQ(w.calc.ProofNote(), "");
  }
}

// A task without the proof has no proved rows; a script gets the note and the sampling
// result as before.
TEST(KaloProvedRoots, OnlyWhenAskedAndOnlyForExpressions) {
  Workspace w;
  w.task.setProveRoots(false);
  w.Run("sin(x)", -4, 4);
  EXPECT_TRUE(w.ProvedRows().empty());
  EXPECT_EQ(w.calc.Intervals().size(), 3u);

  w.task.setProveRoots(true);
  for (const auto& [text, simple] :
       {std::pair{"function fct(x) return sin(x); end;", false}, std::pair{"x < 0 and -1 or 1", true}}) {
    SCOPED_TRACE(text);
    w.Run(text, -4, 4, simple);
    EXPECT_TRUE(w.ProvedRows().empty());
    EXPECT_FALSE(w.calc.Intervals().empty());
    EXPECT_EQ(w.calc.ProofNote(), QString::fromUtf8(MsgProofNeedsExpression));
    EXPECT_TRUE(w.calc.ProofNote().startsWith("Ein Beweis ist nur für einfache Ausdrücke in x möglich"));
  }
}

// A program without a proof engine still finds the roots by sampling and says why the
// proved rows are missing; whatever engine the program sets is the one asked.
TEST(KaloProvedRoots, TheProgramsEngineProvesAndWithoutOneTheNoteSaysSo) {
  Workspace w;
  SetProofEngine({});
  EXPECT_FALSE(HasProofEngine());
  w.Run("sin(x)", -4, 4);
  EXPECT_TRUE(w.ProvedRows().empty());
  EXPECT_EQ(w.calc.Intervals().size(), 3u);
  EXPECT_EQ(w.calc.ProofNote(), QString::fromUtf8(MsgProofUnavailable));
  EXPECT_TRUE(w.calc.ProofNote().startsWith("Der Beweis ist nicht verfügbar: "));

  TKaloProofRequest asked;
  SetProofEngine([&asked](const TKaloProofRequest& Request) {
    asked = Request;
    TKaloProofOutcome outcome;
    outcome.Rows.resize(2);
    outcome.Rows[0].Kind = TqorRootKind::Proved;
    outcome.Rows[1].Kind = TqorRootKind::Undecided;
    return outcome;
  });
  w.task.setProofDigits(12);
  w.Run("x - 1", -2, 3);
  EXPECT_EQ(asked.FunctionText, "x - 1");
  EXPECT_EQ(asked.xMin, -2);
  EXPECT_EQ(asked.xMax, 3);
  EXPECT_EQ(asked.Digits, 12);
  EXPECT_EQ(w.ProvedRows().size(), 2u);
  EXPECT_TRUE(w.calc.ProofNote().isEmpty());
  UseBallProof();
}

TEST(KaloProvedRoots, DigitsGoIntoTheRowsMessage) {
  Workspace w;
  w.task.setProofDigits(25);
  w.Run("x^2 - 2", 0, 2);
  const std::vector<TqorRootIntervalCommon> rows = w.ProvedRows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_NE(rows[0].ResultMessage.find("; x = [1.414213562373095048801689 +/- "), std::string::npos)
      << rows[0].ResultMessage;
}

// Cancel while the proof runs leaves every result of the calculation before.
TEST(KaloProvedRoots, CancelDuringTheProofLeavesThePreviousResults) {
  Workspace w;
  w.Run("sin(x)", -4, 4);
  const auto before = w.calc.Intervals().size();
  std::atomic<bool> cancel = false;
  QStringList reports;
  w.calc.setCancelFlag(&cancel);
  w.calc.setProgressReport([&](const TKaloProgress& p) {
    reports << p.Text;
    if (p.Text.startsWith("Nullstellen beweisen ... ")) cancel = true;
  });
  EXPECT_THROW_MSG(w.Run("sin(1/x)", 1e-5, 1), ECalculationCancelled, "Berechnung abgebrochen");
  ASSERT_FALSE(reports.isEmpty());
  EXPECT_TRUE(reports.last().endsWith(" %")) << reports.last().toStdString();
  EXPECT_EQ(w.calc.Intervals().size(), before);
  EXPECT_EQ(w.roots.RecordCount(), static_cast<int>(before));
}

}  // namespace
