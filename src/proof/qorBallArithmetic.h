#pragma once
// The compiled expression over Arb balls: each value is the truncated Taylor series of
// a subexpression in x around every point of a ball of x values, so one run of the
// program gives enclosures of f, f', f''/2, ... over the whole ball. Constants are the
// doubles Lua holds, taken exactly: what is proved is a property of the real function
// the expression writes with those constants.
//
// Where an operation is not analytic inside the ball (abs, floor, ceil, %, fmod, min
// and max at their kinks and jumps), the value keeps its enclosure and every derivative
// becomes an indeterminate ball, so that no proof rests on a derivative that is not
// there; where an operation is undefined (log of a ball reaching 0, a division by a
// ball holding 0) Arb itself gives indeterminate balls.

#include "qorArb.h"
#include "qorLuaEvaluator.h"
#include "qorProvedRoots.h"

#include <memory>

class TqorLuaExpression;

// One value of the arithmetic: a power series with ball coefficients.
class TqorBallPoly {
public:
  TqorBallPoly() { arb_poly_init(FPoly); }
  ~TqorBallPoly() { arb_poly_clear(FPoly); }
  TqorBallPoly(const TqorBallPoly&) = delete;
  TqorBallPoly& operator=(const TqorBallPoly&) = delete;
  arb_poly_struct* get() { return FPoly; }
  const arb_poly_struct* get() const { return FPoly; }

private:
  arb_poly_t FPoly;
};

// The arithmetic of the expression's table (see qorLuaEvaluator.h) over balls.
struct TqorBallArithmetic {
  using TValue = TqorBallPoly;
  arb_srcptr x = nullptr;  // the ball of arguments
  slong Order = 1;         // Taylor coefficients kept
  slong Prec = 64;         // bits

  void Constant(TValue& r, double c) const;
  void Variable(TValue& r) const;
  // One specialisation per operation, in qorBallArithmetic.cpp.
  template <TqorOp Op>
  void Apply(TValue& r, const TValue& a) const;
  template <TqorOp Op>
  void Apply(TValue& r, const TValue& a, const TValue& b) const;
};

// Expression as f over balls for the proved search; the function (and its copies) may
// be called from one thread at a time.
TqorBallSeries BallSeriesOf(std::shared_ptr<const TqorLuaExpression> Expression);
