#pragma once
// One calculation of a root-finding task, as "Berechnen" runs it: sample f at n nodes
// into the value vectors, find the root intervals, fill the roots table and the root
// vectors. Shared by the root-finding window and the batch program, so both compute
// exactly the same. Nothing is caught here: an error ends the calculation, and what is
// left behind is what the step before it produced (see Execute).

#include "KaloPersistentTypes.h"
#include "qorKaloBase.h"
#include "qorKaloExtrema.h"
#include "qorKaloRootFinding.h"
#include "qorScriptLua.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TqorMemoryDataset;
class TScriptFunction;

// Field names of the roots table.
namespace RootField {
inline constexpr const char* ID = "ID";
inline constexpr const char* RootExists = "RootExists";
inline constexpr const char* xRoot = "xRoot";
inline constexpr const char* yRoot = "yRoot";
inline constexpr const char* IterCount = "IterCount";
inline constexpr const char* xIntervalMin = "xIntervalMin";
inline constexpr const char* xIntervalMax = "xIntervalMax";
inline constexpr const char* RootFinder = "RootFinder";
inline constexpr const char* ResultMessage = "ResultMessage";
}  // namespace RootField

// Adds the roots table's fields, in display order, with their labels and formats.
// The table must be closed.
void DefineRootTable(TqorMemoryDataset& Table);

// Field names of the extrema table.
namespace ExtremumField {
inline constexpr const char* ID = "ID";
inline constexpr const char* Kind = "Kind";
inline constexpr const char* x = "x";
inline constexpr const char* y = "y";
inline constexpr const char* dy = "dy";    // f'(x)
inline constexpr const char* ddy = "ddy";  // f''(x)
inline constexpr const char* Method = "Method";
inline constexpr const char* IterCount = "IterCount";
inline constexpr const char* Remark = "Remark";
}  // namespace ExtremumField

// Adds the extrema table's fields ("Art", "x", "f(x)", "f'(x)", "f''(x)", "Methode",
// "Iter.", "Bemerkung"). The table must be closed.
void DefineExtremaTable(TqorMemoryDataset& Table);

// What the user typed: the function field, the range and the node count.
struct TKaloCalculationInput {
  QString FunctionText;
  Extended xMin = 0;
  Extended xMax = 0;
  int NodeCount = 0;
};

// Limits and library of the script host; the defaults suit the program.
struct TKaloScriptSettings {
  QString LuaLibFileName;  // empty: the default library
  std::chrono::milliseconds EvaluationBudget = DefaultEvaluationBudget;
  std::size_t MemoryCap = DefaultLuaMemoryCap;
};

// The steps of a calculation that evaluate f many times, in their order.
enum class TKaloPhase { Sampling, Scan, Intervals, Proof };

// The progress text of Phase with Done of Total: "Funktion berechnen ... 45 %" while
// the values are sampled, "Nullstellen ermitteln ... 80 %" while the root search scans
// the nodes, "Nullstellen suchen ... 12 von 319" while it works interval 12 of 319,
// "Nullstellen beweisen ... 60 %" while the proved search has decided 60 % of the range.
QString ProgressText(TKaloPhase Phase, int Done, int Total);

// Where a running calculation stands.
struct TKaloProgress {
  QString Text;                                 // see ProgressText
  std::chrono::steady_clock::duration Elapsed;  // since the calculation began
};

// The time budget for Seconds given as text ("2.5" or "2,5"), when that is a number
// of seconds from 0.001 to 86400 (a day); nothing for any other text.
std::optional<std::chrono::milliseconds> EvaluationBudgetFromText(const QString& Seconds);

class TKaloRootCalculation {
public:
  using TBusyStatus = std::function<void(const QString&)>;
  using TRebuildPlot = std::function<void()>;
  using TProgressReport = std::function<void(const TKaloProgress&)>;

  // Works on Task and Roots (a table defined by DefineRootTable); neither is owned.
  TKaloRootCalculation(TKaloPersistRootFinding& Task, TqorMemoryDataset& Roots, TBusyStatus BusyStatus = {});
  ~TKaloRootCalculation();

  // The whole "Berechnen": takes a simple expression into the task, calculates, and
  // when there was a function, calls RebuildPlot. The busy display is ended in every
  // case. Errors pass to the caller.
  void Execute(const TKaloCalculationInput& Input, const TRebuildPlot& RebuildPlot = {});

  // Samples f and runs the root search; false (and nothing changed) without function
  // text. What an error leaves behind: the results of the previous calculation when
  // the library, the compilation or the sampling failed, or no node has a value (see
  // NoValueMessage); new values with an empty
  // roots table when the scan of the root search failed. A stopped calculation
  // (ECalculationAborted) leaves the values, the roots table and the root vectors as
  // they were.
  bool CalculateFunction(const TKaloCalculationInput& Input);

