#include "FRootFinding2D.h"
#include "FRootFinding2DProperties.h"
#include "KaloExport.h"
#include "KaloTaskFields.h"
#include "qorFileDialog.h"
#include "qorFileUtils.h"
#include "qorNumEdit.h"
#include "qorTestFiles.h"
#include "qorTestInput.h"
#include "qorTestModal.h"
#include "qorTestWidgets.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTableView>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

namespace {

QOR_TEST_APPLICATION(TWidgetTestEnvironment);

const QString DataDir = QStringLiteral(QOR_TEST_DATA);
const QStringList TaskFilters = {"Numerik Werzeug Daten (*.nwd)", "XML-Datei (*.xml)", "Alle Dateien (*)"};
const QStringList TextFilters = {"Text mit Trennzeichen (*.csv)", "Textdatei (*.txt)", "Alle Dateien (*)"};

// A window whose file dialogs the test answers: each request is recorded and answered
// with the next name of answers (the empty text cancels). Busy texts are recorded,
// numbers have a full stop.
class RootFinding2DActions : public TWidgetTest {
protected:
  void SetUp() override {
    TWidgetTest::SetUp();
    ASSERT_TRUE(QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)));
    FSavedDialog = SetFileDialog([this](const TqorFileDialogRequest& Request) {
      requests.push_back(Request);
      if (answers.isEmpty()) {
        ADD_FAILURE() << "a file dialog nobody answers";
        return QString();
      }
      return answers.takeFirst();
    });
  }
  void TearDown() override {
    SetFileDialog(FSavedDialog);
    TWidgetTest::TearDown();
  }

  // Runs the action Name of w with the file dialog answering FileName.
  void Run(TfrmRootFinding2D& w, const char* Name, const QString& FileName) {
    answers << FileName;
    busyTexts.clear();
    Child<QAction>(w, Name)->trigger();
    EXPECT_TRUE(answers.isEmpty()) << Name << " asked no file";
  }
  static void SetText(QLineEdit* Field, const QString& Text) {
    Field->clear();
    TypeText(Field, Text);
  }
  // The captions of a menu's entries.
  static QStringList Captions(const QMenu& Menu) {
    QStringList captions;
    for (const QAction* action : Menu.actions()) captions << action->text();
    return captions;
  }
  static QStringList RecentCaptions(TfrmRootFinding2D& w) { return Captions(*Child<QMenu>(w, "mnuPopFileList")); }
  // Clicks the recent file entry at Index of the open button's drop-down.
  static void ClickRecent(TfrmRootFinding2D& w, int Index) {
    const QList<QAction*> entries = Child<QMenu>(w, "mnuPopFileList")->actions();
    if (Index < entries.size())
      entries[Index]->trigger();
    else
      ADD_FAILURE() << "no recent entry " << Index;
  }
  // A value stored by the window below its forms key, "" when none is.
  static QString Stored(const QString& SubKey, const QString& Name) {
    const auto value = TqorIniRegistry(TqorIniRegistry::UserFileName()).ReadValue(FormsKey() + "\\" + SubKey, Name);
    return value ? std::get<QString>(*value) : QString();
  }
  static QString StoredRecentFiles() { return Stored("RootFinding", "RecentFiles"); }
  static QString StoredPlace(const QString& Name) { return Stored("RecentPlaces", Name); }
  QString Folder() const { return QDir::toNativeSeparators(dir.path()) + QDir::separator(); }
  // The user's documents folder, where the file dialogs start.
  static QString Documents() {
    return QDir::toNativeSeparators(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)) +
           QDir::separator();
  }
  QString File(const QString& Name) const { return QDir::toNativeSeparators(dir.filePath(Name)); }
  // Answers the properties dialog that the window is about to open modally.
  static void AnswerProperties(std::function<void(TfrmRootFinding2DProperties&)> Answer) {
    OnNextModal<TfrmRootFinding2DProperties>([Answer](TfrmRootFinding2DProperties* Dialog) { Answer(*Dialog); });
  }
  // A full script task with a value in every field and no name.
  static void SetScriptTask(TfrmRootFinding2D& w) {
    TKaloPersistRootFinding& task = w.RootFinder();
    task.RootFunction().setSimpleScript(false);
    task.RootFunction().setFunctionScript("function fct(x)\r\n  return x*x - 2;\r\nend;");
    task.setxMin(-3);
    task.setxMax(4);
    task.setNodeCount(77);
    task.setAbsErrorBound(1e-12);  // the task file keeps doubles
    task.setRelErrorBound(1e-9);
    w.RefreshFields();
  }

  TDefaultLocale locale{QLocale::c()};
  QTemporaryDir dir;
  QStringList answers;
  std::vector<TqorFileDialogRequest> requests;

