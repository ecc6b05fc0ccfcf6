#include "qorAppMainBase.h"

#include "qorAppActions.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>

#include <algorithm>

namespace {
const QString MainFormName = QStringLiteral("Hauptfenster");
// The login and system panels start this wide, before their texts are known.
constexpr int InitialPanelWidth = 50;
// Until the login and system texts are known, the panels hold this many blanks.
constexpr int PlaceholderBlanks = 10;
// The pause between showing the window and the start-up action, so that the window is
// painted before the action runs.
constexpr int StartupDelayMs = 100;

QString Blanks() { return QString(PlaceholderBlanks, u' '); }

// Splits Total into Count parts of at least Minimum each, the last one taking what the
// division left over.
QList<QPair<int, int>> Parts(int Total, int Count, int Minimum) {
  const int step = std::max(Total / Count, Minimum);
  QList<QPair<int, int>> parts;
  for (int i = 0; i < Count; ++i) {
    const int extent = i == Count - 1 ? std::max(Total - i * step, Minimum) : step;
    parts.append({i * step, extent});
  }
  return parts;
}
}  // namespace

QList<QRect> TiledPlaces(const QRect& Area, int Count, const QSize& Minimum, Qt::Orientation Direction) {
  const bool vertical = Direction == Qt::Vertical;
  const int along = vertical ? Area.height() : Area.width();
  const int across = std::max(vertical ? Area.width() : Area.height(), vertical ? Minimum.width() : Minimum.height());
  const int minAlong = std::max(1, vertical ? Minimum.height() : Minimum.width());
  QList<QPair<int, int>> parts;
  if (along / Count >= minAlong) {
    parts = Parts(along, Count, minAlong);
  } else {
    // Too many to line up at their smallest: each keeps its smallest size and they
    // overlap in equal steps, the last one ending at the area's far edge.
    const int step = Count > 1 ? std::max(0, along - minAlong) / (Count - 1) : 0;
    for (int i = 0; i < Count; ++i) parts.append({i * step, minAlong});
  }
  QList<QRect> places;
  for (const auto& [at, extent] : parts)
    places << (vertical ? QRect(Area.left(), Area.top() + at, across, extent)
                        : QRect(Area.left() + at, Area.top(), extent, across));
  return places;
}

