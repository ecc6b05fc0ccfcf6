#pragma once
// The program's error types. Every error carries a German, UTF-8 message; the type
// name is available for messages that quote an error by type ("die Ausnahme
// EZeroDivide"). Qt-free so that the numerics can raise them.

#include <stdexcept>
#include <string>

class Exception : public std::exception {
public:
  explicit Exception(std::string message) : FMessage(std::move(message)) {}
  const char* what() const noexcept override { return FMessage.c_str(); }
  const std::string& Message() const noexcept { return FMessage; }
  // The error's type name, as the messages quote it.
  virtual const char* className() const noexcept { return "Exception"; }

private:
  std::string FMessage;
};

// Declares an error type Name derived from Base with its own type name.
#define QOR_EXCEPTION(Name, Base)                                     \
  class Name : public Base {                                          \
  public:                                                             \
    using Base::Base;                                                 \
    const char* className() const noexcept override { return #Name; } \
  }

QOR_EXCEPTION(EMathError, Exception);
QOR_EXCEPTION(EZeroDivide, EMathError);
QOR_EXCEPTION(EInvalidOp, EMathError);
QOR_EXCEPTION(EOverflow, EMathError);
QOR_EXCEPTION(EConvertError, Exception);
QOR_EXCEPTION(EListError, Exception);
QOR_EXCEPTION(EInOutError, Exception);
QOR_EXCEPTION(EDatabaseError, Exception);

// Ends a whole calculation (for example a user function that exceeds its time budget).
// It is never an evaluation failure: every place that catches Exception to record or
// replace a failure rethrows this type first.
QOR_EXCEPTION(ECalculationAborted, Exception);
// A calculation the user stopped (Esc, "Abbrechen", Ctrl+C): it ends as one that ran out
// of time does, but it is no error to report.
QOR_EXCEPTION(ECalculationCancelled, ECalculationAborted);
// The message of ECalculationCancelled, which the window also shows in its status bar.
inline constexpr const char* MsgCalculationCancelled = "Berechnung abgebrochen";
