#include "KaloFunctionMessages.h"
#include "ScriptUtil.h"
#include "qorException.h"

#include <gtest/gtest.h>

namespace {

const QString DecimalPoint = "In Formeln steht der Dezimalpunkt, nicht das Komma: 0.5 statt 0,5.";
const QString MissingTimes = "Zwischen einer Zahl und dem, was sie malnimmt, fehlt das Malzeichen: 2*x statt 2x.";
const QString OpenParenthesis = "Eine Klammer ist nicht geschlossen: zu jedem '(' gehört ein ')'.";

// The error a function text raises, as the script host words it.
QString LoadError(const QString& Expression) {
  try {
    TScriptFunction function;
    function.LoadExpression(Expression);
    function.fctRaising(1);
  } catch (const Exception& e) {
    return QString::fromStdString(e.Message());
  }
  return {};
}

TEST(KaloFunctionMessages, CommonMistakesGetAPlainSentence) {
  const struct {
    const char* function;
    QString sentence;
  } cases[] = {
      {"0,5*x - 1", DecimalPoint},
      {"sin(x) - 0,25", DecimalPoint},
      {"2x-1", MissingTimes},
      {"3*x^2 + 2x", MissingTimes},
      {"2(x+1)", MissingTimes},
      {"sinn(x)", "Der Name 'sinn' ist unbekannt. Erlaubt sind x und " + AllowedFunctionNames().join(", ") + "."},
      {"y + 1", "Der Name 'y' ist unbekannt. Erlaubt sind x und " + AllowedFunctionNames().join(", ") + "."},
      {"sin(x", OpenParenthesis},
      {"(x - 1)*(x + 2", OpenParenthesis},
      {"x +", ""},  // Lua's own words are all there is to say
      {"x > 0 and y + 1 or 1",
       "Der Name 'y' ist unbekannt. Erlaubt sind x und " + AllowedFunctionNames().join(", ") + "."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.function);
    const QString detail = LoadError(c.function);
    ASSERT_FALSE(detail.isEmpty()) << "the function raises";
    EXPECT_EQ(PlainFunctionSentence(c.function, detail).toStdString(), c.sentence.toStdString())
        << detail.toStdString();
    EXPECT_EQ(WithPlainSentence(c.function, detail), c.sentence.isEmpty() ? detail : c.sentence + "\r\n" + detail)
        << "the interpreter's words stay as the detail";
  }
}

TEST(KaloFunctionMessages, TheAllowedNamesAreThoseTheScriptHostBinds) {
  const QStringList names = AllowedFunctionNames();
  EXPECT_EQ(names.size(), MathPrelude().count(QStringLiteral("= math.")));
  for (const char* name : {"sin", "cos", "sqrt", "exp", "log", "pi"}) EXPECT_TRUE(names.contains(name)) << name;
  for (const QString& name : names)
    EXPECT_EQ(LoadError(name + " and 1").toStdString(), "") << "bound: " << name.toStdString();
}

}  // namespace
