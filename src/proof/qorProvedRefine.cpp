#include "qorProvedRefine.h"

#include <cmath>
#include <memory>

namespace {
// Bits a block or a point is evaluated with first; points go up by a factor of four.
constexpr slong SearchPrec = 64;
constexpr slong PrecStep = 4;
// The bits a refinement may use for one sign before it gives up on deciding it.
constexpr slong RefinePrecMax = 4096;
// Halvings from a block of doubles down to one double: the exponent range of the
// doubles and their significand, with room to spare.
constexpr int MaxBisections = 1200;
// Bits Newton's method adds to f's evaluations near the root, where f is small.
constexpr slong NewtonExtraPrec = 32;
// Bits of the root halving gives before Newton's method takes over, and the bits that
// method then aims at: more than a double has, so that the nearest one is decided.
constexpr slong NewtonStartBits = 16;
constexpr slong DoubleNewtonBits = 96;
// Decimal digits to bits, rounded up.
constexpr double BitsPerDigit = 3.3219280948873623;
// Bits beyond the digits asked for, so that the last digit is settled by the radius.
constexpr slong GuardBits = 16;

double Nearest(arf_srcptr x) { return arf_get_d(x, ARF_RND_NEAR); }

// A root's enclosure [Lo, Hi], narrowed step by step.
struct TEnclosure {
  TqorArf Lo, Hi;
  bool Exact = false;  // f is exactly 0 at Lo = Hi
  bool DecidesDouble() const { return Nearest(Lo.get()) == Nearest(Hi.get()); }
};

// Halves E while f's sign at its middle is known and Done(E) is false; SignLo is f's
// sign at E.Lo.
template <class TDone>
void Bisect(const TqorCountedSeries& f, TEnclosure& E, TSign SignLo, TDone Done) {
  TqorArf m;
  for (int i = 0; i < MaxBisections && !E.Exact && !Done(E); ++i) {
    arf_add(m.get(), E.Lo.get(), E.Hi.get(), ARF_PREC_EXACT, ARF_RND_DOWN);
    arf_mul_2exp_si(m.get(), m.get(), -1);
    const TSign s = f.SignAt(m.get(), RefinePrecMax);
    if (s == TSign::Unknown) return;
    if (s == TSign::Zero) {
      E.Lo = m;
      E.Hi = m;
      E.Exact = true;
      return;
    }
    (s == SignLo ? E.Lo : E.Hi) = m;
  }
}

slong DigitBits(int Digits) { return static_cast<slong>(std::ceil(Digits * BitsPerDigit)) + GuardBits; }

// True when E is narrow enough for Bits correct bits of its root.
bool NarrowFor(const TEnclosure& E, slong Bits) {
  TqorArf width, scale;
  arf_sub(width.get(), E.Hi.get(), E.Lo.get(), SearchPrec, ARF_RND_UP);
  arf_abs(scale.get(), E.Lo.get());
  arf_mul_2exp_si(scale.get(), scale.get(), -Bits);
  return arf_cmp(width.get(), scale.get()) <= 0;
}

// Narrows E to Bits correct bits of its root by Newton's method into Root; false (E
// as it was) when Newton's method does not converge from E.
bool NewtonNarrow(const TqorCountedSeries& f, TEnclosure& E, slong Bits, TqorArb& Root) {
  TqorArb start;
  arb_set_interval_arf(start.get(), E.Lo.get(), E.Hi.get(), Bits);
  TqorArf factor;
  void* param = const_cast<TqorCountedSeries*>(&f);
  arb_calc_newton_conv_factor(factor.get(), TqorCountedSeries::Call, param, start.get(), Bits);
  const int code = arb_calc_refine_root_newton(Root.get(), TqorCountedSeries::Call, param, start.get(), start.get(),
                                               factor.get(), NewtonExtraPrec, Bits);
  if (code != ARB_CALC_SUCCESS || !arb_is_finite(Root.get()) || arb_rel_accuracy_bits(Root.get()) < Bits - GuardBits)
    return false;
  TqorArf lo, hi;
  arb_get_lbound_arf(lo.get(), Root.get(), Bits);
  arb_get_ubound_arf(hi.get(), Root.get(), Bits);
  if (arf_cmp(lo.get(), E.Lo.get()) > 0) E.Lo = lo;
  if (arf_cmp(hi.get(), E.Hi.get()) < 0) E.Hi = hi;
  return true;
}

// The root with Digits digits by Newton's method from E, which it narrows; by
// bisection when Newton's method does not converge from E.
std::string NewtonDigits(const TqorCountedSeries& f, TEnclosure& E, TSign SignLo, int Digits) {
  const slong bits = DigitBits(Digits);
  TqorArb root;
  if (NewtonNarrow(f, E, bits, root)) return ArbText(root.get(), Digits);
  Bisect(f, E, SignLo, [bits](const TEnclosure& e) { return NarrowFor(e, bits); });
  TqorArb ball;
  arb_set_interval_arf(ball.get(), E.Lo.get(), E.Hi.get(), bits);
  return ArbText(ball.get(), Digits);
}

// Narrows E until it decides the double nearest to its root: a few halvings until
// Newton's method surely converges, Newton's method, and halvings where it did not.
void NarrowToDouble(const TqorCountedSeries& f, TEnclosure& E, TSign SignLo) {
  const auto decided = [](const TEnclosure& e) { return e.DecidesDouble(); };
  Bisect(f, E, SignLo, [&](const TEnclosure& e) { return decided(e) || NarrowFor(e, NewtonStartBits); });
  TqorArb root;
  if (!E.Exact && !E.DecidesDouble()) NewtonNarrow(f, E, DoubleNewtonBits, root);
  Bisect(f, E, SignLo, decided);
}
}  // namespace

