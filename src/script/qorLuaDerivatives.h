#pragma once
// The compiled expression's arithmetic of exact derivatives: each value is a jet (f, f',
// f'') in double, and each operation of qorOperations applies its chain rule. The value
// part is always the double Lua computes for the operation, so f here is bit for bit the
// expression's value; the derivatives are those of the formula, not of differences.
// Where an operation has no derivative (abs or min/max at a kink, floor, ceil, % and
// fmod at a jump, sqrt at 0), the derivatives it hands on are NaN: "no value".

#include "qorKaloJet.h"
#include "qorLuaEvaluator.h"

#include <cmath>

struct TqorJetArithmetic {
  using TValue = TqorJet<double>;
  double x = 0;

  void Constant(TValue& r, double c) const { r = TValue::Constant(c); }
  void Variable(TValue& r) const { r = TValue::Variable(x); }

  template <TqorOp Op>
  void Apply(TValue& r, const TValue& a) const {
    TValue result = Derived<Op>(a);
    result.v = TqorDoubleArithmetic::Of<Op>(a.v);
    r = result;
  }
  template <TqorOp Op>
  void Apply(TValue& r, const TValue& a, const TValue& b) const {
    const double value = TqorDoubleArithmetic::Of<Op>(a.v, b.v);
    TValue result = Derived<Op>(a, b, value);
    result.v = value;
    r = result;
  }

private:
  template <TqorOp Op>
  static TValue Derived(const TValue& a) {
    using namespace qorJet;
    constexpr TqorOp op = Op;
    if constexpr (op == TqorOp::Neg)
      return -a;
    else if constexpr (op == TqorOp::Abs)
      return fabs(a);
    else if constexpr (op == TqorOp::Acos)
      return acos(a);
    else if constexpr (op == TqorOp::Asin)
      return asin(a);
    else if constexpr (op == TqorOp::Atan)
      return atan(a);
    else if constexpr (op == TqorOp::Ceil)
      return ceil(a);
    else if constexpr (op == TqorOp::Cos)
      return cos(a);
    else if constexpr (op == TqorOp::Cosh)
      return cosh(a);
    else if constexpr (op == TqorOp::Deg)
      return a / qorLua::RadiansPerDegree;
    else if constexpr (op == TqorOp::Exp)
      return exp(a);
    else if constexpr (op == TqorOp::Floor)
      return floor(a);
    else if constexpr (op == TqorOp::Log)
      return log(a);
    else if constexpr (op == TqorOp::Log10)
      return log10(a);
    else if constexpr (op == TqorOp::Rad)
      return a * qorLua::RadiansPerDegree;
    else if constexpr (op == TqorOp::Sin)
      return sin(a);
    else if constexpr (op == TqorOp::Sinh)
      return sinh(a);
    else if constexpr (op == TqorOp::Sqrt)
      return sqrt(a);
    else if constexpr (op == TqorOp::Tan)
      return tan(a);
    else if constexpr (op == TqorOp::Tanh)
      return tanh(a);
    else
      static_assert(op == TqorOp::Neg, "an operation of one operand without its derivative");
  }

  // Value is the double Lua computes for the operation.
  template <TqorOp Op>
  static TValue Derived(const TValue& a, const TValue& b, double Value) {
    using namespace qorJet;
    constexpr TqorOp op = Op;
    if constexpr (op == TqorOp::Add)
      return a + b;
    else if constexpr (op == TqorOp::Sub)
      return a - b;
    else if constexpr (op == TqorOp::Mul)
      return a * b;
    else if constexpr (op == TqorOp::Div)
      return a / b;
    else if constexpr (op == TqorOp::Mod)
      return a - floor(a / b) * b;
    else if constexpr (op == TqorOp::Fmod)
      return a - Step(a / b, std::trunc(a.v / b.v)) * b;
    else if constexpr (op == TqorOp::Pow)
      return pow(a, b, Value);
    else if constexpr (op == TqorOp::Atan2)
      return atan2(a, b);
    else if constexpr (op == TqorOp::Max)
      return Choose(a, b, b.v > a.v);
    else if constexpr (op == TqorOp::Min)
      return Choose(a, b, b.v < a.v);
    else
      static_assert(op == TqorOp::Add, "an operation of two operands without its derivative");
  }
};
