#include "../app/qorTestInput.h"
#include "../foundation/qorTestSupport.h"
#include "../app/qorTestWidgets.h"
#include "FRootFinding2D.h"
#include "qorNumEdit.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTableView>

#include <memory>

namespace {

::testing::Environment* const WidgetEnvironment =
    ::testing::AddGlobalTestEnvironment(new TWidgetTestEnvironment);

const QString DefaultPolynomial = TKaloPersistFunction::DefaultFunctionScript;

// A registered provider whose busy texts are recorded, and the error display recording
// messages (TWidgetTest); numbers with a full stop.
class RootFinding2D : public TWidgetTest {
protected:
  void SetUp() override {
    TWidgetTest::SetUp();
    QObject::connect(&provider, &TqorApplicationServiceProviderBase::BusyStatusNotification,
                     [this](const QString& Text) { busyTexts << Text; });
  }

  template <class TChild>
  static TChild* Child(QWidget& Window, const char* Name) {
    TChild* child = Window.findChild<TChild*>(QString::fromLatin1(Name));
    EXPECT_NE(child, nullptr) << Name;
    return child;
  }
  static QLineEdit* Fct(QWidget& w) { return Child<QLineEdit>(w, "txtFct"); }
  static TqorNumEdit* Nodes(QWidget& w) { return Child<TqorNumEdit>(w, "txtNodeCount"); }
  static QString Detail(QWidget& w, const char* Field) {
    return Child<QLineEdit>(w, Field)->text();
  }
  static void Enter(QWidget* Field) { SendKey(Field, Qt::Key_Return, "\r"); }
  static void SetText(QLineEdit* Field, const QString& Text) {
    Field->clear();
    TypeText(Field, Text);
  }

  TDefaultLocale locale{QLocale::c()};
  QStringList busyTexts;
};

const QStringList CalculationBusyTexts = {
    "Funktion berechnen ...",     "Nullstellen ermitteln ...",    "", "Graphen löschen ...",
    "Funktionsgraph zufügen ...", "Nullstellengraph zufügen ...", ""};

}  // namespace

TEST_F(RootFinding2D, NewWindowShowsTheDefaultTaskCalculated) {
  TfrmRootFinding2D w;
  EXPECT_EQ(w.windowTitle(), "Nullstelle suchen");
  EXPECT_EQ(w.FormName(), "RootFinding");
  EXPECT_EQ(Fct(w)->text(), DefaultPolynomial);
  EXPECT_FALSE(Fct(w)->isReadOnly());
  EXPECT_EQ(Child<QLineEdit>(w, "txtXmin")->text(), "-2.50000");
  EXPECT_EQ(Child<QLineEdit>(w, "txtXmax")->text(), "2.50000");
  EXPECT_EQ(Nodes(w)->text(), "200");

  EXPECT_EQ(busyTexts, CalculationBusyTexts);
  EXPECT_TRUE(shownErrors.isEmpty()) << shownErrors.join('\n').toStdString();
  ASSERT_EQ(w.memRoot().RecordCount(), 4);
  EXPECT_EQ(w.ValueX().size(), 200u);
  EXPECT_EQ(w.RootX().size(), 4u);
  EXPECT_EQ(w.memRoot().RecNo(), 0);
  EXPECT_EQ(Child<QTableView>(w, "DBGrid1")->model()->rowCount(), 4);
  EXPECT_EQ(Detail(w, "xRoot"), "-2.4051429");
  EXPECT_EQ(Detail(w, "xIntervalMin"), "-2.425");
  EXPECT_EQ(Detail(w, "xIntervalMax"), "-2.399");
  EXPECT_EQ(Detail(w, "RootFinder"), "Zeroin()");
  EXPECT_EQ(Detail(w, "IterCount"), w.memRoot().FieldByName("IterCount").DisplayTextAt(0));
  EXPECT_EQ(Detail(w, "yRoot"), w.memRoot().FieldByName("yRoot").DisplayTextAt(0));
  EXPECT_EQ(Child<QPlainTextEdit>(w, "ResultMessage")->toPlainText(), "");

  Child<QTableView>(w, "DBGrid1")->selectRow(3);
  EXPECT_EQ(Detail(w, "xRoot"), "2.3191531") << "the detail fields follow the selected row";
}

