#pragma once
// The operations of a compiled Lua expression, declared once: what each takes, the Lua
// operator or math names that reach it, and what Lua 5.1 computes for it in double.
// The parser, the constant folder, every arithmetic the expression is evaluated in and
// the script host's prelude of short names all read this one table, so that they
// cannot disagree about which names exist or what they mean.

#include <array>
#include <cmath>
#include <cstddef>
#include <string_view>
#include <vector>

// In the table's order: values, Lua's arithmetic operators, Lua's math library.
enum class TqorOp : unsigned char {
  Number,
  X,
  Pi,
  Huge,
  Add,
  Sub,
  Mul,
  Div,
  Mod,
  Pow,
  Neg,
  Abs,
  Acos,
  Asin,
  Atan,
  Atan2,
  Ceil,
  Cos,
  Cosh,
  Deg,
  Exp,
  Floor,
  Fmod,
  Log,
  Log10,
  Max,
  Min,
  Rad,
  Sin,
  Sinh,
  Sqrt,
  Tan,
  Tanh
};

struct TqorOperation {
  TqorOp Op = TqorOp::Number;
  int Arity = 0;                               // operands it takes from the stack; 0 for a value
  std::string_view Name = {};                  // its name in Lua's math table, or empty
  bool Short = false;                          // the prelude binds Name without "math." as well
  bool Variadic = false;                       // as a call: one argument or more, combined left to right
  char Symbol = 0;                             // its Lua operator, or 0
  int Left = 0, Right = 0;                     // the operator's binding priorities (as Lua's parser)
  double Value = 0;                            // a value's double (Pi, Huge)
  double (*Unary)(double) = nullptr;           // the double computation of Arity 1
  double (*Binary)(double, double) = nullptr;  // ... of Arity 2
  bool UsesX87 = false;                        // the math library may compute it on the x87 (its flags)
};

// What Lua 5.1 computes where it is not a plain library call.
namespace qorLua {
constexpr double Pi = 3.14159265358979323846;
constexpr double RadiansPerDegree = Pi / 180.0;
inline double Add(double a, double b) { return a + b; }
inline double Sub(double a, double b) { return a - b; }
inline double Mul(double a, double b) { return a * b; }
inline double Div(double a, double b) { return a / b; }
inline double Mod(double a, double b) { return a - std::floor(a / b) * b; }
inline double Neg(double a) { return -a; }
inline double Abs(double a) { return std::fabs(a); }
inline double Deg(double a) { return a / RadiansPerDegree; }
inline double Rad(double a) { return a * RadiansPerDegree; }
// math.min and math.max keep their first argument unless a later one is smaller
// (larger): a NaN counts only where it comes first. Left is the value so far.
inline double Min(double Left, double Next) { return Next < Left ? Next : Left; }
inline double Max(double Left, double Next) { return Next > Left ? Next : Left; }

using F1 = double (*)(double);
using F2 = double (*)(double, double);
}  // namespace qorLua

