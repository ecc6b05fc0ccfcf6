#include "qorLuaExpression.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>

namespace {

// Nesting of parentheses and calls the parser follows; Lua itself stops at 200.
constexpr int MaxDepth = 100;

bool IsReserved(std::string_view Name) {
  static constexpr std::string_view Words[] = {"and", "break",    "do",     "else", "elseif", "end",   "false",
                                               "for", "function", "if",     "in",   "local",  "nil",   "not",
                                               "or",  "repeat",   "return", "then", "true",   "until", "while"};
  return std::find(std::begin(Words), std::end(Words), Name) != std::end(Words);
}

bool IsNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameChar(char c) { return IsNameStart(c) || IsDigit(c); }

// The operation Name reaches in Lua, called or read; ViaMath: written "math.Name".
const TqorOperation* FindName(std::string_view Name, bool ViaMath) {
  for (const TqorOperation& op : qorOperations)
    if (!op.Name.empty() && op.Name == Name && (ViaMath || op.Short)) return &op;
  return nullptr;
}

const TqorOperation* FindBinary(char Symbol) {
  for (const TqorOperation& op : qorOperations)
    if (op.Symbol == Symbol && op.Arity == 2) return &op;
  return nullptr;
}

// What Lua's compiler makes of the operator Op on numerals: their value, unless it
// would divide by 0 or give a NaN (which cannot be a key of its table of constants).
std::optional<double> LuaFolded(TqorOp Op, const double* Operands) {
  if ((Op == TqorOp::Div || Op == TqorOp::Mod) && Operands[1] == 0) return std::nullopt;
  std::vector<TqorStep> program = {{TqorOp::Number, Operands[0]}};
  if (qorOperation(Op).Arity == 2) program.push_back({TqorOp::Number, Operands[1]});
  program.push_back({Op});
  double stack[2];
  TqorDoubleArithmetic lua;
  const double r = qorRun(lua, program, stack);
  if (std::isnan(r)) return std::nullopt;
  return r;
}

// A recursive-descent parser after Lua's own (subexpr/simpleexp), which gives up on
// anything outside the subset; giving up means "let Lua do it", never an error.
class TParser {
public:
  explicit TParser(std::string_view Text) : FText(Text) {}

  bool Parse() {
    if (!Expression(0)) return false;
    SkipSpace();
    return FPos == FText.size() && FOk && !HasBothZeros();
  }
  std::vector<TqorStep>& Program() { return FProgram; }

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
    for (const TqorOperation* op = NextBinary(); op && op->Left > Limit; op = NextBinary()) {
      ++FPos;
      if (!Expression(op->Right)) return false;
      EmitOperator(op->Op);
    }
    --FDepth;
    return FOk;
  }

  bool Operand() {
    if (Accept('-')) {
      if (Peek() == '-') return false;  // "--" opens a comment
      if (!Expression(qorOperation(TqorOp::Neg).Left)) return false;
      EmitOperator(TqorOp::Neg);
      return true;
    }
    return Simple();
  }

  const TqorOperation* NextBinary() {
    const char c = Peek();
    if (c == '-' && FPos + 1 < FText.size() && FText[FPos + 1] == '-') return nullptr;  // a comment: not ours
    return FindBinary(c);
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
    Emit({TqorOp::Number, value}, true);
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
    const bool call = Peek() == '(';
    if (name == "x" && !viaMath && !call) {
      Emit({TqorOp::X});
      return true;
    }
    const TqorOperation* op = FindName(name, viaMath);
    if (!op || call != (op->Arity > 0)) return false;
    if (call) return Call(*op);
    Emit({op->Op, op->Value});  // a global read at run time, never folded
    return true;
  }

  // The arguments of a call of F and F itself; a variadic F combines its arguments
  // left to right, a single one is its own value.
  bool Call(const TqorOperation& F) {
    Accept('(');
    if (++FDepth > MaxDepth) return false;
    int count = 0;
    if (Peek() != ')') {
      do {
        if (!Expression(0)) return false;
        if (++count > 1 && F.Variadic) Emit({F.Op});
      } while (Accept(','));
    }
    if (!Accept(')')) return false;
    --FDepth;
    if (F.Variadic) return count >= 1;
    if (count != F.Arity) return false;
    Emit({F.Op});
    return true;
  }

