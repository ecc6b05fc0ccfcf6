#include "qorBallArithmetic.h"

#include "qorLuaExpression.h"

#include <array>
#include <cmath>
#include <utility>

namespace {

using TValue = TqorBallPoly;

// Integer exponents up to this size go through repeated squaring, which stays defined
// for bases that reach 0 or below (x^2 over a ball around 0).
constexpr double MaxIntegerExponent = 1 << 30;

// Sets r from a series computed into a temporary, so that r may be an operand.
template <class TCompute>
void Into(TValue& r, TCompute Compute) {
  TqorBallPoly t;
  Compute(t.get());
  arb_poly_swap(r.get(), t.get());
}

void ConstantCoefficient(arb_t c, const TValue& a) { arb_poly_get_coeff_arb(c, a.get(), 0); }

// r := the series with the value Value and no derivative known: for an operation with a
// kink or a jump inside the ball, where only the value's enclosure holds.
void ValueOnly(TValue& r, const arb_t Value, slong Order) {
  arb_poly_zero(r.get());
  arb_poly_set_coeff_arb(r.get(), 0, Value);
  TqorArb unknown;
  arb_indeterminate(unknown.get());
  for (slong i = 1; i < Order; ++i) arb_poly_set_coeff_arb(r.get(), i, unknown.get());
}

// r := Step(a) for a step function (floor, ceil): constant with derivative 0 where the
// step is the same over the whole ball, else the value's enclosure alone.
void StepOf(TValue& r, const TValue& a, slong Order, slong Prec, void (*Step)(arb_t, const arb_t, slong)) {
  TqorArb a0, v;
  ConstantCoefficient(a0.get(), a);
  Step(v.get(), a0.get(), Prec);
  if (arb_is_exact(v.get()) && arb_is_finite(v.get())) {
    arb_poly_zero(r.get());
    arb_poly_set_coeff_arb(r.get(), 0, v.get());
  } else {
    ValueOnly(r, v.get(), Order);
  }
}

// C's trunc: floor above 0, ceil below; a ball around 0 gets the enclosure of both.
void TruncOf(TValue& r, const TValue& a, slong Order, slong Prec) {
  TqorArb a0;
  ConstantCoefficient(a0.get(), a);
  if (arb_is_nonnegative(a0.get())) return StepOf(r, a, Order, Prec, arb_floor);
  if (arb_is_nonpositive(a0.get())) return StepOf(r, a, Order, Prec, arb_ceil);
  TqorArb lower, upper;
  arb_floor(lower.get(), a0.get(), Prec);
  arb_ceil(upper.get(), a0.get(), Prec);
  arb_union(lower.get(), lower.get(), upper.get(), Prec);
  ValueOnly(r, lower.get(), Order);
}

// r := a - Quotient(a / b) * b, the remainder with the quotient rounded by Round.
void RemainderOf(TValue& r, const TValue& a, const TValue& b, slong Order, slong Prec,
                 void (*Round)(TValue&, const TValue&, slong, slong)) {
  TqorBallPoly q;
  arb_poly_div_series(q.get(), a.get(), b.get(), Order, Prec);
  Round(q, q, Order, Prec);
  Into(r, [&](arb_poly_t t) {
    arb_poly_mullow(t, q.get(), b.get(), Order, Prec);
    arb_poly_sub(t, a.get(), t, Prec);
  });
}

void FloorRound(TValue& r, const TValue& a, slong Order, slong Prec) { StepOf(r, a, Order, Prec, arb_floor); }

// Lua's min and max: First where it is surely the smaller (larger), else Next where that
// is; where the two cross inside the ball, the value's enclosure alone.
void Choose(TValue& r, const TValue& First, const TValue& Next, slong Order, slong Prec, bool Min) {
  TqorArb a0, b0;
  ConstantCoefficient(a0.get(), First);
  ConstantCoefficient(b0.get(), Next);
  const bool firstWins = Min ? arb_le(a0.get(), b0.get()) : arb_ge(a0.get(), b0.get());
  const bool nextWins = Min ? arb_lt(b0.get(), a0.get()) : arb_gt(b0.get(), a0.get());
  if (firstWins) return arb_poly_set(r.get(), First.get());
  if (nextWins) return arb_poly_set(r.get(), Next.get());
  TqorArb v;
  (Min ? arb_min : arb_max)(v.get(), a0.get(), b0.get(), Prec);
  ValueOnly(r, v.get(), Order);
}

// The exponent as a whole number when b is a constant one.
bool IntegerExponent(const TValue& b, slong& e) {
  if (arb_poly_length(b.get()) > 1) return false;
  TqorArb b0;
  ConstantCoefficient(b0.get(), b);
  if (!arb_is_exact(b0.get()) || !arf_is_int(arb_midref(b0.get()))) return false;
  const double d = arf_get_d(arb_midref(b0.get()), ARF_RND_NEAR);
  if (std::fabs(d) > MaxIntegerExponent) return false;
  e = static_cast<slong>(d);
  return true;
}

void Scale(TValue& r, const TValue& a, double Factor, bool Divide, slong Prec) {
  TqorArb c;
  arb_set_d(c.get(), Factor);
  if (Divide)
    arb_poly_scalar_div(r.get(), a.get(), c.get(), Prec);
  else
    arb_poly_scalar_mul(r.get(), a.get(), c.get(), Prec);
}

// atan2(y, x) off its branch cut: atan(y/x) for x > 0, shifted by pi for x < 0, and
// +-pi/2 - atan(x/y) where x may be 0 but y is not.
void Atan2Of(TValue& r, const TValue& y, const TValue& x, slong Order, slong Prec) {
  TqorArb x0, y0, shift;
  ConstantCoefficient(x0.get(), x);
  ConstantCoefficient(y0.get(), y);
  TqorBallPoly q;
  const bool xSigned = arb_is_positive(x0.get()) || arb_is_negative(x0.get());
  const bool ySigned = arb_is_positive(y0.get()) || arb_is_negative(y0.get());
  if (!xSigned && !ySigned) {  // around the origin every angle is near
    arb_indeterminate(shift.get());
    return ValueOnly(r, shift.get(), Order);
  }
  const bool overX = arb_is_positive(x0.get()) || (arb_is_negative(x0.get()) && ySigned);
  arb_poly_div_series(q.get(), overX ? y.get() : x.get(), overX ? x.get() : y.get(), Order, Prec);
  arb_poly_atan_series(q.get(), q.get(), Order, Prec);
  if (!overX) arb_poly_neg(q.get(), q.get());
  if (!arb_is_positive(x0.get())) {
    arb_const_pi(shift.get(), Prec);
    if (!overX) arb_mul_2exp_si(shift.get(), shift.get(), -1);
    if (arb_is_negative(y0.get())) arb_neg(shift.get(), shift.get());
    TqorBallPoly s;
    arb_poly_set_coeff_arb(s.get(), 0, shift.get());
    arb_poly_add(q.get(), q.get(), s.get(), Prec);
  }
  arb_poly_swap(r.get(), q.get());
}

}  // namespace

