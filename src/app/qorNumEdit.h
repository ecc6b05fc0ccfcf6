#pragma once
// A one-line edit field for a number. The field holds its value, a double, and shows it
// in its display form: a decimal field with a fixed count of decimal places (or in
// exponent form with that many decimals), a whole-number field without decimals, each
// optionally kept within limits. The value 0 shows as an empty field (a 0 the user
// typed stays "0"), and an empty field reads as 0. A value that is not 0 never shows as
// 0: where the fixed decimals would round it away, the field shows it in exponent form.
// Only an edit replaces the value: as long as the field shows the text it was given
// for its value, it reads that value, not the rounded text.
// Typed numbers take "," and "." alike as the decimal separator, whatever the regional
// settings, and no digit grouping; values are shown with the decimal separator of the
// default QLocale at the time they are shown.
// Every key the user types reaches the text: a text that is no number is not refused
// key by key, where a refused key looks like a broken keyboard, but marked (a reddish
// background and the reason as tooltip) and kept as typed until it is corrected; its
// reason is Problem(). A double-click selects the whole number, so that typing
// replaces it.

#include <QLineEdit>

#include <optional>
#include <string>

class TqorNumEdit : public QLineEdit {
  Q_OBJECT

public:
  // Decimal places of a decimal field unless set otherwise.
  static constexpr int DefaultDecimals = 5;

  // How a decimal field shows its value: with fixed decimals, or always in exponent form.
  enum class TNotation { Fixed, Scientific };

  // A decimal field with DefaultDecimals places in fixed notation and no limits.
  explicit TqorNumEdit(QWidget* Parent = nullptr);

  // Decimal places shown; 0 makes it a field for whole numbers.
  int Decimals() const { return FDecimals; }
  void setDecimals(int value);

  TNotation Notation() const { return FNotation; }
  void setNotation(TNotation value);

  // Limits: with MinValue < MaxValue a value outside them becomes the nearer limit;
  // equal limits (both 0 by default) mean no limits.
  double MinValue() const { return FMinValue; }
  double MaxValue() const { return FMaxValue; }
  void setLimits(double MinValue, double MaxValue);

  // The value held while the field shows the text it was given for it, otherwise the
  // value of the text as it stands (0 for an empty text or one that is no number, see
  // Problem); kept within the limits either way.
  double Value() const;
  // Value rounded to a whole number.
  int AsInteger() const;
  // Holds value, kept within the limits (whole in a whole-number field, 0 when it is
  // not finite), and shows it in the field's form.
  void setValue(double value);

  // The number in Text: optional sign, digits with "," or "." (or the locale's decimal
  // separator) before the decimals, optional exponent, blanks around; rounded once to
  // the nearest double. Nothing for any other text or a number beyond the doubles.
  static std::optional<double> ValueOfText(const QString& Text);
  // Why Text is no number for a field with Decimals places ("" when it is one); a
  // whole-number field (Decimals 0) takes digits with an optional sign only.
  static QString ProblemOfText(const QString& Text, int Decimals);
  // Why the field's text is no number, "" when it is one.
  const QString& Problem() const { return FProblem; }

signals:
  // The field's text became a number again (Problem "") or stopped being one.
  void ProblemChanged(const QString& Problem);

public slots:
  // Makes an edited text the field's value and shows it in the field's form. Runs when
  // editing finishes (Enter, leaving the field); a field showing its value, and one
  // whose text is no number, stay as they are.
  void CommitText();

protected:
  void mouseDoubleClickEvent(QMouseEvent* Event) override;

private:
  double Held(double value) const;
  double Limited(double value) const;
  QString TextOf(double value) const;
  // Finds the text's problem and marks the field by it.
  void CheckText();

  int FDecimals = DefaultDecimals;
  TNotation FNotation = TNotation::Fixed;
  double FMinValue = 0;
  double FMaxValue = 0;
  double FValue = 0;
  QString FShownText;  // the text shown for FValue
  QString FProblem;
};

// The message about Field's text that is no number, naming the field by its accessible
// name: "Im Feld 'x-Werte von' steht keine Zahl: '-2,5-4'. Keine Zahl: ...".
std::string NotANumberMessage(const TqorNumEdit& Field);
