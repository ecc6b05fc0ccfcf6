#include "KaloRootCalculation.h"

#include "KaloFunctionMessages.h"
#include "KaloProvedRoots.h"

#include "ScriptUtil.h"
#include "qorException.h"
#include "qorKaloNumDiff.h"
#include "qorKaloRootFinding.h"
#include "qorKaloZeroin.h"
#include "qorMemoryDataset.h"

#include <QLocale>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <memory>
#include <tuple>

namespace {
constexpr int RootFinderSize = 128;
constexpr int ResultMessageSize = 1024;
constexpr int RootDisplayWidth = 15;

TqorField* AddField(TqorMemoryDataset& Table, const char* Name, TqorFieldType Type, const char* Label, int Size = 0) {
  TqorField* field = Table.AddFieldDef(QString::fromLatin1(Name), Type, Size);
  field->setDisplayLabel(QString::fromUtf8(Label));
  return field;
}
}  // namespace

void DefineRootTable(TqorMemoryDataset& Table) {
  TqorField* id = AddField(Table, RootField::ID, ftInteger, "");
  id->setVisible(false);
  id->setDisplayWidth(2);
  TqorField* exists = AddField(Table, RootField::RootExists, ftBoolean, "N?");
  exists->setAlignment(Qt::AlignCenter);
  exists->setDisplayValues(QStringLiteral("X;"));
  TqorField* xRoot = AddField(Table, RootField::xRoot, ftFloat, "x-Nullstelle");
  xRoot->setDisplayWidth(RootDisplayWidth);
  xRoot->setDisplayFormat(QStringLiteral("0.0000000"));
  TqorField* yRoot = AddField(Table, RootField::yRoot, ftFloat, "y-Nullstelle");
  yRoot->setDisplayWidth(RootDisplayWidth);
  yRoot->setDisplayFormat(QStringLiteral("0.0000000e+000"));
  AddField(Table, RootField::IterCount, ftInteger, "Iter.")->setDisplayWidth(5);
  AddField(Table, RootField::xIntervalMin, ftFloat, "x-Min")->setDisplayFormat(QStringLiteral("0.000"));
  AddField(Table, RootField::xIntervalMax, ftFloat, "x-Max")->setDisplayFormat(QStringLiteral("0.000"));
  AddField(Table, RootField::RootFinder, ftString, "Methode", RootFinderSize)->setDisplayWidth(25);
  AddField(Table, RootField::ResultMessage, ftString, "Bemerkung", ResultMessageSize)
      ->setDisplayWidth(ResultMessageSize);
}

void DefineExtremaTable(TqorMemoryDataset& Table) {
  TqorField* id = AddField(Table, ExtremumField::ID, ftInteger, "");
  id->setVisible(false);
  AddField(Table, ExtremumField::Kind, ftString, "Art", RootFinderSize)->setDisplayWidth(16);
  for (const auto& [name, label, format] :
       {std::tuple{ExtremumField::x, "x", "0.0000000"}, std::tuple{ExtremumField::y, "f(x)", "0.0000000e+000"},
        std::tuple{ExtremumField::dy, "f'(x)", "0.0000000e+000"},
        std::tuple{ExtremumField::ddy, "f''(x)", "0.0000000e+000"}}) {
    TqorField* field = AddField(Table, name, ftFloat, label);
    field->setDisplayWidth(RootDisplayWidth);
    field->setDisplayFormat(QString::fromLatin1(format));
  }
  AddField(Table, ExtremumField::Method, ftString, "Methode", RootFinderSize)->setDisplayWidth(14);
  AddField(Table, ExtremumField::IterCount, ftInteger, "Iter.")->setDisplayWidth(5);
  AddField(Table, ExtremumField::Remark, ftString, "Bemerkung", ResultMessageSize)->setDisplayWidth(ResultMessageSize);
}

TKaloRootCalculation::TKaloRootCalculation(TKaloPersistRootFinding& Task, TqorMemoryDataset& Roots,
                                           TBusyStatus BusyStatus)
    : FTask(Task), FRoots(Roots), FBusyStatus(std::move(BusyStatus)) {}