  // The part of CalculateFunction after the script is prepared: samples f with Function
  // into the value vectors and runs the root search, leaving what CalculateFunction
  // leaves when it fails. Function must hold the prepared fct.
  void SampleAndFindRoots(TScriptFunction& Function, const TKaloCalculationInput& Input);

  // Also compute f' and f'' at the nodes (ValueD1, ValueD2) when no extremum or
  // inflection point is searched. Off at first: then nothing of it is computed.
  void setDerivativesWanted(bool value) { FDerivativesWanted = value; }
  // The extrema table to fill (defined by DefineExtremaTable; not owned), or none.
  void setExtremaTable(TqorMemoryDataset* value) { FExtremaTable = value; }
  // The rows of the last search for extrema and inflection points, in Extended precision.
  const std::vector<TqorExtremumRow>& ExtremaRows() const { return FExtremaRows; }
  // f' and f'' at the nodes of the value table; empty unless derivatives were computed.
  const kaloREALVector& ValueD1() const { return FValueD1; }
  const kaloREALVector& ValueD2() const { return FValueD2; }
  // True when the last derivatives came from differences of f (a full Lua script).
  bool DerivativesNumerical() const { return FDerivativesNumerical; }
  // What the last complete calculation looked for.
  const TKaloCurveSearch& CalculatedSearch() const { return FCalculatedSearch; }
  // Whether the last complete calculation searched extrema or inflection points, so that
  // its extrema table tells what it found, even when that is nothing.
  bool SearchedCurve() const { return FCalculatedSearch.Extrema || FCalculatedSearch.Inflection; }

  const kaloREALVector& ValueX() const { return FValueX; }
  const kaloREALVector& ValueY() const { return FValueY; }
  // Each different root of the search once, as the first row that shows it has it, in
  // the order of the rows.
  const kaloREALVector& RootX() const { return FRootX; }
  const kaloREALVector& RootY() const { return FRootY; }
  // The roots of the proved search (rows "Bewiesen" with a root), when it ran.
  const kaloREALVector& ProvedRootX() const { return FProvedX; }
  const kaloREALVector& ProvedRootY() const { return FProvedY; }
  // The intervals of the last complete root search in Extended precision, then the rows
  // of the proved search when the task asks for it; the roots table holds the same rows
  // rounded to double.
  const std::vector<TqorRootIntervalCommon>& Intervals() const { return FIntervals; }
  // Calls of f made by the last calculation: the value table and the root search. An
  // expression computed in place gives the scan the value table's values at its nodes,
  // and the scan gives the intervals their end values; these count as calls all the same.
  std::int64_t EvaluationCount() const { return FEvaluationCount; }
  // For each row of the last complete root search, the ID of the row whose root it
  // repeats: the first row whose root lies within the solvers' tolerance of its own (a
  // root at a node ends two rows). -1 for a row that shows a root first, or none, and
  // for the proved rows, which confirm roots and are not counted.
  const std::vector<int>& RepeatedRows() const { return FRepeatedRows; }
  // The different roots the rows show, each counted once.
  int DifferentRootCount() const { return FDifferentRootCount; }
  // How many different roots the rows show, when some rows repeat a root: "3
  // Nullstellen in 4 Zeilen"; empty when every row with a root shows its own.
  QString RootCountNote() const;
  // The absolute error bound the solvers worked with when it, not f, limits the
  // accuracy of a root: when it exceeds |root| times the relative spacing of the numbers
  // f computes with (x - 1E-300 with the default bounds). 0 when no root is limited so.
  Extended LimitingAbsErrorBound() const { return FLimitingAbsErrorBound; }
  // Says so: "Die absolute Fehlerschranke 4.34E-19 ist größer als die Genauigkeit, mit
  // der f die Nullstelle bei x = 1E-300 bestimmt."; empty when the bounds limit nothing.
  // The caller adds how its user asks for relative accuracy.
  QString ErrorBoundNote() const;
  // Nodes of the value table where f has no finite value.
  int NodesWithoutValue() const;
  // Why the last calculation found nothing at all: empty while some node has a value,
  // else the first node's error ("Die Funktion hat an keiner Stützstelle einen Wert. ...",
  // after a plain sentence where there is one), which the calculation raises, leaving
  // the previous results as they were.
  const QString& NoValueMessage() const { return FNoValueMessage; }
  // How many nodes have no value, as the status bar says it; empty when all have one.
  QString NoValueNote() const;
  // Why the last calculation has no proof although the task asks for one
  // (MsgProofNeedsExpression, MsgProofUnavailable), else empty.
  const QString& ProofNote() const { return FProofNote; }

