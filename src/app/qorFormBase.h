#pragma once
// The form base: every window of the program has a form name under which its position,
// size and state (the form metrics) are kept between runs. The metrics are read when the
// window is shown and written when it is closed. A maximised window keeps the normal
// bounds it had before it was maximised (or, where they are not known, the ones last
// stored for it), so that restoring it brings them back; a window closed while
// minimised opens normal. Dialogs neither read nor write metrics.
//
// The metrics belong to the window the user moves: for a form inside an MDI area that
// is its sub-window frame (positions relative to the area), otherwise the form itself.
// For a top-level window they hold its client area, without the frame the window
// system draws around it: a window manager frames a window only after it is shown, so
// only the client area is placed and reported alike before and after, and storing and
// restoring give the same text whatever the frame's size.
// A stored place whose title bar, or half of it, lies off every screen is replaced by
// one where the window's frame is fully visible, so that a window never opens out of
// reach; an MDI child always opens
// fully inside the area's visible part. Without a registered service provider or its
// storage, metrics are not kept.
//
// TqorFormBaseOf<> adds this to any widget class (QWidget, QMainWindow, QDialog);
// TfrmqorVCLWINFormBase is the plain form that tool windows derive from.

#include "qorAppErrorDisplay.h"
#include "qorAppSvcProvBase.h"
#include "qorList.h"

#include <QCloseEvent>
#include <QDialog>
#include <QHideEvent>
#include <QMargins>
#include <QShowEvent>
#include <QString>
#include <QWidget>

#include <functional>
#include <type_traits>

// The window states the metrics know, with their stored numbers.
enum TWindowState : int { wsNormal = 0, wsMinimized = 1, wsMaximized = 2 };

// The metrics of one window and their text form "Left;Top;Width;Height;State": the
// place and size of its client area (see the header comment) and its state.
class TqorFormMetrics : public TqorObject {
public:
  int Top = 0;
  int Left = 0;
  int Height = 0;
  int Width = 0;
  TWindowState WindowState = wsNormal;

  // Takes the client area and state of Window.
  void Assign(const QWidget& Window);
  // Gives Window this client area and state.
  void AssignTo(QWidget& Window) const;

  // "10;20;640;480;0" for a normal window at left 10, top 20, 640 wide, 480 high.
  QString AsString() const;
  // Reads the five words of Text in the order of AsString; a word that is missing or
  // no decimal integer, and a state other than 0, 1 and 2, keeps the value before.
  void setAsString(const QString& Text);
};

// The configuration sub key below which every form keeps its metrics.
inline const QString FormMetricsSubKey = QStringLiteral("Forms");
// The form name of a form that sets none.
inline const QString DefaultFormName = QStringLiteral("Basisformular");

// Tells how far the window system's frame reaches beyond a top-level window's client
// area on each side: none for a child window, and none until the window is framed.
using TqorWindowFrameQuery = std::function<QMargins(const QWidget& Window)>;
// Replaces the query the form metrics use (tests simulate a window manager's frame with
// it; the empty query restores the platform's); returns the one it replaces.
TqorWindowFrameQuery SetWindowFrameQuery(TqorWindowFrameQuery Query);

// The window whose metrics are kept for Form: its MDI sub-window, or Form itself.
QWidget& FormMetricsWindow(QWidget& Form);
// Applies the metrics stored under FormName to Form's window; without stored metrics the
// window stays as it is. A place off every screen becomes one where the whole frame is
// visible; an MDI child is fitted into the area's visible part, down to its minimum
// size; a stored width or height too small to see keeps the current one.
void ReadFormMetrics(QWidget& Form, const QString& FormName);
// Stores the metrics of Form's window under FormName (see the header comment for
// maximised and minimised windows).
void WriteFormMetrics(QWidget& Form, const QString& FormName);

