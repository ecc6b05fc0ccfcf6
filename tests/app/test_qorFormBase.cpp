#include "qorFormBase.h"

#include "qorTestSupport.h"
#include "qorTestWidgets.h"

#include <QDialog>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QSet>

#include <memory>
#include <vector>

namespace {

QOR_TEST_APPLICATION(TWidgetTestEnvironment);

// Where W's client area is, as the metrics hold it.
QString PlaceOf(const QWidget& W) {
  const QRect place = W.geometry();
  return QStringLiteral("%1;%2;%3;%4").arg(place.x()).arg(place.y()).arg(place.width()).arg(place.height());
}

TEST(FormMetrics, TextHoldsLeftTopWidthHeightState) {
  TqorFormMetrics metrics;
  metrics.Left = 10;
  metrics.Top = 20;
  metrics.Width = 640;
  metrics.Height = 480;
  EXPECT_EQ(metrics.AsString(), "10;20;640;480;0");
  metrics.WindowState = wsMaximized;
  EXPECT_EQ(metrics.AsString(), "10;20;640;480;2");
}

TEST(FormMetrics, UnreadableWordsKeepTheirValues) {
  struct TCase {
    const char* Text;
    const char* Expected;
  };
  const std::vector<TCase> cases = {
      {"100;50", "100;50;640;480;1"},   {"1;2;3;4;7", "1;2;3;4;1"},      {"1;2;3;4;-1", "1;2;3;4;1"},
      {"1;2;3;4;2", "1;2;3;4;2"},       {"x;2;3.5;4;0", "10;2;640;4;0"}, {"", "10;20;640;480;1"},
      {" -5 ; 6 ;7;8;0", "-5;6;7;8;0"},
  };
  for (const TCase& c : cases) {
    TqorFormMetrics metrics;
    metrics.setAsString("10;20;640;480;1");
    metrics.setAsString(c.Text);
    EXPECT_EQ(metrics.AsString(), c.Expected) << c.Text;
  }
}

// A window manager's frame, simulated: a top-level window gets the frame Margins once it
// is shown and the event loop has run, as a window manager frames a window only after
// it is mapped; with AtOnce it has the frame from its showing on, as under Windows.
class TSimulatedFrame : public QObject {
public:
  TSimulatedFrame(QMargins Margins, bool AtOnce) : FMargins(Margins), FAtOnce(AtOnce) {
    qApp->installEventFilter(this);
    FPlatform = SetWindowFrameQuery(
        [this](const QWidget& Window) { return FFramed.contains(&Window) ? FMargins : QMargins(); });
  }
  ~TSimulatedFrame() override { SetWindowFrameQuery(FPlatform); }

protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override {
    const auto* window = qobject_cast<QWidget*>(Watched);
    if (!window || !window->isWindow()) return false;
    if (Event->type() == QEvent::Show && FAtOnce) FFramed.insert(window);
    if (Event->type() == QEvent::Show && !FAtOnce)
      QMetaObject::invokeMethod(
          this,
          [this, framed = QPointer<const QWidget>(window)] {
            if (framed) FFramed.insert(framed);
          },
          Qt::QueuedConnection);
    if (Event->type() == QEvent::Hide) FFramed.remove(window);
    return false;
  }

private:
  QMargins FMargins;
  bool FAtOnce;
  QSet<const QWidget*> FFramed;
  TqorWindowFrameQuery FPlatform;
};

class FormBase : public TWidgetTest {
protected:
  // A top-level form named "Probe" at its designed place 30;40 with 300 x 200 pixels.
  static std::unique_ptr<TfrmqorVCLWINFormBase> NewForm() {
    auto form = std::make_unique<TfrmqorVCLWINFormBase>();
    form->setFormName("Probe");
    form->setGeometry(30, 40, 300, 200);
    return form;
  }
  static QRect ScreenArea() { return QGuiApplication::primaryScreen()->availableGeometry(); }
};

TEST_F(FormBase, NewFormHasTheDefaultNameAndDesignedSize) {
  const TfrmqorVCLWINFormBase form;
  EXPECT_EQ(form.FormName(), "Basisformular");
  EXPECT_TRUE(form.ReadFormMetricsEnabled());
  EXPECT_EQ(form.size(), QSize(414, 264));
}

TEST_F(FormBase, FirstShowingKeepsTheDesignedPlaceAndClosingStoresIt) {
  auto form = NewForm();
  form->show();
  EXPECT_EQ(PlaceOf(*form), "30;40;300;200");
  EXPECT_EQ(StoredMetrics("Probe"), "");  // showing reads, never writes
  form->setGeometry(35, 45, 300, 200);
  form->close();
  EXPECT_EQ(StoredMetrics("Probe"), "35;45;300;200;0");
}

TEST_F(FormBase, StoredPlaceIsAppliedOnShowing) {
  StoreMetrics("Probe", "100;50");
  auto form = NewForm();
  form->show();
  EXPECT_EQ(PlaceOf(*form), "100;50;300;200");
  EXPECT_NE(form->frameGeometry().topLeft(), form->geometry().topLeft()) << "the platform's frame is not in the place";
  EXPECT_FALSE(form->isMaximized());
}

TEST_F(FormBase, StoringAndRestoringAgreeWhateverTheFrame) {
  const struct {
    QMargins Frame;
    bool AtOnce;
  } frames[] = {{{1, 20, 1, 1}, false}, {{4, 30, 4, 4}, false}, {{1, 20, 1, 1}, true}, {{0, 0, 0, 0}, true}};
  // Also places where the frame reaches beyond the screen's top or right and bottom.
  const QString places[] = {
      "100;80;320;240;0", "5;10;320;240;0",
      QStringLiteral("%1;%2;320;240;0").arg(ScreenArea().right() - 200).arg(ScreenArea().bottom() - 150)};
  for (const auto& frame : frames)
    for (const QString& place : places) {
      SCOPED_TRACE(QStringLiteral("frame %1;%2 at once %3")
                       .arg(frame.Frame.left())
                       .arg(frame.Frame.top())
                       .arg(frame.AtOnce)
                       .toStdString());
      SCOPED_TRACE(place.toStdString());
      const TSimulatedFrame windowManager(frame.Frame, frame.AtOnce);
      StoreMetrics("Probe", place);
      for (int run = 0; run < 3; ++run) {
        auto form = NewForm();
        form->show();
        QCoreApplication::processEvents();
        EXPECT_EQ(PlaceOf(*form) + ";0", place) << run;
        form->close();
        EXPECT_EQ(StoredMetrics("Probe"), place) << run;
      }
    }
}

TEST_F(FormBase, AWindowMovedIntoReachHasItsTitleBarOnTheScreen) {
  const QRect screen = ScreenArea();
  for (const bool atOnce : {false, true})
    for (const QMargins& frame : {QMargins(1, 20, 1, 1), QMargins(4, 30, 4, 4)}) {
      SCOPED_TRACE(
          QStringLiteral("frame %1;%2 at once %3").arg(frame.left()).arg(frame.top()).arg(atOnce).toStdString());
      const TSimulatedFrame windowManager(frame, atOnce);
      StoreMetrics("Probe", "-5000;-5000;320;240;0");
      auto form = NewForm();
      form->show();
      QCoreApplication::processEvents();
      EXPECT_EQ(form->size(), QSize(320, 240));
      EXPECT_TRUE(screen.contains(form->geometry().marginsAdded(frame)));
    }
}

TEST_F(FormBase, MaximisedWindowKeepsItsNormalBounds) {
  StoreMetrics("Probe", "50;60;320;240;0");
  auto form = NewForm();
  form->show();
  form->showMaximized();
  form->close();
  EXPECT_EQ(StoredMetrics("Probe"), "50;60;320;240;2");

  auto again = NewForm();
  again->show();
  EXPECT_TRUE(again->isMaximized());
  again->showNormal();
  EXPECT_EQ(PlaceOf(*again), "50;60;320;240");
}

// Maximise, quit, restart, restore: the window returns to where it was before it was
// maximised, not to a place stored in an older session; for a framed top-level window
// and an MDI child alike.
TEST_F(FormBase, AMaximiseRoundTripRestoresThePlaceBeforeMaximising) {
  const TSimulatedFrame windowManager(QMargins(4, 30, 4, 4), false);
  StoreMetrics("Probe", "50;60;320;240;0");  // an older session's
  auto form = NewForm();
  form->show();
  QCoreApplication::processEvents();
  form->setGeometry(200, 150, 330, 250);
  form->showMaximized();
  QCoreApplication::processEvents();
  form->close();
  EXPECT_EQ(StoredMetrics("Probe"), "200;150;330;250;2");
  auto again = NewForm();
  again->show();
  QCoreApplication::processEvents();
  EXPECT_TRUE(again->isMaximized());
  again->showNormal();
  QCoreApplication::processEvents();
  EXPECT_EQ(PlaceOf(*again), "200;150;330;250");

  QMdiArea area;
  area.resize(800, 600);
  area.show();
  StoreMetrics("Probe", "20;30;300;200;0");
  QMdiSubWindow* sub = area.addSubWindow(NewForm().release());
  sub->show();
  sub->setGeometry(100, 80, 310, 210);
  sub->showMaximized();
  sub->close();
  EXPECT_EQ(StoredMetrics("Probe"), "100;80;310;210;2");
}

TEST_F(FormBase, MaximisedWindowWithoutStoredBoundsStoresThoseBeforeMaximising) {
  auto form = NewForm();
  form->show();
  form->showMaximized();
  QCoreApplication::processEvents();  // the platform takes the new state
  ASSERT_NE(PlaceOf(*form), "30;40;300;200");
  form->close();
  EXPECT_EQ(StoredMetrics("Probe"), "30;40;300;200;2");
}

TEST_F(FormBase, MinimisedWindowReopensNormal) {
  StoreMetrics("Probe", "50;60;320;240;0");
  auto form = NewForm();
  form->show();
  form->showMinimized();
  form->close();
  EXPECT_EQ(StoredMetrics("Probe"), "50;60;320;240;0");
}

TEST_F(FormBase, PlaceOffEveryScreenBecomesAFullyVisibleOne) {
  const QRect screen = ScreenArea();
  struct TCase {
    QString Stored;
    QSize Size;  // expected client size; empty: the frame fills the screen
  };
  const std::vector<TCase> cases = {
      {QStringLiteral("5000;4000;320;240;0"), QSize(320, 240)},
      {QStringLiteral("-900;-700;320;240;0"), QSize(320, 240)},
      {QStringLiteral("-9000;10;9000;9000;0"), QSize()},
      // Mostly off screen, or the title bar above it: as good as lost.
      {QStringLiteral("-250;100;320;240;0"), QSize(320, 240)},
      {QStringLiteral("100;-20;320;240;0"), QSize(320, 240)},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Stored.toStdString());
    StoreMetrics("Probe", c.Stored);
    auto form = NewForm();
    form->show();
    // The frame as well: its title bar must be within reach.
    EXPECT_TRUE(screen.contains(form->frameGeometry()));
    if (c.Size.isEmpty())
      EXPECT_EQ(form->frameGeometry().size(), screen.size());
    else
      EXPECT_EQ(form->size(), c.Size);
  }
  StoreMetrics("Probe", "-100;100;320;240;0");  // mostly visible, title bar too: the user's choice stays
  auto form = NewForm();
  form->show();
  EXPECT_EQ(PlaceOf(*form), "-100;100;320;240");
}

