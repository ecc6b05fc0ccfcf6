#include "qorLuaExpression.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>

// The operations of the program. Binary operations take their right operand from the top
// of the stack and their left one below it.
enum class TqorLuaExpression::TOp : unsigned char { Number, X, Add, Sub, Mul, Div, Mod, Pow, Neg, Call1, Call2, Min, Max };

struct TqorLuaExpression::TStep {
  TOp Op;
  int Count = 0;                       // Min, Max: the number of arguments
  double Value = 0;                    // Number
  double (*Function1)(double) = nullptr;
  double (*Function2)(double, double) = nullptr;
};

namespace {

using TOp = TqorLuaExpression::TOp;
using TStep = TqorLuaExpression::TStep;

// The evaluation stack lives on the machine stack; deeper expressions are left to Lua.
constexpr int MaxStack = 64;
// Nesting of parentheses and calls the parser follows; Lua itself stops at 200.
constexpr int MaxDepth = 100;

// What Lua 5.1's math library computes, operation for operation.
constexpr double Pi = 3.14159265358979323846;
constexpr double RadiansPerDegree = Pi / 180.0;
double Degrees(double a) { return a / RadiansPerDegree; }
double Radians(double a) { return a * RadiansPerDegree; }
double Fabs(double a) { return std::fabs(a); }
// Lua's % operator.
double LuaMod(double a, double b) { return a - std::floor(a / b) * b; }

struct TFunction {
  std::string_view Name;
  double (*Function1)(double);
  double (*Function2)(double, double);
  bool Short;                // bound to its short name as well as under math.
  TOp Variadic = TOp::Number;  // Min or Max for the functions of one or more arguments
};

// Taken through pointers to the library's own functions, so that the compiler cannot
// replace a call by an inline approximation of its own.
const TFunction Functions[] = {
    {"abs", Fabs, nullptr, true},
    {"acos", static_cast<double (*)(double)>(std::acos), nullptr, true},
    {"asin", static_cast<double (*)(double)>(std::asin), nullptr, true},
    {"atan", static_cast<double (*)(double)>(std::atan), nullptr, true},
    {"atan2", nullptr, static_cast<double (*)(double, double)>(std::atan2), false},
    {"ceil", static_cast<double (*)(double)>(std::ceil), nullptr, true},
    {"cos", static_cast<double (*)(double)>(std::cos), nullptr, true},
    {"cosh", static_cast<double (*)(double)>(std::cosh), nullptr, true},
    {"deg", Degrees, nullptr, true},
    {"exp", static_cast<double (*)(double)>(std::exp), nullptr, true},
    {"floor", static_cast<double (*)(double)>(std::floor), nullptr, true},
    {"fmod", nullptr, static_cast<double (*)(double, double)>(std::fmod), true},
    {"log", static_cast<double (*)(double)>(std::log), nullptr, true},
    {"log10", static_cast<double (*)(double)>(std::log10), nullptr, true},
    {"max", nullptr, nullptr, true, TOp::Max},
    {"min", nullptr, nullptr, true, TOp::Min},
    {"pow", nullptr, static_cast<double (*)(double, double)>(std::pow), true},
    {"rad", Radians, nullptr, true},
    {"sin", static_cast<double (*)(double)>(std::sin), nullptr, true},
    {"sinh", static_cast<double (*)(double)>(std::sinh), nullptr, true},
    {"sqrt", static_cast<double (*)(double)>(std::sqrt), nullptr, true},
    {"tan", static_cast<double (*)(double)>(std::tan), nullptr, true},
    {"tanh", static_cast<double (*)(double)>(std::tanh), nullptr, true},
};

const TFunction* FindFunction(std::string_view Name, bool ViaMath) {
  for (const TFunction& f : Functions)
    if (Name == f.Name && (ViaMath || f.Short)) return &f;
  return nullptr;
}

bool IsReserved(std::string_view Name) {
  static constexpr std::string_view Words[] = {"and",   "break", "do",  "else", "elseif", "end",    "false",
                                          "for",   "function", "if", "in", "local",  "nil",    "not",
                                          "or",    "repeat", "return", "then", "true", "until", "while"};
  for (std::string_view w : Words)
    if (Name == w) return true;
  return false;
}

bool IsNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameChar(char c) { return IsNameStart(c) || IsDigit(c); }

// Lua 5.1's binary operators of the subset with their left and right priorities; a
// unary minus binds at 8, so -x^2 is -(x^2) and -2*x is (-2)*x.
struct TBinary {
  char Symbol;
  TOp Op;
  int Left, Right;
};
constexpr TBinary Binaries[] = {{'+', TOp::Add, 6, 6}, {'-', TOp::Sub, 6, 6}, {'*', TOp::Mul, 7, 7},
                                {'/', TOp::Div, 7, 7}, {'%', TOp::Mod, 7, 7}, {'^', TOp::Pow, 10, 9}};
constexpr int UnaryPriority = 8;

// A recursive-descent parser after Lua's own (subexpr/simpleexp), which gives up on
// anything outside the subset; giving up means "let Lua do it", never an error.
class TParser {
public:
  explicit TParser(std::string_view Text) : FText(Text) {}

