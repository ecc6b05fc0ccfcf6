#include "FRootFinding2D.h"
#include "KaloRootTableText.h"
#include "qorEmfFormat.h"
#include "qorFileDialog.h"
#include "qorFileUtils.h"
#include "qorMetafile.h"
#include "qorMetafileClipboard.h"
#include "qorNumEdit.h"
#include "qorPlotImage.h"
#include "qorTestFiles.h"
#include "qorTestInput.h"
#include "qorTestSupport.h"
#include "qorTestWidgets.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QTableView>
#include <QtEndian>

#include <locale.h>
#include <clocale>

#include <memory>
#include <vector>

namespace {

QOR_TEST_APPLICATION(TWidgetTestEnvironment);

const QString DefaultPolynomial = TKaloPersistFunction::DefaultFunctionScript;

// A registered provider whose busy texts are recorded, and the error display recording
// messages (TWidgetTest); numbers with a full stop.
class RootFinding2D : public TWidgetTest {
protected:
  static QLineEdit* Fct(QWidget& w) { return Child<QLineEdit>(w, "txtFct"); }
  static TqorNumEdit* Nodes(QWidget& w) { return Child<TqorNumEdit>(w, "txtNodeCount"); }
  static QString Detail(QWidget& w, const char* Field) { return Child<QLineEdit>(w, Field)->text(); }
  static void Enter(QWidget* Field) { SendKey(Field, Qt::Key_Return, "\r"); }
  static void SetText(QLineEdit* Field, const QString& Text) {
    Field->clear();
    TypeText(Field, Text);
  }

  TDefaultLocale locale{QLocale::c()};
};

// The window's plot and its drawing.
int GraphCount(TfrmRootFinding2D& w) { return w.Plot2D().Plot2D().Graph().Count(); }
const TqorMetafile& Drawing(TfrmRootFinding2D& w) { return w.Plot2D().Plot2D().MetaFile(); }

// The save dialog answered by the test: it records each request and answers with the
// next file name of Answers (the empty text cancels).
class RootFinding2DSave : public RootFinding2D {
protected:
  void SetUp() override {
    RootFinding2D::SetUp();
    FSavedDialog = SetFileDialog([this](const TqorFileDialogRequest& Request) {
      requests.push_back(Request);
      return answers.takeFirst();
    });
  }
  void TearDown() override {
    SetFileDialog(FSavedDialog);
    RootFinding2D::TearDown();
  }

  // The folder stored as "RecentPlaces" / "Graphic", "" when none is.
  static QString StoredGraphicPlace() {
    const auto value =
        TqorIniRegistry(TqorIniRegistry::UserFileName()).ReadValue(FormsKey() + "\\RecentPlaces", "Graphic");
    return value ? std::get<QString>(*value) : QString();
  }
  // Saves the graphic of w with the dialog answering FileName.
  void Save(TfrmRootFinding2D& w, const QString& FileName) {
    answers << FileName;
    busyTexts.clear();
    Child<QAction>(w, "actSaveGraphic")->trigger();
  }

  QTemporaryDir dir;
  QStringList answers;
  std::vector<TqorFileDialogRequest> requests;

private:
  TqorFileDialog FSavedDialog;
};

const QStringList CalculationBusyTexts = {
    "Funktion berechnen ...",     "Nullstellen ermitteln ...",    "", "Graphen löschen ...",
    "Funktionsgraph zufügen ...", "Nullstellengraph zufügen ...", ""};

}  // namespace