TEST_F(FormBase, StoredSizeTooSmallToSeeKeepsTheDesignedOne) {
  const struct {
    const char* Stored;
    QSize Size;  // expected
  } cases[] = {
      {"40;50;0;0;0", QSize(300, 200)},    {"40;50;-500;-500;0", QSize(300, 200)}, {"40;50;1;240;0", QSize(300, 240)},
      {"40;50;320;31;0", QSize(320, 200)}, {"40;50;32;32;0", QSize(32, 32)},
  };
  for (const auto& c : cases) {
    StoreMetrics("Probe", c.Stored);
    auto form = NewForm();
    form->show();
    EXPECT_EQ(form->size(), c.Size) << c.Stored;
  }
  // A tool window inside the MDI area would otherwise open as an invisible frame.
  for (const char* stored : {"40;50;0;0;0", "40;50;-500;-500;0"}) {
    QMdiArea area;
    area.resize(800, 600);
    area.show();
    StoreMetrics("Probe", stored);
    QMdiSubWindow* sub = area.addSubWindow(NewForm().release());
    const QSize designed = sub->size();
    sub->show();
    EXPECT_EQ(sub->size(), designed) << stored;
  }
}

TEST_F(FormBase, MdiChildKeepsItsFramePlaceAndGoesAwayOnClosing) {
  QMdiArea area;
  area.resize(800, 600);
  area.show();
  StoreMetrics("Probe", "20;30;300;200;0");
  auto* form = NewForm().release();  // the sub-window owns it
  QPointer<QMdiSubWindow> sub = area.addSubWindow(form);
  sub->show();
  EXPECT_EQ(PlaceOf(*sub), "20;30;300;200");
  sub->move(25, 35);
  sub->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(sub.isNull());
  EXPECT_EQ(StoredMetrics("Probe"), "25;35;300;200;0");
}