  bool Parse() {
    if (!Expression(0)) return false;
    SkipSpace();
    return FPos == FText.size() && FOk && !HasNegativeZeroConstant();
  }
  std::vector<TStep>& Program() { return FProgram; }

private:
  // Only blanks and tabs: a line break before "(" is an error in Lua 5.1, and a comment
  // would swallow the text that follows the expression in its script.
  void SkipSpace() {
    while (FPos < FText.size() && (FText[FPos] == ' ' || FText[FPos] == '\t')) ++FPos;
  }
  char Peek() {
    SkipSpace();
    return FPos < FText.size() ? FText[FPos] : '\0';
  }
  bool Accept(char c) {
    if (Peek() != c) return false;
    ++FPos;
    return true;
  }

  bool Expression(int Limit) {
    if (++FDepth > MaxDepth) return false;
    if (!Operand()) return false;
    for (const TBinary* op = NextBinary(); op && op->Left > Limit; op = NextBinary()) {
      ++FPos;
      if (!Expression(op->Right)) return false;
      Emit({op->Op}, -1);
    }
    --FDepth;
    return FOk;
  }

  bool Operand() {
    if (Accept('-')) {
      if (Peek() == '-') return false;  // "--" opens a comment
      if (!Expression(UnaryPriority)) return false;
      Emit({TOp::Neg}, 0);
      return true;
    }
    return Simple();
  }

  const TBinary* NextBinary() {
    const char c = Peek();
    if (c == '-' && FPos + 1 < FText.size() && FText[FPos + 1] == '-') return nullptr;  // a comment: not ours
    for (const TBinary& b : Binaries)
      if (b.Symbol == c) return &b;
    return nullptr;
  }

  bool Simple() {
    const char c = Peek();
    if (Accept('(')) return Expression(0) && Accept(')');
    if (IsDigit(c) || c == '.') return Number();
    if (IsNameStart(c)) return NameOrCall();
    return false;
  }

  // A decimal numeral as Lua reads it: digits with one point and an exponent. Numerals
  // Lua reads otherwise (hexadecimal) or rejects are left to Lua.
  bool Number() {
    const std::size_t start = FPos;
    bool digits = false;
    while (FPos < FText.size() && IsDigit(FText[FPos])) ++FPos, digits = true;
    if (FPos < FText.size() && FText[FPos] == '.') {
      ++FPos;
      while (FPos < FText.size() && IsDigit(FText[FPos])) ++FPos, digits = true;
    }
    if (!digits) return false;
    if (FPos < FText.size() && (FText[FPos] == 'e' || FText[FPos] == 'E')) {
      ++FPos;
      if (FPos < FText.size() && (FText[FPos] == '+' || FText[FPos] == '-')) ++FPos;
      if (FPos >= FText.size() || !IsDigit(FText[FPos])) return false;
      while (FPos < FText.size() && IsDigit(FText[FPos])) ++FPos;
    }
    if (FPos < FText.size() && (IsNameChar(FText[FPos]) || FText[FPos] == '.')) return false;
    // from_chars wants a digit before and after the point
    std::string numeral = FText[start] == '.' ? "0" : "";
    numeral += FText.substr(start, FPos - start);
    if (numeral.back() == '.') numeral += '0';
    double value = 0;
    const auto [end, error] = std::from_chars(numeral.data(), numeral.data() + numeral.size(), value);
    // Out of range: Lua's strtod gives inf or 0, from_chars refuses; leave it to Lua.
    if (error != std::errc() || end != numeral.data() + numeral.size()) return false;
    Emit({TOp::Number, 0, value}, 1);
    return true;
  }

  std::string_view Name() {
    const std::size_t start = FPos;
    while (FPos < FText.size() && IsNameChar(FText[FPos])) ++FPos;
    return FText.substr(start, FPos - start);
  }