void TqorBallArithmetic::Constant(TValue& r, double c) const {
  TqorArb v;
  arb_set_d(v.get(), c);
  arb_poly_zero(r.get());
  arb_poly_set_coeff_arb(r.get(), 0, v.get());
}

void TqorBallArithmetic::Variable(TValue& r) const {
  arb_poly_zero(r.get());
  arb_poly_set_coeff_arb(r.get(), 0, x);
  if (Order > 1) arb_poly_set_coeff_si(r.get(), 1, 1);
}

// ---- the operations -----------------------------------------------------------------
// (the series functions of Arb allow the result to be an operand)

template <>
void TqorBallArithmetic::Apply<TqorOp::Add>(TValue& r, const TValue& a, const TValue& b) const {
  arb_poly_add(r.get(), a.get(), b.get(), Prec);
}
template <>
void TqorBallArithmetic::Apply<TqorOp::Sub>(TValue& r, const TValue& a, const TValue& b) const {
  arb_poly_sub(r.get(), a.get(), b.get(), Prec);
}
template <>
void TqorBallArithmetic::Apply<TqorOp::Mul>(TValue& r, const TValue& a, const TValue& b) const {
  Into(r, [&](arb_poly_t t) { arb_poly_mullow(t, a.get(), b.get(), Order, Prec); });
}
template <>
void TqorBallArithmetic::Apply<TqorOp::Div>(TValue& r, const TValue& a, const TValue& b) const {
  Into(r, [&](arb_poly_t t) { arb_poly_div_series(t, a.get(), b.get(), Order, Prec); });
}
template <>
void TqorBallArithmetic::Apply<TqorOp::Mod>(TValue& r, const TValue& a, const TValue& b) const {
  RemainderOf(r, a, b, Order, Prec, FloorRound);
}
template <>
void TqorBallArithmetic::Apply<TqorOp::Fmod>(TValue& r, const TValue& a, const TValue& b) const {
  RemainderOf(r, a, b, Order, Prec, TruncOf);
}
template <>
void TqorBallArithmetic::Apply<TqorOp::Pow>(TValue& r, const TValue& a, const TValue& b) const {
  slong e = 0;
  if (IntegerExponent(b, e)) {
    return Into(r, [&](arb_poly_t t) {
      arb_poly_pow_ui_trunc_binexp(t, a.get(), static_cast<ulong>(e < 0 ? -e : e), Order, Prec);
      if (e < 0) arb_poly_inv_series(t, t, Order, Prec);
    });
  }
  Into(r, [&](arb_poly_t t) { arb_poly_pow_series(t, a.get(), b.get(), Order, Prec); });
}
template <>
void TqorBallArithmetic::Apply<TqorOp::Atan2>(TValue& r, const TValue& a, const TValue& b) const {
  Atan2Of(r, a, b, Order, Prec);
}
template <>
void TqorBallArithmetic::Apply<TqorOp::Min>(TValue& r, const TValue& a, const TValue& b) const {
  Choose(r, a, b, Order, Prec, true);
}
template <>
void TqorBallArithmetic::Apply<TqorOp::Max>(TValue& r, const TValue& a, const TValue& b) const {
  Choose(r, a, b, Order, Prec, false);
}