TEST_F(FormBase, MdiChildStoredOutsideASmallerAreaOpensInsideItsVisiblePart) {
  QMdiArea area;
  area.resize(500, 400);
  area.show();
  const QRect visible = area.viewport()->rect();
  const struct {
    const char* Stored;
    QSize Size;  // expected
  } cases[] = {
      {"2000;1500;300;200;0", QSize(300, 200)},  // wholly outside
      {"350;300;300;200;0", QSize(300, 200)},    // partly outside, at the right and bottom
      {"-100;-50;300;200;0", QSize(300, 200)},   // partly outside, at the left and top
      {"10;10;900;700;0", visible.size()},       // larger than the area
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Stored);
    StoreMetrics("Probe", c.Stored);
    QPointer<QMdiSubWindow> sub = area.addSubWindow(NewForm().release());
    sub->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(sub->size(), c.Size);
    EXPECT_TRUE(visible.contains(sub->geometry()));
    EXPECT_FALSE(area.horizontalScrollBar()->isVisible());
    EXPECT_FALSE(area.verticalScrollBar()->isVisible());
    sub->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  // A child that cannot become as small as the area keeps its minimum size, at the top left.
  StoreMetrics("Probe", "100;100;700;500;0");
  auto form = NewForm();
  form->setMinimumSize(600, 450);
  QMdiSubWindow* sub = area.addSubWindow(form.release());
  sub->show();
  EXPECT_EQ(sub->pos(), QPoint(0, 0));
  EXPECT_EQ(sub->widget()->size(), QSize(600, 450));
}

