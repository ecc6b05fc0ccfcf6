#pragma once
// A compiled expression's program run in any arithmetic: double as Lua computes it, a
// block of doubles at once, or a number type that carries more than a value (derivatives,
// balls). The program and the dispatch over its operations exist once; an arithmetic is
// a type that says how each operation of qorOperations is computed on its values.
//
// The contract of an arithmetic A:
//   using TValue = ...;                                    its values, default-constructible
//   void Constant(TValue& r, double c);                    r := c (a numeral, pi, math.huge:
//                                                          the double Lua holds, exactly)
//   void Variable(TValue& r);                              r := the argument x
//   template <TqorOp Op> void Apply(TValue& r, const TValue& a);                    Arity 1
//   template <TqorOp Op> void Apply(TValue& r, const TValue& a, const TValue& b);   Arity 2
// The two Apply templates must accept every operation of its arity in qorOperations (the
// build fails otherwise). r may be the very object a (the stack is computed in place),
// never b. Min and Max arrive as binary steps (value so far, next argument), left to right,
// as Lua's math.min and math.max take their arguments. Everything an arithmetic needs
// beyond the operands (x, a precision, a series length, the lanes of a block) is state of
// the arithmetic object; so is what it does where an operation has no derivative or no
// series (a kink, a jump): the evaluator never looks at values.

#include "qorLuaOperations.h"

#include <vector>

// One step of a program in postfix order: operands before their operation. Binary
// operations take their right operand from the top of the stack, their left one below.
struct TqorStep {
  TqorOp Op;
  double Value = 0;  // Number, Pi, Huge: the value
};

// The stack a program needs at most; deeper expressions are left to Lua.
inline constexpr int qorMaxStack = 64;

template <class A>
concept TqorArithmetic = requires(A a, typename A::TValue& r, double c) {
  a.Constant(r, c);
  a.Variable(r);
};

namespace qorLuaDetail {
// Op on the values below top, the result in place of its left (or only) operand.
template <TqorOp Op, TqorArithmetic A>
typename A::TValue* Apply(A& a, typename A::TValue* top) {
  if constexpr (qorOperation(Op).Arity == 1) {
    a.template Apply<Op>(top[-1], top[-1]);
    return top;
  } else {
    static_assert(qorOperation(Op).Arity == 2);
    a.template Apply<Op>(top[-2], top[-2], top[-1]);
    return top - 1;
  }
}
}  // namespace qorLuaDetail

// Program's value in arithmetic a, computed on Stack (room for qorMaxStack values); the
// result is the stack's bottom value. One loop with the dispatch in it, so that every
// step of the double arithmetics is inline code.
template <TqorArithmetic A>
typename A::TValue& qorRun(A& a, const std::vector<TqorStep>& Program, typename A::TValue* Stack) {
  using qorLuaDetail::Apply;
  typename A::TValue* top = Stack;  // one past the top value
  for (const TqorStep& Step : Program) {
    switch (Step.Op) {
      case TqorOp::Number:
      case TqorOp::Pi:
      case TqorOp::Huge:
        a.Constant(*top++, Step.Value);
        break;
      case TqorOp::X:
        a.Variable(*top++);
        break;
      case TqorOp::Add:
        top = Apply<TqorOp::Add>(a, top);
        break;
      case TqorOp::Sub:
        top = Apply<TqorOp::Sub>(a, top);
        break;
      case TqorOp::Mul:
        top = Apply<TqorOp::Mul>(a, top);
        break;
      case TqorOp::Div:
        top = Apply<TqorOp::Div>(a, top);
        break;
      case TqorOp::Mod:
        top = Apply<TqorOp::Mod>(a, top);
        break;
      case TqorOp::Pow:
        top = Apply<TqorOp::Pow>(a, top);
        break;
      case TqorOp::Neg:
        top = Apply<TqorOp::Neg>(a, top);
        break;
      case TqorOp::Abs:
        top = Apply<TqorOp::Abs>(a, top);
        break;
      case TqorOp::Acos:
        top = Apply<TqorOp::Acos>(a, top);
        break;
      case TqorOp::Asin:
        top = Apply<TqorOp::Asin>(a, top);
        break;
      case TqorOp::Atan:
        top = Apply<TqorOp::Atan>(a, top);
        break;
      case TqorOp::Atan2:
        top = Apply<TqorOp::Atan2>(a, top);
        break;
      case TqorOp::Ceil:
        top = Apply<TqorOp::Ceil>(a, top);
        break;
      case TqorOp::Cos:
        top = Apply<TqorOp::Cos>(a, top);
        break;
      case TqorOp::Cosh:
        top = Apply<TqorOp::Cosh>(a, top);
        break;
      case TqorOp::Deg:
        top = Apply<TqorOp::Deg>(a, top);
        break;
      case TqorOp::Exp:
        top = Apply<TqorOp::Exp>(a, top);
        break;
      case TqorOp::Floor:
        top = Apply<TqorOp::Floor>(a, top);
        break;
      case TqorOp::Fmod:
        top = Apply<TqorOp::Fmod>(a, top);
        break;
      case TqorOp::Log:
        top = Apply<TqorOp::Log>(a, top);
        break;
      case TqorOp::Log10:
        top = Apply<TqorOp::Log10>(a, top);
        break;
      case TqorOp::Max:
        top = Apply<TqorOp::Max>(a, top);
        break;
      case TqorOp::Min:
        top = Apply<TqorOp::Min>(a, top);
        break;
      case TqorOp::Rad:
        top = Apply<TqorOp::Rad>(a, top);
        break;
      case TqorOp::Sin:
        top = Apply<TqorOp::Sin>(a, top);
        break;
      case TqorOp::Sinh:
        top = Apply<TqorOp::Sinh>(a, top);
        break;
      case TqorOp::Sqrt:
        top = Apply<TqorOp::Sqrt>(a, top);
        break;
      case TqorOp::Tan:
        top = Apply<TqorOp::Tan>(a, top);
        break;
      case TqorOp::Tanh:
        top = Apply<TqorOp::Tanh>(a, top);
        break;
    }
  }
  return Stack[0];
}

// Lua's own arithmetic: each operation gives the double Lua 5.1 computes for it.
struct TqorDoubleArithmetic {
  using TValue = double;
  double x = 0;

  template <TqorOp Op>
  static double Of(double a) {
    static_assert(qorOperation(Op).Arity == 1);
    constexpr auto f = qorOperation(Op).Unary;
    return f(a);
  }
  template <TqorOp Op>
  static double Of(double a, double b) {
    static_assert(qorOperation(Op).Arity == 2);
    constexpr auto f = qorOperation(Op).Binary;
    return f(a, b);
  }

  void Constant(double& r, double c) const { r = c; }
  void Variable(double& r) const { r = x; }
  template <TqorOp Op>
  void Apply(double& r, double a) const {
    r = Of<Op>(a);
  }
  template <TqorOp Op>
  void Apply(double& r, double a, double b) const {
    r = Of<Op>(a, b);
  }
};