private:
  TqorFileDialog FSavedDialog;
};

}  // namespace

TEST_F(RootFinding2DActions, AFullScriptTaskSavedAndOpenedComesBackWhole) {
  TfrmRootFinding2D saving;
  SetScriptTask(saving);
  Run(saving, "actSaveFunction", File("Test 1.nwd"));
  EXPECT_TRUE(shownErrors.isEmpty()) << shownErrors.join('\n').toStdString();
  EXPECT_TRUE(busyTexts.isEmpty()) << "saving shows no busy text";
  ASSERT_EQ(requests.size(), 1u);
  const TqorFileDialogRequest& save = requests[0];
  EXPECT_TRUE(save.Save);
  EXPECT_EQ(save.Title, "Funktion speichern unter");
  EXPECT_EQ(save.Filters, TaskFilters);
  EXPECT_EQ(save.DefaultSuffix, "nwd");
  EXPECT_TRUE(save.ConfirmOverwrite);
  EXPECT_EQ(save.Directory, Documents()) << "nothing remembered yet";
  EXPECT_EQ(save.FileName, "");
  EXPECT_EQ(saving.RootFinder().Name(), "Test 1");
  EXPECT_EQ(StoredPlace("Function"), Folder());
  EXPECT_EQ(RecentCaptions(saving), QStringList{"&1 " + File("Test 1.nwd")});
  EXPECT_EQ(StoredRecentFiles().section('=', 1), File("Test 1.nwd"));

  TfrmRootFinding2D opening;
  busyTexts.clear();
  Run(opening, "actOpenFunction", File("Test 1.nwd"));
  EXPECT_TRUE(shownErrors.isEmpty()) << shownErrors.join('\n').toStdString();
  ASSERT_EQ(requests.size(), 2u);
  const TqorFileDialogRequest& open = requests[1];
  EXPECT_FALSE(open.Save);
  EXPECT_EQ(open.Title, "Funktion öffnen");
  EXPECT_EQ(open.Filters, TaskFilters);
  EXPECT_EQ(open.DefaultSuffix, "nwd");
  EXPECT_EQ(open.Directory, Folder()) << "the folder saved to last";
  EXPECT_TRUE(TTaskFields(opening.RootFinder()) == TTaskFields(saving.RootFinder()));
  EXPECT_EQ(opening.RootFinder().RootFunction().ID(), saving.RootFinder().RootFunction().ID());
  QLineEdit* fct = Child<QLineEdit>(opening, "txtFct");
  EXPECT_EQ(fct->text(), "Test 1");
  EXPECT_EQ(Child<QLineEdit>(opening, "txtNodeCount")->text(), "77");
  EXPECT_EQ(opening.ValueX().size(), 77u) << "the opened task is calculated";
  ASSERT_EQ(opening.RootX().size(), 2u);
  EXPECT_NEAR(static_cast<double>(opening.RootX()[1]), std::sqrt(2.0), 1e-9);
  EXPECT_EQ(busyTexts.value(0), "Funktion wird geladen ...");
  EXPECT_EQ(busyTexts.value(busyTexts.size() - 1), "");
  EXPECT_EQ(RecentCaptions(opening), QStringList{"&1 " + File("Test 1.nwd")})
      << "a listed file moves to the top, it is not listed again";
}

TEST_F(RootFinding2DActions, AConfigurationThatCannotBeWrittenDoesNotKeepTheFileClosed) {
  TfrmRootFinding2D saving;
  SetScriptTask(saving);
  Run(saving, "actSaveFunction", File("Test.nwd"));
  const QString ini = TqorIniRegistry::UserFileName();
  ASSERT_TRUE(QFile::remove(ini));
  ASSERT_TRUE(QDir().mkpath(ini)) << "a folder where the settings file was: no write succeeds";

  TfrmRootFinding2D opening;
  shownErrors.clear();
  Run(opening, "actOpenFunction", File("Test.nwd"));
  EXPECT_FALSE(shownErrors.isEmpty()) << "the failed write is reported";
  EXPECT_TRUE(TTaskFields(opening.RootFinder()) == TTaskFields(saving.RootFinder())) << "and the file opened";
  EXPECT_EQ(opening.ValueX().size(), 77u);
}