TEST_F(RootFinding2D, NewWindowShowsTheDefaultTaskCalculated) {
  TfrmRootFinding2D w;
  EXPECT_EQ(w.windowTitle(), "Nullstelle suchen[*]");
  EXPECT_FALSE(w.isWindowModified());
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
  EXPECT_EQ(Detail(w, "yRoot"), RootViewText(w.memRoot().FieldByName("yRoot"), 0));
  EXPECT_TRUE(Detail(w, "yRoot").contains(QRegularExpression("^-?\\d\\.\\d{7}E[+-]\\d\\d$")))
      << "the window's exponent form: " << Detail(w, "yRoot").toStdString();
  const QAbstractItemModel& grid = *Child<QTableView>(w, "DBGrid1")->model();
  constexpr int yRootColumn = 2;  // after "N?" and "x-Nullstelle"
  EXPECT_EQ(grid.index(0, yRootColumn).data().toString(), Detail(w, "yRoot")) << "the grid shows the same text";
  EXPECT_EQ(grid.index(0, yRootColumn).data(Qt::ToolTipRole).toString(), Detail(w, "yRoot"));
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
      {"actPrintPreview", "&Vorschau", "Auswertung in der Vorschau öffnen", QKeySequence("Ctrl+P"), false},
      {"actCalculate", "&Berechnen", "Funktion und Nullstellen berechnen", QKeySequence("F5"), true},
      {"actCopyGraphic", "Grafik &Kopieren", "Grafik als Windows Metafile in die Zwischenablage kopieren",
       QKeySequence(), true},
      {"actSaveGraphic", "Grafik &Speichern ...", "Grafik als Windows Metafile speichern", QKeySequence(), true},
      {"actSaveValues", "Funktions&werte Speichern ...", "Funktionswerte in Textdatei speichern", QKeySequence(), true},
      {"actSaveRoots", "&Nullstellen Speichern ...", "Nullstellen als Textdatei speichern", QKeySequence(), true},
      {"actSaveFunction", "&Funktion Speichern ...", "Funktion mit Einstellungen speichern", QKeySequence("Ctrl+S"),
       true},
      {"actOpenFunction", "&Öffnen", "Funktion mit Einstellungen laden", QKeySequence("Ctrl+O"), true},
      {"actEditProperties", "&Eigenschaften ...", "Eigenschaften bearbeiten", QKeySequence(), true},
      {"actZoomBack", "&Zurück", "Zum vorigen x-Bereich zurückkehren", QKeySequence("Backspace"), false},
      {"actCopyRoots", "Nullstellen k&opieren",
       "Markierte Nullstellen (oder alle) als Text in die Zwischenablage kopieren", QKeySequence::Copy, true},
  };
  for (const auto& a : actions) {
    SCOPED_TRACE(a.name);
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
  const int graphs = GraphCount(w);
  busyTexts.clear();
  SetText(Fct(w), "sin(x");
  Enter(Fct(w));
  ASSERT_EQ(shownErrors.size(), 1);
  EXPECT_EQ(shownErrors[0],
            "Eine Klammer ist nicht geschlossen: zu jedem '(' gehört ein ')'.\r\n"
            "Fehler in LoadScriptFromString(): Syntaxfehler in Script "
            "\"function fct(x) return (sin(x); end;\"\r\n"
            "Fehlermeldung: [string \"function fct(x) return (sin(x); end;\"]:1: "
            "')' expected near ';'");
  EXPECT_EQ(busyTexts, QStringList({"Funktion berechnen ...", ""}));
  EXPECT_EQ(w.memRoot().RecordCount(), 4);
  EXPECT_EQ(w.RootX(), rootX);
  EXPECT_EQ(Detail(w, "xRoot"), "-2.4051429");

  // A function without any value keeps the results shown, as one that does not compile.
  SetText(Fct(w), "sinn(x)");
  Enter(Fct(w));
  ASSERT_EQ(shownErrors.size(), 2);
  EXPECT_TRUE(shownErrors[1].startsWith("Der Name 'sinn' ist unbekannt. Erlaubt sind x und abs, "))
      << shownErrors[1].toStdString();
  EXPECT_EQ(w.memRoot().RecordCount(), 4);
  EXPECT_EQ(w.RootX(), rootX);
  EXPECT_EQ(GraphCount(w), graphs);

  SetText(Fct(w), "sin(x)");
  Enter(Fct(w));
  EXPECT_EQ(shownErrors.size(), 2);
  EXPECT_EQ(w.memRoot().RecordCount(), 1) << "the window is still usable";
  EXPECT_EQ(Detail(w, "xRoot"), "0.0000000");
}

