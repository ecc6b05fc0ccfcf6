#pragma once
// Answers to the modal dialogs that a call under test opens with exec.

#include <QApplication>
#include <QTimer>

#include <functional>

// Runs Handler on the next modal widget of type T as soon as it is open (within a few
// seconds), so that a test can drive or close a dialog that the call under test opens
// with exec.
template <class T>
void OnNextModal(std::function<void(T*)> Handler) {
  constexpr int PollMilliseconds = 10;
  constexpr int MaxPolls = 500;
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, Handler, polls = 0]() mutable {
    T* modal = qobject_cast<T*>(QApplication::activeModalWidget());
    if (!modal && ++polls < MaxPolls) return;
    timer->stop();
    timer->deleteLater();
    if (modal) Handler(modal);
  });
  timer->start(PollMilliseconds);
}
