#include "qorFormBase.h"

#include "qorException.h"
#include "qorStrUtils.h"

#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRect>
#include <QScreen>

#include <algorithm>
#include <utility>

namespace {
// Separates the words of the metrics text.
const TqorCharSet MetricsDelimiter(u";");
constexpr qsizetype WordLeft = 1;
constexpr qsizetype WordTop = 2;
constexpr qsizetype WordWidth = 3;
constexpr qsizetype WordHeight = 4;
constexpr qsizetype WordState = 5;

// The smallest width and height a stored size may have: enough to see and grab.
constexpr int MinVisibleExtent = 32;
// How far below the title bar the screen must reach for the window to be found.
constexpr int TitleBarExtent = 32;
// The room kept around a window that is not framed yet for the frame it will get: a
// little more than the borders and title bars of common window managers.
constexpr QMargins UnknownFrame(8, 32, 8, 8);

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

// The frame query the metrics use; the platform's unless a test put in another.
TqorWindowFrameQuery& WindowFrameQuery() {
  static TqorWindowFrameQuery query;
  return query;
}

QMargins PlatformFrameMargins(const QWidget& Window) {
  if (!Window.isWindow()) return {};
  const QRect frame = Window.frameGeometry();
  const QRect client = Window.geometry();
  return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
          frame.bottom() - client.bottom()};
}

QMargins FrameMargins(const QWidget& Window) {
  const TqorWindowFrameQuery& query = WindowFrameQuery();
  return query ? query(Window) : PlatformFrameMargins(Window);
}

// The frame to keep within reach around Window: its own, or, before the window system
// has framed it, room for one.
QMargins ExpectedFrame(const QWidget& Window) {
  const QMargins frame = FrameMargins(Window);
  if (!frame.isNull() || Window.windowFlags().testFlag(Qt::FramelessWindowHint)) return frame;
  return UnknownFrame;
}

// The screens' available areas, the primary one first.
QList<QRect> ScreenAreas() {
  QList<QRect> areas;
  if (const QScreen* primary = QGuiApplication::primaryScreen()) areas << primary->availableGeometry();
  for (const QScreen* screen : QGuiApplication::screens())
    if (screen != QGuiApplication::primaryScreen()) areas << screen->availableGeometry();
  return areas;
}

// A window is within reach when the lower edge of its title bar, where the client area
// begins, lies on the screen with room to grab it, and at least half of the window in
// each direction: a window left mostly off screen is as good as lost.
bool WithinReach(const QRect& Client, const QRect& Frame, const QRect& Area) {
  const QRect seen = Frame.intersected(Area);
  const bool titleBar = Client.top() >= Area.top() && Client.top() + TitleBarExtent <= Area.bottom() + 1;
  return titleBar && !seen.isEmpty() && 2 * seen.width() >= Frame.width() && 2 * seen.height() >= Frame.height();
}

// A stored size too small to see or grab (a damaged or hand-edited value such as 0 or
// -500) keeps the window's current size instead.
void KeepVisibleSize(TqorFormMetrics& Metrics, const TqorFormMetrics& Current) {
  if (Metrics.Width < MinVisibleExtent) Metrics.Width = Current.Width;
  if (Metrics.Height < MinVisibleExtent) Metrics.Height = Current.Height;
}

// Place moved (and shrunk down to Minimum, where it is larger) to lie within Area; a
// place that cannot shrink enough keeps to the area's top left.
QRect FittedInto(const QRect& Place, const QRect& Area, const QSize& Minimum) {
  const QSize size = Place.size().boundedTo(Area.size()).expandedTo(Minimum);
  const int left = std::max(Area.left(), std::min(Place.left(), Area.left() + Area.width() - size.width()));
  const int top = std::max(Area.top(), std::min(Place.top(), Area.top() + Area.height() - size.height()));
  return {QPoint(left, top), size};
}

void SetPlace(TqorFormMetrics& Metrics, const QRect& Place) {
  Metrics.Left = Place.left();
  Metrics.Top = Place.top();
  Metrics.Width = Place.width();
  Metrics.Height = Place.height();
}

// An MDI child opens fully inside the visible part of its area, so that no part of it
// hides behind the area's edge or scroll bars; it is not made smaller than it can be.
void KeepInsideMdiArea(TqorFormMetrics& Metrics, const QMdiSubWindow& Sub) {
  const QMdiArea* area = Sub.mdiArea();
  if (!area || area->viewport()->rect().isEmpty()) return;
  const QRect place(Metrics.Left, Metrics.Top, Metrics.Width, Metrics.Height);
  SetPlace(Metrics, FittedInto(place, area->viewport()->rect(), Sub.minimumSizeHint().expandedTo(Sub.minimumSize())));
}

