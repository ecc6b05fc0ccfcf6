#include "FRootFinding2DProperties.h"
#include "KaloRootCalculation.h"
#include "KaloTaskFields.h"
#include "qorMemoryDataset.h"
#include "qorNumEdit.h"
#include "qorTestInput.h"
#include "qorTestWidgets.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include <cmath>
#include <functional>
#include <vector>

namespace {

QOR_TEST_APPLICATION(TWidgetTestEnvironment);

const QString DefaultPolynomial = TKaloPersistFunction::DefaultFunctionScript;
const QString DefaultScript = "function fct(x)\r\n  return (0.71 + 0.91*x - 5.5*x^2 + 0.172*x^6);\r\nend;";

// The dialog on a task, shown as the window shows it (numbers with a full stop).
class Properties : public TWidgetTest {
protected:
  void SetUp() override {
    TWidgetTest::SetUp();
    dialog = std::make_unique<TfrmRootFinding2DProperties>();
    dialog->setRootFinder(&task);
  }
  void Show() {
    dialog->show();
    QApplication::processEvents();
  }
  static void SetText(QLineEdit* Field, const QString& Text) {
    Field->clear();
    TypeText(Field, Text);
  }
  static bool ShowsToolTipColour(const QWidget& Field) {
    return Field.palette().color(QPalette::Base) == QApplication::palette().color(QPalette::ToolTipBase);
  }
  // Whether Field can be typed into, on the normal background.
  template <class TField>
  static bool Editable(const TField& Field) {
    EXPECT_EQ(Field.isReadOnly(), ShowsToolTipColour(Field)) << "colour follows the mode";
    return !Field.isReadOnly();
  }
  // The task as the calculation leaves its root vector.
  static kaloREALVector Roots(TKaloPersistRootFinding& Task) {
    TqorMemoryDataset roots;
    DefineRootTable(roots);
    roots.Open();
    TKaloRootCalculation calculation(Task, roots, [](const QString&) {});
    TKaloCalculationInput input{Task.RootFunction().FunctionScript(), Task.xMin(), Task.xMax(), Task.NodeCount()};
    calculation.Execute(input, [] {});
    return calculation.RootX();
  }

  TDefaultLocale locale{QLocale::c()};
  TKaloPersistRootFinding task;
  std::unique_ptr<TfrmRootFinding2DProperties> dialog;
};

}  // namespace

TEST_F(Properties, ANewTaskShowsItsExpressionAndTheThreeLineScriptInSimpleMode) {
  task.setRelErrorBound(1e-12L);
  Show();
  EXPECT_EQ(dialog->windowTitle(), "Eigenschaften Nullstellensuche");
  EXPECT_EQ(dialog->FormName(), DefaultFormName);
  EXPECT_EQ(dialog->pc->currentWidget(), dialog->tsCommon);
  EXPECT_EQ(dialog->pc->tabText(0), "Allgemein");
  EXPECT_EQ(dialog->pc->tabText(1), "Funktion");
  EXPECT_EQ(dialog->optScript->text(), "Vollständige Lua-Funktion der Form \"function fct(x) return (...); end;\"");

  EXPECT_EQ(dialog->txtName->text(), "");
  EXPECT_EQ(dialog->txtXmin->text(), "-2.50000");
  EXPECT_EQ(dialog->txtXmax->text(), "2.50000");
  EXPECT_EQ(dialog->txtNodeCount->text(), "200");
  EXPECT_EQ(dialog->txtAbsError->text(), "2.1684043450E-19");
  EXPECT_EQ(dialog->txtRelError->text(), "1.0000000000E-12");

  EXPECT_TRUE(dialog->optSimpleScript->isChecked());
  EXPECT_EQ(dialog->txtFct->text(), DefaultPolynomial);
  EXPECT_EQ(dialog->txtScript->toPlainText(), "function fct(x)\n  return (0.71 + 0.91*x - 5.5*x^2 + 0.172*x^6);\nend;");
  EXPECT_TRUE(Editable(*dialog->txtFct));
  EXPECT_FALSE(Editable(*dialog->txtScript));
  EXPECT_EQ(dialog->txtScript->font().family(), "Courier New");
  EXPECT_EQ(dialog->txtScript->font().pointSize(), 10);
}