// The form base over the widget class TWidget.
template <class TWidget>
class TqorFormBaseOf : public TWidget {
public:
  // Owner is the Qt parent; a tool window is made without one and handed to the MDI
  // area, which becomes its parent.
  explicit TqorFormBaseOf(QWidget* Owner = nullptr, Qt::WindowFlags Flags = {}) : TWidget(Owner, Flags) {}

  // The name the metrics are stored under; set it before the form is first shown.
  const QString& FormName() const { return FFormName; }
  void setFormName(const QString& value) { FFormName = value; }
  // Whether metrics are read on showing and written on closing; true at first.
  bool ReadFormMetricsEnabled() const { return FReadFormMetricsEnabled; }
  void setReadFormMetricsEnabled(bool value) { FReadFormMetricsEnabled = value; }

  // The global application service provider.
  TqorApplicationServiceProviderBase& ASP() const { return GlobalServiceProvider(); }
  // The provider's busy status with Text (the empty text clears it).
  void BusyStatus(const QString& Text) { ASP().BusyStatus(Text); }
  // Pushes Text onto the provider's busy stack; returns its index.
  int PushBusyStatus(const QString& Text) { return ASP().PushBusyStatus(Text); }
  // Removes the top of the provider's busy stack.
  void PopBusyStatus() { ASP().PopBusyStatus(); }

  // Applies the stored metrics, unless the form is a dialog.
  void ReadFormMetrics() {
    if (!HasDialogBorder()) ::ReadFormMetrics(*this, FFormName);
  }
  // Stores the current metrics, unless the form is a dialog.
  void WriteFormMetrics() {
    if (!HasDialogBorder()) ::WriteFormMetrics(*this, FFormName);
  }

protected:
  // Whether the form is a dialog, which keeps no metrics.
  virtual bool HasDialogBorder() const { return this->windowType() == Qt::Dialog; }

  // The first showing after creation or closing reads the metrics; showing again after
  // minimising does not, so that restoring keeps the window where the user left it.
  void showEvent(QShowEvent* Event) override {
    if (!Event->spontaneous() && !FShown) {
      FShown = true;
      if (FReadFormMetricsEnabled) Guarded([this] { ReadFormMetrics(); });
    }
    TWidget::showEvent(Event);
  }
  // Stores the metrics; a closed MDI child goes away instead of lingering hidden.
  void closeEvent(QCloseEvent* Event) override {
    StoreOnClosing();
    QWidget& window = FormMetricsWindow(*this);
    if (&window != this) window.setAttribute(Qt::WA_DeleteOnClose);
    TWidget::closeEvent(Event);
  }
  // A dialog ended by OK, Cancel or Esc is hidden without a close event: that is its
  // closing, too. Minimising hides a window as well, but spontaneously.
  void hideEvent(QHideEvent* Event) override {
    if constexpr (std::is_base_of_v<QDialog, TWidget>)
      if (!Event->spontaneous()) StoreOnClosing();
    TWidget::hideEvent(Event);
  }

private:
  // Stores the metrics of a window that was shown, once per showing.
  void StoreOnClosing() {
    if (FShown && FReadFormMetricsEnabled) Guarded([this] { WriteFormMetrics(); });
    FShown = false;
  }
  // Runs Step; a failing storage must not take the window's showing or closing with it.
  template <class TStep>
  void Guarded(TStep Step) {
    try {
      Step();
    } catch (const std::exception& e) {
      ShowException(e);
    }
  }

  QString FFormName = DefaultFormName;
  bool FReadFormMetricsEnabled = true;
  // Shown since creation or the last closing.
  bool FShown = false;
};

// The form that tool windows derive from; designed with a client area of 414 x 264.
class TfrmqorVCLWINFormBase : public TqorFormBaseOf<QWidget> {
  Q_OBJECT

public:
  static constexpr int DesignedWidth = 414;
  static constexpr int DesignedHeight = 264;

  explicit TfrmqorVCLWINFormBase(QWidget* Owner = nullptr);
};