TKaloRootCalculation::~TKaloRootCalculation() = default;

QString ProgressText(TKaloPhase Phase, int Done, int Total) {
  if (Phase == TKaloPhase::Intervals) return QStringLiteral("Nullstellen suchen ... %1 von %2").arg(Done).arg(Total);
  const int percent = Total > 0 ? static_cast<int>(std::int64_t{std::clamp(Done, 0, Total)} * 100 / Total) : 0;
  const char* step = Phase == TKaloPhase::Sampling ? "Funktion berechnen"
                     : Phase == TKaloPhase::Scan   ? "Nullstellen ermitteln"
                                                   : "Nullstellen beweisen";
  return QStringLiteral("%1 ... %2 %").arg(QString::fromLatin1(step)).arg(percent);
}

std::optional<std::chrono::milliseconds> EvaluationBudgetFromText(const QString& Seconds) {
  constexpr double Shortest = 0.001, Longest = 86400;
  bool ok = false;
  QString text = Seconds.trimmed();
  const double seconds = QLocale::c().toDouble(text.replace(QLatin1Char(','), QLatin1Char('.')), &ok);
  if (!ok || !(seconds >= Shortest && seconds <= Longest)) return std::nullopt;
  return std::chrono::milliseconds(std::llround(seconds * 1000));
}

void TKaloRootCalculation::Busy(const QString& Text) const {
  if (FBusyStatus) FBusyStatus(Text);
}

void TKaloRootCalculation::Execute(const TKaloCalculationInput& Input, const TRebuildPlot& RebuildPlot) {
  TKaloPersistFunction& function = FTask.RootFunction();
  if (function.SimpleScript()) function.setFunctionScript(Input.FunctionText);
  try {
    if (CalculateFunction(Input) && RebuildPlot) RebuildPlot();
  } catch (...) {
    Busy(QString());
    throw;
  }
  Busy(QString());
}

bool TKaloRootCalculation::CalculateFunction(const TKaloCalculationInput& Input) {
  const bool hasFunction = !FTask.RootFunction().FunctionScript().isEmpty();
  Busy(QStringLiteral("Funktion berechnen ..."));
  if (hasFunction) {
    FEvaluationCount = 0;
    FStarted = std::chrono::steady_clock::now();
    EnterPhase(TKaloPhase::Sampling, Input.NodeCount);
    auto function = std::make_unique<TScriptFunction>(FScriptSettings.LuaLibFileName);
    function->setWatcher(Watcher());
    function->setEvaluationBudget(FScriptSettings.EvaluationBudget);
    function->setMemoryCap(FScriptSettings.MemoryCap);
    LoadFunction(*function);
    FNoValueMessage.clear();
    SampleAndFindRoots(*function, Input);
  }
  Busy(QString());
  return hasFunction;
}

// A function that does not compile gets a plain sentence in front of the interpreter's
// words where there is one for its error.
void TKaloRootCalculation::LoadFunction(TScriptFunction& Function) {
  const TKaloPersistFunction& f = FTask.RootFunction();
  try {
    if (f.SimpleScript()) {
      Function.LoadExpression(f.FunctionScript());
    } else {
      Function.LoadScriptFromString(f.LuaText());
      Function.PrepareFunction(QStringLiteral("fct"));
    }
  } catch (const ECalculationAborted&) {
    throw;
  } catch (const Exception& e) {
    throw Exception(WithPlainSentence(f.FunctionScript(), QString::fromStdString(e.Message())).toStdString());
  }
}