template <>
void TqorBallArithmetic::Apply<TqorOp::Neg>(TValue& r, const TValue& a) const {
  arb_poly_neg(r.get(), a.get());
}
template <>
void TqorBallArithmetic::Apply<TqorOp::Abs>(TValue& r, const TValue& a) const {
  TqorArb a0;
  ConstantCoefficient(a0.get(), a);
  if (arb_is_positive(a0.get())) return arb_poly_set(r.get(), a.get());
  if (arb_is_negative(a0.get())) return arb_poly_neg(r.get(), a.get());
  arb_abs(a0.get(), a0.get());
  ValueOnly(r, a0.get(), Order);
}
template <>
void TqorBallArithmetic::Apply<TqorOp::Floor>(TValue& r, const TValue& a) const {
  StepOf(r, a, Order, Prec, arb_floor);
}
template <>
void TqorBallArithmetic::Apply<TqorOp::Ceil>(TValue& r, const TValue& a) const {
  StepOf(r, a, Order, Prec, arb_ceil);
}
template <>
void TqorBallArithmetic::Apply<TqorOp::Acos>(TValue& r, const TValue& a) const {
  arb_poly_acos_series(r.get(), a.get(), Order, Prec);
}
template <>
void TqorBallArithmetic::Apply<TqorOp::Asin>(TValue& r, const TValue& a) const {
  arb_poly_asin_series(r.get(), a.get(), Order, Prec);
}
template <>
void TqorBallArithmetic::Apply<TqorOp::Atan>(TValue& r, const TValue& a) const {
  arb_poly_atan_series(r.get(), a.get(), Order, Prec);
}
template <>
void TqorBallArithmetic::Apply<TqorOp::Cos>(TValue& r, const TValue& a) const {
  arb_poly_cos_series(r.get(), a.get(), Order, Prec);
}
template <>
void TqorBallArithmetic::Apply<TqorOp::Sin>(TValue& r, const TValue& a) const {
  arb_poly_sin_series(r.get(), a.get(), Order, Prec);
}
template <>
void TqorBallArithmetic::Apply<TqorOp::Tan>(TValue& r, const TValue& a) const {
  arb_poly_tan_series(r.get(), a.get(), Order, Prec);
}
template <>
void TqorBallArithmetic::Apply<TqorOp::Cosh>(TValue& r, const TValue& a) const {
  arb_poly_cosh_series(r.get(), a.get(), Order, Prec);
}
template <>
void TqorBallArithmetic::Apply<TqorOp::Sinh>(TValue& r, const TValue& a) const {
  arb_poly_sinh_series(r.get(), a.get(), Order, Prec);
}
// Arb has no series of tanh: sinh/cosh, whose denominator is never 0.
template <>
void TqorBallArithmetic::Apply<TqorOp::Tanh>(TValue& r, const TValue& a) const {
  TqorBallPoly s, c;
  arb_poly_sinh_cosh_series(s.get(), c.get(), a.get(), Order, Prec);
  arb_poly_div_series(r.get(), s.get(), c.get(), Order, Prec);
}
template <>
void TqorBallArithmetic::Apply<TqorOp::Exp>(TValue& r, const TValue& a) const {
  arb_poly_exp_series(r.get(), a.get(), Order, Prec);
}
template <>
void TqorBallArithmetic::Apply<TqorOp::Log>(TValue& r, const TValue& a) const {
  arb_poly_log_series(r.get(), a.get(), Order, Prec);
}
template <>
void TqorBallArithmetic::Apply<TqorOp::Log10>(TValue& r, const TValue& a) const {
  TqorArb ln10;
  arb_log_ui(ln10.get(), 10, Prec);
  arb_poly_log_series(r.get(), a.get(), Order, Prec);
  arb_poly_scalar_div(r.get(), r.get(), ln10.get(), Prec);
}
template <>
void TqorBallArithmetic::Apply<TqorOp::Sqrt>(TValue& r, const TValue& a) const {
  arb_poly_sqrt_series(r.get(), a.get(), Order, Prec);
}
// Lua's deg and rad divide and multiply by its double of pi/180.
template <>
void TqorBallArithmetic::Apply<TqorOp::Deg>(TValue& r, const TValue& a) const {
  Scale(r, a, qorLua::RadiansPerDegree, true, Prec);
}
template <>
void TqorBallArithmetic::Apply<TqorOp::Rad>(TValue& r, const TValue& a) const {
  Scale(r, a, qorLua::RadiansPerDegree, false, Prec);
}

// The program's stack lives as long as the function, so that its series keep their
// memory from one call to the next: setting up and clearing a stack of series per call
// cost as much as the arithmetic. The function is thus for one thread at a time.
TqorBallSeries BallSeriesOf(std::shared_ptr<const TqorLuaExpression> Expression) {
  auto stack = std::make_shared<std::array<TqorBallPoly, qorMaxStack>>();
  return [Expression, stack](arb_ptr Out, arb_srcptr X, slong Order, slong Prec) {
    TqorBallArithmetic arithmetic{X, Order, Prec};
    const TqorBallPoly& f = Expression->Evaluate(arithmetic, stack->data());
    for (slong i = 0; i < Order; ++i) arb_poly_get_coeff_arb(Out + i, f.get(), i);
  };
}
