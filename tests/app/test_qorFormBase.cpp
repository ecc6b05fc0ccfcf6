#include "qorFormBase.h"

#include "qorTestWidgets.h"

#include <QDialog>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QScreen>

#include <memory>
#include <vector>

namespace {

QOR_TEST_APPLICATION(TWidgetTestEnvironment);

QString PlaceOf(const QWidget& W) {
  return QStringLiteral("%1;%2;%3;%4").arg(W.x()).arg(W.y()).arg(W.width()).arg(W.height());
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
      {"100;50", "100;50;640;480;1"},
      {"1;2;3;4;7", "1;2;3;4;1"},
      {"1;2;3;4;-1", "1;2;3;4;1"},
      {"1;2;3;4;2", "1;2;3;4;2"},
      {"x;2;3.5;4;0", "10;2;640;4;0"},
      {"", "10;20;640;480;1"},
      {" -5 ; 6 ;7;8;0", "-5;6;7;8;0"},
  };
  for (const TCase& c : cases) {
    TqorFormMetrics metrics;
    metrics.setAsString("10;20;640;480;1");
    metrics.setAsString(c.Text);
    EXPECT_EQ(metrics.AsString(), c.Expected) << c.Text;
  }
}

class FormBase : public TWidgetTest {
protected:
  // A top-level form named "Probe" at its designed place 30;40 with 300 x 200 pixels.
  static std::unique_ptr<TfrmqorVCLWINFormBase> NewForm() {
    auto form = std::make_unique<TfrmqorVCLWINFormBase>();
    form->setFormName("Probe");
    form->move(30, 40);
    form->resize(300, 200);
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
  // Before it is shown, a window's place cannot include the frame the platform adds, so
  // only the size is certain here.
  EXPECT_EQ(form->size(), QSize(300, 200));
  EXPECT_EQ(StoredMetrics("Probe"), "");  // showing reads, never writes
  form->move(35, 45);
  form->close();
  EXPECT_EQ(StoredMetrics("Probe"), "35;45;300;200;0");
}

TEST_F(FormBase, StoredPlaceIsAppliedOnShowing) {
  StoreMetrics("Probe", "100;50");
  auto form = NewForm();
  form->show();
  EXPECT_EQ(PlaceOf(*form), "100;50;300;200");
  EXPECT_FALSE(form->isMaximized());
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

TEST_F(FormBase, MaximisedWindowWithoutStoredBoundsStoresTheMaximisedOnes) {
  auto form = NewForm();
  form->show();
  form->showMaximized();
  const QString maximised = PlaceOf(*form);
  ASSERT_NE(maximised, "30;40;300;200");
  form->close();
  EXPECT_EQ(StoredMetrics("Probe"), maximised + ";2");
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
    QSize Size;  // expected
  };
  const std::vector<TCase> cases = {
      {QStringLiteral("5000;4000;320;240;0"), QSize(320, 240)},
      {QStringLiteral("-900;-700;320;240;0"), QSize(320, 240)},
      {QStringLiteral("-9000;10;9000;9000;0"), screen.size()},
  };
  for (const TCase& c : cases) {
    StoreMetrics("Probe", c.Stored);
    auto form = NewForm();
    form->show();
    EXPECT_EQ(form->size(), c.Size) << c.Stored.toStdString();
    EXPECT_TRUE(screen.contains(QRect(form->pos(), form->size()))) << c.Stored.toStdString();
  }
  StoreMetrics("Probe", "-20;-10;320;240;0");  // partly visible: the user's choice stays
  auto form = NewForm();
  form->show();
  EXPECT_EQ(PlaceOf(*form), "-20;-10;320;240");
}

TEST_F(FormBase, StoredSizeTooSmallToSeeKeepsTheDesignedOne) {
  const struct {
    const char* Stored;
    QSize Size;  // expected
  } cases[] = {
      {"40;50;0;0;0", QSize(300, 200)},
      {"40;50;-500;-500;0", QSize(300, 200)},
      {"40;50;1;240;0", QSize(300, 240)},
      {"40;50;320;31;0", QSize(320, 200)},
      {"40;50;32;32;0", QSize(32, 32)},
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

TEST_F(FormBase, MdiChildOutsideTheAreaOpensInsideIt) {
  QMdiArea area;
  area.resize(800, 600);
  area.show();
  StoreMetrics("Probe", "2000;1500;300;200;0");
  QMdiSubWindow* sub = area.addSubWindow(NewForm().release());
  sub->show();
  EXPECT_EQ(sub->size(), QSize(300, 200));
  EXPECT_TRUE(area.viewport()->rect().contains(sub->geometry()));
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
  dialog.move(30, 40);
  dialog.resize(300, 200);
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
