#pragma once
// A one-line edit field for a number: decimal numbers with a fixed count of decimal
// places, or whole numbers, optionally kept within limits. The value 0 shows as an
// empty field, and an empty field reads as 0. Numbers are shown and read with the
// decimal separator of the user's regional settings (the default QLocale; typing
// follows the locale that was the default when the field was made).

#include <QLineEdit>

class QDoubleValidator;
class QIntValidator;

class TqorNumEdit : public QLineEdit {
  Q_OBJECT

public:
  // Decimal places of a decimal field unless set otherwise.
  static constexpr int DefaultDecimals = 5;

  // A decimal field with DefaultDecimals places and no limits.
  explicit TqorNumEdit(QWidget* Parent = nullptr);

  // Decimal places shown; 0 makes it a field for whole numbers.
  int Decimals() const { return FDecimals; }
  void setDecimals(int value);

  // Limits: with MinValue < MaxValue a value outside them becomes the nearer limit;
  // equal limits (both 0 by default) mean no limits.
  double MinValue() const { return FMinValue; }
  double MaxValue() const { return FMaxValue; }
  void setLimits(double MinValue, double MaxValue);

  // The value the text stands for, kept within the limits; 0 for an empty text or one
  // that is no number.
  double Value() const;
  // Value rounded to a whole number.
  int AsInteger() const;
  // Shows value, kept within the limits, in the field's form.
  void setValue(double value);

public slots:
  // Shows the text's value in the field's form, so that what the field shows is what
  // it reads. Runs when editing finishes (Enter, leaving the field).
  void CommitText();

private:
  double Limited(double value) const;
  QString TextOf(double value) const;
  void UpdateValidator();

  QIntValidator* FIntValidator;
  QDoubleValidator* FDoubleValidator;
  int FDecimals = DefaultDecimals;
  double FMinValue = 0;
  double FMaxValue = 0;
};