TEST_F(RootFinding2DActions, TheTaskNameIsProposedWithoutTheCharactersAFileNameCannotHold) {
  TfrmRootFinding2D w;
  Run(w, "actSaveFunction", File("Test 1.nwd"));
  Run(w, "actSaveFunction", "");
  EXPECT_EQ(requests.back().FileName, "Test 1");

  const struct {
    const char* Name;
    const char* Proposed;
  } cases[] = {{"Lauf 1.2: x", "Lauf 12 x"}, {"a\\b/c<d>e|f", "abcdef"}, {"Größe = 3", "Größe = 3"}};
  for (const auto& c : cases) {
    w.RootFinder().setName(QString::fromUtf8(c.Name));
    for (const char* action : {"actSaveFunction", "actOpenFunction"}) {
      Run(w, action, "");
      EXPECT_EQ(requests.back().FileName, QString::fromUtf8(c.Proposed)) << c.Name << action;
    }
  }
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Test 1.nwd"}) << "a cancelled dialog writes nothing";
}

TEST_F(RootFinding2DActions, ACancelledSaveKeepsTheFieldsTakenIntoTheTask) {
  TfrmRootFinding2D w;
  SetText(Child<QLineEdit>(w, "txtFct"), "cos(x)");
  SetText(Child<QLineEdit>(w, "txtXmax"), "7");
  Run(w, "actSaveFunction", "");
  EXPECT_EQ(w.RootFinder().RootFunction().FunctionScript(), "cos(x)");
  EXPECT_EQ(w.RootFinder().xMax(), 7);
  EXPECT_EQ(StoredRecentFiles(), "");
  EXPECT_EQ(StoredPlace("Function"), "");
}

TEST_F(RootFinding2DActions, AFileThatFailsToOpenIsNotListedAndChangesNothingElse) {
  const struct {
    const char* File;
    const char* Reason;
  } cases[] = {
      {"nodecount-zwei.nwd", "kann nicht gelesen werden: Attribut 'NodeCount': 'zwei' ist kein gültiger Integerwert."},
      {"unclosed.nwd",
       "ist kein gültiges XML: Zeile 4, Spalte 3, Meldung des XML-Parsers: \"Start-end tags mismatch\""},
  };
  TfrmRootFinding2D w;
  SetScriptTask(w);
  Run(w, "actSaveFunction", File("Aufgabe.nwd"));
  Child<QAction>(w, "actCalculate")->trigger();
  SetText(Child<QLineEdit>(w, "txtXmin"), "1.5");
  const TTaskFields task(w.RootFinder());
  const kaloREALVector rootX = w.RootX();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.File);
    const QString fileName = QDir::toNativeSeparators(DataDir + "/" + c.File);
    shownErrors.clear();
    // The typed range is an edit: opening asks first.
    QString question;
    OnNextModal<QMessageBox>([&question](QMessageBox* Box) {
      question = Box->text();
      for (QAbstractButton* button : Box->buttons())
        if (button->text() == "Verwerfen") button->click();
    });
    Run(w, "actOpenFunction", fileName);
    EXPECT_EQ(question, "Änderungen an 'Aufgabe.nwd' speichern?");
    EXPECT_EQ(shownErrors, QStringList{"Die Datei '" + fileName + "' " + QString::fromUtf8(c.Reason)});
    EXPECT_EQ(busyTexts, QStringList({"Funktion wird geladen ...", ""})) << c.File;
    EXPECT_TRUE(TTaskFields(w.RootFinder()) == task) << c.File;
    EXPECT_EQ(Child<QLineEdit>(w, "txtXmin")->text(), "1.5") << c.File;
    EXPECT_EQ(w.RootX(), rootX) << c.File;
    EXPECT_EQ(w.ValueX().size(), 77u) << c.File;
    EXPECT_FALSE(StoredRecentFiles().contains(fileName)) << c.File;
  }
  EXPECT_EQ(RecentCaptions(w), QStringList{"&1 " + File("Aufgabe.nwd")});
  EXPECT_EQ(StoredPlace("Function"), Folder()) << "the failed opens left the folder of the saved task";
}

