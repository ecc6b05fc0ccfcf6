#include "KaloRootCalculation.h"

#include "KaloFunctionMessages.h"

#include "ScriptUtil.h"
#include "qorException.h"
#include "qorKaloRootFinding.h"
#include "qorMemoryDataset.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>

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

TKaloRootCalculation::TKaloRootCalculation(TKaloPersistRootFinding& Task, TqorMemoryDataset& Roots,
                                           TBusyStatus BusyStatus)
    : FTask(Task), FRoots(Roots), FBusyStatus(std::move(BusyStatus)) {}

TKaloRootCalculation::~TKaloRootCalculation() = default;

QString ProgressText(TKaloPhase Phase, int Done, int Total) {
  if (Phase == TKaloPhase::Intervals) return QStringLiteral("Nullstellen suchen ... %1 von %2").arg(Done).arg(Total);
  const int percent = Total > 0 ? static_cast<int>(std::int64_t{std::clamp(Done, 0, Total)} * 100 / Total) : 0;
  const char* step = Phase == TKaloPhase::Sampling ? "Funktion berechnen" : "Nullstellen ermitteln";
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
  SampleFunction(Function, Input, FSpareX, FSpareY);
  CheckCancelled();
  ExplainMissingValues(Function, FSpareX, FSpareY);
  FValueX.swap(FSpareX);
  FValueY.swap(FSpareY);
  Busy(QStringLiteral("Nullstellen ermitteln ..."));
  try {
    CalculateRoots(Function, Input);
  } catch (const ECalculationAborted&) {
    // The spares hold the previous values: a stopped calculation leaves all of its results.
    FValueX.swap(FSpareX);
    FValueY.swap(FSpareY);
    throw;
  }
}

// Every element of x and y is written (y as far as the evaluations get).
void TKaloRootCalculation::SampleFunction(TScriptFunction& Function, const TKaloCalculationInput& Input,
                                          kaloREALVector& x, kaloREALVector& y) {
  const int n = Input.NodeCount;
  const Extended xMin = Input.xMin;  // a copy: x's stores could change Input for all the compiler knows
  const Extended h = NodeSpacing(xMin, Input.xMax, n);
  x.resize(n);
  y.resize(n);
  for (int i = 0; i < n; ++i) x[i] = NodeAt(i, h, xMin);
  Function.fctPass(x.data(), y.data(), n, FEvaluationCount);
}

// The scan's passes add up to its progress, which counts the nodes after the first.
void TKaloRootCalculation::CalculateRoots(TScriptFunction& Function, const TKaloCalculationInput& Input) {
  TqorRootFinder finder;
  EnterPhase(TKaloPhase::Scan, Input.NodeCount - 1);  // the first node is evaluated alone
  finder.setfct([&Function](const Extended& x) { return Function.fct(x); });
  finder.setfctKeepsFaultFlags(true);  // every evaluation is guarded
  // An expression computed in place is a pure function of x: the scan takes the value
  // table's values at its nodes, and the intervals take the scan's at their ends.
  if (Function.EvaluatesInPlace()) {
    finder.setfctPure(true);
    finder.setSample(FValueX.data(), FValueY.data());
  }
  finder.setfctPass([this, &Function](const Extended* x, Extended* y, int n, std::int64_t& calls) {
    Function.fctPass(x, y, n, calls);
    FPhaseDone += n;
  });
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
  FillRootTable(finder.Intervals());
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

void TKaloRootCalculation::FillRootTable(const TqorRootIntervalList& Intervals) {
  TqorDisableControlsGuard paused(FRoots);
  FRoots.Close();
  FRoots.Open();
  FRootX.clear();
  FRootY.clear();
  FIntervals.clear();
  if (!FRootFields) FRootFields = std::make_unique<const TRootFields>(FRoots);
  const TRootFields& fields = *FRootFields;
  // Rows share the few names of methods: each is converted once.
  std::string methodText;
  QString method;
  for (int i = 0; i < Intervals.Count(); ++i) {
    const TqorRootIntervalCommon& interval = *Intervals.Items(i);
    FRoots.Append();
    fields.ID.setAsInteger(i);
    fields.xIntervalMin.setAsFloat(static_cast<double>(interval.xMin));
    fields.xIntervalMax.setAsFloat(static_cast<double>(interval.xMax));
    if (i == 0 || interval.RootFinderMethode != methodText) {
      methodText = interval.RootFinderMethode;
      method = QString::fromStdString(methodText);
    }
    fields.RootFinder.setAsString(method);
    fields.RootExists.setAsBoolean(interval.RootExists);
    fields.ResultMessage.setAsString(QString::fromStdString(interval.ResultMessage));
    if (interval.RootExists) {
      fields.xRoot.setAsFloat(static_cast<double>(interval.xRoot));
      fields.yRoot.setAsFloat(static_cast<double>(interval.yRoot));
      fields.IterCount.setAsInteger(interval.IterCount);
      FRootX.push_back(interval.xRoot);
      FRootY.push_back(interval.yRoot);
    }
    FRoots.Post();
    FIntervals.push_back(interval);
  }
  FRoots.First();
}