// The new values are sampled into the spare vectors, not into the window's: a calculation
// that fails or is stopped on the way leaves the previous values for the plot and the
// export. The spares keep their memory from one calculation to the next.
void TKaloRootCalculation::SampleAndFindRoots(TScriptFunction& Function, const TKaloCalculationInput& Input) {
  CheckCancelled();
  // A swap keeps the vectors' memory: the sample sees the values under their new name.
  const TqorNodeSample sample = SampleFunction(Function, Input, FSpareX, FSpareY);
  CheckCancelled();
  ExplainMissingValues(Function, FSpareX, FSpareY);
  FValueX.swap(FSpareX);
  FValueY.swap(FSpareY);
  Busy(QStringLiteral("Nullstellen ermitteln ..."));
  try {
    CalculateRoots(Function, Input, sample);
  } catch (const ECalculationAborted&) {
    // The spares hold the previous values: a stopped calculation leaves all of its results.
    FValueX.swap(FSpareX);
    FValueY.swap(FSpareY);
    throw;
  }
}

// Every element of x and y is written (y as far as the evaluations get).
TqorNodeSample TKaloRootCalculation::SampleFunction(TScriptFunction& Function, const TKaloCalculationInput& Input,
                                                    kaloREALVector& x, kaloREALVector& y) {
  const int n = Input.NodeCount;
  const TqorNodeSample sample = TqorNodeSample::PlaceNodes(Input.xMin, Input.xMax, n, x, y);
  Function.fctPass(x.data(), y.data(), n, FEvaluationCount);
  return sample;
}

// The scan's passes add up to its progress, which counts the nodes after the first.
// The roots and the curve's other points are searched before either table is filled: a
// calculation stopped on the way leaves both as they were.
void TKaloRootCalculation::CalculateRoots(TScriptFunction& Function, const TKaloCalculationInput& Input,
                                          const TqorNodeSample& Sample) {
  const TKaloCurveSearch search = FTask.CurveSearch();
  TqorRootFinder finder;
  if (search.Roots) FindRoots(finder, Function, Input, Sample);
  const std::vector<TqorRootIntervalCommon> proved = ProvedRows(Input);
  AnalyseCurve(Function, Input);
  CheckCancelled();
  FillRootTable(finder.Intervals(), proved);
  FillExtremaTable();
  FCalculatedSearch = search;
}

void TKaloRootCalculation::FindRoots(TqorRootFinder& finder, TScriptFunction& Function,
                                     const TKaloCalculationInput& Input, const TqorNodeSample& Sample) {
  EnterPhase(TKaloPhase::Scan, Input.NodeCount - 1);  // the first node is evaluated alone
  TqorFunctionEvaluation how;
  how.Faults = TFctFaults::LeavesNonePending;  // every evaluation is guarded
  // An expression computed in place is a pure function of x: the scan takes the value
  // table's values at its nodes, and the intervals take the scan's at their ends.
  if (Function.EvaluatesInPlace()) {
    how.Pure = true;
    how.Sample = Sample;
  }
  how.Pass = [this, &Function](const Extended* x, Extended* y, int n, std::int64_t& calls) {
    Function.fctPass(x, y, n, calls);
    FPhaseDone += n;
  };
  finder.setfct([&Function](const Extended& x) { return Function.fct(x); }, std::move(how));
  finder.setIntervalProgress([this](int Index, int Count) {
    if (FPhase != TKaloPhase::Intervals) EnterPhase(TKaloPhase::Intervals, Count);
    FPhaseDone = Index + 1;
  });
  finder.setxMin(Input.xMin);
  finder.setxMax(Input.xMax);
  finder.setAbsErrorBound(FTask.AbsErrorBound());
  finder.setRelErrorBound(FTask.RelErrorBound());
  finder.setTestCount(Input.NodeCount);
  finder.setTouchingRoots(FTask.TouchingRoots());
  RunFinder(finder);
  CheckCancelled();
}

