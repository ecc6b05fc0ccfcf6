#include "FRootFinding2D.h"
#include "FRootFinding2DProperties.h"
#include "qorFileDialog.h"
#include "qorNumEdit.h"
#include "qorTestInput.h"
#include "qorTestModal.h"
#include "qorTestWidgets.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include <memory>

namespace {

QOR_TEST_APPLICATION(TWidgetTestEnvironment);

// Windows whose file dialogs and questions the test answers: each file dialog with the
// next name of fileAnswers (the empty text cancels); each question with the button
// named next in questionAnswers, its text recorded in questions.
class RootFinding2DUnsaved : public TWidgetTest {
protected:
  void SetUp() override {
    TWidgetTest::SetUp();
    FSavedDialog = SetFileDialog([this](const TqorFileDialogRequest&) {
      if (fileAnswers.isEmpty()) {
        ADD_FAILURE() << "a file dialog nobody answers";
        return QString();
      }
      return fileAnswers.takeFirst();
    });
  }
  void TearDown() override {
    SetFileDialog(FSavedDialog);
    TWidgetTest::TearDown();
  }

  // Answers the next question with the button captioned Button.
  void Answer(const QString& Button) {
    OnNextModal<QMessageBox>([this, Button](QMessageBox* Box) {
      questions << Box->text();
      QStringList buttons;
      for (QAbstractButton* button : Box->buttons()) buttons << button->text();
      buttons.sort();  // the platform decides their order
      EXPECT_EQ(buttons, QStringList({"Abbrechen", "Speichern", "Verwerfen"}));
      for (QAbstractButton* button : Box->buttons())
        if (button->text() == Button) button->click();
    });
  }
  static QLineEdit* Fct(QWidget& w) { return w.findChild<QLineEdit*>("txtFct"); }
  // Types Text into the function field as the user does.
  static void Edit(TfrmRootFinding2D& w, const QString& Text) {
    Fct(w)->selectAll();
    TypeText(Fct(w), Text);
  }
  QString File(const QString& Name) const { return QDir::toNativeSeparators(dir.filePath(Name)); }
  // Saves w's task as Name through its save action.
  void SaveAs(TfrmRootFinding2D& w, const QString& Name) {
    fileAnswers << File(Name);
    w.findChild<QAction*>("actSaveFunction")->trigger();
  }
  static QString FunctionIn(const QString& FileName) {
    TKaloPersistRootFinding task;
    LoadTaskFile(FileName, task);
    return task.RootFunction().FunctionScript();
  }

