#pragma once
// The steps the proved search is made of: f evaluated over blocks and at points with
// every call counted, and the refinement of an isolated root.

#include "qorArb.h"
#include "qorProvedRoots.h"

#include <cstdint>
#include <string>

// f's sign at a point, as far as its ball decides it.
enum class TSign { Negative, Positive, Zero, Unknown };

// f with its calls counted into Count.
class TqorCountedSeries {
public:
  TqorCountedSeries(const TqorBallSeries& f, std::int64_t& Count) : FFunction(f), FCount(Count) {}

  void Series(arb_ptr Out, arb_srcptr X, slong Order, slong Prec) const;
  // Order coefficients of f over the block [a, b].
  void Over(arb_ptr Out, double a, double b, slong Order) const;
  // f's sign at x: Zero only for an exact 0 (a proof), Unknown when the ball holds 0
  // even with MaxPrec bits.
  TSign SignAt(arf_srcptr x, slong MaxPrec) const;
  TSign SignAt(double x, slong MaxPrec) const;
  // f at x as the middle of its ball.
  double ValueAt(double x) const;

  // For Arb's own algorithms: param is this object.
  static int Call(arb_ptr Out, const arb_t X, void* Param, slong Order, slong Prec);

private:
  const TqorBallSeries& FFunction;
  std::int64_t& FCount;
};

// Refines the single root of f in [a, b], where f changes sign and sa is its sign at a:
// x, Decided, Width, y and, with Digits > 0, the digits of the row.
TqorProvedBlock RefineRoot(const TqorCountedSeries& f, double a, double b, TSign sa, int Digits);

// The exact number x as the digits of a refined root.
std::string ExactText(double x, int Digits);
std::string ExactText(arf_srcptr x, int Digits);