// The proof's time budget is the one evaluation of f may take: to the user it is one
// more look at f. Its evaluations count with the others.
std::vector<TqorRootIntervalCommon> TKaloRootCalculation::ProvedRows(const TKaloCalculationInput& Input) {
  FProofNote.clear();
  if (!FTask.ProveRoots()) return {};
  EnterPhase(TKaloPhase::Proof, 100);
  TKaloProofRequest request;
  request.FunctionText = FTask.RootFunction().FunctionScript();
  request.SimpleScript = FTask.RootFunction().SimpleScript();
  request.xMin = Input.xMin;
  request.xMax = Input.xMax;
  request.Digits = FTask.ProofDigits();
  request.Budget = FScriptSettings.EvaluationBudget;
  request.Check = [this] { CheckCancelled(); };
  // Reported as seldom as the script's watcher reports the other phases.
  auto lastReport = std::chrono::steady_clock::now();
  request.Progress = [this, &lastReport](int Percent) {
    FPhaseDone = Percent;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastReport < WatcherInterval) return;
    lastReport = now;
    ReportProgress(0);
  };
  TKaloProofOutcome outcome = ProveRoots(request);
  FEvaluationCount += outcome.Evaluations;
  FProofNote = outcome.Note;
  return std::move(outcome.Rows);
}

// Nothing is evaluated when neither the search nor the derivatives are asked for.
void TKaloRootCalculation::AnalyseCurve(TScriptFunction& Function, const TKaloCalculationInput& Input) {
  const TKaloCurveSearch search = FTask.CurveSearch();
  TqorExtremumFinder finder;
  if (search.Extrema || search.Inflection || search.Derivatives || FDerivativesWanted) {
    finder.setDerivatives(Derivatives(Function, Input));
    if (!FDerivativesNumerical)
      finder.setDerivativesPass([this, &Function](const Extended* X, TqorJet<Extended>* J, int N) {
        FEvaluationCount += N;
        for (int i = 0; i < N; ++i) J[i] = Function.ExactDerivatives(X[i]);
      });
    finder.setNumerical(FDerivativesNumerical);
    finder.setxMin(Input.xMin);
    finder.setxMax(Input.xMax);
    finder.setTestCount(Input.NodeCount);
    finder.setAbsErrorBound(FTask.AbsErrorBound());
    finder.setRelErrorBound(FTask.RelErrorBound());
    finder.setExtrema(search.Extrema);
    finder.setInflection(search.Inflection);
    finder.Execute();
  }
  CheckCancelled();
  FExtremaRows = finder.Rows();
  FValueD1.resize(finder.NodeValues().size());
  FValueD2.resize(finder.NodeValues().size());
  for (std::size_t i = 0; i < finder.NodeValues().size(); ++i) {
    FValueD1[i] = finder.NodeValues()[i].d1;
    FValueD2[i] = finder.NodeValues()[i].d2;
  }
}

// Every call of f counts as an evaluation, those for the differences included.
TqorDerivativeFunction TKaloRootCalculation::Derivatives(TScriptFunction& Function,
                                                         const TKaloCalculationInput& Input) {
  FDerivativesNumerical = !Function.EvaluatesInPlace();
  if (!FDerivativesNumerical)
    return [this, &Function](const Extended& x) {
      ++FEvaluationCount;
      return Function.ExactDerivatives(x);
    };
  const Extended spacing = NodeSpacing(Input.xMin, Input.xMax, Input.NodeCount);
  return [this, &Function, spacing](const Extended& x) {
    const auto f = [&Function](const Extended& t) { return Function.fct(t); };
    ++FEvaluationCount;
    return NumericalDerivatives(f, x, Function.fct(x), NumericalStep(spacing, x), FEvaluationCount);
  };
}

// A failed scan leaves the roots table empty; a stopped calculation leaves it as it was.
void TKaloRootCalculation::RunFinder(TqorRootFinder& Finder) {
  try {
    Finder.Execute();
  } catch (const ECalculationAborted&) {
    FEvaluationCount += Finder.EvaluationCount();
    throw;
  } catch (...) {
    FEvaluationCount += Finder.EvaluationCount();
    FRoots.Close();
    FRoots.Open();
    throw;
  }
  FEvaluationCount += Finder.EvaluationCount();
}