TEST_F(RootFinding2DActions, ARecentFileOpensFromBothMenusAndADeletedOneIsTakenOff) {
  TfrmRootFinding2D w;
  Run(w, "actSaveFunction", File("a.nwd"));
  SetText(Child<QLineEdit>(w, "txtFct"), "sin(x)");
  w.RootFinder().setName("");
  Run(w, "actSaveFunction", File("b.nwd"));
  EXPECT_EQ(RecentCaptions(w), QStringList({"&1 " + File("b.nwd"), "&2 " + File("a.nwd")}));

  QMenu* context = Child<QMenu>(w, "mnuPopForm");
  QMenu* open = Child<QMenu>(w, "mnuPopOpenRecentFile");
  emit context->aboutToShow();
  EXPECT_EQ(open->actions(), Child<QMenu>(w, "mnuPopFileList")->actions())
      << "the same entries, with their captions, tags and click handlers";

  const QString placeBefore = StoredPlace("Function");
  ASSERT_EQ(open->actions().size(), 2);
  open->actions().at(1)->trigger();
  EXPECT_TRUE(shownErrors.isEmpty()) << shownErrors.join('\n').toStdString();
  EXPECT_EQ(w.RootFinder().RootFunction().FunctionScript(), TKaloPersistFunction::DefaultFunctionScript);
  EXPECT_EQ(w.memRoot().RecordCount(), 4);
  EXPECT_EQ(RecentCaptions(w), QStringList({"&1 " + File("a.nwd"), "&2 " + File("b.nwd")}));
  EXPECT_TRUE(requests.size() == 2u) << "a recent entry asks for no file";

  ASSERT_TRUE(QFile::remove(dir.filePath("b.nwd")));
  ClickRecent(w, 1);
  EXPECT_EQ(shownErrors,
            QStringList{"Die Datei '" + File("b.nwd") + "' kann nicht geöffnet werden: Sie existiert nicht."});
  EXPECT_EQ(RecentCaptions(w), QStringList({"&1 " + File("a.nwd")}));
  EXPECT_FALSE(StoredRecentFiles().contains(File("b.nwd")));
  EXPECT_EQ(w.RootFinder().RootFunction().FunctionScript(), TKaloPersistFunction::DefaultFunctionScript);
  EXPECT_EQ(Child<QLineEdit>(w, "txtFct")->text(), TKaloPersistFunction::DefaultFunctionScript);
  EXPECT_EQ(StoredPlace("Function"), placeBefore) << "a recent entry changes no folder";
  emit context->aboutToShow();
  EXPECT_EQ(Captions(*open), RecentCaptions(w));
}

// One entry per file, compared by where it lies, not by how its name is written.
TEST_F(RootFinding2DActions, AFileIsListedOnceHoweverItIsSavedOrOpened) {
  TfrmRootFinding2D w;
  Run(w, "actSaveFunction", File("x.nwd"));
  Run(w, "actSaveFunction", File("y.nwd"));
  Run(w, "actSaveFunction", File("x.nwd"));
  EXPECT_EQ(RecentCaptions(w), QStringList({"&1 " + File("x.nwd"), "&2 " + File("y.nwd")}));
  Run(w, "actOpenFunction", File("y.nwd"));
  EXPECT_EQ(RecentCaptions(w), QStringList({"&1 " + File("y.nwd"), "&2 " + File("x.nwd")}));
  ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
  const QString otherSpelling = QDir::toNativeSeparators(dir.path() + "/sub/../x.nwd");
  Run(w, "actOpenFunction", otherSpelling);
  EXPECT_EQ(RecentCaptions(w), QStringList({"&1 " + otherSpelling, "&2 " + File("y.nwd")}));
  EXPECT_EQ(StoredRecentFiles().count("x.nwd"), 1);
}

TEST_F(RootFinding2DActions, TheRecentListSurvivesARestartWhateverTheFileNamesHold) {
  const QStringList names = {"Lauf 1.nwd", "Größe ä.nwd", "a=b.nwd", "mit Ölzweig/und = Blatt.xml"};
  ASSERT_TRUE(QDir(dir.path()).mkdir("mit Ölzweig"));
  QStringList expected;
  {
    auto first = std::make_unique<TfrmRootFinding2D>();
    for (const QString& name : names) {
      first->RootFinder().setName("");
      Run(*first, "actSaveFunction", File(name));
    }
    EXPECT_TRUE(shownErrors.isEmpty()) << shownErrors.join('\n').toStdString();
    expected = RecentCaptions(*first);
  }
  ASSERT_EQ(expected.size(), names.size());
  for (int restart = 0; restart < names.size(); ++restart) {
    SCOPED_TRACE(testing::Message() << "restart " << restart);
    TfrmRootFinding2D restarted;
    ASSERT_EQ(RecentCaptions(restarted), expected) << "restart " << restart;
    const QString bottom = expected.last();
    const QString fileName = bottom.mid(bottom.indexOf(' ') + 1);
    ClickRecent(restarted, names.size() - 1);
    EXPECT_TRUE(shownErrors.isEmpty()) << shownErrors.join('\n').toStdString();
    EXPECT_EQ(restarted.RootFinder().Name(), FileBaseName(fileName));
    EXPECT_EQ(RecentCaptions(restarted).value(0), "&1 " + fileName);
    expected = RecentCaptions(restarted);
  }
}

