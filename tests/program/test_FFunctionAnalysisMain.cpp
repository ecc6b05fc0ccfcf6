#include "FApplicationInfo.h"
#include "FFunctionAnalysisMain.h"
#include "FRootFinding2D.h"
#include "qorKaloToolsProgram.h"

#include "qorException.h"
#include "qorTestModal.h"
#include "qorTestWidgets.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>

namespace {

QOR_TEST_APPLICATION(TWidgetTestEnvironment);

class FunctionAnalysisMain : public TWidgetTest {
protected:
  int made = 0;
  // Empty tool windows, numbered in their captions.
  TToolWindowFactory Factory() {
    return [this] {
      auto form = std::make_unique<TfrmqorVCLWINFormBase>();
      form->setWindowTitle(QStringLiteral("Fenster %1").arg(++made));
      return std::unique_ptr<QWidget>(std::move(form));
    };
  }
  static QStringList Titles(const QMdiArea& Area) {
    QStringList titles;
    for (const QMdiSubWindow* sub : Area.subWindowList()) titles << sub->windowTitle();
    return titles;
  }
};

TEST_F(FunctionAnalysisMain, FileMenuOffersTheToolAndTheCaptionNamesTheWorkgroup) {
  provider.User().CompanyName = "WORKGROUP";
  TfrmFunctionAnalysisMain window(Factory());
  EXPECT_EQ(window.windowTitle(), "VASO Numerik Werkzeuge");
  QStringList file;
  for (const QAction* item : window.mnuFile->actions()) file << (item->isSeparator() ? "-" : item->text());
  EXPECT_EQ(file, QStringList({"Nullstelle 2D-Funktion", "-", "&Beenden"}));
  window.show();
  EXPECT_EQ(window.windowTitle(), "VASO Numerik Werkzeuge für WORKGROUP");
}

TEST_F(FunctionAnalysisMain, FirstToolWindowOpensShortlyAfterShowingAndEachActionAddsOne) {
  TfrmFunctionAnalysisMain window(Factory());
  window.show();
  EXPECT_TRUE(Titles(window.MdiArea()).isEmpty());
  EXPECT_TRUE(QTest::qWaitFor([&] { return made == 1; }));
  window.actRootFinding2D->trigger();
  window.actRootFinding2D->trigger();
  EXPECT_EQ(Titles(window.MdiArea()), QStringList({"Fenster 1", "Fenster 2", "Fenster 3"}));
}

TEST_F(FunctionAnalysisMain, FailingToolWindowIsShownAndTheProgramGoesOn) {
  TfrmFunctionAnalysisMain window([]() -> std::unique_ptr<QWidget> { throw Exception("Fenster fehlt"); });
  window.show();
  window.actRootFinding2D->trigger();
  EXPECT_EQ(shownErrors, QStringList({"Fenster fehlt"}));
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(window.MdiArea().subWindowList().isEmpty());
}

// The program's start: the first tool window opens by itself and has already
// calculated the default polynomial when it appears.
TEST_F(FunctionAnalysisMain, FirstRootFindingWindowOpensCalculated) {
  TfrmFunctionAnalysisMain window(&NewRootFinding2DWindow);
  window.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.MdiArea().subWindowList().size() == 1; }));
  auto* form = qobject_cast<TfrmRootFinding2D*>(window.MdiArea().subWindowList()[0]->widget());
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->FormName(), "RootFinding");
  EXPECT_EQ(form->windowTitle(), "Nullstelle suchen[*]");
  EXPECT_FALSE(form->isWindowModified());
  EXPECT_EQ(form->memRoot().RecordCount(), 4);
  EXPECT_EQ(form->memRoot().RecNo(), 0);
  EXPECT_EQ(form->RootX().size(), 4u);
  EXPECT_EQ(window.StatusPanel(0).text(), "") << "four rows, four roots: nothing to add";

  // A root at a node ends two rows: the status bar counts the different roots, and the
  // plot has one root for each.
  Child<QLineEdit>(*form, "txtFct")->setText("sin(x)");
  Child<QLineEdit>(*form, "txtXmin")->setText("-4");
  Child<QLineEdit>(*form, "txtXmax")->setText("4");
  Child<QLineEdit>(*form, "txtNodeCount")->setText("101");
  Child<QAction>(*form, "actCalculate")->trigger();
  EXPECT_EQ(form->memRoot().RecordCount(), 4);
  EXPECT_EQ(form->RootX().size(), 3u);
  EXPECT_EQ(window.StatusPanel(0).text(), "3 Nullstellen in 4 Zeilen.");
  // The note stays while the plot is drawn anew, and goes with the next calculation.
  form->resize(form->width() + 40, form->height() + 40);
  QTest::qWait(300);
  EXPECT_EQ(window.StatusPanel(0).text(), "3 Nullstellen in 4 Zeilen.");
  Child<QLineEdit>(*form, "txtFct")->setText("sin(x) - 0.5");
  Child<QAction>(*form, "actCalculate")->trigger();
  EXPECT_EQ(window.StatusPanel(0).text(), "");
}

