#include "qorNumEdit.h"

#include "qorException.h"
#include "qorValue.h"

#include <QLocale>
#include <QRegularExpression>
#include <QValidator>

#include <algorithm>
#include <cmath>

namespace {

// The text with the decimal separators and signs a user may type replaced by the
// ASCII ones, without blanks around.
QString AsciiNumberText(const QString& Text) {
  const QLocale locale;
  QString text = Text.trimmed();
  text.replace(locale.decimalPoint(), QStringLiteral("."));
  text.replace(u',', u'.');
  text.replace(locale.negativeSign(), QStringLiteral("-"));
  text.replace(locale.positiveSign(), QStringLiteral("+"));
  return text;
}

// An ASCII number text with the locale's decimal separator and minus sign.
QString Localized(QString Text) {
  const QLocale locale;
  Text.replace(u'.', locale.decimalPoint());
  Text.replace(u'-', locale.negativeSign());
  return Text;
}

// Value in exponent form with at most Decimals decimals, trailing zeros dropped:
// 1E-06, 2.5E-07, 1.23457E-06.
QString CompactExponentText(double Value, int Decimals) {
  QString text = QString::number(Value, 'E', Decimals);
  const qsizetype exponent = text.indexOf(u'E');
  qsizetype end = exponent;
  while (text[end - 1] == u'0') --end;
  if (text[end - 1] == u'.') --end;
  return text.remove(end, exponent - end);
}

bool ShowsZero(const QString& Text) {
  return std::none_of(Text.begin(), Text.end(), [](QChar c) { return c >= u'1' && c <= u'9'; });
}

}  // namespace

// Lets only numbers be typed into a field: digits with an optional sign, and in a
// decimal field one decimal separator and an exponent. A fixed-notation field takes no
// more decimals than it shows. The limits are applied when the value is read, so that
// a number on its way to a valid one can be typed.
class TqorNumberValidator : public QValidator {
public:
  using QValidator::QValidator;

  void setForm(int Decimals, TqorNumEdit::TNotation Notation) {
    FDecimals = Decimals;
    FNotation = Notation;
  }

  State validate(QString& Input, int& /*Pos*/) const override {
    const QString text = AsciiNumberText(Input);
    if (text.isEmpty()) return Acceptable;
    static const QRegularExpression whole(QStringLiteral("^[+-]?\\d*$"));
    static const QRegularExpression partial(QStringLiteral("^[+-]?\\d*(\\.(\\d*))?([eE][+-]?\\d*)?$"));
    const QRegularExpressionMatch match = (FDecimals == 0 ? whole : partial).match(text);
    if (!match.hasMatch()) return Invalid;
    if (FDecimals > 0 && FNotation == TqorNumEdit::TNotation::Fixed && match.capturedLength(2) > FDecimals)
      return Invalid;
    return TqorNumEdit::ValueOfText(Input) ? Acceptable : Intermediate;
  }

private:
  int FDecimals = TqorNumEdit::DefaultDecimals;
  TqorNumEdit::TNotation FNotation = TqorNumEdit::TNotation::Fixed;
};

TqorNumEdit::TqorNumEdit(QWidget* Parent) : QLineEdit(Parent), FValidator(new TqorNumberValidator(this)) {
  setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  setValidator(FValidator);
  UpdateValidator();
  connect(this, &QLineEdit::editingFinished, this, &TqorNumEdit::CommitText);
}

void TqorNumEdit::setDecimals(int value) {
  const double current = Value();
  FDecimals = std::max(value, 0);
  UpdateValidator();
  setValue(current);
}

void TqorNumEdit::setNotation(TNotation value) {
  const double current = Value();
  FNotation = value;
  UpdateValidator();
  setValue(current);
}

void TqorNumEdit::setLimits(double MinValue, double MaxValue) {
  FMinValue = MinValue;
  FMaxValue = MaxValue;
  setValue(Value());
}

double TqorNumEdit::Value() const {
  if (text() == FShownText) return Limited(FValue);
  return Limited(Held(ValueOfText(text()).value_or(0)));
}

int TqorNumEdit::AsInteger() const { return static_cast<int>(std::lround(Value())); }

void TqorNumEdit::setValue(double value) {
  FValue = Limited(Held(value));
  FShownText = TextOf(FValue);
  setText(FShownText);
}

std::optional<double> TqorNumEdit::ValueOfText(const QString& Text) {
  const QString text = AsciiNumberText(Text);
  if (text.isEmpty()) return 0.0;
  try {
    const double value = ExpTextToDouble(text);
    if (std::isfinite(value)) return value;
  } catch (const EConvertError&) {
  }
  return std::nullopt;
}

void TqorNumEdit::CommitText() {
  if (text() != FShownText) setValue(Value());
}

double TqorNumEdit::Held(double value) const {
  if (!std::isfinite(value)) return 0;
  return FDecimals == 0 ? std::round(value) : value;
}

double TqorNumEdit::Limited(double value) const {
  return FMinValue < FMaxValue ? std::clamp(value, FMinValue, FMaxValue) : value;
}

// A field holds one number that is read back as typed: no digit grouping.
QString TqorNumEdit::TextOf(double value) const {
  if (value == 0) return QString();
  if (FNotation == TNotation::Scientific && FDecimals > 0)
    return Localized(QString::number(value, 'E', FDecimals));
  const QString fixed = QString::number(value, 'f', FDecimals);
  return Localized(ShowsZero(fixed) ? CompactExponentText(value, FDecimals) : fixed);
}

void TqorNumEdit::UpdateValidator() { FValidator->setForm(FDecimals, FNotation); }
