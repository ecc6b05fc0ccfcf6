#include "qorKaloToolsProgram.h"

#include "FRootFinding2D.h"
#include "qorAppErrorDisplay.h"
#include "qorTestConfigFolders.h"
#include "qorTestFonts.h"
#include "qorTestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFont>
#include <QFontInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <csignal>

namespace {

// The program is started in this process, as its own entry does: no other application
// object may exist, so this test program sets none up. Its set-up fails: a file lies
// where the configuration folder of the program folder Install belongs.
int RunWithBlockedConfigFolder(const QTemporaryDir& Install) {
  QFile blocker(Install.filePath("Config"));
  EXPECT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  qputenv("QT_QPA_PLATFORM", "offscreen");
  int argc = 1;
  char name[] = "qorKaloTools";
  char* argv[] = {name, nullptr};
  return RunKaloTools(argc, argv, Install.filePath("bin/"));
}

// Even the first message of a start-up has the program's look: Qt's texts in German
// and Arial in the face the forms are designed for, also where the machine's font
// configuration would make it a wider one. The font configuration is read once per
// process, so this test comes first.
TEST(ProgramStartup, TheLookIsSetUpBeforeTheFirstMessage) {
  const TTestConfigFolders folders;
  const TArialAsDejaVuSans fonts;
  QTemporaryDir install;
  QString arialFace, saveButton;
  const TqorErrorDisplay saved = SetErrorDisplay([&](const QString&) {
    arialFace = QFontInfo(QFont(QStringLiteral("Arial"))).family();
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Save);
    saveButton = box.button(QMessageBox::Save)->text();
  });
  const QByteArray savedFontConfig = qgetenv("FONTCONFIG_FILE");
  qputenv("FONTCONFIG_FILE", QFile::encodeName(fonts.FileName()));
  EXPECT_EQ(RunWithBlockedConfigFolder(install), ExitStartupFailed);
  SetErrorDisplay(saved);
  if (savedFontConfig.isEmpty())
    qunsetenv("FONTCONFIG_FILE");
  else
    qputenv("FONTCONFIG_FILE", savedFontConfig);
  EXPECT_EQ(arialFace, "Liberation Sans");
  EXPECT_EQ(saveButton, "Speichern");
}

TEST(ProgramStartup, FailingSetupShowsItsMessageAndEndsWithExitCode1) {
  const TTestConfigFolders folders;
  QTemporaryDir install;
  QStringList shown;
  int windowsOpen = -1;
  const TqorErrorDisplay saved = SetErrorDisplay([&](const QString& Message) {
    shown << Message;
    windowsOpen = int(QApplication::topLevelWidgets().size());
  });
  EXPECT_EQ(RunWithBlockedConfigFolder(install), 1);
  SetErrorDisplay(saved);
  EXPECT_EQ(shown, QStringList({"CreatePath: Kann Verzeichnis '" + install.filePath("Config") + "' nicht anlegen"}));
  EXPECT_EQ(windowsOpen, 0);
}

// A write past the file-size limit fails with its reason instead of ending the program:
// SIGXFSZ is ignored from the start, before the set-up, which may write files already.
TEST(ProgramStartup, IgnoresTheFileSizeSignalFromTheStart) {
  const TTestConfigFolders folders;
  QTemporaryDir install;
  struct sigaction saved = {}, duringSetup = {};
  sigaction(SIGXFSZ, nullptr, &saved);
  std::signal(SIGXFSZ, SIG_DFL);
  const TqorErrorDisplay savedDisplay = SetErrorDisplay(
      [&](const QString&) { sigaction(SIGXFSZ, nullptr, &duringSetup); });
  EXPECT_EQ(RunWithBlockedConfigFolder(install), ExitStartupFailed);
  SetErrorDisplay(savedDisplay);
  sigaction(SIGXFSZ, &saved, nullptr);
  EXPECT_EQ(duringSetup.sa_handler, SIG_IGN);
}

// What the program showed once its start-up opened the files of its command line.
struct TStartupSeen {
  qsizetype Expected = 0;       // windows and messages to wait for
  QStringList Functions;        // the calculated function of each root-finding window
  QList<qsizetype> RootCounts;  // and the number of its roots
  QStringList Messages;
};
TStartupSeen* Watching = nullptr;

// Looks into the running program until the expected windows and messages are there,
// then ends it; gives up after 30 s.
void WatchStartup() {
  if (!Watching) return;
  auto* poll = new QTimer(QCoreApplication::instance());
  QObject::connect(poll, &QTimer::timeout, [poll] {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      auto* main = qobject_cast<TfrmFunctionAnalysisMain*>(top);
      if (!main) continue;
      const QList<QMdiSubWindow*> windows = main->MdiArea().subWindowList();
      if (windows.size() + Watching->Messages.size() < Watching->Expected) return;
      for (QMdiSubWindow* window : windows)
        if (auto* form = qobject_cast<TfrmRootFinding2D*>(window->widget())) {
          Watching->Functions << form->CalculatedTask().RootFunction().FunctionScript();
          Watching->RootCounts << qsizetype(form->RootX().size());
        }
      // Quitting ends the loop only once control is back in it.
      poll->stop();
      QCoreApplication::quit();
    }
  });
  poll->start(50);
  QTimer::singleShot(30000, QCoreApplication::instance(), &QCoreApplication::quit);
}
Q_COREAPP_STARTUP_FUNCTION(WatchStartup)

void WriteTask(const QString& FileName, const QByteArray& Function) {
  QFile file(FileName);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<RootFinding xMin=\"-4\" xMax=\"4\" NodeCount=\"200\">\n"
      "  <Function Name=\"Aufgabe\" SimpleScript=\"true\" Script=\"" +
      Function + "\" />\n</RootFinding>\n");
}

// The task files of the command line open in windows of their own, each calculated, in
// place of the first window; a file that cannot be read is shown, and the others open.
TEST(ProgramStartup, TaskFilesOfTheCommandLineOpenCalculatedAndAnUnreadableOneIsShown) {
  const TTestConfigFolders folders;
  QTemporaryDir install;
  WriteTask(install.filePath("sinus.nwd"), "sin(x)");
  WriteTask(install.filePath("gerade.nwd"), "x-1");
  TStartupSeen seen;
  seen.Expected = 3;
  const TqorErrorDisplay saved = SetErrorDisplay([&](const QString& Message) { seen.Messages << Message; });
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QByteArray name("qorKaloTools"), sinus = install.filePath("sinus.nwd").toLocal8Bit(),
                                   missing = install.filePath("fehlt.nwd").toLocal8Bit(),
                                   line = install.filePath("gerade.nwd").toLocal8Bit();
  char* argv[] = {name.data(), sinus.data(), missing.data(), line.data(), nullptr};
  int argc = 4;
  Watching = &seen;
  const int code = RunKaloTools(argc, argv, install.filePath("bin/"));
  Watching = nullptr;
  SetErrorDisplay(saved);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(seen.Functions, QStringList({"sin(x)", "x-1"}));
  EXPECT_EQ(seen.RootCounts, QList<qsizetype>({3, 1}));
  EXPECT_EQ(seen.Messages, QStringList({"Die Datei '" + install.filePath("fehlt.nwd") +
                                        "' kann nicht geöffnet werden: Sie existiert nicht."}));
}

}  // namespace
