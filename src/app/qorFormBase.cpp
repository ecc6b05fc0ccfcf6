#include "qorFormBase.h"

#include "qorException.h"
#include "qorStrUtils.h"

#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRect>
#include <QScreen>

#include <algorithm>

namespace {
// Separates the words of the metrics text.
const TqorCharSet MetricsDelimiter(u";");
constexpr qsizetype WordLeft = 1;
constexpr qsizetype WordTop = 2;
constexpr qsizetype WordWidth = 3;
constexpr qsizetype WordHeight = 4;
constexpr qsizetype WordState = 5;

// A window is within reach when this much of it (or all of it, if it is smaller) lies
// on one screen: enough to grab its title bar.
constexpr int MinVisibleExtent = 32;

// Word N of Text as a decimal integer, or Value when it is missing or no integer.
int WordAsInteger(qsizetype N, const QString& Text, int Value) {
  bool ok = false;
  const int number = GetWord(N, Text, MetricsDelimiter).trimmed().toInt(&ok, 10);
  return ok ? number : Value;
}

Qt::WindowStates StateFlags(TWindowState State) {
  switch (State) {
    case wsMinimized:
      return Qt::WindowMinimized;
    case wsMaximized:
      return Qt::WindowMaximized;
    default:
      return Qt::WindowNoState;
  }
}

// The configuration storage, or none when the program runs without one (a window
// shown outside the program keeps no metrics).
TqorAppStorageBase* FormStorage() {
  TqorApplicationServiceProviderBase* provider = GlobalServiceProviderOrNone();
  return provider ? provider->Cfg() : nullptr;
}

// Where Window can be seen: the MDI area of a sub-window, otherwise the screens with
// the primary one first.
QList<QRect> VisibleAreas(const QWidget& Window) {
  if (const auto* sub = qobject_cast<const QMdiSubWindow*>(&Window)) {
    if (const QMdiArea* area = sub->mdiArea()) return {area->viewport()->rect()};
    return {};
  }
  QList<QRect> areas;
  if (const QScreen* primary = QGuiApplication::primaryScreen()) areas << primary->availableGeometry();
  for (const QScreen* screen : QGuiApplication::screens())
    if (screen != QGuiApplication::primaryScreen()) areas << screen->availableGeometry();
  return areas;
}

bool WithinReach(const QRect& Place, const QRect& Area) {
  const QRect seen = Place.intersected(Area);
  return seen.width() >= std::min(MinVisibleExtent, Place.width()) &&
         seen.height() >= std::min(MinVisibleExtent, Place.height()) && !seen.isEmpty();
}

// A stored size too small to see or grab (a damaged or hand-edited value such as 0 or
// -500) keeps the window's current size instead.
void KeepVisibleSize(TqorFormMetrics& Metrics, const TqorFormMetrics& Current) {
  if (Metrics.Width < MinVisibleExtent) Metrics.Width = Current.Width;
  if (Metrics.Height < MinVisibleExtent) Metrics.Height = Current.Height;
}

// Moves a place that is out of reach on every area fully into the first area,
// shrinking it where it is larger than the area.
void KeepWithinReach(TqorFormMetrics& Metrics, const QList<QRect>& Areas) {
  const QRect place(Metrics.Left, Metrics.Top, Metrics.Width, Metrics.Height);
  const bool usable = std::any_of(Areas.begin(), Areas.end(), [](const QRect& a) { return !a.isEmpty(); });
  if (!usable || std::any_of(Areas.begin(), Areas.end(), [&](const QRect& a) { return WithinReach(place, a); }))
    return;
  const QRect& area = Areas.first();
  Metrics.Width = std::min(Metrics.Width, area.width());
  Metrics.Height = std::min(Metrics.Height, area.height());
  Metrics.Left = std::clamp(Metrics.Left, area.left(), area.left() + area.width() - Metrics.Width);
  Metrics.Top = std::clamp(Metrics.Top, area.top(), area.top() + area.height() - Metrics.Height);
}
}  // namespace

// ----------------------------------------------------------- TqorFormMetrics

void TqorFormMetrics::Assign(const QWidget& Window) {
  Top = Window.y();
  Left = Window.x();
  Height = Window.height();
  Width = Window.width();
  const Qt::WindowStates state = Window.windowState();
  WindowState = state.testFlag(Qt::WindowMinimized)   ? wsMinimized
                : state.testFlag(Qt::WindowMaximized) ? wsMaximized
                                                      : wsNormal;
}

void TqorFormMetrics::AssignTo(QWidget& Window) const {
  Window.move(Left, Top);
  Window.resize(Width, Height);
  constexpr Qt::WindowStates sizeStates = Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;
  Window.setWindowState((Window.windowState() & ~sizeStates) | StateFlags(WindowState));
}

QString TqorFormMetrics::AsString() const {
  return QStringLiteral("%1;%2;%3;%4;%5").arg(Left).arg(Top).arg(Width).arg(Height).arg(int(WindowState));
}

void TqorFormMetrics::setAsString(const QString& Text) {
  Left = WordAsInteger(WordLeft, Text, Left);
  Top = WordAsInteger(WordTop, Text, Top);
  Width = WordAsInteger(WordWidth, Text, Width);
  Height = WordAsInteger(WordHeight, Text, Height);
  const int state = WordAsInteger(WordState, Text, WindowState);
  if (state == wsNormal || state == wsMinimized || state == wsMaximized) WindowState = TWindowState(state);
}

// ----------------------------------------------------------- reading and writing

QWidget& FormMetricsWindow(QWidget& Form) {
  if (auto* sub = qobject_cast<QMdiSubWindow*>(Form.parentWidget())) return *sub;
  return Form;
}

void ReadFormMetrics(QWidget& Form, const QString& FormName) {
  TqorAppStorageBase* storage = FormStorage();
  if (!storage) return;
  QWidget& window = FormMetricsWindow(Form);
  TqorFormMetrics current;
  current.Assign(window);
  TqorFormMetrics metrics;
  metrics.Assign(window);
  metrics.setAsString(storage->ReadString(aslsFormMetrics, FormMetricsSubKey, FormName, current.AsString()));
  KeepVisibleSize(metrics, current);
  KeepWithinReach(metrics, VisibleAreas(window));
  metrics.AssignTo(window);
}

void WriteFormMetrics(QWidget& Form, const QString& FormName) {
  TqorAppStorageBase* storage = FormStorage();
  if (!storage) return;
  TqorFormMetrics metrics;
  metrics.Assign(FormMetricsWindow(Form));
  if (const TWindowState state = metrics.WindowState; state != wsNormal) {
    // The bounds of a minimised or maximised window are not the ones to restore: keep
    // those stored for the normal window.
    metrics.setAsString(storage->ReadString(aslsFormMetrics, FormMetricsSubKey, FormName, metrics.AsString()));
    metrics.WindowState = state == wsMinimized ? wsNormal : wsMaximized;
  }
  storage->WriteValue(aslsFormMetrics, FormMetricsSubKey, FormName, TqorValue(metrics.AsString()));
}

// ----------------------------------------------------------- TfrmqorVCLWINFormBase

TfrmqorVCLWINFormBase::TfrmqorVCLWINFormBase(QWidget* Owner) : TqorFormBaseOf<QWidget>(Owner) {
  resize(DesignedWidth, DesignedHeight);
}