TEST_F(RootFinding2DActions, ExportsWriteWhatTheBatchProgramWritesAndShareTheirFolder) {
  TfrmRootFinding2D w;
  Run(w, "actSaveValues", File("werte.csv"));
  EXPECT_EQ(busyTexts, QStringList({"Werte werden aufbereitet ...", "Werte werden abgespeichert ...", ""}));
  Run(w, "actSaveRoots", File("nullstellen.txt"));
  EXPECT_EQ(busyTexts, QStringList({"Werte werden abgespeichert ...", ""}));
  EXPECT_TRUE(shownErrors.isEmpty()) << shownErrors.join('\n').toStdString();

  QTemporaryDir reference;
  SaveValuesFile(reference.filePath("werte.csv"), w.ValueX(), w.ValueY());
  SaveRootsFile(reference.filePath("nullstellen.txt"), w.memRoot());
  EXPECT_EQ(ReadBytes(dir.filePath("werte.csv")), ReadBytes(reference.filePath("werte.csv")));
  EXPECT_EQ(ReadBytes(dir.filePath("nullstellen.txt")), ReadBytes(reference.filePath("nullstellen.txt")));

  ASSERT_EQ(requests.size(), 2u);
  for (const TqorFileDialogRequest& request : requests) {
    EXPECT_TRUE(request.Save);
    EXPECT_EQ(request.Filters, TextFilters);
    EXPECT_EQ(request.DefaultSuffix, "csv");
  }
  EXPECT_EQ(requests[0].Title, "Funktionswerte speichern unter");
  EXPECT_EQ(requests[1].Title, "Nullstellen speichern unter");
  EXPECT_EQ(requests[0].Directory, Documents());
  EXPECT_EQ(requests[1].Directory, Folder()) << "the roots start where the values went";
  EXPECT_EQ(StoredPlace("Values"), Folder());
  EXPECT_EQ(StoredPlace("Function"), "");
}

// The exports hold what the calculation computed: after a search for extrema the values
// file has the columns of f' and f'' and the extrema file the extrema table, each line
// for line as the table shows its rows; a roots-only calculation's values have two.
TEST_F(RootFinding2DActions, TheExportsHoldWhatTheCalculationComputed) {
  TfrmRootFinding2D w;
  const auto firstLine = [this](const QString& Name) {
    return QString::fromUtf8(ReadBytes(dir.filePath(Name))).section("\r\n", 0, 0);
  };
  Run(w, "actSaveValues", File("werte.csv"));
  EXPECT_EQ(firstLine("werte.csv"), "\"x-Werte\";\"y-Werte\"");
  w.RootFinder().setCurveSearch({true, true, true, false});
  Child<QAction>(w, "actCalculate")->trigger();
  Run(w, "actSaveValues", File("werte.csv"));
  Run(w, "actSaveExtrema", File("extrema.csv"));
  EXPECT_TRUE(shownErrors.isEmpty()) << shownErrors.join('\n').toStdString();
  EXPECT_EQ(firstLine("werte.csv"), "\"x-Werte\";\"y-Werte\";\"f'-Werte\";\"f''-Werte\"");
  const QStringList extrema =
      QString::fromUtf8(ReadBytes(dir.filePath("extrema.csv"))).split("\r\n", Qt::SkipEmptyParts);
  ASSERT_GE(extrema.size(), 2);
  EXPECT_EQ(extrema[0], "\"Art\";\"x\";\"f(x)\";\"f'(x)\";\"f''(x)\";\"Methode\";\"Iter.\";\"Bemerkung\"");
  EXPECT_EQ(extrema.size() - 1, Child<QTableView>(w, "DBGridExtrema")->model()->rowCount());
}

