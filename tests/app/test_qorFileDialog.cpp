#include "qorFileDialog.h"

#include "qorTestModal.h"
#include "qorTestWidgets.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

namespace {

QOR_TEST_APPLICATION(TWidgetTestEnvironment);

// Runs the platform's dialog for Request; Answer gets the open dialog to look at and
// to close.
QString RunDialog(const TqorFileDialogRequest& Request, const std::function<void(QFileDialog&)>& Answer) {
  QTimer::singleShot(0, [&Answer] {
    QWidget* modal = QApplication::activeModalWidget();
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    EXPECT_NE(dialog, nullptr) << "a modal file dialog is open";
    if (dialog) Answer(*dialog);
    // Whatever is still open is closed, so that a failing check cannot hang the test.
    while ((modal = QApplication::activeModalWidget())) modal->close();
  });
  return ExecutePlatformFileDialog(Request);
}

TqorFileDialogRequest GraphicRequest(const QString& Directory) {
  TqorFileDialogRequest request;
  request.Save = true;
  request.Title = "Grafik speichern";
  request.Filters = QStringList{"Windows Metafile Grafik (*.wmf)", "Alle Dateien (*)"};
  request.DefaultSuffix = "wmf";
  request.Directory = Directory;
  return request;
}

TEST(FileDialog, SaveDialogShowsTheRequestAndAddsTheDefaultExtension) {
  QTemporaryDir dir;
  const QString folder = QDir::toNativeSeparators(dir.path()) + QDir::separator();
  const struct {
    const char* typed;
    const char* chosen;  // "" for a cancelled dialog
  } cases[] = {
      {"Bild", "Bild.wmf"},
      {"Bild.png", "Bild.png"},  // another extension stays
      {nullptr, ""},             // cancelled
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed ? c.typed : "cancelled");
    const QString chosen = RunDialog(GraphicRequest(dir.path()), [&c, &dir](QFileDialog& d) {
      EXPECT_EQ(d.windowTitle(), "Grafik speichern");
      EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptSave);
      EXPECT_EQ(d.nameFilters(), QStringList({"Windows Metafile Grafik (*.wmf)", "Alle Dateien (*)"}));
      EXPECT_EQ(d.selectedNameFilter(), "Windows Metafile Grafik (*.wmf)");
      EXPECT_EQ(d.defaultSuffix(), "wmf");
      EXPECT_FALSE(d.testOption(QFileDialog::DontConfirmOverwrite)) << "a save request asks by default";
      EXPECT_EQ(QDir(d.directory()), QDir(dir.path()));
      if (!c.typed) return;
      d.selectFile(c.typed);
      static_cast<QDialog&>(d).accept();  // as the OK button does
    });
    EXPECT_EQ(chosen, *c.chosen ? folder + c.chosen : QString());
  }
}

// Choosing an existing file in a save dialog asks first; "No" keeps the dialog open,
// a request that does not want the question gets the file at once.
TEST(FileDialog, ASaveDialogAsksBeforeItReplacesAFile) {
  QTemporaryDir dir;
  QFile file(dir.filePath("Bild.wmf"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  const QString existing = QDir::toNativeSeparators(dir.filePath("Bild.wmf"));
  const struct {
    const char* Name;
    bool Confirm;
    QMessageBox::StandardButton Answer;
    bool Chosen;
  } cases[] = {
      {"asked, no", true, QMessageBox::No, false},
      {"asked, yes", true, QMessageBox::Yes, true},
      {"not asked", false, QMessageBox::NoButton, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TqorFileDialogRequest request = GraphicRequest(dir.path());
    request.ConfirmOverwrite = c.Confirm;
    QString question;
    const QString chosen = RunDialog(request, [&](QFileDialog& d) {
      d.selectFile("Bild.wmf");
      if (c.Confirm)
        OnNextModal<QMessageBox>([&](QMessageBox* box) {
          question = box->text();
          box->button(c.Answer)->click();
        });
      static_cast<QDialog&>(d).accept();  // as the OK button does
    });
    EXPECT_EQ(chosen, c.Chosen ? existing : QString());
    EXPECT_EQ(question.contains("Bild.wmf"), c.Confirm) << question.toStdString();
  }
}

TEST(FileDialog, OpenDialogProposesTheNameInTheFolder) {
  QTemporaryDir dir;
  QFile file(dir.filePath("Aufgabe.nwd"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  TqorFileDialogRequest request;
  request.Filters = QStringList{"Numerik Werzeug Daten (*.nwd)"};
  request.Directory = dir.path();
  request.FileName = "Aufgabe.nwd";
  const QString chosen = RunDialog(request, [](QFileDialog& d) {
    EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(d.fileMode(), QFileDialog::ExistingFile);
    EXPECT_FALSE(d.windowTitle().isEmpty()) << "the platform's title";
    static_cast<QDialog&>(d).accept();
  });
  EXPECT_EQ(chosen, QDir::toNativeSeparators(dir.filePath("Aufgabe.nwd")));
}

TEST(FileDialog, AReplacedDialogAnswersUntilTheOldOneIsBack) {
  QStringList titles;
  const TqorFileDialog platform = SetFileDialog([&titles](const TqorFileDialogRequest& r) {
    titles << r.Title;
    return QStringLiteral("/tmp/a.wmf");
  });
  EXPECT_EQ(ExecuteFileDialog(GraphicRequest("/tmp")), "/tmp/a.wmf");
  EXPECT_EQ(titles, QStringList({"Grafik speichern"}));
  EXPECT_TRUE(SetFileDialog(platform)) << "hands back the replaced dialog";
}

TEST(FileDialog, ANameWithoutExtensionTakesThatOfTheChosenFilter) {
  EXPECT_EQ(FilterSuffix("SVG-Grafik (*.svg)"), "svg");
  EXPECT_EQ(FilterSuffix("Bilder (*.png *.jpg)"), "png");
  EXPECT_EQ(FilterSuffix("Alle Dateien (*)"), "");

  QTemporaryDir dir;
  TqorFileDialogRequest request = GraphicRequest(dir.path());
  request.Filters = QStringList{"Windows Metafile Grafik (*.wmf)", "SVG-Grafik (*.svg)", "Alle Dateien (*)"};
  const struct {
    int steps;  // filters down from the first
    const char* chosen;
  } cases[] = {{0, "Bild.wmf"}, {1, "Bild.svg"}, {2, "Bild.wmf"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chosen);
    const QString chosen = RunDialog(request, [&c](QFileDialog& d) {
      auto* types = d.findChild<QComboBox*>("fileTypeCombo");
      ASSERT_NE(types, nullptr);
      // As the user picks a filter: the list's own keys.
      for (int i = 0; i < c.steps; ++i) {
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QApplication::sendEvent(types, &down);
      }
      d.selectFile("Bild");
      static_cast<QDialog&>(d).accept();
    });
    EXPECT_EQ(QFileInfo(chosen).fileName(), c.chosen);
  }
}

}  // namespace