TEST_F(RootFinding2D, ActionsCarryTheirCaptionsHintsAndShortcuts) {
  TfrmRootFinding2D w;
  const struct {
    const char* name;
    const char* caption;
    const char* hint;
    QKeySequence shortcut;
    bool enabled;
  } actions[] = {
      {"actPrintPreview", "&Vorschau", "Auswertung in der Vorschau öffnen", QKeySequence("Ctrl+P"),
       false},
      {"actCalculate", "&Berechnen", "Funktion und Nullstellen berechnen", QKeySequence("F5"),
       true},
      {"actCopyGraphic", "Grafik &Kopieren",
       "Grafik als Windows Metafile in die Zwischenablage kopieren", QKeySequence(), true},
      {"actSaveGraphic", "Grafik &Speichern ...", "Grafik als Windows Metafile speichern",
       QKeySequence(), true},
      {"actSaveValues", "Funktions&werte Speichern ...", "Funktionswerte in Textdatei speichern",
       QKeySequence(), true},
      {"actSaveRoots", "&Nullstellen Speichern ...", "Nullstellen als Textdatei speichern",
       QKeySequence(), true},
      {"actSaveFunction", "&Funktion Speichern ...", "Funktion mit Einstellungen speichern",
       QKeySequence("Ctrl+S"), true},
      {"actOpenFunction", "&Öffnen", "Funktion mit Einstellungen laden", QKeySequence("Ctrl+O"),
       true},
      {"actEditProperties", "&Eigenschaften ...", "Eigenschaften bearbeiten", QKeySequence(),
       true},
  };
  for (const auto& a : actions) {
    const QAction* action = Child<QAction>(w, a.name);
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->text(), QString::fromUtf8(a.caption)) << a.name;
    EXPECT_EQ(action->toolTip(), QString::fromUtf8(a.hint)) << a.name;
    EXPECT_EQ(action->shortcut(), a.shortcut) << a.name;
    EXPECT_EQ(action->isEnabled(), a.enabled) << a.name;
    EXPECT_FALSE(action->icon().isNull()) << a.name;
  }
}

TEST_F(RootFinding2D, EnterInEveryFieldAndF5Calculate) {
  TfrmRootFinding2D w;
  int returnsSeen = 0;
  QObject::connect(Fct(w), &QLineEdit::returnPressed, [&returnsSeen] { ++returnsSeen; });
  int expectedRows = 4;
  for (const char* field : {"txtFct", "txtXmin", "txtXmax", "txtNodeCount"}) {
    SetText(Fct(w), expectedRows == 4 ? "sin(x)" : DefaultPolynomial);
    expectedRows = expectedRows == 4 ? 1 : 4;
    Enter(Child<QWidget>(w, field));
    EXPECT_EQ(w.memRoot().RecordCount(), expectedRows) << field;
  }
  EXPECT_EQ(returnsSeen, 0) << "Enter is swallowed";
  EXPECT_EQ(w.RootFinder().RootFunction().FunctionScript(), DefaultPolynomial);

  w.show();
  w.activateWindow();
  QApplication::processEvents();
  Fct(w)->setFocus();
  SetText(Fct(w), "sin(x)");
  PressKey(Fct(w), Qt::Key_F5);
  EXPECT_EQ(w.memRoot().RecordCount(), 1) << "F5";
  EXPECT_TRUE(shownErrors.isEmpty()) << shownErrors.join('\n').toStdString();
}

TEST_F(RootFinding2D, NodeCountIsKeptBetweenTenAndTenThousand) {
  TfrmRootFinding2D w;
  const struct {
    const char* typed;
    std::size_t nodes;
  } cases[] = {{"5", 10}, {"20000", 10000}, {"37", 37}};
  for (const auto& c : cases) {
    SetText(Nodes(w), c.typed);
    Enter(Nodes(w));
    EXPECT_EQ(w.ValueX().size(), c.nodes) << c.typed;
    EXPECT_EQ(Nodes(w)->text().toStdString(), std::to_string(c.nodes)) << c.typed;
  }
  EXPECT_EQ(w.RootFinder().NodeCount(), 200) << "the task takes the fields only when asked";
}