// A top-level window whose frame is out of reach on every screen is moved, frame and
// all, fully into the primary screen, shrinking it where it is larger than the screen.
// (With several screens a window may lie across two of them; it is kept when it is
// within reach on either.)
void KeepWithinReach(TqorFormMetrics& Metrics, const QMargins& Frame) {
  const QList<QRect> areas = ScreenAreas();
  const QRect client(Metrics.Left, Metrics.Top, Metrics.Width, Metrics.Height);
  const QRect frame = client.marginsAdded(Frame);
  const bool usable = std::any_of(areas.begin(), areas.end(), [](const QRect& a) { return !a.isEmpty(); });
  if (!usable || std::any_of(areas.begin(), areas.end(), [&](const QRect& a) { return WithinReach(client, frame, a); }))
    return;
  SetPlace(Metrics, FittedInto(frame, areas.first(), QSize()).marginsRemoved(Frame));
}
// Remembers where a window was last while neither maximised nor minimised: the place
// restoring brings back, which Qt keeps only for top-level windows.
class TNormalPlaceKeeper : public QObject {
public:
  explicit TNormalPlaceKeeper(QWidget& Window) : QObject(&Window), FWindow(Window) {
    Window.installEventFilter(this);
    Take();
  }
  const QRect& Place() const { return FPlace; }

protected:
  bool eventFilter(QObject*, QEvent* Event) override {
    if (Event->type() == QEvent::Move || Event->type() == QEvent::Resize) Take();
    return false;
  }

private:
  void Take() {
    constexpr Qt::WindowStates sizeStates = Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;
    if (!(FWindow.windowState() & sizeStates)) FPlace = FWindow.geometry();
  }

  QWidget& FWindow;
  QRect FPlace;
};

const TNormalPlaceKeeper* KeeperOf(const QWidget& Window) {
  for (const QObject* child : Window.children())
    if (const auto* keeper = dynamic_cast<const TNormalPlaceKeeper*>(child)) return keeper;
  return nullptr;
}

void KeepNormalPlace(QWidget& Window) {
  if (!Window.isWindow() && !KeeperOf(Window)) new TNormalPlaceKeeper(Window);
}

// The place Window returns to when restored; empty when it is not known.
QRect NormalPlace(QWidget& Window) {
  if (Window.isWindow()) return Window.normalGeometry();
  const TNormalPlaceKeeper* keeper = KeeperOf(Window);
  return keeper ? keeper->Place() : QRect();
}
}  // namespace

// ----------------------------------------------------------- TqorFormMetrics

void TqorFormMetrics::Assign(const QWidget& Window) {
  const QRect client = Window.geometry();
  Top = client.top();
  Left = client.left();
  Height = client.height();
  Width = client.width();
  const Qt::WindowStates state = Window.windowState();
  WindowState = state.testFlag(Qt::WindowMinimized)   ? wsMinimized
                : state.testFlag(Qt::WindowMaximized) ? wsMaximized
                                                      : wsNormal;
}

void TqorFormMetrics::AssignTo(QWidget& Window) const {
  Window.setGeometry(Left, Top, Width, Height);
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

TqorWindowFrameQuery SetWindowFrameQuery(TqorWindowFrameQuery Query) {
  return std::exchange(WindowFrameQuery(), std::move(Query));
}

QWidget& FormMetricsWindow(QWidget& Form) {
  if (auto* sub = qobject_cast<QMdiSubWindow*>(Form.parentWidget())) return *sub;
  return Form;
}

void ReadFormMetrics(QWidget& Form, const QString& FormName) {
  TqorAppStorageBase* storage = FormStorage();
  if (!storage) return;
  KeepNormalPlace(FormMetricsWindow(Form));
  const QString stored = storage->ReadString(aslsFormMetrics, FormMetricsSubKey, FormName, QString());
  // Without stored metrics the window keeps its designed place, which may be one the
  // platform chooses (a dialog centred on its owner).
  if (stored.isEmpty()) return;
  QWidget& window = FormMetricsWindow(Form);
  TqorFormMetrics current;
  current.Assign(window);
  TqorFormMetrics metrics = current;
  metrics.setAsString(stored);
  KeepVisibleSize(metrics, current);
  if (const auto* sub = qobject_cast<const QMdiSubWindow*>(&window))
    KeepInsideMdiArea(metrics, *sub);
  else
    KeepWithinReach(metrics, ExpectedFrame(window));
  metrics.AssignTo(window);
}

void WriteFormMetrics(QWidget& Form, const QString& FormName) {
  TqorAppStorageBase* storage = FormStorage();
  if (!storage) return;
  QWidget& window = FormMetricsWindow(Form);
  TqorFormMetrics metrics;
  metrics.Assign(window);
  if (const TWindowState state = metrics.WindowState; state != wsNormal) {
    // The bounds of a minimised or maximised window are not the ones to restore: those
    // it had before, or, where they are not known, those stored for the normal window.
    if (const QRect normal = NormalPlace(window); normal.isValid())
      SetPlace(metrics, normal);
    else
      metrics.setAsString(storage->ReadString(aslsFormMetrics, FormMetricsSubKey, FormName, metrics.AsString()));
    metrics.WindowState = state == wsMinimized ? wsNormal : wsMaximized;
  }
  storage->WriteValue(aslsFormMetrics, FormMetricsSubKey, FormName, TqorValue(metrics.AsString()));
}

// ----------------------------------------------------------- TfrmqorVCLWINFormBase

TfrmqorVCLWINFormBase::TfrmqorVCLWINFormBase(QWidget* Owner) : TqorFormBaseOf<QWidget>(Owner) {
  resize(DesignedWidth, DesignedHeight);
}