TfrmQORVCLApplicationMainBase::TfrmQORVCLApplicationMainBase(const QString& DesignedCaption, QWidget* Owner)
    : TqorFormBaseOf<QMainWindow>(Owner),
      FOrigFormCaption(DesignedCaption),
      FAppInfoFormClass(&NewAppInfoForm<TfrmQORApplicationInfo>) {
  setFormName(MainFormName);
  setWindowTitle(DesignedCaption);
  FMdiArea = new QMdiArea(this);
  // Child windows may reach beyond the frame (a tool window designed larger than a small
  // frame): scroll bars keep every part of them reachable.
  FMdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  FMdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(FMdiArea);
  CreateActions();
  CreateMenus();
  CreateStatusBar();
  tiStartupDelay = new QTimer(this);
  tiStartupDelay->setSingleShot(true);
  tiStartupDelay->setInterval(StartupDelayMs);
  connect(tiStartupDelay, &QTimer::timeout, this, &TfrmQORVCLApplicationMainBase::tiStartupDelayTimer);
  resize(DesignedWidth, DesignedHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

TfrmQORVCLApplicationMainBase::~TfrmQORVCLApplicationMainBase() {
  if (FBusyCursor) QApplication::restoreOverrideCursor();
}

void TfrmQORVCLApplicationMainBase::CreateActions() {
  actAppExit = new QAction(QStringLiteral("&Beenden"), this);
  SetActionHint(*actAppExit, QStringLiteral("Beenden|Anwendung beenden"));
  connect(actAppExit, &QAction::triggered, this, &QWidget::close);
  actAppInfo = new QAction(QStringLiteral("&Info ..."), this);
  SetActionHint(*actAppInfo, QStringLiteral("Informationen zum Programm anzeigen"));
  OnTriggered(*actAppInfo, *this, [this] { actAppInfoExecute(); });
}

void TfrmQORVCLApplicationMainBase::CreateMenus() {
  mnuFile = menuBar()->addMenu(QStringLiteral("&Datei"));
  mnuFileDelim1 = mnuFile->addSeparator();
  mnuFile->addAction(actAppExit);

  mnuWindow = menuBar()->addMenu(QStringLiteral("&Fenster"));
  mnuWindowCascade = mnuWindow->addAction(QStringLiteral("Überlappend"), FMdiArea, &QMdiArea::cascadeSubWindows);
  mnuWindowVertical = mnuWindow->addAction(QStringLiteral("Untereinander"), this,
                                           [this] { TileSubWindows(Qt::Vertical); });
  mnuWindowHorizontal = mnuWindow->addAction(QStringLiteral("Nebeneinander"), this,
                                             [this] { TileSubWindows(Qt::Horizontal); });
  mnuWindowArrangeIcons = mnuWindow->addAction(QStringLiteral("Symbole anordnen"), this, [this] { ArrangeIcons(); });
  mnuWindowArrangeIcons->setVisible(false);
  FWindowListSeparator = mnuWindow->addSeparator();
  connect(mnuWindow, &QMenu::aboutToShow, this, &TfrmQORVCLApplicationMainBase::RebuildWindowList);

  mnuHelp = menuBar()->addMenu(QStringLiteral("Hilfe"));
  mnuHelp->addAction(actAppInfo);
}

void TfrmQORVCLApplicationMainBase::CreateStatusBar() {
  for (int panel : {BusyPanel, LoginPanel, SystemPanel}) {
    FPanels[panel] = new QLabel(statusBar());
    // The busy panel takes what the others leave; a long busy text never widens the window.
    const bool rest = panel == BusyPanel;
    if (rest)
      FPanels[panel]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    else
      FPanels[panel]->setFixedWidth(InitialPanelWidth);
    statusBar()->addWidget(FPanels[panel], rest ? 1 : 0);
  }
  SetStatusText(BusyPanel, QString());
  SetStatusText(LoginPanel, Blanks());
  SetStatusText(SystemPanel, Blanks());
}

QMdiSubWindow* TfrmQORVCLApplicationMainBase::AddMdiChild(std::unique_ptr<QWidget> Form) {
  const QSize designed = Form->size();
  QMdiSubWindow* sub = FMdiArea->addSubWindow(Form.release());
  sub->setAttribute(Qt::WA_DeleteOnClose);
  // The sub-window does not take the form's size by itself; its frame comes around it.
  // A form designed larger than the frame's free area is made to fit it, so that it
  // does not open cut off behind the frame's edge, but not below its minimum size.
  const QSize room = FMdiArea->viewport()->size();
  QSize size = designed.grownBy(sub->contentsMargins());
  if (room.isValid() && !room.isEmpty())
    size = size.boundedTo(room).expandedTo(sub->minimumSizeHint().expandedTo(sub->minimumSize()));
  sub->resize(size);
  // The area places a new window itself, cascading; it must not hang over the edge.
  if (room.isValid() && !room.isEmpty()) {
    const QPoint far(std::max(0, room.width() - sub->width()), std::max(0, room.height() - sub->height()));
    sub->move(std::min(sub->x(), far.x()), std::min(sub->y(), far.y()));
  }
  sub->show();
  return sub;
}

// ----------------------------------------------------------- status bar

QLabel& TfrmQORVCLApplicationMainBase::StatusPanel(int Panel) const {
  return *FPanels[(Panel == LoginPanel || Panel == SystemPanel) ? Panel : BusyPanel];
}

void TfrmQORVCLApplicationMainBase::SetStatusText(int Panel, const QString& Text) {
  QLabel& label = StatusPanel(Panel);
  label.setText(Text);
  if (&label == FPanels[BusyPanel]) return;
  // Qt's status bar keeps its size grip apart from the panels, so the system panel
  // needs no room for it.
  const int width = QFontMetrics(statusBar()->font()).horizontalAdvance(Text);
  const int login = Panel == LoginPanel ? width : FPanels[LoginPanel]->minimumWidth() - PanelPadding;
  const int system = Panel == SystemPanel ? width : FPanels[SystemPanel]->minimumWidth() - PanelPadding;
  ResizeStatusBarPanels(login, system);
}

void TfrmQORVCLApplicationMainBase::ResizeStatusBarPanels(int LoginWidth, int SystemWidth) {
  FPanels[LoginPanel]->setFixedWidth(LoginWidth + PanelPadding);
  FPanels[SystemPanel]->setFixedWidth(SystemWidth + PanelPadding);
}

void TfrmQORVCLApplicationMainBase::BusyStatus(const QString& Text) {
  const QString shown = Text.trimmed();
  SetStatusText(BusyPanel, shown.isEmpty() ? FRestingText : shown);
  const bool busy = !shown.isEmpty();
  if (busy != FBusyCursor) {
    if (busy)
      QApplication::setOverrideCursor(Qt::WaitCursor);
    else
      QApplication::restoreOverrideCursor();
    FBusyCursor = busy;
  }
  // Paint the text now, and only the text: running the event loop here would also run
  // timers and deferred deletions, so that the window that asked for the display
  // could be deleted while its own step is still running.
  FPanels[BusyPanel]->repaint();
}

void TfrmQORVCLApplicationMainBase::StatusMessage(const QString& Text) {
  FRestingText = Text.trimmed();
  BusyStatus(QString());
}

void TfrmQORVCLApplicationMainBase::ShowApplicationHint(const QString& Hint) {
  if (Hint.isEmpty())
    statusBar()->clearMessage();
  else
    statusBar()->showMessage(Hint);
}

bool TfrmQORVCLApplicationMainBase::event(QEvent* Event) {
  if (Event->type() == QEvent::StatusTip) {
    ShowApplicationHint(static_cast<QStatusTipEvent*>(Event)->tip());
    return true;
  }
  return TqorFormBaseOf<QMainWindow>::event(Event);
}

// ----------------------------------------------------------- showing and start-up

// Every child window closes as if closed by hand, so that one holding unsaved work can
// ask; a child that stays open (its user cancelled) keeps the program running, and the
// windows after it are not asked.
void TfrmQORVCLApplicationMainBase::closeEvent(QCloseEvent* Event) {
  for (QMdiSubWindow* sub : FMdiArea->subWindowList())
    if (!sub->close()) {
      Event->ignore();
      return;
    }
  TqorFormBaseOf<QMainWindow>::closeEvent(Event);
}

void TfrmQORVCLApplicationMainBase::showEvent(QShowEvent* Event) {
  TqorFormBaseOf<QMainWindow>::showEvent(Event);
  if (!Event->spontaneous()) RunShowingErrors([this] { FormShow(); });
}

void TfrmQORVCLApplicationMainBase::FormShow() {
  connect(&ASP(), &TqorApplicationServiceProviderBase::BusyStatusNotification, this,
          &TfrmQORVCLApplicationMainBase::BusyStatus, Qt::UniqueConnection);
  connect(&ASP(), &TqorApplicationServiceProviderBase::StatusMessageNotification, this,
          &TfrmQORVCLApplicationMainBase::StatusMessage, Qt::UniqueConnection);
  SetStatusText(LoginPanel, ASP().User().GetLoginInfo());
  SetStatusText(SystemPanel, ASP().SysInfo());
  if (FStartupDelayEnabled) tiStartupDelay->start();
  if (const QString& company = ASP().User().CompanyName; !company.isEmpty())
    setWindowTitle(FOrigFormCaption + QStringLiteral(" für ") + company);
}

void TfrmQORVCLApplicationMainBase::tiStartupDelayTimer() {
  tiStartupDelay->stop();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  RunShowingErrors([this] { StartupAction(); });
}

void TfrmQORVCLApplicationMainBase::actAppInfoExecute() {
  const std::unique_ptr<TfrmQORApplicationInfo> dialog = FAppInfoFormClass(this);
  dialog->exec();
}

// ----------------------------------------------------------- window menu

void TfrmQORVCLApplicationMainBase::RebuildWindowList() {
  for (QAction* entry : mnuWindow->actions())
    if (entry->data().value<QObject*>()) {
      mnuWindow->removeAction(entry);
      entry->deleteLater();
    }
  const QList<QMdiSubWindow*> windows = FMdiArea->subWindowList();
  FWindowListSeparator->setVisible(!windows.isEmpty());
  for (qsizetype i = 0; i < windows.size(); ++i) {
    QPointer<QMdiSubWindow> sub = windows[i];
    QAction* entry = mnuWindow->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(sub->windowTitle()));
    entry->setData(QVariant::fromValue<QObject*>(sub));
    entry->setCheckable(true);
    entry->setChecked(sub == FMdiArea->activeSubWindow());
    connect(entry, &QAction::triggered, this, [this, sub] {
      if (sub) FMdiArea->setActiveSubWindow(sub);
    });
  }
}

void TfrmQORVCLApplicationMainBase::TileSubWindows(Qt::Orientation Direction) {
  QList<QMdiSubWindow*> windows;
  for (QMdiSubWindow* sub : FMdiArea->subWindowList())
    if (!sub->isMinimized() && !sub->isHidden()) windows << sub;
  if (windows.isEmpty()) return;
  QSize minimum;
  for (QMdiSubWindow* sub : windows)
    minimum = minimum.expandedTo(sub->minimumSizeHint().expandedTo(sub->minimumSize()));
  const QList<QRect> places = TiledPlaces(FMdiArea->viewport()->rect(), int(windows.size()), minimum, Direction);
  for (qsizetype i = 0; i < windows.size(); ++i) {
    windows[i]->showNormal();
    windows[i]->setGeometry(places[i]);
  }
}

void TfrmQORVCLApplicationMainBase::ArrangeIcons() {
  const QRect area = FMdiArea->viewport()->rect();
  int left = area.left();
  for (QMdiSubWindow* sub : FMdiArea->subWindowList())
    if (sub->isMinimized()) {
      sub->move(left, area.bottom() + 1 - sub->height());
      left += sub->width();
    }
}
