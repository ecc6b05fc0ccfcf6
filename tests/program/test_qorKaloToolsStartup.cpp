#include "qorKaloToolsProgram.h"

#include "qorAppErrorDisplay.h"
#include "qorTestConfigFolders.h"
#include "qorTestFonts.h"
#include "qorTestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFont>
#include <QFontInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>

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
  if (savedFontConfig.isEmpty()) qunsetenv("FONTCONFIG_FILE");
  else qputenv("FONTCONFIG_FILE", savedFontConfig);
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

}  // namespace