TEST_F(RootFinding2D, AFullScriptShowsItsNameOrItselfUntilAnExpressionIsTypedOverIt) {
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
  EXPECT_EQ(Fct(w)->palette().color(QPalette::Base), QApplication::palette().color(QPalette::ToolTipBase));
  EXPECT_EQ(Child<QLineEdit>(w, "txtXmin")->text(), "-1.00000");
  EXPECT_EQ(Nodes(w)->text(), "50");

  Enter(Nodes(w));
  EXPECT_EQ(function.FunctionScript(), script) << "the name does not replace the script";
  ASSERT_EQ(w.memRoot().RecordCount(), 1);
  EXPECT_EQ(Detail(w, "xRoot"), "1.0000000");
  w.TakeFields();
  EXPECT_EQ(function.FunctionScript(), script);

  w.RootFinder().setName("");
  w.RefreshFields();
  EXPECT_EQ(Fct(w)->text(), script) << "without a name the field shows what is calculated";

  Fct(w)->selectAll();
  TypeText(Fct(w), "cos(x)");
  EXPECT_TRUE(function.SimpleScript()) << "typing over the script makes the task an expression";
  EXPECT_EQ(Fct(w)->palette().color(QPalette::Base), normal);
  Enter(Fct(w));
  EXPECT_EQ(function.FunctionScript(), "cos(x)");
  EXPECT_EQ(Detail(w, "xRoot"), "1.5707963");
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

namespace {
// The texts an enhanced metafile draws, in drawing order.
QStringList MetafileTexts(const QByteArray& Emf) {
  using namespace qorEmf;
  const auto u32 = [&Emf](qsizetype At) { return qFromLittleEndian<quint32>(Emf.constData() + At); };
  QStringList texts;
  for (qsizetype at = 0; at + RecordHeaderSize <= Emf.size();) {
    const quint32 size = u32(at + 4);
    if (size < RecordHeaderSize) break;
    if (u32(at) == EMR_EXTTEXTOUTW) {
      const quint32 chars = u32(at + ExtTextOutEmrTextAt + EmrTextCharsAt);
      const quint32 offset = u32(at + ExtTextOutEmrTextAt + EmrTextStringOffsetAt);
      texts << QString::fromUtf16(reinterpret_cast<const char16_t*>(Emf.constData() + at + offset), chars);
    }
    at += size;
  }
  return texts;
}

// The axis labels among Texts: numbers such as "-3,00", "10.0" or "1,0E-05".
QStringList AxisLabels(const QStringList& Texts) {
  static const QRegularExpression number(QStringLiteral("^ *-?\\d+[.,]\\d+(E[+-]\\d+)? *$"));
  return Texts.filter(number);
}

// Sets the thread's C library locale for a scope, as a script call or a library may.
class TThreadCLocale {
public:
  explicit TThreadCLocale(const char* Name) : FLocale(newlocale(LC_ALL_MASK, Name, locale_t{})) {
    if (FLocale) FPrevious = uselocale(FLocale);
  }
  ~TThreadCLocale() {
    if (!FLocale) return;
    uselocale(FPrevious);
    freelocale(FLocale);
  }
  TThreadCLocale(const TThreadCLocale&) = delete;
  TThreadCLocale& operator=(const TThreadCLocale&) = delete;
  bool Active() const { return FLocale != locale_t{}; }

private:
  locale_t FLocale;
  locale_t FPrevious{};
};
}  // namespace

// Every window draws its axis labels with the user's decimal separator from its first
// drawing on, before anything resizes it: the second window as the first, whatever
// locale the C library of the thread is in while it is made.
TEST_F(RootFinding2D, ASecondWindowsFirstDrawingUsesTheUsersDecimalSeparator) {
  const struct {
    const char* Name;
    QLocale User;
    const char* CLibrary;
    QChar Separator;
  } cases[] = {
      {"German user", QLocale(QLocale::German, QLocale::Germany), "C", u','},
      {"German user, C library in German", QLocale(QLocale::German, QLocale::Germany), "de_DE.UTF-8", u','},
      {"English user, C library in German", QLocale(QLocale::English, QLocale::UnitedStates), "de_DE.UTF-8", u'.'},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TDefaultLocale user(c.User);
    TfrmRootFinding2D first;
    const TThreadCLocale library(c.CLibrary);
    if (!library.Active()) {
      ADD_FAILURE() << "the locale " << c.CLibrary << " is not installed (./test compiles it)";
      continue;
    }
    TfrmRootFinding2D second;
    for (TfrmRootFinding2D* w : {&first, &second}) {
      const QStringList labels = AxisLabels(MetafileTexts(Drawing(*w).Bytes()));
      EXPECT_GE(labels.size(), 6) << MetafileTexts(Drawing(*w).Bytes()).join(' ').toStdString();
      const QChar other = c.Separator == u',' ? u'.' : u',';
      for (const QString& label : labels)
        EXPECT_TRUE(label.contains(c.Separator) && !label.contains(other)) << label.toStdString();
    }
  }
}

TEST_F(RootFinding2D, ClosingFreesTheWindow) {
  QPointer<TfrmRootFinding2D> w = new TfrmRootFinding2D;
  w->show();
  w->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(w.isNull());
}

TEST_F(RootFinding2D, EachCalculationReplacesThePlotsGraphsAndAFailedOneKeepsThem) {
  TfrmRootFinding2D w;
  const struct {
    const char* function;
    int graphs;
  } cases[] = {
      {"sin(x)", 2},
      {"x^2 + 1", 1},  // no roots: the function graph alone
      {"sin(x", 1},    // a failed calculation keeps the previous graphs
      {"x - 0.5", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.function);
    SetText(Fct(w), c.function);
    const QByteArray before = Drawing(w).Bytes();
    Enter(Fct(w));
    ASSERT_EQ(GraphCount(w), c.graphs) << c.function;
    TqorPlotGraph& function = *w.Plot2D().Plot2D().Graph().Items(0);
    EXPECT_EQ(function.ValueX, w.ValueX()) << c.function;
    EXPECT_EQ(function.ValueY, w.ValueY()) << c.function;
    if (c.graphs == 2) {
      EXPECT_EQ(w.Plot2D().Plot2D().Graph().Items(1)->ValueX, w.RootX());
    }
    const bool failed = std::string(c.function) == "sin(x";
    EXPECT_EQ(Drawing(w).Bytes() == before, failed) << c.function << ": drawn anew on success only";
  }
  EXPECT_EQ(shownErrors.size(), 1);
}

TEST_F(RootFinding2D, TheImageShowsThePlotDrawnAtItsOwnSize) {
  TfrmRootFinding2D w;
  w.show();
  QApplication::processEvents();
  auto* image = Child<TqorPlotImage>(w, "imgGraph");
  for (const QSize windowSize : {QSize(1000, 700), QSize(700, 420), QSize(779, 481)}) {
    SCOPED_TRACE(testing::Message() << "window " << windowSize.width() << "x" << windowSize.height());
    busyTexts.clear();
    w.resize(windowSize);
    QApplication::processEvents();
    const QSize size = image->size();
    EXPECT_EQ(QSize(Drawing(w).Width(), Drawing(w).Height()), size) << windowSize.width();
    EXPECT_EQ(image->Image().size(), size * image->devicePixelRatioF());
    EXPECT_EQ(image->Image(), Drawing(w).ToImage(size * image->devicePixelRatioF()));
    EXPECT_EQ(busyTexts, QStringList({"Grafik zeichnen ...", ""})) << windowSize.width();
  }
  EXPECT_GT(image->width(), 779 - 336 - 40) << "the image fills the space left of the roots";
  EXPECT_TRUE(shownErrors.isEmpty()) << shownErrors.join('\n').toStdString();
}

TEST_F(RootFinding2D, CopyPutsTheLastDrawingOnTheClipboardAsEmf) {
  TfrmRootFinding2D w;
  QApplication::clipboard()->clear();
  Child<QAction>(w, "actCopyGraphic")->trigger();
  const QMimeData* data = QApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  ASSERT_FALSE(Drawing(w).Empty());
  EXPECT_EQ(data->data(EmfMimeType), Drawing(w).Bytes());
  EXPECT_EQ(data->data(EmfMimeType).mid(qorEmf::HeaderSignatureAt, 4), " EMF");
  EXPECT_TRUE(data->hasFormat(PngMimeType));
}

// What the print preview was handed, one entry per call.
struct TPreviewCall {
  const TqorPlot2D* Plot;
  const TqorMemoryDataset* Roots;
  const QWidget* Owner;
  QString FunctionScript;
  Extended xMin, xMax;
  int NodeCount;
  int RootCount;
};

// A window whose print preview records its requests instead of showing a report.
class RootFinding2DPreview : public RootFinding2D {
protected:
  void SetUp() override {
    RootFinding2D::SetUp();
    TfrmRootFinding2D::setPrintPreviewHook([this](const TKaloPrintPreviewRequest& Request) {
      calls.push_back({&Request.Plot, &Request.Roots, Request.Owner, Request.Task.RootFunction().FunctionScript(),
                       Request.Task.xMin(), Request.Task.xMax(), Request.Task.NodeCount(),
                       Request.Roots.RecordCount()});
    });
  }
  void TearDown() override {
    TfrmRootFinding2D::setPrintPreviewHook({});
    RootFinding2D::TearDown();
  }

  std::vector<TPreviewCall> calls;
};

TEST_F(RootFinding2DPreview, PreviewGetsThePlotRootsAndTheTaskOfTheLastCalculation) {
  TfrmRootFinding2D w;
  QAction* preview = Child<QAction>(w, "actPrintPreview");
  EXPECT_TRUE(preview->isEnabled()) << "a preview is registered";
  busyTexts.clear();
  preview->trigger();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].Plot, &w.Plot2D().Plot2D());
  EXPECT_EQ(calls[0].Roots, &w.memRoot());
  EXPECT_EQ(calls[0].Owner, &w);
  EXPECT_EQ(calls[0].FunctionScript, DefaultPolynomial);
  EXPECT_EQ(calls[0].xMin, -2.5L);
  EXPECT_EQ(calls[0].RootCount, 4);
  EXPECT_TRUE(busyTexts.isEmpty()) << "the preview is a dialog of its own";

  // Typed but not calculated: the report still describes what the plot shows.
  SetText(Fct(w), "sin(x)");
  SetText(Child<QLineEdit>(w, "txtXmin"), "-1.2");
  SetText(Nodes(w), "50");
  preview->trigger();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].FunctionScript, DefaultPolynomial);
  EXPECT_EQ(calls[1].xMin, -2.5L);
  EXPECT_EQ(calls[1].NodeCount, 200);

  Enter(Fct(w));
  w.show();
  w.activateWindow();
  QApplication::processEvents();
  Fct(w)->setFocus();
  PressKey(Fct(w), Qt::Key_P, Qt::ControlModifier);
  ASSERT_EQ(calls.size(), 3u) << "Ctrl+P";
  EXPECT_EQ(calls[2].FunctionScript, "sin(x)");
  EXPECT_EQ(static_cast<double>(calls[2].xMin), -1.2) << "the field holds a double";
  EXPECT_EQ(calls[2].xMax, 2.5L);
  EXPECT_EQ(calls[2].NodeCount, 50);
  EXPECT_EQ(calls[2].RootCount, 1);
  EXPECT_EQ(w.RootFinder().xMin(), -2.5L) << "the task itself takes the fields only when asked";
  EXPECT_TRUE(shownErrors.isEmpty()) << shownErrors.join('\n').toStdString();
}