std::string ArbText(arb_srcptr Value, slong Digits) {
  std::unique_ptr<char, void (*)(void*)> text(arb_get_str(Value, Digits, 0), flint_free);
  return text.get();
}

std::string ExactText(arf_srcptr x, int Digits) {
  TqorArb ball;
  arb_set_arf(ball.get(), x);
  return ArbText(ball.get(), Digits);
}

std::string ExactText(double x, int Digits) { return ExactText(TqorArf(x).get(), Digits); }

void TqorCountedSeries::Series(arb_ptr Out, arb_srcptr X, slong Order, slong Prec) const {
  ++FCount;
  FFunction(Out, X, Order, Prec);
}

int TqorCountedSeries::Call(arb_ptr Out, const arb_t X, void* Param, slong Order, slong Prec) {
  static_cast<const TqorCountedSeries*>(Param)->Series(Out, X, Order, Prec);
  return 0;
}

void TqorCountedSeries::Over(arb_ptr Out, double a, double b, slong Order) const {
  TqorArb x;
  arb_set_interval_arf(x.get(), TqorArf(a).get(), TqorArf(b).get(), SearchPrec);
  Series(Out, x.get(), Order, SearchPrec);
}

TSign TqorCountedSeries::SignAt(arf_srcptr x, slong MaxPrec) const {
  TqorArb point;
  arb_set_arf(point.get(), x);
  TqorArbVector y(1);
  for (slong prec = SearchPrec; prec <= MaxPrec; prec *= PrecStep) {
    Series(y.get(), point.get(), 1, prec);
    if (arb_is_zero(y[0])) return TSign::Zero;
    if (arb_is_positive(y[0])) return TSign::Positive;
    if (arb_is_negative(y[0])) return TSign::Negative;
  }
  return TSign::Unknown;
}

TSign TqorCountedSeries::SignAt(double x, slong MaxPrec) const { return SignAt(TqorArf(x).get(), MaxPrec); }

double TqorCountedSeries::ValueAt(double x) const {
  TqorArb point;
  arb_set_d(point.get(), x);
  TqorArbVector y(1);
  Series(y.get(), point.get(), 1, SearchPrec);
  return arf_get_d(arb_midref(y[0]), ARF_RND_NEAR);
}

TqorProvedBlock RefineRoot(const TqorCountedSeries& f, double a, double b, TSign sa, int Digits) {
  TEnclosure e;
  e.Lo = TqorArf(a);
  e.Hi = TqorArf(b);
  NarrowToDouble(f, e, sa);
  TqorProvedBlock row;
  if (Digits > 0) row.Digits = e.Exact ? ExactText(e.Lo.get(), Digits) : NewtonDigits(f, e, sa, Digits);
  TqorArf middle, width;
  arf_add(middle.get(), e.Lo.get(), e.Hi.get(), ARF_PREC_EXACT, ARF_RND_DOWN);
  arf_mul_2exp_si(middle.get(), middle.get(), -1);
  arf_sub(width.get(), e.Hi.get(), e.Lo.get(), SearchPrec, ARF_RND_UP);
  row.x = Nearest(middle.get());
  row.Decided = e.DecidesDouble();
  row.Width = arf_get_d(width.get(), ARF_RND_UP);
  row.y = e.Exact ? 0 : f.ValueAt(row.x);
  return row;
}
