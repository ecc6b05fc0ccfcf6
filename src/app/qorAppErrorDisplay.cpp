#include "qorAppErrorDisplay.h"

#include <QMessageBox>

namespace {
QString& TitleSlot() {
  static QString title;
  return title;
}

TqorErrorDisplay& DisplaySlot() {
  static TqorErrorDisplay display;
  return display;
}

void ShowInMessageBox(const QString& Message) {
  QMessageBox::critical(QApplication::activeWindow(), ApplicationTitle(), Message);
}
}  // namespace

QString ApplicationTitle() { return TitleSlot().isEmpty() ? QCoreApplication::applicationName() : TitleSlot(); }

void SetApplicationTitle(const QString& Title) { TitleSlot() = Title; }

TqorErrorDisplay SetErrorDisplay(TqorErrorDisplay NewDisplay) {
  return std::exchange(DisplaySlot(), std::move(NewDisplay));
}

void ShowErrorMessage(const QString& Message) {
  if (DisplaySlot())
    DisplaySlot()(Message);
  else
    ShowInMessageBox(Message);
}

void ShowException(const std::exception& E) { ShowErrorMessage(QString::fromUtf8(E.what())); }

TqorApplication::TqorApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TqorApplication::notify(QObject* Receiver, QEvent* Event) {
  try {
    return QApplication::notify(Receiver, Event);
  } catch (const std::exception& e) {
    ShowException(e);
    return false;
  }
}