TEST_F(Properties, TheFullScriptOfTheDefaultExpressionCalculatesTheSameRoots) {
  Show();
  dialog->optScript->click();
  EXPECT_FALSE(Editable(*dialog->txtFct));
  EXPECT_TRUE(Editable(*dialog->txtScript));
  dialog->cmdOK->click();
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_FALSE(task.RootFunction().SimpleScript());
  EXPECT_EQ(task.RootFunction().FunctionScript(), DefaultScript);

  TKaloPersistRootFinding simple;
  const kaloREALVector roots = Roots(task);
  EXPECT_EQ(roots.size(), 4u);
  EXPECT_EQ(roots, Roots(simple));
}

TEST_F(Properties, AFullScriptOpensEditableAndAnEmptySimpleExpressionIsStoredAsItIs) {
  const QString script = "function fct(x)\r\n  return x - 1;\r\nend;";
  task.RootFunction().setSimpleScript(false);
  task.RootFunction().setFunctionScript(script);
  task.setName("Gerade");
  Show();
  EXPECT_TRUE(dialog->optScript->isChecked());
  EXPECT_EQ(dialog->txtFct->text(), "");
  EXPECT_FALSE(Editable(*dialog->txtFct));
  EXPECT_TRUE(Editable(*dialog->txtScript));
  EXPECT_EQ(dialog->txtScript->toPlainText(), "function fct(x)\n  return x - 1;\nend;");
  EXPECT_EQ(dialog->txtName->text(), "Gerade");

  dialog->optSimpleScript->click();
  EXPECT_EQ(dialog->txtFct->text(), "") << "switching copies nothing";
  EXPECT_TRUE(Editable(*dialog->txtFct));
  dialog->cmdOK->click();
  EXPECT_TRUE(task.RootFunction().SimpleScript());
  EXPECT_EQ(task.RootFunction().FunctionScript(), "");
}

TEST_F(Properties, AnAbandonedExpressionLeavesTheScriptAsItWasFilled) {
  Show();
  SetText(dialog->txtFct, "sin(x)");
  dialog->optScript->click();
  EXPECT_EQ(dialog->txtScript->toPlainText(), QString(DefaultScript).replace("\r\n", "\n"));
  dialog->txtScript->appendPlainText("-- zweite Fassung");
  dialog->cmdOK->click();
  EXPECT_EQ(task.RootFunction().FunctionScript(), DefaultScript + "\r\n-- zweite Fassung");
}

TEST_F(Properties, OKStoresEveryFieldUncheckedExceptTheNodeCount) {
  struct TCase {
    const char* Name;
    const char* xMin;
    const char* xMax;
    const char* Nodes;
    const char* AbsError;
    const char* RelError;
    const char* Function;
    Extended ExpectedxMin, ExpectedxMax, ExpectedAbs, ExpectedRel;
    int ExpectedNodes;
  };
  const std::vector<TCase> cases = {
      {"Lauf 1", "0.5", "3.25", "37", "1E-10", "2.5E-3", "cos(x)", 0.5L, 3.25L, 1e-10L, 2.5e-3L, 37},
      {"", "4", "-4", "5", "", "", "", 4, -4, 0, 0, 10},
      {"Grenzen", "", "1000", "20000", "0", "1", "x", 0, 1000, 0, 1, 10000},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "'" << c.Name << "'");
    TKaloPersistRootFinding edited;
    dialog->setRootFinder(&edited);
    Show();
    SetText(dialog->txtName, c.Name);
    SetText(dialog->txtXmin, c.xMin);
    SetText(dialog->txtXmax, c.xMax);
    SetText(dialog->txtNodeCount, c.Nodes);
    SetText(dialog->txtAbsError, c.AbsError);
    SetText(dialog->txtRelError, c.RelError);
    SetText(dialog->txtFct, c.Function);
    dialog->cmdOK->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted) << c.Name;
    EXPECT_EQ(edited.Name(), c.Name);
    EXPECT_EQ(edited.xMin(), c.ExpectedxMin) << c.Name;
    EXPECT_EQ(edited.xMax(), c.ExpectedxMax) << c.Name;
    EXPECT_EQ(edited.NodeCount(), c.ExpectedNodes) << c.Name;
    EXPECT_EQ(edited.AbsErrorBound(), static_cast<Extended>(static_cast<double>(c.ExpectedAbs))) << c.Name;
    EXPECT_EQ(edited.RelErrorBound(), static_cast<Extended>(static_cast<double>(c.ExpectedRel))) << c.Name;
    EXPECT_TRUE(edited.RootFunction().SimpleScript()) << c.Name;
    EXPECT_EQ(edited.RootFunction().FunctionScript(), c.Function) << c.Name;
  }
}

