#pragma once
// Input helpers of the widget tests: keys sent as the keyboard sends them, and the
// default locale set for a scope.

#include <QApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QString>
#include <QWidget>

// Sends Key to Target as a key press and release (through Target's event filters).
inline void SendKey(QWidget* Target, int Key, const QString& Text = QString(),
                    Qt::KeyboardModifiers Modifiers = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, Key, Modifiers, Text);
  QApplication::sendEvent(Target, &press);
  QKeyEvent release(QEvent::KeyRelease, Key, Modifiers, Text);
  QApplication::sendEvent(Target, &release);
}

// Qt's own way in for a key that may be a shortcut, as Qt Test uses it: true when a
// shortcut took the key.
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k, Qt::KeyboardModifiers mods,
                                               const QString& text = QString(), bool autorep = false, ushort count = 1);

// Presses Key in Focus as the keyboard would: a shortcut that applies there takes it
// first, otherwise Focus gets it.
inline void PressKey(QWidget* Focus, int Key, Qt::KeyboardModifiers Modifiers = Qt::NoModifier) {
  if (!qt_sendShortcutOverrideEvent(Focus, 0, Key, Modifiers)) SendKey(Focus, Key, QString(), Modifiers);
}

// Types Text into Target one character at a time.
inline void TypeText(QWidget* Target, const QString& Text) {
  for (const QChar c : Text) SendKey(Target, c.toUpper().unicode(), QString(c));
}

// Sets the default locale for a scope and restores the one before.
class TDefaultLocale {
public:
  explicit TDefaultLocale(const QLocale& Locale) { QLocale::setDefault(Locale); }
  ~TDefaultLocale() { QLocale::setDefault(FSaved); }
  TDefaultLocale(const TDefaultLocale&) = delete;
  TDefaultLocale& operator=(const TDefaultLocale&) = delete;

private:
  QLocale FSaved;
};
