#include "qorAppMainBase.h"

#include "qorTestModal.h"
#include "qorTestSupport.h"
#include "qorTestWidgets.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>

#include <memory>
#include <vector>

namespace {

QOR_TEST_APPLICATION(TWidgetTestEnvironment);

// The captions of a menu's items, separators as "-", hidden items left out.
QStringList Captions(const QMenu& Menu) {
  QStringList captions;
  for (const QAction* action : Menu.actions())
    if (action->isVisible()) captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
  return captions;
}

class TProbeMainWindow : public TfrmQORVCLApplicationMainBase {
public:
  TProbeMainWindow() : TfrmQORVCLApplicationMainBase(QStringLiteral("Probe")) {}
  int StartupActions = 0;

protected:
  void StartupAction() override { ++StartupActions; }
};

class MainWindowBase : public TWidgetTest {
protected:
  TProbeMainWindow window;

  int PanelWidth(int Panel) const { return window.StatusPanel(Panel).width(); }
  int TextWidth(const QString& Text) const { return QFontMetrics(window.statusBar()->font()).horizontalAdvance(Text); }
  // Lets the layouts follow the last changes.
  static void Settle() { QCoreApplication::processEvents(); }
};

TEST_F(MainWindowBase, MenusAndNames) {
  QStringList titles;
  for (const QAction* menu : window.menuBar()->actions()) titles << menu->text();
  EXPECT_EQ(titles, QStringList({"&Datei", "&Fenster", "Hilfe"}));
  EXPECT_EQ(Captions(*window.mnuFile), QStringList({"-", "&Beenden"}));
  EXPECT_EQ(Captions(*window.mnuWindow), QStringList({"Überlappend", "Untereinander", "Nebeneinander", "-"}));
  EXPECT_FALSE(window.mnuWindowArrangeIcons->isVisible());
  EXPECT_EQ(Captions(*window.mnuHelp), QStringList({"&Info ..."}));
  EXPECT_EQ(window.actAppExit->statusTip(), "Anwendung beenden");
  EXPECT_EQ(window.actAppExit->toolTip(), "Beenden");
  EXPECT_EQ(window.actAppInfo->statusTip(), "Informationen zum Programm anzeigen");
  EXPECT_EQ(window.FormName(), "Hauptfenster");
  EXPECT_FALSE(window.StartupDelayEnabled());
}

TEST_F(MainWindowBase, CaptionNamesTheCompanyWhenThereIsOne) {
  window.show();
  EXPECT_EQ(window.windowTitle(), "Probe");
  provider.User().CompanyName = "WORKGROUP";
  TProbeMainWindow named;
  named.show();
  EXPECT_EQ(named.windowTitle(), "Probe für WORKGROUP");
}

TEST_F(MainWindowBase, StatusPanelsShowLoginAndSystemAtTheirTextWidths) {
  EXPECT_EQ(window.StatusPanel(1).text(), "          ");
  window.show();
  EXPECT_EQ(window.StatusPanel(1).text(), "WORKGROUP//anna");
  EXPECT_EQ(window.StatusPanel(2).text(), provider.SysInfo());
  Settle();
  EXPECT_EQ(PanelWidth(1), TextWidth("WORKGROUP//anna") + 3);
  EXPECT_EQ(PanelWidth(2), TextWidth(provider.SysInfo()) + 3);

  window.SetStatusText(1, "kurz");
  window.SetStatusText(1, "ein etwas längerer Text");
  Settle();
  EXPECT_EQ(PanelWidth(1), TextWidth("ein etwas längerer Text") + 3);
  EXPECT_EQ(PanelWidth(2), TextWidth(provider.SysInfo()) + 3);
  for (int panel : {0, 3, -1}) EXPECT_EQ(&window.StatusPanel(panel), &window.StatusPanel(0)) << panel;
}

TEST_F(MainWindowBase, ResizingMovesOnlyTheBusyPanel) {
  window.show();
  Settle();
  const int login = PanelWidth(1);
  const int system = PanelWidth(2);
  int lastBusy = -1;
  for (int width : {500, 900, 640, 1000, 700}) {
    window.resize(width, 400);
    Settle();
    EXPECT_EQ(PanelWidth(1), login) << width;
    EXPECT_EQ(PanelWidth(2), system) << width;
    EXPECT_NE(PanelWidth(0), lastBusy) << width;
    lastBusy = PanelWidth(0);
  }
}

TEST_F(MainWindowBase, BusyTextComesWithTheHourglass) {
  window.show();
  provider.BusyStatus("  Funktion berechnen ...  ");
  EXPECT_EQ(window.StatusPanel(0).text(), "Funktion berechnen ...");
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  provider.PushBusyStatus("Nullstellen ermitteln ...");  // a second text keeps one hourglass
  provider.PopBusyStatus();
  provider.BusyStatus("   ");
  EXPECT_EQ(window.StatusPanel(0).text(), "");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// A window closed while one of its steps shows a busy text is deleted only after the
// step: the display paints its panel and runs no other event.
TEST_F(MainWindowBase, BusyTextRunsNoOtherEvent) {
  window.show();
  bool ran = false;
  QMetaObject::invokeMethod(
      &window, [&ran] { ran = true; }, Qt::QueuedConnection);
  provider.BusyStatus("Grafik zeichnen ...");
  provider.BusyStatus(QString());
  EXPECT_FALSE(ran);
  QCoreApplication::processEvents();
  EXPECT_TRUE(ran);
}

TEST_F(MainWindowBase, PointingAtAMenuItemShowsItsHintAlone) {
  window.show();
  window.mnuFile->popup(window.mapToGlobal(QPoint(0, 0)));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.mnuFile));
  QTest::mouseMove(window.mnuFile, window.mnuFile->actionGeometry(window.actAppExit).center());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !window.statusBar()->currentMessage().isEmpty(); }));
  EXPECT_EQ(window.statusBar()->currentMessage(), "Anwendung beenden");
  EXPECT_FALSE(window.StatusPanel(1).isVisible());

  QTest::mouseMove(window.mnuFile, QPoint(-20, -20));
  window.mnuFile->close();
  EXPECT_TRUE(QTest::qWaitFor([&] { return window.statusBar()->currentMessage().isEmpty(); }));
  EXPECT_TRUE(window.StatusPanel(1).isVisible());
}

