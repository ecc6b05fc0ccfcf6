#pragma once
// The window's calculation runs on the GUI thread: the roots table it fills feeds the
// grid, and the script state is not to be shared. So that Esc and "Abbrechen" still
// reach it, its progress report processes the pending events, at most every
// WatcherInterval (from the script's time check), while a gate stands in front of them:
// Esc anywhere and a click on the cancel button set the cancel flag, and every other key,
// mouse, wheel and shortcut event is dropped, so that nothing else reacts to input until
// the calculation ends. A window's close button (or Alt+F4, or the frame's quitting)
// stops the calculation too, and the window is closed as soon as it has stopped.
// Painting and timers go on as before.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <atomic>

class QPushButton;

class TKaloCalculationGate : public QObject {
public:
  // Clears Cancel, shows CancelButton and stands in front of the application's events.
  TKaloCalculationGate(std::atomic<bool>& Cancel, QPushButton& CancelButton);
  // Hides the button, lets the events through again and closes the windows whose
  // closing was asked for meanwhile.
  ~TKaloCalculationGate() override;
  TKaloCalculationGate(const TKaloCalculationGate&) = delete;
  TKaloCalculationGate& operator=(const TKaloCalculationGate&) = delete;

protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
  std::atomic<bool>& FCancel;
  QPushButton& FCancelButton;
  QList<QPointer<QWidget>> FClosing;
};
