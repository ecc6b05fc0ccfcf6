#include "FRootFinding2D.h"
#include "KaloExport.h"
#include "qorDataSetModel.h"
#include "qorFileDialog.h"
#include "qorMetafile.h"
#include "qorNumEdit.h"
#include "qorPlotImage.h"
#include "qorTestInput.h"
#include "qorTestWidgets.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStatusTipEvent>
#include <QTableView>
#include <QTemporaryDir>

#include <vector>

namespace {

QOR_TEST_APPLICATION(TWidgetTestEnvironment);

// A polynomial with roots at -2 and 1 and, near 0.3, two rows where f only comes close
// to zero and there is no root.
const char* const RootsAndNearMiss = "(x-1)*(x+2)*((x-0.3)^2+1E-14)";

// The mouse as the window system reports it over Target.
void Mouse(QWidget* Target, QEvent::Type Type, QPoint Pos, Qt::MouseButtons Buttons) {
  const Qt::MouseButton button = Type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(Type, QPointF(Pos), Target->mapToGlobal(QPointF(Pos)), button, Buttons, Qt::NoModifier);
  QApplication::sendEvent(Target, &event);
}
void MouseMove(QWidget* Target, QPoint Pos, Qt::MouseButtons Buttons = Qt::NoButton) {
  Mouse(Target, QEvent::MouseMove, Pos, Buttons);
}
void MousePress(QWidget* Target, QPoint Pos) { Mouse(Target, QEvent::MouseButtonPress, Pos, Qt::LeftButton); }
void MouseRelease(QWidget* Target, QPoint Pos) { Mouse(Target, QEvent::MouseButtonRelease, Pos, Qt::NoButton); }
void MouseClick(QWidget* Target, QPoint Pos) {
  MousePress(Target, Pos);
  MouseRelease(Target, Pos);
}

// A shown window with the pointer driven by the test; the status bar texts that reach
// the window are recorded.
class RootFinding2DPlot : public TWidgetTest {
protected:
  void SetUp() override {
    TWidgetTest::SetUp();
    w = std::make_unique<TfrmRootFinding2D>();
    w->resize(900, 560);
    w->show();
    w->activateWindow();
    QApplication::processEvents();
    image = w->findChild<TqorPlotImage*>("imgGraph");
    ASSERT_NE(image, nullptr);
    tips.Watch(*w);
  }
  void TearDown() override {
    w.reset();
    TWidgetTest::TearDown();
  }

  // Records the status tips that reach a window.
  struct TTips : QObject {
    QStringList Texts;
    void Watch(QWidget& Window) { Window.installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* Event) override {
      if (Event->type() == QEvent::StatusTip) Texts << static_cast<QStatusTipEvent*>(Event)->tip();
      return false;
    }
  };

  void Calculate(const QString& Function) {
    auto* fct = Child<QLineEdit>(*w, "txtFct");
    fct->clear();
    TypeText(fct, Function);
    Child<QAction>(*w, "actCalculate")->trigger();
    QApplication::processEvents();
  }
  // The pixel of (x, y) in the plot shown; the axes keep the scaling of the last drawing.
  QPoint Pixel(Extended x, Extended y) {
    TqorPlot2D& plot = w->Plot2D().Plot2D();
    return {plot.GridX().Axis->Scale(x), plot.GridY().Axis->Scale(y)};
  }
  // The pixel column at Fraction of the x axis' length.
  int Column(double Fraction) {
    const TqorPlotDrawingAxis& axis = *w->Plot2D().Plot2D().GridX().Axis;
    return axis.Start + static_cast<int>(Fraction * axis.Length);
  }
  void Drag(int FromX, int ToX) {
    const int y = image->height() / 2;
    MousePress(image, QPoint(FromX, y));
    MouseMove(image, QPoint((FromX + ToX) / 2, y + 20), Qt::LeftButton);
    MouseMove(image, QPoint(ToX, y + 40), Qt::LeftButton);
    MouseRelease(image, QPoint(ToX, y + 40));
    QApplication::processEvents();
  }
  TKaloXRange Shown() const { return {w->CalculatedTask().xMin(), w->CalculatedTask().xMax()}; }
  TKaloXRange Fields() {
    return {Child<TqorNumEdit>(*w, "txtXmin")->Value(), Child<TqorNumEdit>(*w, "txtXmax")->Value()};
  }
  void Backspace() {
    image->setFocus();
    PressKey(image, Qt::Key_Backspace);
    QApplication::processEvents();
  }

  TDefaultLocale locale{QLocale::c()};
  std::unique_ptr<TfrmRootFinding2D> w;
  TqorPlotImage* image = nullptr;
  TTips tips;
};

QString Number(Extended v, int Digits) { return QLocale::c().toString(static_cast<double>(v), 'G', Digits); }

}  // namespace