  const TKaloScriptSettings& ScriptSettings() const { return FScriptSettings; }
  void setScriptSettings(const TKaloScriptSettings& value) { FScriptSettings = value; }

  // Told where the calculation stands at most once per WatcherInterval while f is
  // evaluated (from the script's time check, see TqorScriptWatcher); it may set the
  // cancel flag. None at first.
  void setProgressReport(TProgressReport value) { FProgressReport = std::move(value); }
  // A flag that, once set, stops the running calculation as the time budget does: it
  // raises ECalculationCancelled and leaves the results as they were. None at first.
  void setCancelFlag(const std::atomic<bool>* value) { FCancel = value; }

private:
  void Busy(const QString& Text) const;
  // Samples f at the nodes of Input into x and y; the sample of them for the root search.
  TqorNodeSample SampleFunction(TScriptFunction& Function, const TKaloCalculationInput& Input, kaloREALVector& x,
                                kaloREALVector& y);
  // Runs the root finder with Function (and Sample, the value table's, for an expression
  // computed in place) and fills the roots table and root vectors.
  void CalculateRoots(TScriptFunction& Function, const TKaloCalculationInput& Input, const TqorNodeSample& Sample);
  void RunFinder(TqorRootFinder& Finder);
  // The proved search when the task asks for it: its rows, or none with a note.
  std::vector<TqorRootIntervalCommon> ProvedRows(const TKaloCalculationInput& Input);
  void FillRootTable(const TqorRootIntervalList& Intervals, const std::vector<TqorRootIntervalCommon>& Proved);
  void AppendRow(int ID, const TqorRootIntervalCommon& Interval);
  void NoteRepeatedRoots();
  void NoteLimitingBound();
  void FindRoots(TqorRootFinder& Finder, TScriptFunction& Function, const TKaloCalculationInput& Input,
                 const TqorNodeSample& Sample);
  void AnalyseCurve(TScriptFunction& Function, const TKaloCalculationInput& Input);
  TqorDerivativeFunction Derivatives(TScriptFunction& Function, const TKaloCalculationInput& Input);
  void FillExtremaTable();
  // Loads the task's function into Function; errors as the script host raises them.
  void LoadFunction(TScriptFunction& Function);
  // Raises NoValueMessage when no node of X has a value in Y.
  void ExplainMissingValues(TScriptFunction& Function, const kaloREALVector& X, const kaloREALVector& Y);
  // The script's watcher for this calculation: the cancel flag and the progress report.
  TqorScriptWatcher Watcher();
  void EnterPhase(TKaloPhase Phase, int Total);
  void ReportProgress(int PassDone) const;
  // Raises ECalculationCancelled when the cancel flag is set.
  void CheckCancelled() const;

  TKaloPersistRootFinding& FTask;
  TqorMemoryDataset& FRoots;
  // The roots table's fields, looked up at its first filling: a table keeps its fields.
  struct TRootFields;
  std::unique_ptr<const TRootFields> FRootFields;
  std::string FMethodText;  // the last row's method, and as text of the table
  QString FMethod;
  TBusyStatus FBusyStatus;
  TKaloScriptSettings FScriptSettings;
  kaloREALVector FValueX, FValueY, FRootX, FRootY, FProvedX, FProvedY;
  kaloREALVector FSpareX, FSpareY;  // the values before the last calculation, then the next ones
  std::vector<TqorRootIntervalCommon> FIntervals;
  bool FDerivativesWanted = false;
  TqorMemoryDataset* FExtremaTable = nullptr;
  std::vector<TqorExtremumRow> FExtremaRows;
  kaloREALVector FValueD1, FValueD2;
  bool FDerivativesNumerical = false;
  TKaloCurveSearch FCalculatedSearch;
  std::int64_t FEvaluationCount = 0;
  std::vector<int> FRepeatedRows;
  int FDifferentRootCount = 0;
  int FRootRowCount = 0;
  Extended FLimitingAbsErrorBound = 0;
  Extended FBoundLimitedRoot = 0;  // the root whose accuracy the bound limits
  QString FNoValueMessage;
  QString FProofNote;
  TProgressReport FProgressReport;
  const std::atomic<bool>* FCancel = nullptr;
  // Where the running calculation stands: its phase, the evaluations of the phase done
  // before the running pass, and the phase's total.
  std::chrono::steady_clock::time_point FStarted;
  TKaloPhase FPhase = TKaloPhase::Sampling;
  int FPhaseDone = 0;
  int FPhaseTotal = 0;
};