// Values and roots share their folder but not their file: proposing the other export's
// file would invite the user to replace it.
TEST_F(RootFinding2DActions, EachExportProposesTheFileItWroteLast) {
  TfrmRootFinding2D w;
  Run(w, "actSaveRoots", File("nullstellen.txt"));
  Run(w, "actSaveValues", "");
  Run(w, "actSaveValues", File("werte.csv"));
  Run(w, "actSaveRoots", "");
  Run(w, "actSaveValues", "");
  ASSERT_EQ(requests.size(), 5u);
  EXPECT_EQ(requests[1].FileName, "") << "nothing saved as values yet";
  EXPECT_EQ(requests[3].FileName, "nullstellen.txt");
  EXPECT_EQ(requests[4].FileName, "werte.csv");
  for (std::size_t i = 1; i < requests.size(); ++i) EXPECT_EQ(requests[i].Directory, Folder()) << i;
}

// Every "... Speichern" of the window hands the dialog a request that asks before an
// existing file is replaced; the dialog then asks (see the next test).
TEST_F(RootFinding2DActions, EverySaveDialogAsksBeforeItReplacesAFile) {
  TfrmRootFinding2D w;
  QStringList saves;
  for (QAction* action : w.findChildren<QAction*>()) {
    if (action->objectName().isEmpty() || !action->text().contains("Speichern")) continue;
    SCOPED_TRACE(action->objectName().toStdString());
    requests.clear();
    Run(w, action->objectName().toLatin1().constData(), "");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].Save);
    EXPECT_TRUE(requests[0].ConfirmOverwrite);
    saves << action->objectName();
  }
  saves.sort();
  EXPECT_EQ(saves,
            QStringList({"actSaveExtrema", "actSaveFunction", "actSaveGraphic", "actSaveRoots", "actSaveValues"}));
}

// With the platform's dialog: choosing the roots file for the values asks, "No" leaves
// the roots file as it was, "Yes" replaces it. One answer per test: after a first file
// dialog the offscreen platform's next one in the same process may not ask, and ctest
// runs each test in a process of its own.
class RootFinding2DOverwrite : public RootFinding2DActions {
protected:
  void SaveValuesOverRoots(QMessageBox::StandardButton Answer) {
    TfrmRootFinding2D w;
    Run(w, "actSaveRoots", File("nullstellen.csv"));
    const QByteArray roots = ReadBytes(dir.filePath("nullstellen.csv"));
    QTemporaryDir reference;
    SaveValuesFile(reference.filePath("werte.csv"), w.ValueX(), w.ValueY());
    const QByteArray values = ReadBytes(reference.filePath("werte.csv"));
    ASSERT_NE(values, roots);
    SetFileDialog({});
    QString question;
    OnNextModal<QFileDialog>([&](QFileDialog* dialog) {
      dialog->selectFile(File("nullstellen.csv"));
      OnNextModal<QMessageBox>([&](QMessageBox* box) {
        question = box->text();
        box->button(Answer)->click();
      });
      // As the OK button does; the dialog stays open after "No".
      static_cast<QDialog*>(dialog)->accept();
      if (dialog->isVisible()) dialog->reject();
    });
    Child<QAction>(w, "actSaveValues")->trigger();
    EXPECT_TRUE(question.contains("nullstellen.csv")) << question.toStdString();
    EXPECT_TRUE(shownErrors.isEmpty()) << shownErrors.join('\n').toStdString();
    EXPECT_EQ(ReadBytes(dir.filePath("nullstellen.csv")), Answer == QMessageBox::No ? roots : values);
  }
};

TEST_F(RootFinding2DOverwrite, NoKeepsTheRootsFile) { SaveValuesOverRoots(QMessageBox::No); }

TEST_F(RootFinding2DOverwrite, YesReplacesTheRootsFileByTheValues) { SaveValuesOverRoots(QMessageBox::Yes); }

TEST_F(RootFinding2DActions, ATargetThatCannotBeWrittenIsReportedAndNothingIsStored) {
  ASSERT_TRUE(QFile(dir.filePath("datei")).open(QIODevice::WriteOnly));
  const QString fileName = File("datei/x.nwd");
  const QString message = "Die Datei '" + fileName +
                          "' kann nicht geschrieben werden: Ein Teil des Pfades ist kein Verzeichnis.";
  TfrmRootFinding2D w;
  Run(w, "actSaveValues", File("werte.csv"));
  const QString place = StoredPlace("Values");
  for (const char* action : {"actSaveFunction", "actSaveValues", "actSaveRoots"}) {
    shownErrors.clear();
    Run(w, action, fileName);
    EXPECT_EQ(shownErrors, QStringList{message}) << action;
    EXPECT_EQ(busyTexts.value(busyTexts.size() - 1), "") << action;
  }
  EXPECT_FALSE(QFileInfo::exists(fileName));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList({"datei", "werte.csv"}))
      << "no temporary file is left behind";
  EXPECT_EQ(StoredRecentFiles(), "");
  EXPECT_EQ(StoredPlace("Function"), "");
  EXPECT_EQ(StoredPlace("Values"), place);
}