TEST_F(RootFinding2DPlot, ThePointerReadsTheCalculatedValuesAndTheRootsInTheStatusBar) {
  Calculate("x*x - 1");
  ASSERT_EQ(w->RootX().size(), 2u);
  const struct { double x; } points[] = {{-2}, {-0.25}, {0.5}, {1.75}};
  for (const auto& p : points) {
    SCOPED_TRACE(p.x);
    tips.Texts.clear();
    MouseMove(image, Pixel(p.x, p.x * p.x - 1));
    ASSERT_EQ(tips.Texts.size(), 1);
    // "x = <x>   f(x) = <y>": x within a pixel, y on the line through the nodes.
    const QStringList parts = tips.Texts[0].split(QStringLiteral("   "));
    ASSERT_EQ(parts.size(), 2) << tips.Texts[0].toStdString();
    ASSERT_TRUE(parts[0].startsWith("x = ") && parts[1].startsWith("f(x) = ")) << tips.Texts[0].toStdString();
    const double x = parts[0].mid(4).toDouble();
    const double pixel = 1 / static_cast<double>(w->Plot2D().Plot2D().GridX().Axis->ScaleFactor);
    EXPECT_NEAR(x, p.x, pixel);
    EXPECT_NEAR(parts[1].mid(7).toDouble(), x * x - 1, 1e-3) << "between nodes 0.025 apart";
  }

  tips.Texts.clear();
  MouseMove(image, QPoint(2, 2));
  EXPECT_EQ(tips.Texts, QStringList({""})) << "outside the graph area nothing is read";
  MouseMove(image, Pixel(0.5, 0));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(image, &leave);
  EXPECT_EQ(tips.Texts.last(), "") << "leaving the plot takes the reading away";
}

// The rows between the two roots have none: the second root is the fourth row, and
// the status bar names it by the number its row shows in the grid, as the report does.
TEST_F(RootFinding2DPlot, TheStatusBarNamesARootByItsRowsNumberInTheGrid) {
  Calculate(RootsAndNearMiss);
  ASSERT_EQ(w->memRoot().RecordCount(), 4);
  ASSERT_EQ(w->RootX().size(), 2u);
  const QAbstractItemModel& grid = *Child<QTableView>(*w, "DBGrid1")->model();
  const QString mark = QChar(TqorDataSetModel::CurrentRowMark) + QString(" ");
  EXPECT_EQ(grid.headerData(0, Qt::Vertical).toString(), mark + "0") << "the current row";
  const struct {
    int Root;
    int Row;
  } roots[] = {{0, 0}, {1, 3}};
  for (const auto& r : roots) {
    SCOPED_TRACE(r.Root);
    EXPECT_EQ(grid.headerData(r.Row, Qt::Vertical).toString().remove(mark), QString::number(r.Row));
    EXPECT_EQ(w->memRoot().FieldByName("ID").ValueAt(r.Row).toInt(), r.Row);
    tips.Texts.clear();
    MouseMove(image, Pixel(w->RootX()[r.Root], w->RootY()[r.Root]) + QPoint(3, -2));
    ASSERT_EQ(tips.Texts.size(), 1);
    EXPECT_EQ(tips.Texts[0], QString("Nullstelle %1:   x = %2   f(x) = %3")
                                 .arg(r.Row)
                                 .arg(Number(w->RootX()[r.Root], 10), Number(w->RootY()[r.Root], 10)));
  }
}

TEST_F(RootFinding2DPlot, ThePointerReadsNoValueWhereTheGraphBreaks) {
  Calculate("sqrt(x)");
  tips.Texts.clear();
  MouseMove(image, Pixel(-1, 0));
  ASSERT_EQ(tips.Texts.size(), 1);
  EXPECT_TRUE(tips.Texts[0].startsWith("x = -")) << tips.Texts[0].toStdString();
  EXPECT_FALSE(tips.Texts[0].contains("f(x)")) << tips.Texts[0].toStdString();
  MouseMove(image, Pixel(2, std::sqrt(2.0)));
  EXPECT_TRUE(tips.Texts.last().contains("f(x) = 1.41")) << tips.Texts.last().toStdString();
}