  // Lua keeps a function's constants in a table keyed by value, where -0 and 0 are one
  // key: with both in one expression, each reads as whichever Lua met first. Such
  // expressions are left to Lua.
  bool HasBothZeros() const {
    bool positive = false, negative = false;
    for (std::size_t i = 0; i < FProgram.size(); ++i)
      if (FNumeral[i] && FProgram[i].Value == 0) (std::signbit(FProgram[i].Value) ? negative : positive) = true;
    return positive && negative;
  }

  // The operator Op on its operands, folded into one numeral where Lua's compiler
  // folds it: when every operand is a numeral (pi and math.huge are global reads).
  void EmitOperator(TqorOp Op) {
    Emit({Op});
    const std::size_t arity = qorOperation(Op).Arity;
    const std::size_t first = FProgram.size() - 1 - arity;
    double operands[2] = {0, 0};
    for (std::size_t i = 0; i < arity; ++i) {
      if (!FNumeral[first + i]) return;
      operands[i] = FProgram[first + i].Value;
    }
    const std::optional<double> r = LuaFolded(Op, operands);
    if (!r) return;
    FProgram.resize(first + 1);
    FNumeral.resize(first + 1);
    FProgram.back() = {TqorOp::Number, *r};
  }

  // Appends Step (Numeral: a constant of Lua's table of constants).
  void Emit(TqorStep Step, bool Numeral = false) {
    FProgram.push_back(Step);
    FNumeral.push_back(Numeral);
    FHeight += 1 - qorOperation(Step.Op).Arity;
    FMaxHeight = std::max(FMaxHeight, FHeight);
    if (FMaxHeight > qorMaxStack) FOk = false;
  }

  std::string_view FText;
  std::size_t FPos = 0;
  int FDepth = 0;
  int FHeight = 0;
  int FMaxHeight = 0;
  bool FOk = true;
  std::vector<TqorStep> FProgram;
  std::vector<bool> FNumeral;  // per step: a numeral
};

// Arguments one run of the program over a block works on: its stack of blocks stays
// within the first-level cache for every expression deep enough to matter.
constexpr int Lanes = 64;

struct TBlock {
  double v[Lanes];
};

// Lua's arithmetic on the first n lanes of blocks: per lane what operator() computes.
class TLanesArithmetic {
public:
  using TValue = TBlock;
  TLanesArithmetic(const double* x, int n) : FX(x), FN(n) {}

  void Constant(TBlock& r, double c) const { std::fill_n(r.v, FN, c); }
  void Variable(TBlock& r) const { std::copy_n(FX, FN, r.v); }
  template <TqorOp Op>
  void Apply(TBlock& r, const TBlock& a) const {
    for (int i = 0; i < FN; ++i) r.v[i] = TqorDoubleArithmetic::Of<Op>(a.v[i]);
  }
  template <TqorOp Op>
  void Apply(TBlock& r, const TBlock& a, const TBlock& b) const {
    for (int i = 0; i < FN; ++i) r.v[i] = TqorDoubleArithmetic::Of<Op>(a.v[i], b.v[i]);
  }

private:
  const double* FX;
  int FN;
};

}  // namespace

TqorLuaExpression::TqorLuaExpression(std::vector<TqorStep> Program) : FProgram(std::move(Program)) {
  for (const TqorStep& step : FProgram)
    if (qorOperation(step.Op).UsesX87) FUsesSseOnly = false;
}

std::unique_ptr<TqorLuaExpression> TqorLuaExpression::Compile(std::string_view Text) {
  TParser parser(Text);
  if (!parser.Parse()) return nullptr;
  return std::make_unique<TqorLuaExpression>(std::move(parser.Program()));
}

void TqorLuaExpression::Evaluate(const double* X, double* Y, int N) const {
  TBlock stack[qorMaxStack];
  for (int first = 0; first < N; first += Lanes) {
    const int n = std::min(Lanes, N - first);
    TLanesArithmetic lanes(X + first, n);
    std::copy_n(qorRun(lanes, FProgram, stack).v, n, Y + first);
  }
}

double TqorLuaExpression::operator()(double x) const {
  double stack[qorMaxStack];
  TqorDoubleArithmetic lua{x};
  return qorRun(lua, FProgram, stack);
}
