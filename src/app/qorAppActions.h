#pragma once
// Helpers for the actions of the program's windows: hints in the form
// "short text|long text" and handlers whose errors are shown to the user.

#include "qorAppErrorDisplay.h"

#include <QAction>
#include <QString>

#include <utility>

// Gives Action its hint: the part before a "|" becomes the tool tip, the part after it
// the status-bar text; a hint without "|" is both.
void SetActionHint(QAction& Action, const QString& Hint);

// Runs Handler whenever Action is triggered while Context lives; an error Handler
// raises is shown by the error display and the window goes on.
template <class THandler>
QMetaObject::Connection OnTriggered(QAction& Action, QObject& Context, THandler Handler) {
  return QObject::connect(&Action, &QAction::triggered, &Context,
                          [handler = std::move(Handler)] { RunShowingErrors(handler); });
}