TEST_F(RootFinding2DPlot, DraggingCalculatesTheDraggedRangeAndBackspaceReturns) {
  const TKaloXRange start = Shown();
  auto* back = Child<QAction>(*w, "actZoomBack");
  EXPECT_FALSE(back->isEnabled());

  const std::optional<TKaloXRange> expected = w->Plot2D().XRangeBetween(Column(0.6), Column(0.2));
  ASSERT_TRUE(expected);
  Drag(Column(0.6), Column(0.2));
  const TKaloXRange typed{static_cast<double>(expected->Min), static_cast<double>(expected->Max)};
  EXPECT_EQ(Fields(), typed);
  EXPECT_EQ(Shown(), Fields()) << "calculated at once";
  EXPECT_LT(start.Min, Shown().Min);
  EXPECT_GT(start.Max, Shown().Max);
  EXPECT_EQ(w->RangeHistory().Count(), 1);
  EXPECT_TRUE(back->isEnabled());

  Backspace();
  EXPECT_EQ(Shown(), start);
  EXPECT_EQ(Fields(), start);
  EXPECT_FALSE(back->isEnabled());
  Backspace();
  EXPECT_EQ(Shown(), start) << "nothing to return to";

  const TKaloXRange before = Shown();
  const int clicks = tips.Texts.size();
  MouseClick(image, QPoint(Column(0.5), image->height() / 2));
  MousePress(image, QPoint(Column(0.5), 50));
  MouseRelease(image, QPoint(Column(0.5) + 1, 50));
  EXPECT_EQ(Shown(), before) << "a click is no drag";
  EXPECT_TRUE(w->RangeHistory().Empty());
  EXPECT_GE(tips.Texts.size(), clicks);

  // Backspace in an input field edits the field.
  auto* xMin = Child<QLineEdit>(*w, "txtXmin");
  Drag(Column(0.2), Column(0.8));
  xMin->setFocus();
  const QString text = xMin->text();
  xMin->end(false);
  PressKey(xMin, Qt::Key_Backspace);
  EXPECT_EQ(xMin->text(), text.chopped(1));
  EXPECT_EQ(w->RangeHistory().Count(), 1);
  EXPECT_TRUE(shownErrors.isEmpty()) << shownErrors.join('\n').toStdString();
}

TEST_F(RootFinding2DPlot, TheHistoryKeepsTheLastTenRangesAndOnlyThoseCalculated) {
  std::vector<TKaloXRange> ranges = {Shown()};
  for (int i = 0; i < 12; ++i) {
    Drag(Column(0.25), Column(0.75));
    ranges.push_back(Shown());
    ASSERT_NE(ranges[i + 1], ranges[i]) << i;
  }
  EXPECT_EQ(w->RangeHistory().Count(), 10);
  for (int i = 11; i >= 2; --i) {
    SCOPED_TRACE(i);
    Backspace();
    EXPECT_EQ(Shown(), ranges[i]);
  }
  EXPECT_FALSE(Child<QAction>(*w, "actZoomBack")->isEnabled());

  // A range whose calculation fails is not one to return from.
  Child<QLineEdit>(*w, "txtFct")->setText("sin(x");
  Drag(Column(0.25), Column(0.75));
  EXPECT_EQ(shownErrors.size(), 1);
  EXPECT_EQ(Shown(), ranges[2]);
  EXPECT_TRUE(w->RangeHistory().Empty());
}

TEST_F(RootFinding2DPlot, AClickOnARootMarkSelectsItsRowAndTheSelectedRowsMarkIsFilled) {
  Calculate(RootsAndNearMiss);
  const TqorMemoryDataset& roots = w->memRoot();
  ASSERT_EQ(roots.RecordCount(), 4);
  ASSERT_EQ(w->RootX().size(), 2u);
  const QPoint marks[] = {Pixel(w->RootX()[0], w->RootY()[0]), Pixel(w->RootX()[1], w->RootY()[1])};
  EXPECT_EQ(image->Highlight(), marks[0]) << "the first row is selected after a calculation";
  const QByteArray drawing = w->Plot2D().Plot2D().MetaFile().Bytes();

  MouseClick(image, marks[1] + QPoint(2, 2));
  EXPECT_EQ(roots.RecNo(), 3) << "the second root is the fourth row";
  EXPECT_EQ(image->Highlight(), marks[1]);
  auto* grid = Child<QTableView>(*w, "DBGrid1");
  EXPECT_EQ(grid->currentIndex().row(), 3);
  // The filled mark is on the screen: its centre is black, where a hollow mark is white.
  const QImage shown = image->grab().toImage();
  EXPECT_EQ(QColor(shown.pixel(marks[1])), QColor(Qt::black));
  EXPECT_EQ(QColor(shown.pixel(marks[0] + QPoint(1, 1))), QColor(Qt::white));

  MouseClick(image, QPoint(Column(0.5), 5));
  EXPECT_EQ(roots.RecNo(), 3) << "a click beside the marks keeps the row";

  for (const int row : {1, 2}) {
    SCOPED_TRACE(row);
    grid->setCurrentIndex(grid->model()->index(row, 1));
    EXPECT_EQ(roots.RecNo(), row);
    EXPECT_EQ(image->Highlight(), std::nullopt) << "a row without a root has no mark";
  }
  grid->setCurrentIndex(grid->model()->index(0, 1));
  EXPECT_EQ(image->Highlight(), marks[0]);

  EXPECT_EQ(w->Plot2D().Plot2D().MetaFile().Bytes(), drawing) << "files and the clipboard get no filled mark";
}

