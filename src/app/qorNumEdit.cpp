#include "qorNumEdit.h"

#include "qorException.h"
#include "qorValue.h"

#include <QLocale>
#include <QPalette>
#include <QRegularExpression>

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

// The background of a field whose text is no number: noticeable, the text still legible.
const QColor InvalidTextBackground(255, 210, 210);

bool ShowsZero(const QString& Text) {
  return std::none_of(Text.begin(), Text.end(), [](QChar c) { return c >= u'1' && c <= u'9'; });
}

}  // namespace

TqorNumEdit::TqorNumEdit(QWidget* Parent) : QLineEdit(Parent) {
  setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  connect(this, &QLineEdit::editingFinished, this, &TqorNumEdit::CommitText);
  connect(this, &QLineEdit::textChanged, this, &TqorNumEdit::CheckText);
}

void TqorNumEdit::setDecimals(int value) {
  const double current = Value();
  FDecimals = std::max(value, 0);
  setValue(current);
}

void TqorNumEdit::setNotation(TNotation value) {
  const double current = Value();
  FNotation = value;
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

QString TqorNumEdit::ProblemOfText(const QString& Text, int Decimals) {
  const QString text = AsciiNumberText(Text);
  if (text.isEmpty()) return {};
  static const QRegularExpression whole(QStringLiteral("^[+-]?\\d+$"));
  static const QRegularExpression decimal(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
  if (Decimals == 0 && !whole.match(text).hasMatch())
    return QStringLiteral("Keine ganze Zahl: erlaubt sind Ziffern mit Vorzeichen, ohne Trennzeichen.");
  if (!decimal.match(text).hasMatch())
    return QStringLiteral(
        "Keine Zahl: erlaubt sind Ziffern mit Vorzeichen, ein Dezimalkomma (oder -punkt) "
        "und ein Exponent, z. B. -2,5 oder 1E-6.");
  if (!ValueOfText(Text)) return QStringLiteral("Die Zahl liegt außerhalb des darstellbaren Bereichs.");
  return {};
}

void TqorNumEdit::CommitText() {
  if (text() == FShownText || !FProblem.isEmpty()) return;
  const bool typedZero = !text().trimmed().isEmpty();
  setValue(Value());
  // An empty field is 0 too, but a 0 the user typed is not to vanish before their eyes.
  if (FValue == 0 && typedZero) {
    FShownText = QStringLiteral("0");
    setText(FShownText);
  }
}

void TqorNumEdit::mouseDoubleClickEvent(QMouseEvent* Event) {
  QLineEdit::mouseDoubleClickEvent(Event);
  selectAll();
}

void TqorNumEdit::CheckText() {
  const QString problem = ProblemOfText(text(), FDecimals);
  if (problem == FProblem) return;
  FProblem = problem;
  QPalette palette;
  if (!FProblem.isEmpty()) palette.setColor(QPalette::Base, InvalidTextBackground);
  setPalette(palette);
  setToolTip(FProblem);
  emit ProblemChanged(FProblem);
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
  if (FNotation == TNotation::Scientific && FDecimals > 0) return Localized(QString::number(value, 'E', FDecimals));
  const QString fixed = QString::number(value, 'f', FDecimals);
  return Localized(ShowsZero(fixed) ? CompactExponentText(value, FDecimals) : fixed);
}

std::string NotANumberMessage(const TqorNumEdit& Field) {
  return QStringLiteral("Im Feld '%1' steht keine Zahl: '%2'. %3")
      .arg(Field.accessibleName(), Field.text().trimmed(), Field.Problem())
      .toStdString();
}