// Indexed by TqorOp. The library functions are named through pointers to the library's
// own functions, so that no compiler replaces one by an approximation of its own.
inline constexpr std::array<TqorOperation, 33> qorOperations = {{
    {.Op = TqorOp::Number, .Arity = 0},
    {.Op = TqorOp::X, .Arity = 0},
    {.Op = TqorOp::Pi, .Arity = 0, .Name = "pi", .Short = true, .Value = qorLua::Pi},
    {.Op = TqorOp::Huge, .Arity = 0, .Name = "huge", .Value = HUGE_VAL},
    {.Op = TqorOp::Add, .Arity = 2, .Symbol = '+', .Left = 6, .Right = 6, .Binary = qorLua::Add},
    {.Op = TqorOp::Sub, .Arity = 2, .Symbol = '-', .Left = 6, .Right = 6, .Binary = qorLua::Sub},
    {.Op = TqorOp::Mul, .Arity = 2, .Symbol = '*', .Left = 7, .Right = 7, .Binary = qorLua::Mul},
    {.Op = TqorOp::Div, .Arity = 2, .Symbol = '/', .Left = 7, .Right = 7, .Binary = qorLua::Div},
    {.Op = TqorOp::Mod, .Arity = 2, .Symbol = '%', .Left = 7, .Right = 7, .Binary = qorLua::Mod},
    {.Op = TqorOp::Pow,
     .Arity = 2,
     .Name = "pow",
     .Short = true,
     .Symbol = '^',
     .Left = 10,
     .Right = 9,
     .Binary = static_cast<qorLua::F2>(std::pow)},
    {.Op = TqorOp::Neg, .Arity = 1, .Symbol = '-', .Left = 8, .Right = 8, .Unary = qorLua::Neg},
    {.Op = TqorOp::Abs, .Arity = 1, .Name = "abs", .Short = true, .Unary = qorLua::Abs},
    {.Op = TqorOp::Acos, .Arity = 1, .Name = "acos", .Short = true, .Unary = static_cast<qorLua::F1>(std::acos)},
    {.Op = TqorOp::Asin, .Arity = 1, .Name = "asin", .Short = true, .Unary = static_cast<qorLua::F1>(std::asin)},
    {.Op = TqorOp::Atan, .Arity = 1, .Name = "atan", .Short = true, .Unary = static_cast<qorLua::F1>(std::atan)},
    {.Op = TqorOp::Atan2, .Arity = 2, .Name = "atan2", .Binary = static_cast<qorLua::F2>(std::atan2)},
    {.Op = TqorOp::Ceil, .Arity = 1, .Name = "ceil", .Short = true, .Unary = static_cast<qorLua::F1>(std::ceil)},
    {.Op = TqorOp::Cos, .Arity = 1, .Name = "cos", .Short = true, .Unary = static_cast<qorLua::F1>(std::cos)},
    {.Op = TqorOp::Cosh, .Arity = 1, .Name = "cosh", .Short = true, .Unary = static_cast<qorLua::F1>(std::cosh)},
    {.Op = TqorOp::Deg, .Arity = 1, .Name = "deg", .Short = true, .Unary = qorLua::Deg},
    {.Op = TqorOp::Exp, .Arity = 1, .Name = "exp", .Short = true, .Unary = static_cast<qorLua::F1>(std::exp)},
    {.Op = TqorOp::Floor, .Arity = 1, .Name = "floor", .Short = true, .Unary = static_cast<qorLua::F1>(std::floor)},
    {.Op = TqorOp::Fmod,
     .Arity = 2,
     .Name = "fmod",
     .Short = true,
     .Binary = static_cast<qorLua::F2>(std::fmod),
     .UsesX87 = true},
    {.Op = TqorOp::Log, .Arity = 1, .Name = "log", .Short = true, .Unary = static_cast<qorLua::F1>(std::log)},
    {.Op = TqorOp::Log10, .Arity = 1, .Name = "log10", .Short = true, .Unary = static_cast<qorLua::F1>(std::log10)},
    {.Op = TqorOp::Max, .Arity = 2, .Name = "max", .Short = true, .Variadic = true, .Binary = qorLua::Max},
    {.Op = TqorOp::Min, .Arity = 2, .Name = "min", .Short = true, .Variadic = true, .Binary = qorLua::Min},
    {.Op = TqorOp::Rad, .Arity = 1, .Name = "rad", .Short = true, .Unary = qorLua::Rad},
    {.Op = TqorOp::Sin, .Arity = 1, .Name = "sin", .Short = true, .Unary = static_cast<qorLua::F1>(std::sin)},
    {.Op = TqorOp::Sinh, .Arity = 1, .Name = "sinh", .Short = true, .Unary = static_cast<qorLua::F1>(std::sinh)},
    {.Op = TqorOp::Sqrt, .Arity = 1, .Name = "sqrt", .Short = true, .Unary = static_cast<qorLua::F1>(std::sqrt)},
    {.Op = TqorOp::Tan, .Arity = 1, .Name = "tan", .Short = true, .Unary = static_cast<qorLua::F1>(std::tan)},
    {.Op = TqorOp::Tanh, .Arity = 1, .Name = "tanh", .Short = true, .Unary = static_cast<qorLua::F1>(std::tanh)},
}};

// Math functions the prelude binds to short names although no expression computes them
// without Lua (they take or give more than one double).
inline constexpr std::string_view qorLuaOnlyPreludeNames[] = {"frexp", "ldexp"};

constexpr const TqorOperation& qorOperation(TqorOp Op) { return qorOperations[static_cast<std::size_t>(Op)]; }

constexpr bool qorOperationsInOrder() {
  for (std::size_t i = 0; i < qorOperations.size(); ++i)
    if (qorOperations[i].Op != static_cast<TqorOp>(i)) return false;
  return qorOperations.back().Op == TqorOp::Tanh;
}
static_assert(qorOperationsInOrder(), "qorOperations is indexed by TqorOp");

// The names the prelude binds without "math.", in alphabetical order: those of the
// table marked Short and the Lua-only ones.
const std::vector<std::string_view>& qorPreludeNames();
