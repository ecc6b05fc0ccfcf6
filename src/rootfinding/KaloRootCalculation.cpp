#include "KaloRootCalculation.h"

#include "ScriptUtil.h"
#include "qorException.h"
#include "qorKaloRootFinding.h"
#include "qorMemoryDataset.h"

#include <memory>

namespace {
constexpr int RootFinderSize = 128;
constexpr int ResultMessageSize = 1024;
constexpr int RootDisplayWidth = 15;

TqorField* AddField(TqorMemoryDataset& Table, const char* Name, TqorFieldType Type,
                    const char* Label, int Size = 0) {
  TqorField* field = Table.AddFieldDef(QString::fromLatin1(Name), Type, Size);
  field->setDisplayLabel(QString::fromUtf8(Label));
  return field;
}

// The nodes come from i*h + xmin so that rounding does not accumulate; the root
// finder forms its nodes the same way, so both see the same x values.
Extended NodeAt(int i, Extended h, Extended xMin) { return i * h + xMin; }

QVariant Real(Extended value) { return static_cast<double>(value); }
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
    auto function = std::make_unique<TScriptFunction>(FScriptSettings.LuaLibFileName);
    function->setEvaluationBudget(FScriptSettings.EvaluationBudget);
    function->setMemoryCap(FScriptSettings.MemoryCap);
    function->LoadScriptFromString(FTask.RootFunction().LuaText());
    function->PrepareFunction(QStringLiteral("fct"));
    SampleAndFindRoots(*function, Input);
  }
  Busy(QString());
  return hasFunction;
}

void TKaloRootCalculation::SampleAndFindRoots(TScriptFunction& Function, const TKaloCalculationInput& Input) {
  kaloREALVector x, y;
  SampleFunction(Function, Input, x, y);
  FValueX.swap(x);
  FValueY.swap(y);
  Busy(QStringLiteral("Nullstellen ermitteln ..."));
  try {
    CalculateRoots(Function, Input);
  } catch (const ECalculationAborted&) {
    // x and y hold the previous values: a stopped calculation leaves all of its results.
    FValueX.swap(x);
    FValueY.swap(y);
    throw;
  }
}

// Samples into x and y, not into the window's vectors: a calculation that fails or is
// stopped on the way leaves the previous values for the plot and the export.
void TKaloRootCalculation::SampleFunction(TScriptFunction& Function, const TKaloCalculationInput& Input,
                                          kaloREALVector& x, kaloREALVector& y) {
  const int n = Input.NodeCount;
  const Extended h = (Input.xMax - Input.xMin) / (n - 1);
  x.assign(n, 0);
  y.assign(n, 0);
  for (int i = 0; i < n; ++i) {
    x[i] = NodeAt(i, h, Input.xMin);
    y[i] = Function.fct(x[i]);
    ++FEvaluationCount;
  }
}

void TKaloRootCalculation::CalculateRoots(TScriptFunction& Function, const TKaloCalculationInput& Input) {
  TqorRootFinder finder;
  finder.setfct([&Function](Extended x) { return Function.fct(x); });
  finder.setxMin(Input.xMin);
  finder.setxMax(Input.xMax);
  finder.setAbsErrorBound(FTask.AbsErrorBound());
  finder.setRelErrorBound(FTask.RelErrorBound());
  finder.setTestCount(Input.NodeCount);
  RunFinder(finder);
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

void TKaloRootCalculation::FillRootTable(const TqorRootIntervalList& Intervals) {
  TqorDisableControlsGuard paused(FRoots);
  FRoots.Close();
  FRoots.Open();
  FRootX.clear();
  FRootY.clear();
  FIntervals.clear();
  for (int i = 0; i < Intervals.Count(); ++i) {
    const TqorRootIntervalCommon& interval = *Intervals.Items(i);
    FRoots.Append();
    FRoots.FieldByName(RootField::ID).setAsInteger(i);
    FRoots.FieldByName(RootField::xIntervalMin).setValue(Real(interval.xMin));
    FRoots.FieldByName(RootField::xIntervalMax).setValue(Real(interval.xMax));
    FRoots.FieldByName(RootField::RootFinder).setAsString(QString::fromStdString(interval.RootFinderMethode));
    FRoots.FieldByName(RootField::RootExists).setAsBoolean(interval.RootExists);
    FRoots.FieldByName(RootField::ResultMessage).setAsString(QString::fromStdString(interval.ResultMessage));
    if (interval.RootExists) {
      FRoots.FieldByName(RootField::xRoot).setValue(Real(interval.xRoot));
      FRoots.FieldByName(RootField::yRoot).setValue(Real(interval.yRoot));
      FRoots.FieldByName(RootField::IterCount).setAsInteger(interval.IterCount);
      FRootX.push_back(interval.xRoot);
      FRootY.push_back(interval.yRoot);
    }
    FRoots.Post();
    FIntervals.push_back(interval);
  }
  FRoots.First();
}