TEST_F(RootFinding2DPreview, AFailedCalculationLeavesTheReportOnTheResultsShown) {
  TfrmRootFinding2D w;
  SetText(Child<QLineEdit>(w, "txtXmin"), "-1");
  SetText(Fct(w), "sin(x");
  Enter(Fct(w));
  ASSERT_EQ(shownErrors.size(), 1);
  Child<QAction>(w, "actPrintPreview")->trigger();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].FunctionScript, DefaultPolynomial);
  EXPECT_EQ(calls[0].xMin, -2.5L);
  EXPECT_EQ(calls[0].RootCount, 4);
}

TEST_F(RootFinding2DSave, SavingWritesTheEmfAndRemembersItsFolder) {
  TfrmRootFinding2D w;
  const QString file = QDir::toNativeSeparators(dir.filePath("Polynom.wmf"));
  Save(w, file);
  ASSERT_EQ(requests.size(), 1u);
  const TqorFileDialogRequest& first = requests[0];
  EXPECT_TRUE(first.Save);
  EXPECT_EQ(first.Parent, &w);
  EXPECT_EQ(first.Title, "Grafik speichern unter");
  EXPECT_EQ(first.Filters, QStringList({"Windows Metafile Grafik (*.wmf)", "SVG-Grafik (*.svg)", "PNG-Bild (*.png)",
                                        "PDF-Dokument (*.pdf)", "Alle Dateien (*)"}));
  EXPECT_EQ(first.DefaultSuffix, "wmf");
  EXPECT_TRUE(first.ConfirmOverwrite);
  EXPECT_EQ(first.Directory, GetPicturesFolder()) << "no folder remembered yet";
  EXPECT_EQ(busyTexts, QStringList({"Grafik wird abgespeichert ...", ""}));
  EXPECT_EQ(ReadBytes(file), Drawing(w).Bytes());
  const QString folder = QDir::toNativeSeparators(dir.path()) + QDir::separator();
  EXPECT_EQ(StoredGraphicPlace(), folder);

  SetText(Fct(w), "sin(x)");
  Enter(Fct(w));
  Save(w, file);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].Directory, folder);
  EXPECT_EQ(requests[1].FileName, "Polynom.wmf") << "the dialog keeps the name chosen last";
  EXPECT_EQ(ReadBytes(file), Drawing(w).Bytes()) << "the file chosen again is replaced";
  EXPECT_TRUE(shownErrors.isEmpty()) << shownErrors.join('\n').toStdString();
}

