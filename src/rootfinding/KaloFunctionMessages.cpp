#include "KaloFunctionMessages.h"

#include "ScriptUtil.h"

#include <QRegularExpression>

namespace {
// A digit, a comma and a digit: a German decimal number, which Lua reads as two.
const QRegularExpression DecimalComma(QStringLiteral("\\d,\\d"));
// Lua's words for a number run into a name ("2x") or called like a function.
const QRegularExpression NumberBeforeName(QStringLiteral("malformed number near|attempt to call a number value"));
// A number, not part of a name, right before a name or a parenthesis: "2x", "2 (x+1)";
// "0 and 1" is Lua.
const QRegularExpression NumberBeforeNameInText(
    QStringLiteral("(^|[^\\w.])\\d+(\\.\\d*)?([eE][+-]?\\d+)?([A-Za-z_]|\\s*\\()"));
// Lua's words for a name that holds nothing.
const QRegularExpression UnknownName(QStringLiteral("global '([A-Za-z_][A-Za-z0-9_]*)' \\(a nil value\\)"));

bool ParenthesisOpen(const QString& FunctionText) { return FunctionText.count(u'(') > FunctionText.count(u')'); }
}  // namespace

QStringList AllowedFunctionNames() {
  // The prelude binds "name = math.name;" for each name: it is the one list of them.
  static const QRegularExpression binding(QStringLiteral("^(\\w+)\\s*="));
  QStringList names;
  for (const QString& line : MathPrelude().split(QStringLiteral("\r\n"))) {
    const QRegularExpressionMatch match = binding.match(line);
    if (match.hasMatch()) names << match.captured(1);
  }
  return names;
}

QString PlainFunctionSentence(const QString& FunctionText, const QString& Detail) {
  if (DecimalComma.match(FunctionText).hasMatch())
    return QStringLiteral("In Formeln steht der Dezimalpunkt, nicht das Komma: 0.5 statt 0,5.");
  if (NumberBeforeName.match(Detail).hasMatch() || NumberBeforeNameInText.match(FunctionText).hasMatch())
    return QStringLiteral("Zwischen einer Zahl und dem, was sie malnimmt, fehlt das Malzeichen: 2*x statt 2x.");
  if (const QRegularExpressionMatch name = UnknownName.match(Detail); name.hasMatch())
    return QStringLiteral("Der Name '%1' ist unbekannt. Erlaubt sind x und %2.")
        .arg(name.captured(1), AllowedFunctionNames().join(QStringLiteral(", ")));
  if (ParenthesisOpen(FunctionText))
    return QStringLiteral("Eine Klammer ist nicht geschlossen: zu jedem '(' gehört ein ')'.");
  return {};
}

QString WithPlainSentence(const QString& FunctionText, const QString& Detail) {
  const QString sentence = PlainFunctionSentence(FunctionText, Detail);
  return sentence.isEmpty() ? Detail : sentence + QStringLiteral("\r\n") + Detail;
}