TEST_F(FormBase, MaximisedMdiChildReopensMaximised) {
  QMdiArea area;
  area.resize(800, 600);
  area.show();
  StoreMetrics("Probe", "20;30;300;200;2");
  QMdiSubWindow* sub = area.addSubWindow(NewForm().release());
  sub->show();
  EXPECT_TRUE(sub->isMaximized());
  sub->close();
  EXPECT_EQ(StoredMetrics("Probe"), "20;30;300;200;2");
}

TEST_F(FormBase, DialogNeitherReadsNorWritesMetrics) {
  StoreMetrics("Dialog", "100;50;320;240;0");
  TqorFormBaseOf<QDialog> dialog;
  dialog.setFormName("Dialog");
  dialog.setGeometry(30, 40, 300, 200);
  dialog.show();
  EXPECT_EQ(PlaceOf(dialog), "30;40;300;200");
  dialog.close();
  EXPECT_EQ(StoredMetrics("Dialog"), "100;50;320;240;0");
}

TEST_F(FormBase, DisabledMetricsAreNeitherReadNorWritten) {
  StoreMetrics("Probe", "100;50;320;240;0");
  auto form = NewForm();
  form->setReadFormMetricsEnabled(false);
  form->show();
  EXPECT_EQ(PlaceOf(*form), "30;40;300;200");
  form->close();
  EXPECT_EQ(StoredMetrics("Probe"), "100;50;320;240;0");
}

TEST_F(FormBase, BusyStatusGoesToTheProvider) {
  QStringList shown;
  QObject::connect(&provider, &TqorApplicationServiceProviderBase::BusyStatusNotification,
                   [&](const QString& Text) { shown << Text; });
  TfrmqorVCLWINFormBase form;
  EXPECT_EQ(form.PushBusyStatus("eins"), 0);
  EXPECT_EQ(form.PushBusyStatus("zwei"), 1);
  form.PopBusyStatus();
  form.BusyStatus("");
  EXPECT_EQ(shown, QStringList({"eins", "zwei", "eins", ""}));
}

}  // namespace
