#include "KaloBallProof.h"

#include "qorBallArithmetic.h"
#include "qorLuaExpression.h"
#include "qorProvedRoots.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {
const char* const MsgProvedRoot = "bewiesen: genau eine Nullstelle in [%1, %2], Breite der Einschließung %3";
const char* const MsgNearestUndecided = ", die nächste Gleitkommazahl ist nicht entschieden";
const char* const MsgDigits = "; x = %1";
// Digits of an enclosure's width: its size is what matters.
constexpr int WidthDigits = 2;

// The shortest text that reads back as v, with a full stop whatever the locale.
QString Number(double v) { return QString::number(v, 'g', QLocale::FloatingPointShortest); }

TqorRootIntervalCommon ProvedRow(const TqorProvedBlock& Block) {
  TqorRootIntervalCommon row;
  row.xMin = Block.Lo;
  row.xMax = Block.Hi;
  row.RootFinderMethode = RootKindText(TqorRootKind::Proved);
  row.Kind = TqorRootKind::Proved;
  row.RootExists = true;
  row.xRoot = Block.x;
  row.yRoot = Block.y;
  QString message = QString::fromUtf8(MsgProvedRoot)
                        .arg(Number(Block.Lo), Number(Block.Hi), QString::number(Block.Width, 'g', WidthDigits));
  if (!Block.Decided) message += QString::fromUtf8(MsgNearestUndecided);
  if (!Block.Digits.empty()) message += QString::fromUtf8(MsgDigits).arg(QString::fromStdString(Block.Digits));
  row.ResultMessage = message.toStdString();
  return row;
}

TqorRootIntervalCommon UndecidedRow(const TqorProvedBlock& Block) {
  TqorRootIntervalCommon row;
  row.xMin = Block.Lo;
  row.xMax = Block.Hi;
  row.RootFinderMethode = RootKindText(TqorRootKind::Undecided);
  row.Kind = TqorRootKind::Undecided;
  row.ResultMessage = Block.Reason;
  return row;
}

TqorRootIntervalCommon RestRow(Extended xMin, Extended xMax) {
  TqorRootIntervalCommon row;
  row.xMin = xMin;
  row.xMax = xMax;
  row.RootFinderMethode = RootKindText(TqorRootKind::Proved);
  row.Kind = TqorRootKind::Proved;
  row.ResultMessage = MsgProvedRest;
  return row;
}
}  // namespace

TKaloProofOutcome ProveRootsWithBalls(const TKaloProofRequest& Request) {
  TKaloProofOutcome outcome;
  std::shared_ptr<const TqorLuaExpression> expression;
  if (Request.SimpleScript) expression = TqorLuaExpression::Compile(Request.FunctionText.toStdString());
  if (!expression) {
    outcome.Note = QString::fromUtf8(MsgProofNeedsExpression);
    return outcome;
  }
  TqorProvedSettings settings;
  settings.xMin = static_cast<double>(std::min(Request.xMin, Request.xMax));
  settings.xMax = static_cast<double>(std::max(Request.xMin, Request.xMax));
  if (!(settings.xMin < settings.xMax) || !std::isfinite(settings.xMin) || !std::isfinite(settings.xMax))
    return outcome;
  settings.Digits = Request.Digits;
  settings.TimeBudget = Request.Budget;
  settings.Check = Request.Check;
  settings.Progress = Request.Progress;
  const TqorProvedResult result = FindProvedRoots(BallSeriesOf(expression), settings);
  for (const TqorProvedBlock& block : result.Blocks)
    outcome.Rows.push_back(block.Kind == TqorProvedKind::Root ? ProvedRow(block) : UndecidedRow(block));
  outcome.Rows.push_back(RestRow(Request.xMin, Request.xMax));
  outcome.Evaluations = result.Evaluations;
  return outcome;
}

void UseBallProof() { SetProofEngine(&ProveRootsWithBalls); }