namespace {
// The bounds the solvers work with.
std::pair<Extended, Extended> WorkingBounds(const TKaloPersistRootFinding& Task) {
  Extended abs = Task.AbsErrorBound(), rel = Task.RelErrorBound();
  ApplyToleranceFloor(abs, rel);
  return {abs, rel};
}

// How far a row's root may lie from the true one: Zeroin's and the secant method's
// tolerance, but no less than the spacing of the doubles f computes with (f is zero at
// several neighbouring doubles of a multiple root), or the minimiser's, which f's
// rounding near a minimum makes much wider.
Extended RootTolerance(const TqorRootIntervalCommon& Row, Extended Abs, Extended Rel) {
  const Extended sqrtDoubleEpsilon = 1.4901161193847656E-8L;
  if (Row.RootFinderMethode == MethodMinimum) return sqrtDoubleEpsilon * std::fabs(Row.xRoot) + Abs;
  return std::max<Extended>(Rel, DBL_EPSILON) * std::fabs(Row.xRoot) + Abs;
}

QString ShortNumber(Extended Value) { return QString::number(static_cast<double>(Value), 'G', 3); }

// The rows of the search itself: the proved rows confirm its roots and are not counted.
bool CountsAsRoot(const TqorRootIntervalCommon& Row) { return Row.RootExists && Row.Kind != TqorRootKind::Proved; }
}  // namespace

// Rows are grouped in the order of their roots: a row joins the group of the root
// before it when its root lies within both tolerances of the group's first root. A
// group is the root of its first row in scan order.
void TKaloRootCalculation::NoteRepeatedRoots() {
  const auto [abs, rel] = WorkingBounds(FTask);
  FRepeatedRows.assign(FIntervals.size(), -1);
  std::vector<int> rows;
  for (int i = 0; i < static_cast<int>(FIntervals.size()); ++i)
    if (CountsAsRoot(FIntervals[i])) rows.push_back(i);
  FRootRowCount = static_cast<int>(rows.size());
  std::stable_sort(rows.begin(), rows.end(),
                   [this](int a, int b) { return FIntervals[a].xRoot < FIntervals[b].xRoot; });
  FDifferentRootCount = 0;
  for (std::size_t first = 0; first < rows.size();) {
    const TqorRootIntervalCommon& anchor = FIntervals[rows[first]];
    const Extended anchorTolerance = RootTolerance(anchor, abs, rel);
    std::size_t end = first + 1;
    while (end < rows.size()) {
      const TqorRootIntervalCommon& row = FIntervals[rows[end]];
      if (!(std::fabs(row.xRoot - anchor.xRoot) <= anchorTolerance + RootTolerance(row, abs, rel))) break;
      ++end;
    }
    const int firstRow = *std::min_element(rows.begin() + first, rows.begin() + end);
    for (std::size_t k = first; k < end; ++k)
      if (rows[k] != firstRow) FRepeatedRows[rows[k]] = firstRow;
    ++FDifferentRootCount;
    first = end;
  }
  // The plot marks each root once.
  FRootX.clear();
  FRootY.clear();
  for (int i = 0; i < static_cast<int>(FIntervals.size()); ++i)
    if (CountsAsRoot(FIntervals[i]) && FRepeatedRows[i] < 0) {
      FRootX.push_back(FIntervals[i].xRoot);
      FRootY.push_back(FIntervals[i].yRoot);
    }
}

QString TKaloRootCalculation::RootCountNote() const {
  if (FDifferentRootCount == FRootRowCount) return QString();
  return QStringLiteral("%1 %2 in %3 Zeilen")
      .arg(FDifferentRootCount)
      .arg(FDifferentRootCount == 1 ? QStringLiteral("Nullstelle") : QStringLiteral("Nullstellen"))
      .arg(FRootRowCount);
}

// f computes in double: it cannot place a root more closely than the spacing of doubles
// there. A root f hit exactly (f = 0) was limited by nothing.
void TKaloRootCalculation::NoteLimitingBound() {
  const Extended abs = WorkingBounds(FTask).first;
  FLimitingAbsErrorBound = 0;
  FBoundLimitedRoot = 0;
  for (const TqorRootIntervalCommon& row : FIntervals) {
    if (!CountsAsRoot(row) || row.yRoot == 0 || !(abs > std::fabs(row.xRoot) * DBL_EPSILON)) continue;
    FLimitingAbsErrorBound = abs;
    FBoundLimitedRoot = row.xRoot;
    return;
  }
}

