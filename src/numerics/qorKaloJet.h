#pragma once
// A value together with its first and second derivative: forward automatic
// differentiation of second order. Every operation applies the chain rule to the three
// numbers, so a formula computed on jets gives f, f' and f'' exactly (up to the
// rounding of each step), without a step size.
//
// Where an operation has no derivative (abs and min/max at a kink, floor and ceil at a
// jump, sqrt at 0), the derivatives it hands on are NaN: "no value". Only derivatives
// are made NaN, never the value, so f stays what the plain formula computes.

#include <cmath>
#include <limits>
#include <type_traits>

template <class T>
struct TqorJet {
  T v = 0;   // f
  T d1 = 0;  // f'
  T d2 = 0;  // f''

  static TqorJet Constant(T c) { return {c, 0, 0}; }
  static TqorJet Variable(T x) { return {x, 1, 0}; }
  // True when both derivatives have a finite value.
  bool Differentiable() const { return std::isfinite(d1) && std::isfinite(d2); }
};

namespace qorJet {

template <class T>
constexpr T NoValue = std::numeric_limits<T>::quiet_NaN();

// g(u) for a function g with g(u.v) = g0, g'(u.v) = g1, g''(u.v) = g2: the chain rule.
template <class T>
TqorJet<T> Chain(const TqorJet<T>& u, T g0, T g1, T g2) {
  return {g0, g1 * u.d1, g2 * u.d1 * u.d1 + g1 * u.d2};
}

// A jet whose derivatives have no value.
template <class T>
TqorJet<T> Kink(T Value) {
  return {Value, NoValue<T>, NoValue<T>};
}

template <class T>
TqorJet<T> operator+(const TqorJet<T>& a, const TqorJet<T>& b) {
  return {a.v + b.v, a.d1 + b.d1, a.d2 + b.d2};
}
template <class T>
TqorJet<T> operator-(const TqorJet<T>& a, const TqorJet<T>& b) {
  return {a.v - b.v, a.d1 - b.d1, a.d2 - b.d2};
}
template <class T>
TqorJet<T> operator-(const TqorJet<T>& a) {
  return {-a.v, -a.d1, -a.d2};
}
template <class T>
TqorJet<T> operator*(const TqorJet<T>& a, const TqorJet<T>& b) {
  return {a.v * b.v, a.d1 * b.v + a.v * b.d1, a.d2 * b.v + 2 * a.d1 * b.d1 + a.v * b.d2};
}
template <class T>
TqorJet<T> operator/(const TqorJet<T>& a, const TqorJet<T>& b) {
  const T q = a.v / b.v;
  const T q1 = (a.d1 - q * b.d1) / b.v;
  return {q, q1, (a.d2 - 2 * q1 * b.d1 - q * b.d2) / b.v};
}

// A plain number with a jet: the number is a constant.
template <class T>
TqorJet<T> operator+(const TqorJet<T>& a, std::type_identity_t<T> c) {
  return a + TqorJet<T>::Constant(c);
}
template <class T>
TqorJet<T> operator+(std::type_identity_t<T> c, const TqorJet<T>& a) {
  return TqorJet<T>::Constant(c) + a;
}
template <class T>
TqorJet<T> operator-(const TqorJet<T>& a, std::type_identity_t<T> c) {
  return a - TqorJet<T>::Constant(c);
}
template <class T>
TqorJet<T> operator-(std::type_identity_t<T> c, const TqorJet<T>& a) {
  return TqorJet<T>::Constant(c) - a;
}
template <class T>
TqorJet<T> operator*(std::type_identity_t<T> c, const TqorJet<T>& a) {
  return {c * a.v, c * a.d1, c * a.d2};
}
template <class T>
TqorJet<T> operator*(const TqorJet<T>& a, std::type_identity_t<T> c) {
  return c * a;
}
template <class T>
TqorJet<T> operator/(const TqorJet<T>& a, std::type_identity_t<T> c) {
  return a / TqorJet<T>::Constant(c);
}

template <class T>
TqorJet<T> exp(const TqorJet<T>& u) {
  const T e = std::exp(u.v);
  return Chain(u, e, e, e);
}
template <class T>
TqorJet<T> log(const TqorJet<T>& u) {
  return Chain(u, std::log(u.v), 1 / u.v, -1 / (u.v * u.v));
}
template <class T>
TqorJet<T> log10(const TqorJet<T>& u) {
  const T ln10 = std::log(T(10));
  return Chain(u, std::log10(u.v), 1 / (u.v * ln10), -1 / (u.v * u.v * ln10));
}
template <class T>
TqorJet<T> sqrt(const TqorJet<T>& u) {
  const T s = std::sqrt(u.v);
  if (!(s > 0)) return u.d1 == 0 && u.d2 == 0 ? TqorJet<T>{s, 0, 0} : Kink(s);
  return Chain(u, s, T(0.5) / s, T(-0.25) / (u.v * s));
}
template <class T>
TqorJet<T> sin(const TqorJet<T>& u) {
  const T s = std::sin(u.v), c = std::cos(u.v);
  return Chain(u, s, c, -s);
}
template <class T>
TqorJet<T> cos(const TqorJet<T>& u) {
  const T s = std::sin(u.v), c = std::cos(u.v);
  return Chain(u, c, -s, -c);
}
template <class T>
TqorJet<T> tan(const TqorJet<T>& u) {
  const T t = std::tan(u.v), sec2 = 1 + t * t;
  return Chain(u, t, sec2, 2 * t * sec2);
}
template <class T>
TqorJet<T> asin(const TqorJet<T>& u) {
  const T r = 1 - u.v * u.v;
  return Chain(u, std::asin(u.v), 1 / std::sqrt(r), u.v / (r * std::sqrt(r)));
}
template <class T>
TqorJet<T> acos(const TqorJet<T>& u) {
  const T r = 1 - u.v * u.v;
  return Chain(u, std::acos(u.v), -1 / std::sqrt(r), -u.v / (r * std::sqrt(r)));
}
template <class T>
TqorJet<T> atan(const TqorJet<T>& u) {
  const T r = 1 + u.v * u.v;
  return Chain(u, std::atan(u.v), 1 / r, -2 * u.v / (r * r));
}
template <class T>
TqorJet<T> sinh(const TqorJet<T>& u) {
  const T s = std::sinh(u.v), c = std::cosh(u.v);
  return Chain(u, s, c, s);
}
template <class T>
TqorJet<T> cosh(const TqorJet<T>& u) {
  const T s = std::sinh(u.v), c = std::cosh(u.v);
  return Chain(u, c, s, c);
}
template <class T>
TqorJet<T> tanh(const TqorJet<T>& u) {
  const T t = std::tanh(u.v), s = 1 - t * t;
  return Chain(u, t, s, -2 * t * s);
}

// |u|: at u = 0 a kink, unless u itself is flat there (|x^2| is smooth at 0).
template <class T>
TqorJet<T> fabs(const TqorJet<T>& u) {
  if (u.v > 0) return u;
  if (u.v < 0) return -u;
  if (u.d1 == 0) return {std::fabs(u.v), 0, std::fabs(u.d2)};
  return Kink(std::fabs(u.v));
}

// floor and ceil are flat between the integers and jump at them.
template <class T>
TqorJet<T> Step(const TqorJet<T>& u, T Value) {
  if (Value == u.v) return Kink(Value);
  return {Value, 0, 0};
}
template <class T>
TqorJet<T> floor(const TqorJet<T>& u) {
  return Step(u, std::floor(u.v));
}
template <class T>
TqorJet<T> ceil(const TqorJet<T>& u) {
  return Step(u, std::ceil(u.v));
}

// a^b. With a constant exponent, the power rule (also for a <= 0 and whole b);
// otherwise exp(b log a), which has a derivative only for a > 0.
template <class T>
TqorJet<T> pow(const TqorJet<T>& a, const TqorJet<T>& b, T Value) {
  if (b.d1 == 0 && b.d2 == 0) {
    const T n = b.v;
    if (n == 0 || n == 1) return Chain(a, Value, n, T(0));
    if (a.v == 0) return n < 2 ? Kink(Value) : Chain(a, Value, T(0), n == 2 ? T(2) : T(0));
    const T below = std::pow(a.v, n - 2);  // one more call of pow, not two
    return Chain(a, Value, n * below * a.v, n * (n - 1) * below);
  }
  if (!(a.v > 0)) return Kink(Value);
  TqorJet<T> r = exp(b * log(a));
  r.v = Value;
  return r;
}
template <class T>
TqorJet<T> pow(const TqorJet<T>& a, std::type_identity_t<T> n) {
  return pow(a, TqorJet<T>::Constant(n), std::pow(a.v, n));
}

// The larger (smaller) of a and b, as Lua's math.max (min) chooses: Left unless Next is
// larger (smaller). Where both are equal and their derivatives differ, a kink.
template <class T>
TqorJet<T> Choose(const TqorJet<T>& Left, const TqorJet<T>& Next, bool TakeNext) {
  if (Left.v == Next.v && (Left.d1 != Next.d1 || Left.d2 != Next.d2)) return Kink(TakeNext ? Next.v : Left.v);
  return TakeNext ? Next : Left;
}

// atan2(y, x): the angle's derivatives are those of atan(y/x) (or of -atan(x/y), where
// x is small against y), whichever ratio is bounded.
template <class T>
TqorJet<T> atan2(const TqorJet<T>& y, const TqorJet<T>& x) {
  const T angle = std::atan2(y.v, x.v);
  TqorJet<T> r = std::fabs(x.v) >= std::fabs(y.v) ? atan(y / x) : -atan(x / y);
  if (x.v == 0 && y.v == 0) return Kink(angle);
  r.v = angle;
  return r;
}

}  // namespace qorJet