TEST_F(RootFinding2D, AFailedCalculationIsShownAndKeepsThePreviousResults) {
  TfrmRootFinding2D w;
  const kaloREALVector rootX = w.RootX();
  busyTexts.clear();
  SetText(Fct(w), "sin(x");
  Enter(Fct(w));
  ASSERT_EQ(shownErrors.size(), 1);
  EXPECT_EQ(shownErrors[0],
            "Fehler in LoadScriptFromString(): Syntaxfehler in Script "
            "\"function fct(x) return (sin(x); end;\"\r\n"
            "Fehlermeldung: [string \"function fct(x) return (sin(x); end;\"]:1: "
            "')' expected near ';'");
  EXPECT_EQ(busyTexts, QStringList({"Funktion berechnen ...", ""}));
  EXPECT_EQ(w.memRoot().RecordCount(), 4);
  EXPECT_EQ(w.RootX(), rootX);
  EXPECT_EQ(Detail(w, "xRoot"), "-2.4051429");

  SetText(Fct(w), "sin(x)");
  Enter(Fct(w));
  EXPECT_EQ(shownErrors.size(), 1);
  EXPECT_EQ(w.memRoot().RecordCount(), 1) << "the window is still usable";
  EXPECT_EQ(Detail(w, "xRoot"), "0.0000000");
}

TEST_F(RootFinding2D, AFullScriptShowsItsNameReadOnlyUntilItIsSimpleAgain) {
  TfrmRootFinding2D w;
  const QColor normal = Fct(w)->palette().color(QPalette::Base);
  TKaloPersistFunction& function = w.RootFinder().RootFunction();
  const QString script = "function fct(x) return x - 1; end;";
  function.setSimpleScript(false);
  function.setFunctionScript(script);
  w.RootFinder().setName("Gerade");
  w.RootFinder().setxMin(-1);
  w.RootFinder().setxMax(4);
  w.RootFinder().setNodeCount(50);
  w.RefreshFields();
  EXPECT_EQ(Fct(w)->text(), "Gerade");
  EXPECT_TRUE(Fct(w)->isReadOnly());
  EXPECT_EQ(Fct(w)->palette().color(QPalette::Base),
            QApplication::palette().color(QPalette::ToolTipBase));
  EXPECT_EQ(Child<QLineEdit>(w, "txtXmin")->text(), "-1.00000");
  EXPECT_EQ(Nodes(w)->text(), "50");

  Enter(Nodes(w));
  EXPECT_EQ(function.FunctionScript(), script) << "the name does not replace the script";
  ASSERT_EQ(w.memRoot().RecordCount(), 1);
  EXPECT_EQ(Detail(w, "xRoot"), "1.0000000");
  w.TakeFields();
  EXPECT_EQ(function.FunctionScript(), script);

  function.setSimpleScript(true);
  function.setFunctionScript("cos(x)");
  w.RefreshFields();
  EXPECT_EQ(Fct(w)->text(), "cos(x)");
  EXPECT_FALSE(Fct(w)->isReadOnly());
  EXPECT_EQ(Fct(w)->palette().color(QPalette::Base), normal);
}

TEST_F(RootFinding2D, TakeFieldsGivesTheTaskWhatTheFieldsShow) {
  TfrmRootFinding2D w;
  SetText(Fct(w), "x^2 - 2");
  SetText(Child<QLineEdit>(w, "txtXmin"), "0.5");
  SetText(Child<QLineEdit>(w, "txtXmax"), "");
  SetText(Nodes(w), "3");
  w.TakeFields();
  const TKaloPersistRootFinding& task = w.RootFinder();
  EXPECT_EQ(task.RootFunction().FunctionScript(), "x^2 - 2");
  EXPECT_EQ(task.xMin(), 0.5L);
  EXPECT_EQ(task.xMax(), 0.0L) << "an empty field is 0";
  EXPECT_EQ(task.NodeCount(), 10);
  EXPECT_EQ(Nodes(w)->text(), "10");
}

TEST_F(RootFinding2D, TwoWindowsHoldIndependentTasksAndTables) {
  TfrmRootFinding2D first;
  TfrmRootFinding2D second;
  SetText(Fct(second), "sin(x)");
  Enter(Fct(second));
  EXPECT_EQ(second.memRoot().RecordCount(), 1);
  EXPECT_EQ(first.memRoot().RecordCount(), 4);
  EXPECT_EQ(first.RootFinder().RootFunction().FunctionScript(), DefaultPolynomial);
  EXPECT_EQ(second.RootFinder().RootFunction().FunctionScript(), "sin(x)");
  EXPECT_EQ(Detail(first, "xRoot"), "-2.4051429");
  EXPECT_EQ(Detail(second, "xRoot"), "0.0000000");
}

TEST_F(RootFinding2D, ClosingFreesTheWindow) {
  QPointer<TfrmRootFinding2D> w = new TfrmRootFinding2D;
  w->show();
  w->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(w.isNull());
}
