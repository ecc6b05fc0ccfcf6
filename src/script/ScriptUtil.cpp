#include "ScriptUtil.h"

#include "LuaLib.h"
#include "qorException.h"
#include "qorFloatFaults.h"

#include <QStringList>

#include <limits>

namespace {

// The math functions (and pi) that scripts reach without the "math." prefix.
constexpr const char* PreludeNames[] = {
    "abs",  "acos", "asin", "atan",  "ceil", "cos", "cosh", "deg", "exp",
    "floor", "fmod", "frexp", "ldexp", "log", "log10", "max", "min", "pi",
    "pow",  "rad",  "sin",  "sinh",  "sqrt", "tan", "tanh"};

// Width the names are padded to, so that the "=" signs line up.
constexpr int PreludeNameWidth = 5;

}  // namespace

QString MathPrelude() {
  QStringList lines;
  for (const char* name : PreludeNames)
    lines << QString::fromLatin1(name).leftJustified(PreludeNameWidth) + " = math." + name + ";";
  return lines.join("\r\n");
}

TScriptFunction::TScriptFunction(const QString& LuaLibFileName) : TqorScriptLua(LuaLibFileName) {
  {
    TFloatEnvGuard guard;
    LuaLib::luaopen_math(luaState());
  }
  LoadScriptFromString(MathPrelude());
}

Extended TScriptFunction::fct(Extended x) {
  try {
    return TqorScriptLua::fct(x);
  } catch (const ECalculationAborted&) {
    throw;
  } catch (const Exception&) {
    return std::numeric_limits<Extended>::infinity();
  }
}