TEST_F(RootFinding2DSave, CancellingDoesNothing) {
  TfrmRootFinding2D w;
  Save(w, "");
  EXPECT_EQ(requests.size(), 1u);
  EXPECT_TRUE(busyTexts.isEmpty());
  EXPECT_EQ(StoredGraphicPlace(), "");
  EXPECT_TRUE(QDir(dir.path()).isEmpty());
  EXPECT_TRUE(shownErrors.isEmpty());
}

TEST_F(RootFinding2DSave, AFailedSaveIsShownAndTheWindowGoesOn) {
  TfrmRootFinding2D w;
  Save(w, "/nonexistent/Polynom.wmf");
  ASSERT_EQ(shownErrors.size(), 1);
  EXPECT_EQ(shownErrors[0],
            "Die Datei '/nonexistent/Polynom.wmf' kann nicht geschrieben werden: "
            "Das Verzeichnis existiert nicht.");
  EXPECT_EQ(busyTexts, QStringList({"Grafik wird abgespeichert ...", ""}));
  EXPECT_EQ(StoredGraphicPlace(), "") << "only a written graphic moves the remembered folder";

  const QString file = dir.filePath("Polynom.wmf");
  Save(w, file);
  EXPECT_EQ(shownErrors.size(), 1);
  EXPECT_EQ(ReadBytes(file), Drawing(w).Bytes());
}