  bool NameOrCall() {
    std::string_view name = Name();
    if (IsReserved(name)) return false;
    bool viaMath = false;
    if (name == "math") {
      if (!Accept('.') || !IsNameStart(Peek())) return false;
      name = Name();
      viaMath = true;
    }
    if (Peek() != '(') return Value(name, viaMath);
    const TFunction* f = FindFunction(name, viaMath);
    return f && Call(*f);
  }

  bool Value(std::string_view Name, bool ViaMath) {
    if (Name == "x" && !ViaMath) {
      Emit({TOp::X}, 1);
      return true;
    }
    if (Name == "pi") {
      Emit({TOp::Number, 0, Pi}, 1);
      return true;
    }
    if (Name == "huge" && ViaMath) {
      Emit({TOp::Number, 0, HUGE_VAL}, 1);
      return true;
    }
    return false;
  }

  bool Call(const TFunction& F) {
    Accept('(');
    if (++FDepth > MaxDepth) return false;
    int count = 0;
    if (Peek() != ')') {
      do {
        if (!Expression(0)) return false;
        ++count;
      } while (Accept(','));
    }
    if (!Accept(')')) return false;
    --FDepth;
    if (F.Function1 && count == 1) {
      Emit({TOp::Call1, 0, 0, F.Function1}, 0);
    } else if (F.Function2 && count == 2) {
      Emit({TOp::Call2, 0, 0, nullptr, F.Function2}, -1);
    } else if (F.Variadic != TOp::Number && count >= 1) {
      Emit({F.Variadic, count}, 1 - count);
    } else {
      return false;
    }
    return true;
  }

  // Lua keeps a function's constants in a table keyed by value, where -0 and 0 are one
  // key: with both in one expression, one of them reads as the other. Such expressions
  // are left to Lua; to see which constants Lua keeps, arithmetic on constants is folded
  // as Lua's compiler folds it (not across a division by zero, never to a NaN).
  bool HasNegativeZeroConstant() const {
    for (const TStep& step : FProgram)
      if (step.Op == TOp::Number && step.Value == 0 && std::signbit(step.Value)) return true;
    return false;
  }

  static std::optional<double> Folded(TOp Op, double a, double b) {
    double r;
    switch (Op) {
      case TOp::Add: r = a + b; break;
      case TOp::Sub: r = a - b; break;
      case TOp::Mul: r = a * b; break;
      case TOp::Div: if (b == 0) return std::nullopt; r = a / b; break;
      case TOp::Mod: if (b == 0) return std::nullopt; r = LuaMod(a, b); break;
      case TOp::Pow: r = std::pow(a, b); break;
      case TOp::Neg: r = -a; break;
      default: return std::nullopt;
    }
    if (std::isnan(r)) return std::nullopt;
    return r;
  }

  // Replaces the constant operands of Step, just emitted, by their folded value.
  void Fold(const TStep& Step) {
    const std::size_t n = FProgram.size();
    const int operands = Step.Op == TOp::Neg ? 1 : 2;
    if (n < static_cast<std::size_t>(operands) + 1) return;
    const TStep& a = FProgram[n - 1 - operands];
    const TStep& b = FProgram[n - 2];
    if (a.Op != TOp::Number || b.Op != TOp::Number) return;
    const std::optional<double> r = Folded(Step.Op, a.Value, b.Value);
    if (!r) return;
    FProgram.resize(n - operands);
    FProgram.back() = {TOp::Number, 0, *r};
  }

  // Appends Step, which changes the stack's height by Change.
  void Emit(TStep Step, int Change) {
    FProgram.push_back(Step);
    if (Step.Op >= TOp::Add && Step.Op <= TOp::Neg) Fold(Step);
    FHeight += Change;
    if (FHeight > FMaxDepth) FMaxDepth = FHeight;
    if (FMaxDepth > MaxStack) FOk = false;
  }

  std::string_view FText;
  std::size_t FPos = 0;
  int FDepth = 0;
  int FHeight = 0;
  int FMaxDepth = 0;
  bool FOk = true;
  std::vector<TStep> FProgram;
};

}  // namespace

TqorLuaExpression::TqorLuaExpression(std::vector<TStep> Program) : FProgram(std::move(Program)) {
  for (const TStep& step : FProgram)
    if (step.Function2 == static_cast<double (*)(double, double)>(std::fmod)) FUsesSseOnly = false;
}

TqorLuaExpression::~TqorLuaExpression() = default;

std::unique_ptr<TqorLuaExpression> TqorLuaExpression::Compile(std::string_view Text) {
  TParser parser(Text);
  if (!parser.Parse()) return nullptr;
  return std::make_unique<TqorLuaExpression>(std::move(parser.Program()));
}

