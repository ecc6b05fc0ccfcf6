#pragma once
// The application's display of errors: an error that reaches the user interface is
// shown with its message in a message box, and the program goes on. Tests and other
// hosts may replace the display (for example by one that records the messages).

#include <QApplication>
#include <QString>

#include <exception>
#include <functional>

// Shows the message of an error to the user.
using TqorErrorDisplay = std::function<void(const QString& Message)>;

// The title of the program's message boxes; the application name until set.
QString ApplicationTitle();
void SetApplicationTitle(const QString& Title);

// Replaces the error display (an empty one restores the message box); returns the
// display it replaced.
TqorErrorDisplay SetErrorDisplay(TqorErrorDisplay NewDisplay);
// Shows Message through the current error display.
void ShowErrorMessage(const QString& Message);
// Shows the message of E (UTF-8) through the current error display.
void ShowException(const std::exception& E);

// Runs Action; an error it raises is shown and does not go further. Returns whether
// Action completed.
template <class TAction>
bool RunShowingErrors(TAction&& Action) {
  try {
    Action();
    return true;
  } catch (const std::exception& e) {
    ShowException(e);
    return false;
  }
}

// The application object of the program's windows: an error that escapes an event
// handler is shown, and the event loop goes on.
class TqorApplication : public QApplication {
  Q_OBJECT

public:
  TqorApplication(int& argc, char** argv);
  bool notify(QObject* Receiver, QEvent* Event) override;
};