TEST_F(MainWindowBase, StartupActionRunsOnce100msAfterShowing) {
  window.setStartupDelayEnabled(true);
  window.show();
  EXPECT_EQ(window.StartupActions, 0);
  EXPECT_EQ(window.tiStartupDelay->interval(), 100);
  EXPECT_TRUE(QTest::qWaitFor([&] { return window.StartupActions > 0; }));
  QTest::qWait(250);
  EXPECT_EQ(window.StartupActions, 1);

  TProbeMainWindow quiet;
  quiet.show();
  QTest::qWait(250);
  EXPECT_EQ(quiet.StartupActions, 0);
}

TEST_F(MainWindowBase, WindowMenuTilesAndListsTheChildren) {
  window.show();
  for (const char* title : {"Eins", "Zwei", "Drei"}) {
    auto form = std::make_unique<TfrmqorVCLWINFormBase>();
    form->setWindowTitle(title);
    window.AddMdiChild(std::move(form));
  }
  const QRect area = window.MdiArea().viewport()->rect();
  const QList<QMdiSubWindow*> subs = window.MdiArea().subWindowList();
  ASSERT_EQ(subs.size(), 3);

  window.mnuWindowVertical->trigger();
  for (QMdiSubWindow* sub : subs) EXPECT_EQ(sub->width(), area.width());
  EXPECT_EQ(subs[0]->y(), 0);
  EXPECT_EQ(subs[2]->geometry().bottom(), area.bottom());
  EXPECT_EQ(subs[1]->y(), subs[0]->geometry().bottom() + 1);

  window.mnuWindowHorizontal->trigger();
  for (QMdiSubWindow* sub : subs) EXPECT_EQ(sub->height(), area.height());
  EXPECT_EQ(subs[2]->geometry().right(), area.right());

  window.MdiArea().setActiveSubWindow(subs[1]);
  emit window.mnuWindow->aboutToShow();
  emit window.mnuWindow->aboutToShow();  // the list is rebuilt, not appended
  const QStringList captions = Captions(*window.mnuWindow);
  EXPECT_EQ(captions.mid(3), QStringList({"-", "&1 Eins", "&2 Zwei", "&3 Drei"}));
  const QList<QAction*> entries = window.mnuWindow->actions().mid(window.mnuWindow->actions().size() - 3);
  EXPECT_TRUE(entries[1]->isChecked());
  EXPECT_FALSE(entries[0]->isChecked());
  entries[2]->trigger();
  EXPECT_EQ(window.MdiArea().activeSubWindow(), subs[2]);
}

// Places as "left,top,width,height" each, parted by blanks.
QString PlacesText(const QList<QRect>& Places) {
  QStringList texts;
  for (const QRect& p : Places)
    texts << QStringLiteral("%1,%2,%3,%4").arg(p.x()).arg(p.y()).arg(p.width()).arg(p.height());
  return texts.join(u' ');
}