namespace {
// Arguments one run of the program over a block works on: its stack of blocks stays
// within the first-level cache for every expression deep enough to matter.
constexpr int Lanes = 64;

// The step applied lane by lane; the operations per lane are those of operator().
template <class TOperation>
void ForLanes(double* result, int n, TOperation operation) {
  for (int i = 0; i < n; ++i) result[i] = operation(i);
}

// math.min or math.max of Count blocks of arguments, from the first block upwards, into
// the first: per lane what operator() does.
void MinMaxLanes(bool Min, double* first, int Count, int n) {
  for (int k = 1; k < Count; ++k) {
    const double* next = first + k * Lanes;
    for (int i = 0; i < n; ++i)
      if (Min ? next[i] < first[i] : next[i] > first[i]) first[i] = next[i];
  }
}
}  // namespace

void TqorLuaExpression::Evaluate(const double* X, double* Y, int N) const {
  double stack[MaxStack][Lanes];
  for (int first = 0; first < N; first += Lanes) {
    const int n = std::min(Lanes, N - first);
    const double* x = X + first;
    int top = -1;
    for (const TStep& step : FProgram) {
      if (step.Op == TOp::Number) {
        std::fill_n(stack[++top], n, step.Value);
        continue;
      }
      if (step.Op == TOp::X) {
        std::copy_n(x, n, stack[++top]);
        continue;
      }
      if (step.Op == TOp::Min || step.Op == TOp::Max) {
        top -= step.Count - 1;
        MinMaxLanes(step.Op == TOp::Min, stack[top], step.Count, n);
        continue;
      }
      const bool binary = step.Op != TOp::Neg && step.Op != TOp::Call1;
      if (binary) --top;
      double* a = stack[top];          // the left operand, or the only one; the result
      const double* b = a + Lanes;     // the right operand: the block above
      switch (step.Op) {
        case TOp::Add: ForLanes(a, n, [&](int i) { return a[i] + b[i]; }); break;
        case TOp::Sub: ForLanes(a, n, [&](int i) { return a[i] - b[i]; }); break;
        case TOp::Mul: ForLanes(a, n, [&](int i) { return a[i] * b[i]; }); break;
        case TOp::Div: ForLanes(a, n, [&](int i) { return a[i] / b[i]; }); break;
        case TOp::Mod: ForLanes(a, n, [&](int i) { return LuaMod(a[i], b[i]); }); break;
        case TOp::Pow: ForLanes(a, n, [&](int i) { return std::pow(a[i], b[i]); }); break;
        case TOp::Neg: ForLanes(a, n, [&](int i) { return -a[i]; }); break;
        case TOp::Call1: ForLanes(a, n, [&](int i) { return step.Function1(a[i]); }); break;
        case TOp::Call2: ForLanes(a, n, [&](int i) { return step.Function2(a[i], b[i]); }); break;
        default: break;
      }
    }
    std::copy_n(stack[top], n, Y + first);
  }
}

double TqorLuaExpression::operator()(double x) const {
  double stack[MaxStack];
  double* top = stack - 1;  // the top element
  for (const TStep& step : FProgram) {
    switch (step.Op) {
      case TOp::Number: *++top = step.Value; break;
      case TOp::X: *++top = x; break;
      case TOp::Add: --top, top[0] = top[0] + top[1]; break;
      case TOp::Sub: --top, top[0] = top[0] - top[1]; break;
      case TOp::Mul: --top, top[0] = top[0] * top[1]; break;
      case TOp::Div: --top, top[0] = top[0] / top[1]; break;
      case TOp::Mod: --top, top[0] = LuaMod(top[0], top[1]); break;
      case TOp::Pow: --top, top[0] = std::pow(top[0], top[1]); break;
      case TOp::Neg: top[0] = -top[0]; break;
      case TOp::Call1: top[0] = step.Function1(top[0]); break;
      case TOp::Call2: --top, top[0] = step.Function2(top[0], top[1]); break;
      case TOp::Min:
      case TOp::Max: {
        // As Lua's math.min/max: the first argument, replaced by each later one that is
        // smaller (larger); a NaN argument thus counts only where it comes first.
        double* first = top - (step.Count - 1);
        double m = first[0];
        for (int i = 1; i < step.Count; ++i)
          if (step.Op == TOp::Min ? first[i] < m : first[i] > m) m = first[i];
        top = first;
        *top = m;
        break;
      }
    }
  }
  return *top;
}