// The check box shows the task's choice and OK stores what it shows; the digits stay.
TEST_F(Properties, ProveRootsFollowsItsCheckBox) {
  for (const bool prove : {true, false}) {
    SCOPED_TRACE(prove);
    TKaloPersistRootFinding edited;
    edited.setProveRoots(prove);
    edited.setProofDigits(20);
    dialog->setRootFinder(&edited);
    Show();
    EXPECT_EQ(dialog->chkProveRoots->isChecked(), prove);
    EXPECT_EQ(dialog->chkProveRoots->text(), "Nullstellen bew&eisen");
    dialog->chkProveRoots->click();
    dialog->cmdOK->click();
    EXPECT_EQ(edited.ProveRoots(), !prove);
    EXPECT_EQ(edited.ProofDigits(), 20);
  }
}

TEST_F(Properties, CancelAndEscapeChangeNothing) {
  const TTaskFields before(task);
  const std::vector<std::pair<const char*, std::function<void()>>> endings = {
      {"Abbruch", [this] { dialog->cmdCancel->click(); }},
      {"Esc", [this] { SendKey(dialog->txtXmax, Qt::Key_Escape); }},
  };
  for (const auto& [how, end] : endings) {
    Show();
    SetText(dialog->txtName, "anders");
    SetText(dialog->txtXmax, "9");
    SetText(dialog->txtAbsError, "1E-3");
    dialog->optScript->click();
    end();
    EXPECT_FALSE(dialog->isVisible()) << how;
    EXPECT_EQ(dialog->result(), QDialog::Rejected) << how;
    EXPECT_TRUE(TTaskFields(task) == before) << how;
  }
}

TEST_F(Properties, EnterPressesOKInEveryOneLineFieldButNotInTheScript) {
  Show();
  dialog->optScript->click();
  SendKey(dialog->txtScript, Qt::Key_Return, "\r");
  EXPECT_TRUE(dialog->isVisible()) << "Enter in the script starts a new line";
  EXPECT_EQ(dialog->txtScript->toPlainText().count('\n'), 3);

  for (QLineEdit* field :
       std::initializer_list<QLineEdit*>{dialog->txtName, dialog->txtXmin, dialog->txtXmax, dialog->txtNodeCount,
                                         dialog->txtAbsError, dialog->txtRelError, dialog->txtFct}) {
    SCOPED_TRACE(field->objectName().toStdString());
    TKaloPersistRootFinding edited;
    dialog->setRootFinder(&edited);
    Show();
    SetText(dialog->txtName, field->objectName());
    SendKey(field, Qt::Key_Return, "\r");
    EXPECT_FALSE(dialog->isVisible()) << field->objectName().toStdString();
    EXPECT_EQ(dialog->result(), QDialog::Accepted) << field->objectName().toStdString();
    EXPECT_EQ(edited.Name(), field->objectName());
  }
}