// Answers the coming questions one after another with the buttons captioned Buttons,
// recording their texts in Questions.
void AnswerQuestions(QStringList Buttons, QStringList& Questions) {
  if (Buttons.isEmpty()) return;
  OnNextModal<QMessageBox>([Buttons, &Questions](QMessageBox* Box) mutable {
    Questions << Box->text();
    const QString answer = Buttons.takeFirst();
    AnswerQuestions(Buttons, Questions);
    for (QAbstractButton* button : Box->buttons())
      if (button->text() == answer) button->click();
  });
}

// "Beenden" closes every window as if closed by hand: an edited one asks, and
// "Abbrechen" keeps the program and the windows from there on open.
TEST_F(FunctionAnalysisMain, QuittingAsksOncePerEditedWindow) {
  TfrmFunctionAnalysisMain window(&NewRootFinding2DWindow);
  window.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.MdiArea().subWindowList().size() == 1; }));
  window.actRootFinding2D->trigger();
  window.actRootFinding2D->trigger();
  const QList<QMdiSubWindow*> subs = window.MdiArea().subWindowList();
  ASSERT_EQ(subs.size(), 3);
  for (int i : {1, 2}) {
    auto* fct = subs[i]->widget()->findChild<QLineEdit*>("txtFct");
    fct->selectAll();
    QTest::keyClicks(fct, QStringLiteral("x - %1").arg(i));
  }
  QStringList questions;
  AnswerQuestions({"Abbrechen"}, questions);
  window.actAppExit->trigger();
  EXPECT_EQ(questions, QStringList{"Änderungen an 'Nullstelle suchen' speichern?"});
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.MdiArea().subWindowList().size(), 2) << "the unedited window before it closed";

  questions.clear();
  AnswerQuestions({"Verwerfen", "Verwerfen"}, questions);
  window.actAppExit->trigger();
  EXPECT_EQ(questions.size(), 2);
  EXPECT_FALSE(window.isVisible());
  EXPECT_TRUE(window.MdiArea().subWindowList().isEmpty());
}

TEST_F(FunctionAnalysisMain, InformationDialogAddsTheNumericsPage) {
  TfrmApplicationInfo dialog;
  ASSERT_EQ(dialog.pc->count(), 3);
  EXPECT_EQ(dialog.pc->tabText(0), "Informationenen zum Programm");
  EXPECT_EQ(dialog.pc->tabText(1), "Numerik Bibliothek");
  EXPECT_EQ(dialog.pc->tabText(2), "Credits");
  EXPECT_EQ(dialog.pc->widget(1), dialog.tsEMLib);
  EXPECT_EQ(dialog.pc->currentWidget(), dialog.tsAppInfo);
  dialog.show();
  const QStringList credits = dialog.txtCredits->toPlainText().split(u'\n');
  const qsizetype works = credits.indexOf("Namentlich wurden die Werke folgender Copyright-Inhaber verwendet") + 2;
  ASSERT_GT(works, 1);
  EXPECT_EQ(credits.mid(works, 2), QStringList({"die numerischen Algorithmen einer veröffentlichten Formelsammlung",
                                                "die Skript-Maschine Lua"}));
}

}  // namespace