TEST_F(RootFinding2DActions, PropertiesShowTheTypedFieldsAndOKCalculatesTheEditedTask) {
  TfrmRootFinding2D w;
  SetText(Child<QLineEdit>(w, "txtXmin"), "0.5");
  SetText(Child<QLineEdit>(w, "txtFct"), "x - 1");
  QString shownXmin, shownFct;
  AnswerProperties([&](TfrmRootFinding2DProperties& dialog) {
    shownXmin = dialog.txtXmin->text();
    shownFct = dialog.txtFct->text();
    SetText(dialog.txtXmax, "3");
    SetText(dialog.txtNodeCount, "40");
    dialog.optScript->click();
    dialog.cmdOK->click();
  });
  busyTexts.clear();
  Child<QAction>(w, "actEditProperties")->trigger();
  EXPECT_EQ(shownXmin, "0.50000");
  EXPECT_EQ(shownFct, "x - 1");
  EXPECT_EQ(Child<QLineEdit>(w, "txtXmax")->text(), "3.00000");
  EXPECT_FALSE(w.RootFinder().RootFunction().SimpleScript()) << "the task is a full script now";
  EXPECT_EQ(Child<QLineEdit>(w, "txtFct")->palette().color(QPalette::Base),
            QApplication::palette().color(QPalette::ToolTipBase));
  EXPECT_EQ(w.ValueX().size(), 40u);
  EXPECT_NEAR(static_cast<double>(w.ValueX().back()), 3, 1e-15);
  ASSERT_EQ(w.RootX().size(), 1u);
  EXPECT_NEAR(static_cast<double>(w.RootX()[0]), 1, 1e-15);
  EXPECT_EQ(busyTexts.value(0), "Funktion berechnen ...");
}

TEST_F(RootFinding2DActions, CancelledPropertiesNeitherRefreshNorCalculate) {
  TfrmRootFinding2D w;
  SetText(Child<QLineEdit>(w, "txtXmax"), "2.25");
  AnswerProperties([](TfrmRootFinding2DProperties& dialog) {
    SetText(dialog.txtXmin, "-1");
    SetText(dialog.txtName, "verworfen");
    dialog.cmdCancel->click();
  });
  busyTexts.clear();
  const kaloREALVector valueX = w.ValueX();
  Child<QAction>(w, "actEditProperties")->trigger();
  EXPECT_TRUE(busyTexts.isEmpty());
  EXPECT_EQ(w.ValueX(), valueX);
  EXPECT_EQ(w.RootFinder().xMin(), -2.5L);
  EXPECT_EQ(w.RootFinder().xMax(), 2.25L) << "the fields were taken before the dialog opened";
  EXPECT_EQ(w.RootFinder().Name(), "");
  EXPECT_EQ(Child<QLineEdit>(w, "txtXmin")->text(), "-2.50000");
}

TEST_F(RootFinding2DActions, ATinyRangeOpensVisiblyAndIsCalculatedAsItIs) {
  TKaloPersistRootFinding tiny;
  tiny.RootFunction().setFunctionScript("x - 2E-6");
  tiny.setxMin(1e-6);
  tiny.setxMax(3e-6);
  SaveTaskFile(File("klein.nwd"), tiny);
  for (const QLocale& regional : {QLocale::c(), QLocale(QLocale::German, QLocale::Germany)}) {
    SCOPED_TRACE(regional.name().toStdString());
    TDefaultLocale scope(regional);
    TfrmRootFinding2D w;
    Run(w, "actOpenFunction", File("klein.nwd"));
    EXPECT_TRUE(shownErrors.isEmpty()) << shownErrors.join('\n').toStdString();
    EXPECT_EQ(Child<QLineEdit>(w, "txtXmin")->text(), "1E-06") << "not shown as 0";
    EXPECT_EQ(Child<QLineEdit>(w, "txtXmax")->text(), "3E-06");
    EXPECT_EQ(w.CalculatedTask().xMin(), static_cast<Extended>(1e-6));
    EXPECT_EQ(w.CalculatedTask().xMax(), static_cast<Extended>(3e-6));
    ASSERT_EQ(w.ValueX().size(), 200u);
    EXPECT_EQ(w.ValueX().front(), static_cast<Extended>(1e-6));
    EXPECT_EQ(w.ValueX().back(), static_cast<Extended>(3e-6));
    ASSERT_EQ(w.RootX().size(), 1u);
    EXPECT_NEAR(static_cast<double>(w.RootX()[0]), 2e-6, 1e-18);

    Child<QAction>(w, "actCalculate")->trigger();
    w.TakeFields();
    EXPECT_TRUE(TTaskFields(w.RootFinder()) == TTaskFields(w.CalculatedTask()))
        << "calculating again and taking the fields changes nothing";
    EXPECT_EQ(w.RootFinder().xMin(), static_cast<Extended>(1e-6));
  }
}