TEST_F(Properties, EveryShowingStartsOnTheFirstPageWithTheTaskAsItIsNow) {
  Show();
  dialog->pc->setCurrentWidget(dialog->tsFunction);
  SetText(dialog->txtFct, "sin(x)");
  dialog->reject();
  task.setNodeCount(64);
  Show();
  EXPECT_EQ(dialog->pc->currentWidget(), dialog->tsCommon);
  EXPECT_EQ(dialog->txtNodeCount->text(), "64");
  EXPECT_EQ(dialog->txtFct->text(), DefaultPolynomial);
}

TEST_F(Properties, ErrorBoundsFollowTheRegionalSettings) {
  TDefaultLocale german{QLocale(QLocale::German, QLocale::Germany)};
  TfrmRootFinding2DProperties germanDialog;
  task.setRelErrorBound(1.5e-7L);
  germanDialog.setRootFinder(&task);
  germanDialog.show();
  EXPECT_EQ(germanDialog.txtRelError->text(), "1,5000000000E-07");
  EXPECT_EQ(germanDialog.txtXmin->text(), "-2,50000");
  SetText(germanDialog.txtAbsError, "3,25E-5");
  germanDialog.cmdOK->click();
  EXPECT_EQ(task.AbsErrorBound(), static_cast<Extended>(3.25e-5));
  EXPECT_EQ(task.RelErrorBound(), 1.5e-7L) << "not edited, so not even rounded to double";
}

TEST_F(Properties, OKWithoutAnEditKeepsEveryValueBitForBit) {
  struct TCase {
    const char* Name;
    Extended xMin, xMax, AbsError, RelError;
    int Nodes;
  };
  const Extended defaultAbs = TKaloPersistRootFinding().AbsErrorBound();
  const std::vector<TCase> cases = {
      {"Standard", -2.5L, 2.5L, defaultAbs, 0, 200},
      {"Klein", 1e-6, 3e-6, 1e-12, 1e-9, 200},
      {"Zehntel", 0.1, 0.7, 2.16840434497101e-19, 1.0 / 3, 10},
      {"Groß", -1234567.123456789, 0, 1e-300, 1e-15, 10000},
      {"Extended", 0.1L, 1.0L / 3, 1e-20L, 1e-4000L, 77},  // digits beyond a double
  };
  ASSERT_EQ(defaultAbs, std::ldexp(1.0L, -62));
  for (const QLocale& regional : {QLocale::c(), QLocale(QLocale::German, QLocale::Germany)}) {
    TDefaultLocale scope(regional);
    for (const TCase& c : cases) {
      SCOPED_TRACE(testing::Message() << regional.name().toStdString() << " " << c.Name);
      TKaloPersistRootFinding shown;
      shown.setName(c.Name);
      shown.setxMin(c.xMin);
      shown.setxMax(c.xMax);
      shown.setAbsErrorBound(c.AbsError);
      shown.setRelErrorBound(c.RelError);
      shown.setNodeCount(c.Nodes);
      const TTaskFields before(shown);
      TfrmRootFinding2DProperties fresh;
      fresh.setRootFinder(&shown);
      fresh.show();
      // Leaving every field, as tabbing through them does, is no edit either.
      for (TqorNumEdit* field :
           {fresh.txtXmin, fresh.txtXmax, fresh.txtNodeCount, fresh.txtAbsError, fresh.txtRelError})
        emit field->editingFinished();
      fresh.cmdOK->click();
      EXPECT_TRUE(TTaskFields(shown) == before);
      EXPECT_EQ(shown.AbsErrorBound(), c.AbsError);
    }
  }
}

TEST_F(Properties, NumbersTooSmallForFiveDecimalsShowInExponentForm) {
  task.setxMin(1e-6);
  task.setxMax(-2.5e-7);
  task.setRelErrorBound(1e-300);
  Show();
  EXPECT_EQ(dialog->txtXmin->text(), "1E-06");
  EXPECT_EQ(dialog->txtXmax->text(), "-2.5E-07");
  EXPECT_EQ(dialog->txtRelError->text(), "1.0000000000E-300");
  EXPECT_EQ(dialog->txtXmin->Value(), 1e-6);
}