QString TKaloRootCalculation::ErrorBoundNote() const {
  if (FLimitingAbsErrorBound == 0) return QString();
  return QStringLiteral(
             "Die absolute Fehlerschranke %1 ist größer als die Genauigkeit, mit der f die Nullstelle "
             "bei x = %2 bestimmt.")
      .arg(ShortNumber(FLimitingAbsErrorBound), ShortNumber(FBoundLimitedRoot));
}

int TKaloRootCalculation::NodesWithoutValue() const {
  return static_cast<int>(std::count_if(FValueY.begin(), FValueY.end(), [](Extended y) { return !IsFiniteReal(y); }));
}

QString TKaloRootCalculation::NoValueNote() const {
  const int missing = NodesWithoutValue();
  if (missing == 0) return QString();
  return QStringLiteral("An %1 von %2 Stützstellen hat die Funktion keinen Wert.").arg(missing).arg(FValueY.size());
}

// A failed evaluation counts as no value, so a typo leaves every node without one and
// nothing else to see: the first node is evaluated once more, keeping its error, which
// the calculation raises before it replaces the results shown.
void TKaloRootCalculation::ExplainMissingValues(TScriptFunction& Function, const kaloREALVector& X,
                                                const kaloREALVector& Y) {
  const auto hasValue = [](Extended y) { return IsFiniteReal(y); };
  if (Y.empty() || std::any_of(Y.begin(), Y.end(), hasValue)) return;
  const Extended x = X.front();
  const QString where = QStringLiteral("Die Funktion hat an keiner Stützstelle einen Wert. ");
  const QString at = QString::number(static_cast<double>(x), 'g', 8);
  ++FEvaluationCount;
  try {
    const Extended y = Function.fctRaising(x);
    FNoValueMessage = where +
                      QStringLiteral("Bei x = %1 ist f(x) = %2.").arg(at, QString::number(static_cast<double>(y)));
  } catch (const ECalculationAborted&) {
    throw;
  } catch (const Exception& e) {
    FNoValueMessage = where +
                      QStringLiteral("Erster Fehler bei x = %1: %2").arg(at, QString::fromStdString(e.Message()));
  }
  FNoValueMessage = WithPlainSentence(FTask.RootFunction().FunctionScript(), FNoValueMessage);
  throw Exception(FNoValueMessage.toStdString());
}

TqorScriptWatcher TKaloRootCalculation::Watcher() {
  TqorScriptWatcher watcher;
  watcher.Cancel = FCancel;
  if (FProgressReport) watcher.Tick = [this](int PassDone) { ReportProgress(PassDone); };
  return watcher;
}

void TKaloRootCalculation::EnterPhase(TKaloPhase Phase, int Total) {
  FPhase = Phase;
  FPhaseDone = 0;
  FPhaseTotal = Total;
}

// Within a phase of passes the running pass's calls add to those before it; the
// intervals count by themselves.
void TKaloRootCalculation::ReportProgress(int PassDone) const {
  if (!FProgressReport) return;
  const int done = FPhase == TKaloPhase::Intervals ? FPhaseDone : FPhaseDone + PassDone;
  FProgressReport({ProgressText(FPhase, done, FPhaseTotal), std::chrono::steady_clock::now() - FStarted});
}

void TKaloRootCalculation::CheckCancelled() const {
  if (FCancel && FCancel->load(std::memory_order_relaxed)) throw ECalculationCancelled(MsgCalculationCancelled);
}