TEST_F(RootFinding2DPlot, CtrlCInTheRootsTableCopiesTheSelectedRowsOrAll) {
  TDefaultLocale german{QLocale(QLocale::German, QLocale::Germany)};
  Calculate(RootsAndNearMiss);
  auto* grid = Child<QTableView>(*w, "DBGrid1");
  grid->setFocus();
  const QString header =
      "\"N?\"\t\"x-Nullstelle\"\t\"y-Nullstelle\"\t\"Iter.\"\t\"x-Min\"\t\"x-Max\"\t\"Methode\"\t\"Bemerkung\"\n";
  const auto line = [this](int Row) {
    const TqorMemoryDataset& roots = w->memRoot();
    QStringList values;
    for (int f = 0; f < roots.FieldCount(); ++f) {
      const TqorField& field = *roots.Fields(f);
      if (!field.Visible()) continue;
      const QVariant value = field.ValueAt(Row);
      if (field.DataType() == ftFloat && value.isValid())
        values << FullPrecisionText(value.toDouble());
      else if (field.DataType() == ftString)
        values << "\"" + field.DisplayTextAt(Row) + "\"";
      else
        values << field.DisplayTextAt(Row);
    }
    return values.join('\t') + "\n";
  };
  const double root = w->memRoot().FieldByName("xRoot").ValueAt(0).toDouble();
  EXPECT_EQ(QLocale().toDouble(line(0).section('\t', 1, 1)), root) << "every digit, with the decimal comma";
  EXPECT_EQ(w->memRoot().FieldByName("xRoot").DisplayTextAt(0), "-2,0000000") << "the table keeps its seven decimals";

  const struct {
    const char* name;
    std::vector<int> selected;
    std::vector<int> copied;
  } cases[] = {
      {"the current row", {0}, {0}},
      {"two rows", {1, 3}, {1, 3}},
      {"none", {}, {0, 1, 2, 3}},
      {"all", {0, 1, 2, 3}, {0, 1, 2, 3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QItemSelectionModel* selection = grid->selectionModel();
    selection->clearSelection();
    for (const int row : c.selected)
      selection->select(grid->model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QApplication::clipboard()->clear();
    PressKey(grid, Qt::Key_C, Qt::ControlModifier);
    QString expected = header;
    for (const int row : c.copied) expected += line(row);
    EXPECT_EQ(QApplication::clipboard()->text(), expected);
    EXPECT_EQ(selection->selectedRows().size(), static_cast<qsizetype>(c.selected.size())) << "the selection stays";
  }

  // Ctrl+A and Ctrl+C as the keyboard does them.
  PressKey(grid, Qt::Key_A, Qt::ControlModifier);
  PressKey(grid, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), header + line(0) + line(1) + line(2) + line(3));

  // In a field Ctrl+C copies the field's own text.
  auto* xMin = Child<QLineEdit>(*w, "txtXmin");
  xMin->setFocus();
  xMin->selectAll();
  PressKey(xMin, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), xMin->text());
}

TEST_F(RootFinding2DPlot, TheGraphicIsSavedInTheFormatOfItsExtension) {
  QTemporaryDir dir;
  QStringList answers;
  const TqorFileDialog saved = SetFileDialog([&answers](const TqorFileDialogRequest&) { return answers.takeFirst(); });
  const TqorMetafile& drawing = w->Plot2D().Plot2D().MetaFile();
  const struct {
    const char* file;
    QByteArray (*expected)(const TqorMetafile&);
  } cases[] = {
      {"Plot.wmf", [](const TqorMetafile& m) { return m.Bytes(); }},
      {"Plot.emf", [](const TqorMetafile& m) { return m.Bytes(); }},
      {"Plot.svg", [](const TqorMetafile& m) { return m.ToSvg(); }},
      {"Plot.PNG", [](const TqorMetafile& m) { return m.ToPng(); }},
      {"Plot.bild", [](const TqorMetafile& m) { return m.Bytes(); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    answers << dir.filePath(c.file);
    Child<QAction>(*w, "actSaveGraphic")->trigger();
    QFile file(dir.filePath(c.file));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), c.expected(drawing));
  }
  answers << dir.filePath("Plot.pdf");
  Child<QAction>(*w, "actSaveGraphic")->trigger();
  QFile pdf(dir.filePath("Plot.pdf"));
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  EXPECT_TRUE(pdf.readAll().startsWith("%PDF-"));
  SetFileDialog(saved);
  EXPECT_TRUE(shownErrors.isEmpty()) << shownErrors.join('\n').toStdString();
}