TEST_F(Properties, ATypedPointOrCommaIsTheDecimalSeparatorUnderEveryLocale) {
  const struct {
    const char* xMin;
    const char* xMax;
    const char* AbsError;
    const char* RelError;
    double ExpectedxMin, ExpectedxMax, ExpectedAbs, ExpectedRel;
  } cases[] = {
      {"-1.5", "2,25", "1.5E-10", "2,5e-3", -1.5, 2.25, 1.5e-10, 2.5e-3},
      {"-1,5", "1e-6", "2.16840434497101E-019", ".5", -1.5, 1e-6, 2.16840434497101e-19, 0.5},
  };
  for (const QLocale& regional : {QLocale::c(), QLocale(QLocale::German, QLocale::Germany)}) {
    TDefaultLocale scope(regional);
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << regional.name().toStdString() << " " << c.xMin);
      TKaloPersistRootFinding edited;
      TfrmRootFinding2DProperties fresh;
      fresh.setRootFinder(&edited);
      fresh.show();
      SetText(fresh.txtXmin, c.xMin);
      SetText(fresh.txtXmax, c.xMax);
      SetText(fresh.txtAbsError, c.AbsError);
      SetText(fresh.txtRelError, c.RelError);
      SendKey(fresh.txtRelError, Qt::Key_Return, "\r");
      EXPECT_EQ(fresh.result(), QDialog::Accepted);
      EXPECT_EQ(edited.xMin(), c.ExpectedxMin);
      EXPECT_EQ(edited.xMax(), c.ExpectedxMax);
      EXPECT_EQ(edited.AbsErrorBound(), c.ExpectedAbs);
      EXPECT_EQ(edited.RelErrorBound(), c.ExpectedRel);
    }
  }
}

// The dialog can be resized, so it keeps its place and size between openings like a
// window, under the form base's default name, however it ends.
TEST_F(Properties, KeepsItsPlaceAndSizeUnderTheDefaultFormNameHoweverItEnds) {
  const std::vector<std::pair<const char*, std::function<void()>>> endings = {
      {"OK", [this] { dialog->cmdOK->click(); }},
      {"Abbruch", [this] { dialog->cmdCancel->click(); }},
      {"Esc", [this] { SendKey(dialog->txtName, Qt::Key_Escape); }},
      {"Enter", [this] { SendKey(dialog->txtName, Qt::Key_Return, "\r"); }},
      {"closing the window", [this] { dialog->close(); }},
  };
  int shift = 0;
  for (const auto& [how, end] : endings) {
    SCOPED_TRACE(how);
    shift += 10;
    StoreMetrics(DefaultFormName, "120;90;620;400;0");
    Show();
    EXPECT_EQ(dialog->geometry(), QRect(120, 90, 620, 400));
    const QRect moved(120 + shift, 90 + shift, 640 + shift, 420 + shift);
    dialog->setGeometry(moved);
    end();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(StoredMetrics(DefaultFormName),
              QStringLiteral("%1;%2;%3;%4;0").arg(moved.x()).arg(moved.y()).arg(moved.width()).arg(moved.height()));
  }
}

TEST_F(Properties, FirstOpensCentredOnItsOwnerAndThenWhereItWasLeft) {
  QWidget owner;
  owner.setGeometry(60, 50, 700, 500);
  owner.show();
  TfrmRootFinding2DProperties owned(&owner);
  owned.setRootFinder(&task);
  owned.show();
  const QPoint offCentre = owned.frameGeometry().center() - owner.frameGeometry().center();
  EXPECT_LE(offCentre.manhattanLength(), 2);
  owned.setGeometry(owned.geometry().translated(40, 30));
  const QRect left = owned.geometry();
  owned.reject();

  owner.move(200, 150);
  owned.show();
  EXPECT_EQ(owned.geometry(), left);
}