  TDefaultLocale locale{QLocale::c()};
  QTemporaryDir dir;
  QStringList fileAnswers;
  QStringList questions;

private:
  TqorFileDialog FSavedDialog;
};

// The caption names the task's file and carries the changed-mark once the user, and
// only the user, changed something.
TEST_F(RootFinding2DUnsaved, TheCaptionNamesTheFileAndMarksAnEditByTheUser) {
  TfrmRootFinding2D w;
  EXPECT_EQ(w.windowTitle(), "Nullstelle suchen[*]");
  w.findChild<QAction*>("actCalculate")->trigger();
  w.RefreshFields();
  EXPECT_FALSE(w.isWindowModified()) << "calculating and showing the task are no edit";
  Edit(w, "sin(x)");
  EXPECT_TRUE(w.isWindowModified());
  SaveAs(w, "sinus.nwd");
  EXPECT_EQ(w.windowTitle(), "Nullstelle suchen - sinus.nwd[*]");
  EXPECT_FALSE(w.isWindowModified());
  TypeText(w.findChild<TqorNumEdit*>("txtNodeCount"), "0");
  EXPECT_TRUE(w.isWindowModified()) << "a number field is edited too";

  TfrmRootFinding2D other;
  other.OpenFile(File("sinus.nwd"));
  EXPECT_EQ(other.windowTitle(), "Nullstelle suchen - sinus.nwd[*]");
  EXPECT_FALSE(other.isWindowModified());
  EXPECT_TRUE(shownErrors.isEmpty()) << shownErrors.join('\n').toStdString();
}

// Closing an edited window asks; each answer does what it says.
TEST_F(RootFinding2DUnsaved, ClosingAnEditedWindowAsksToSaveIt) {
  const struct {
    const char* answer;
    const char* dialogAnswer;  // the save dialog's answer when "Speichern" needs one
    bool closed;
    const char* saved;  // the function in the file afterwards
  } cases[] = {
      {"Abbrechen", nullptr, false, "sin(x)"},
      {"Verwerfen", nullptr, true, "sin(x)"},
      {"Speichern", nullptr, true, "cos(x)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    questions.clear();
    auto* w = new TfrmRootFinding2D;  // deletes itself when closed
    QPointer<TfrmRootFinding2D> alive(w);
    w->show();
    Edit(*w, "sin(x)");
    SaveAs(*w, "f.nwd");
    Edit(*w, "cos(x)");
    Answer(c.answer);
    EXPECT_EQ(w->close(), c.closed);
    EXPECT_EQ(questions, QStringList{"Änderungen an 'f.nwd' speichern?"});
    EXPECT_EQ(FunctionIn(File("f.nwd")), c.saved);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(alive.isNull(), c.closed);
    if (alive) {
      EXPECT_TRUE(alive->isWindowModified());
      Answer("Verwerfen");
      alive->close();
    }
  }
  EXPECT_TRUE(shownErrors.isEmpty()) << shownErrors.join('\n').toStdString();
}

// A task without a file asks for one when it is to be saved; cancelling that dialog
// keeps the window as "Abbrechen" does. An unedited window closes without a word.
TEST_F(RootFinding2DUnsaved, SavingANewTaskAsksForItsFileAndAnUneditedOneIsNotAsked) {
  TfrmRootFinding2D w;
  w.show();
  EXPECT_TRUE(w.close()) << "no question for a task nobody edited";
  EXPECT_TRUE(questions.isEmpty());

  TfrmRootFinding2D edited;
  edited.setAttribute(Qt::WA_DeleteOnClose, false);
  edited.show();
  Edit(edited, "x - 1");
  Answer("Speichern");
  fileAnswers << "";
  EXPECT_FALSE(edited.close()) << "the save dialog was cancelled";
  EXPECT_EQ(questions, QStringList{"Änderungen an 'Nullstelle suchen' speichern?"});
  Answer("Speichern");
  fileAnswers << File("neu.nwd");
  EXPECT_TRUE(edited.close());
  EXPECT_EQ(FunctionIn(File("neu.nwd")), "x - 1");
}

// Opening another task, from the dialog or the recent list, replaces the edited one
// only after the question; "Abbrechen" keeps the edit and the file unopened.
TEST_F(RootFinding2DUnsaved, OpeningAnotherTaskAsksFirst) {
  TfrmRootFinding2D w;
  Edit(w, "sin(x)");
  SaveAs(w, "sinus.nwd");
  Edit(w, "cos(x)");
  SaveAs(w, "cosinus.nwd");
  Edit(w, "tan(x)");

  Answer("Abbrechen");
  w.OpenFile(File("sinus.nwd"));
  EXPECT_EQ(Fct(w)->text(), "tan(x)");
  EXPECT_TRUE(w.isWindowModified());

  Answer("Verwerfen");
  fileAnswers << File("sinus.nwd");
  w.findChild<QAction*>("actOpenFunction")->trigger();
  EXPECT_EQ(Fct(w)->text(), "sin(x)");
  EXPECT_EQ(w.windowTitle(), "Nullstelle suchen - sinus.nwd[*]");
  EXPECT_FALSE(w.isWindowModified());

  Edit(w, "sin(2*x)");
  Answer("Speichern");
  w.findChild<QMenu*>("mnuPopFileList")->actions().at(1)->trigger();  // cosinus.nwd
  EXPECT_EQ(FunctionIn(File("sinus.nwd")), "sin(2*x)") << "saved to its own file without a dialog";
  EXPECT_EQ(Fct(w)->text(), "cos(x)");
  EXPECT_EQ(questions.size(), 3);
  EXPECT_TRUE(shownErrors.isEmpty()) << shownErrors.join('\n').toStdString();
}

// The properties dialog edits the task when OK changed something in it.
TEST_F(RootFinding2DUnsaved, PropertiesMarkTheTaskEditedOnlyWhenTheyChangedIt) {
  TfrmRootFinding2D w;
  OnNextModal<TfrmRootFinding2DProperties>([](TfrmRootFinding2DProperties* d) { d->cmdOK->click(); });
  w.findChild<QAction*>("actEditProperties")->trigger();
  EXPECT_FALSE(w.isWindowModified());
  OnNextModal<TfrmRootFinding2DProperties>([](TfrmRootFinding2DProperties* d) {
    d->txtName->setText("Polynom");
    d->cmdOK->click();
  });
  w.findChild<QAction*>("actEditProperties")->trigger();
  EXPECT_TRUE(w.isWindowModified());
}

}  // namespace
