#include "KaloCalculationGate.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

namespace {
// The events by which the user acts on a widget, an action or a shortcut.
bool IsInput(QEvent::Type Type) {
  switch (Type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::Close:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::InputMethod:
      return true;
    default:
      return false;
  }
}

bool IsMouse(QEvent::Type Type) {
  return Type == QEvent::MouseButtonPress || Type == QEvent::MouseButtonRelease ||
         Type == QEvent::MouseButtonDblClick || Type == QEvent::MouseMove;
}

bool IsEscape(const QEvent* Event) {
  const QEvent::Type type = Event->type();
  return (type == QEvent::KeyPress || type == QEvent::ShortcutOverride) &&
         static_cast<const QKeyEvent*>(Event)->key() == Qt::Key_Escape;
}
}  // namespace

TKaloCalculationGate::TKaloCalculationGate(std::atomic<bool>& Cancel, QPushButton& CancelButton)
    : FCancel(Cancel), FCancelButton(CancelButton) {
  FCancel = false;
  FCancelButton.show();
  QCoreApplication::instance()->installEventFilter(this);
}

TKaloCalculationGate::~TKaloCalculationGate() {
  QCoreApplication::instance()->removeEventFilter(this);
  FCancelButton.hide();
  // Closed once the calculation has unwound: closing now would pull the window away
  // from under it.
  for (const QPointer<QWidget>& window : FClosing)
    QTimer::singleShot(0, window, [window] {
      if (window) window->close();
    });
}

// Input reaches the widgets through their windows: the gate stands at the widgets (and
// the actions a shortcut would run), where the target is known. An accepted
// ShortcutOverride keeps the key from becoming a shortcut, so that it arrives here.
bool TKaloCalculationGate::eventFilter(QObject* Watched, QEvent* Event) {
  const QEvent::Type type = Event->type();
  if (!IsInput(type) || qobject_cast<QWindow*>(Watched)) return false;
  if (IsMouse(type) && Watched == &FCancelButton) return false;
  if (IsEscape(Event)) FCancel = true;
  if (type == QEvent::ShortcutOverride) {
    Event->accept();
  } else if (type == QEvent::Close) {
    // The user wants the window gone, calculation and all.
    FCancel = true;
    if (auto* window = qobject_cast<QWidget*>(Watched); window && !FClosing.contains(window)) FClosing << window;
    Event->ignore();
  }
  return true;
}