TEST(TiledPlaces, LinesUpWindowsInTheirDirectionAndOverlapsThemBeforeAnyGetsTooSmall) {
  const QRect area(0, 0, 780, 600);
  const struct {
    const char* Case;
    QRect Area;
    int Count;
    QSize Minimum;
    Qt::Orientation Direction;
    const char* Places;  // expected
  } cases[] = {
      {"one below the other", area, 3, {100, 100}, Qt::Vertical, "0,0,780,200 0,200,780,200 0,400,780,200"},
      {"side by side", area, 3, {100, 100}, Qt::Horizontal, "0,0,260,600 260,0,260,600 520,0,260,600"},
      {"the last takes the rest", {10, 20, 100, 50}, 3, {}, Qt::Vertical, "10,20,100,16 10,36,100,16 10,52,100,18"},
      {"too many for one column: still one below the other",
       area,
       5,
       {200, 150},
       Qt::Vertical,
       "0,0,780,150 0,112,780,150 0,224,780,150 0,336,780,150 0,448,780,150"},
      {"too wide to stand side by side: still side by side",
       {0, 0, 500, 600},
       2,
       {300, 200},
       Qt::Horizontal,
       "0,0,300,600 200,0,300,600"},
      {"an area smaller than one window", {0, 0, 300, 100}, 2, {200, 150}, Qt::Vertical, "0,0,300,150 0,0,300,150"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Case);
    EXPECT_EQ(PlacesText(TiledPlaces(c.Area, c.Count, c.Minimum, c.Direction)), c.Places);
  }
}

// "Untereinander" and "Nebeneinander" keep their direction whatever the windows' smallest
// size, and keep every window inside the area, so that no scroll bar appears.
TEST_F(MainWindowBase, TilingKeepsEveryChildAtItsMinimumSizeInItsDirectionInsideTheArea) {
  window.resize(640, 480);
  window.show();
  for (int i = 0; i < 4; ++i) {
    auto form = std::make_unique<TfrmqorVCLWINFormBase>();
    form->setMinimumSize(250, 150);
    window.AddMdiChild(std::move(form));
  }
  for (QAction* tile : {window.mnuWindowVertical, window.mnuWindowHorizontal}) {
    SCOPED_TRACE(tile->text().toStdString());
    const bool belowEachOther = tile == window.mnuWindowVertical;
    EXPECT_EQ(tile->text(), belowEachOther ? "Untereinander" : "Nebeneinander");
    tile->trigger();
    Settle();
    const QRect area = window.MdiArea().viewport()->rect();
    const QList<QMdiSubWindow*> subs = window.MdiArea().subWindowList();
    for (qsizetype i = 0; i < subs.size(); ++i) {
      const QMdiSubWindow* sub = subs[i];
      EXPECT_GE(sub->width(), sub->minimumSizeHint().width());
      EXPECT_GE(sub->height(), sub->minimumSizeHint().height());
      EXPECT_GE(sub->widget()->width(), 250);
      EXPECT_GE(sub->widget()->height(), 150);
      EXPECT_TRUE(area.contains(sub->geometry())) << "no scroll bar";
      if (i == 0) continue;
      const QRect before = subs[i - 1]->geometry();
      if (belowEachOther) {
        EXPECT_GT(sub->y(), before.y());
        EXPECT_EQ(sub->x(), before.x());
      } else {
        EXPECT_GT(sub->x(), before.x());
        EXPECT_EQ(sub->y(), before.y());
      }
    }
    EXPECT_FALSE(window.MdiArea().verticalScrollBar()->isVisible());
    EXPECT_FALSE(window.MdiArea().horizontalScrollBar()->isVisible());
  }
}

TEST_F(MainWindowBase, ChildKeepsItsDesignedSizeWhereItFitsAndIsShrunkWhereNot) {
  window.show();
  const QSize room = window.MdiArea().viewport()->size();
  auto small = std::make_unique<TfrmqorVCLWINFormBase>();
  small->resize(room / 2);
  const QMdiSubWindow* fitting = window.AddMdiChild(std::move(small));
  EXPECT_EQ(fitting->widget()->size(), room / 2);
  auto wide = std::make_unique<TfrmqorVCLWINFormBase>();
  wide->resize(room.width() + 1, room.height() / 2);
  const QMdiSubWindow* shrunk = window.AddMdiChild(std::move(wide));
  EXPECT_EQ(shrunk->width(), room.width()) << "the first tool window must not open cut off";
  EXPECT_LT(shrunk->height(), room.height());
}

TEST_F(MainWindowBase, ClosedChildGoesAwayAndClosingStoresTheMainMetrics) {
  window.show();
  QPointer<QMdiSubWindow> sub = window.AddMdiChild(std::make_unique<TfrmqorVCLWINFormBase>());
  sub->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(sub.isNull());
  window.setGeometry(40, 30, 700, 500);
  window.close();
  EXPECT_EQ(StoredMetrics("Hauptfenster"), "40;30;700;500;0");
}

TEST_F(MainWindowBase, InfoOpensTheGivenDialogModally) {
  static bool opened = false;
  struct TProbeInfo : TfrmQORApplicationInfo {
    explicit TProbeInfo(QWidget* Owner) : TfrmQORApplicationInfo(Owner) { opened = true; }
  };
  window.setAppInfoFormClass(&NewAppInfoForm<TProbeInfo>);
  window.show();
  QString modal;
  OnNextModal<QWidget>([&modal](QWidget* Dialog) {
    modal = Dialog->windowTitle();
    Dialog->close();
  });
  window.actAppInfo->trigger();
  EXPECT_TRUE(opened);
  EXPECT_EQ(modal, "Informationen zur Anwendung");
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