TEST_F(RootFinding2DActions, PropertiesClosedWithOKWithoutAnEditChangeNothing) {
  TfrmRootFinding2D w;
  TKaloPersistRootFinding& task = w.RootFinder();
  task.setxMin(1e-6);
  task.setxMax(0.7);
  task.setRelErrorBound(1.0 / 3);
  w.RefreshFields();
  w.TakeFields();
  const TTaskFields before(task);
  ASSERT_EQ(task.AbsErrorBound(), std::ldexp(1.0L, -62)) << "the default bound, 2.16840434497101E-019";
  for (const QLocale& regional : {QLocale::c(), QLocale(QLocale::German, QLocale::Germany)}) {
    SCOPED_TRACE(regional.name().toStdString());
    TDefaultLocale scope(regional);
    AnswerProperties([](TfrmRootFinding2DProperties& dialog) { dialog.cmdOK->click(); });
    Child<QAction>(w, "actEditProperties")->trigger();
    EXPECT_TRUE(shownErrors.isEmpty()) << shownErrors.join('\n').toStdString();
    EXPECT_TRUE(TTaskFields(task) == before);
    EXPECT_EQ(task.AbsErrorBound(), std::ldexp(1.0L, -62));
    EXPECT_TRUE(TTaskFields(w.CalculatedTask()) == before) << "and calculated on the same values";
  }
}

TEST_F(RootFinding2DActions, ATypedPointOrCommaIsTheDecimalSeparatorInTheWindow) {
  const struct {
    const char* xMin;
    const char* xMax;
    double ExpectedxMin, ExpectedxMax;
    const char* ShownxMin;  // with the locale's separator in place of the point
  } cases[] = {
      {"-1.5", "2,5", -1.5, 2.5, "-1.50000"},
      {"-1,5", "2.5", -1.5, 2.5, "-1.50000"},
      {"1e-6", "3,0E-6", 1e-6, 3e-6, "1E-06"},
  };
  for (const QLocale& regional : {QLocale::c(), QLocale(QLocale::German, QLocale::Germany)}) {
    TDefaultLocale scope(regional);
    TfrmRootFinding2D w;
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << regional.name().toStdString() << " " << c.xMin);
      SetText(Child<QLineEdit>(w, "txtXmin"), c.xMin);
      SetText(Child<QLineEdit>(w, "txtXmax"), c.xMax);
      SendKey(Child<QLineEdit>(w, "txtXmax"), Qt::Key_Return, "\r");
      EXPECT_TRUE(shownErrors.isEmpty()) << shownErrors.join('\n').toStdString();
      EXPECT_EQ(w.CalculatedTask().xMin(), static_cast<Extended>(c.ExpectedxMin));
      EXPECT_EQ(w.CalculatedTask().xMax(), static_cast<Extended>(c.ExpectedxMax));
      EXPECT_EQ(Child<QLineEdit>(w, "txtXmin")->text(), QString(c.ShownxMin).replace('.', regional.decimalPoint()));
    }
  }
}

TEST_F(RootFinding2DActions, ANewWindowOffersTheFifteenStoredFilesOnTop) {
  QStringList entries;
  for (int i = 1; i <= 16; ++i) entries << QString("%1=/aufgaben/f%1.nwd").arg(i);
  TqorIniRegistry(TqorIniRegistry::UserFileName())
      .WriteValue(FormsKey() + "\\RootFinding", "RecentFiles", entries.join(';'));
  TfrmRootFinding2D w;
  const QStringList captions = RecentCaptions(w);
  ASSERT_EQ(captions.size(), 15);
  EXPECT_EQ(captions[0], "&1 /aufgaben/f1.nwd");
  EXPECT_EQ(captions[9], "1&0 /aufgaben/f10.nwd");
  EXPECT_EQ(captions[14], "15 /aufgaben/f15.nwd");
  EXPECT_EQ(Child<QMenu>(w, "mnuPopFileList")->actions()[14]->data().toInt(), 15) << "the tag is the ID";
}
