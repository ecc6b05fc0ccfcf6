#include "qorNumEdit.h"

#include <QDoubleValidator>
#include <QIntValidator>
#include <QLocale>

#include <algorithm>
#include <cmath>

// The validators only let numbers be typed; the limits are applied when the value is
// read, so that a number on its way to a valid one can be typed.
TqorNumEdit::TqorNumEdit(QWidget* Parent)
    : QLineEdit(Parent),
      FIntValidator(new QIntValidator(this)),
      FDoubleValidator(new QDoubleValidator(this)) {
  FDoubleValidator->setNotation(QDoubleValidator::StandardNotation);
  setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  UpdateValidator();
  connect(this, &QLineEdit::editingFinished, this, &TqorNumEdit::CommitText);
}

void TqorNumEdit::setDecimals(int value) {
  const double current = Value();
  FDecimals = std::max(value, 0);
  UpdateValidator();
  setValue(current);
}

void TqorNumEdit::setLimits(double MinValue, double MaxValue) {
  FMinValue = MinValue;
  FMaxValue = MaxValue;
  CommitText();
}

double TqorNumEdit::Value() const {
  bool ok = false;
  const double value = QLocale().toDouble(text().trimmed(), &ok);
  return Limited(ok && std::isfinite(value) ? value : 0);
}

int TqorNumEdit::AsInteger() const { return static_cast<int>(std::lround(Value())); }

void TqorNumEdit::setValue(double value) { setText(TextOf(Limited(value))); }

void TqorNumEdit::CommitText() {
  const QString text = TextOf(Value());
  if (text != this->text()) setText(text);
}

double TqorNumEdit::Limited(double value) const {
  return FMinValue < FMaxValue ? std::clamp(value, FMinValue, FMaxValue) : value;
}

QString TqorNumEdit::TextOf(double value) const {
  if (value == 0) return QString();
  QLocale locale;
  // A field holds one number that is read back as typed: no digit grouping.
  locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
  return locale.toString(value, 'f', FDecimals);
}

void TqorNumEdit::UpdateValidator() {
  FDoubleValidator->setDecimals(FDecimals);
  setValidator(FDecimals == 0 ? static_cast<QValidator*>(FIntValidator) : FDoubleValidator);
}
