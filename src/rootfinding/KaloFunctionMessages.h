#pragma once
// Plain words for the errors a newcomer's function text runs into. The interpreter's
// own message says where Lua stumbled, in Lua's words; the sentence here says what to
// do, in the user's. The message shown keeps the interpreter's text as its detail after
// the sentence, so that nothing is lost for those who read it (or match it).

#include <QString>
#include <QStringList>

// The names a function may use besides x: pi and the mathematical functions without
// "math.", in the order the script host binds them.
QStringList AllowedFunctionNames();

// The sentence for the error Detail that the function text FunctionText raised: the
// decimal comma, a missing "*", an unknown name, an unclosed parenthesis; "" when the
// error is none of these.
QString PlainFunctionSentence(const QString& FunctionText, const QString& Detail);

// Detail with the plain sentence in front, on a line of its own; Detail alone when
// there is no sentence for it.
QString WithPlainSentence(const QString& FunctionText, const QString& Detail);