// A value without a finite double (a derivative with no value) stays an empty field.
void TKaloRootCalculation::FillExtremaTable() {
  if (!FExtremaTable) return;
  TqorMemoryDataset& table = *FExtremaTable;
  TqorDisableControlsGuard paused(table);
  table.Close();
  table.Open();
  const auto real = [&table](const char* Name, Extended Value) {
    if (IsFiniteReal(Value)) table.FieldByName(Name).setAsFloat(static_cast<double>(Value));
  };
  for (std::size_t i = 0; i < FExtremaRows.size(); ++i) {
    const TqorExtremumRow& row = FExtremaRows[i];
    table.Append();
    table.FieldByName(ExtremumField::ID).setAsInteger(static_cast<int>(i));
    table.FieldByName(ExtremumField::Kind).setAsString(QString::fromUtf8(ExtremumKindText(row.Kind)));
    real(ExtremumField::x, row.x);
    real(ExtremumField::y, row.y);
    real(ExtremumField::dy, row.d1);
    real(ExtremumField::ddy, row.d2);
    table.FieldByName(ExtremumField::Method).setAsString(QString::fromStdString(row.Method));
    if (row.IterCount > 0) table.FieldByName(ExtremumField::IterCount).setAsInteger(row.IterCount);
    table.FieldByName(ExtremumField::Remark).setAsString(QString::fromStdString(row.Remark));
    table.Post();
  }
  table.First();
}

struct TKaloRootCalculation::TRootFields {
  explicit TRootFields(TqorMemoryDataset& Roots)
      : ID(Roots.FieldByName(RootField::ID)),
        xIntervalMin(Roots.FieldByName(RootField::xIntervalMin)),
        xIntervalMax(Roots.FieldByName(RootField::xIntervalMax)),
        RootFinder(Roots.FieldByName(RootField::RootFinder)),
        RootExists(Roots.FieldByName(RootField::RootExists)),
        ResultMessage(Roots.FieldByName(RootField::ResultMessage)),
        xRoot(Roots.FieldByName(RootField::xRoot)),
        yRoot(Roots.FieldByName(RootField::yRoot)),
        IterCount(Roots.FieldByName(RootField::IterCount)) {}
  TqorField &ID, &xIntervalMin, &xIntervalMax, &RootFinder, &RootExists, &ResultMessage, &xRoot, &yRoot, &IterCount;
};

void TKaloRootCalculation::FillRootTable(const TqorRootIntervalList& Intervals,
                                         const std::vector<TqorRootIntervalCommon>& Proved) {
  TqorDisableControlsGuard paused(FRoots);
  FRoots.Close();
  FRoots.Open();
  FProvedX.clear();
  FProvedY.clear();
  FIntervals.clear();
  if (!FRootFields) FRootFields = std::make_unique<const TRootFields>(FRoots);
  for (int i = 0; i < Intervals.Count(); ++i) AppendRow(i, *Intervals.Items(i));
  for (const TqorRootIntervalCommon& row : Proved) AppendRow(static_cast<int>(FIntervals.size()), row);
  NoteRepeatedRoots();
  NoteLimitingBound();
  FRoots.First();
}

// Rows share the few names of methods: each is converted once.
void TKaloRootCalculation::AppendRow(int ID, const TqorRootIntervalCommon& Interval) {
  const TRootFields& fields = *FRootFields;
  FRoots.Append();
  fields.ID.setAsInteger(ID);
  fields.xIntervalMin.setAsFloat(static_cast<double>(Interval.xMin));
  fields.xIntervalMax.setAsFloat(static_cast<double>(Interval.xMax));
  if (ID == 0 || Interval.RootFinderMethode != FMethodText) {
    FMethodText = Interval.RootFinderMethode;
    FMethod = QString::fromStdString(FMethodText);
  }
  fields.RootFinder.setAsString(FMethod);
  fields.RootExists.setAsBoolean(Interval.RootExists);
  fields.ResultMessage.setAsString(QString::fromStdString(Interval.ResultMessage));
  if (Interval.RootExists) {
    fields.xRoot.setAsFloat(static_cast<double>(Interval.xRoot));
    fields.yRoot.setAsFloat(static_cast<double>(Interval.yRoot));
    fields.IterCount.setAsInteger(Interval.IterCount);
    // The search's roots are collected once their repeats are known (NoteRepeatedRoots).
    if (Interval.Kind == TqorRootKind::Proved) {
      FProvedX.push_back(Interval.xRoot);
      FProvedY.push_back(Interval.yRoot);
    }
  }
  FRoots.Post();
  FIntervals.push_back(Interval);
}
