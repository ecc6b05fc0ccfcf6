#include "qorKaloToolsProgram.h"

#include "qorAppErrorDisplay.h"
#include "qorTestConfigFolders.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

// The program is started in this process, as its own entry does: no other application
// object may exist, so this test program sets none up.
TEST(ProgramStartup, FailingSetupShowsItsMessageAndEndsWithExitCode1) {
  const TTestConfigFolders folders;
  QTemporaryDir install;
  QFile blocker(install.filePath("Config"));  // a file where the configuration folder belongs
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  QStringList shown;
  int windowsOpen = -1;
  const TqorErrorDisplay saved = SetErrorDisplay([&](const QString& Message) {
    shown << Message;
    windowsOpen = int(QApplication::topLevelWidgets().size());
  });

  qputenv("QT_QPA_PLATFORM", "offscreen");
  int argc = 1;
  char name[] = "qorKaloTools";
  char* argv[] = {name, nullptr};
  EXPECT_EQ(RunKaloTools(argc, argv, install.filePath("bin/")), 1);
  SetErrorDisplay(saved);
  EXPECT_EQ(shown, QStringList({"CreatePath: Kann Verzeichnis '" + install.filePath("Config") + "' nicht anlegen"}));
  EXPECT_EQ(windowsOpen, 0);
}

}  // namespace
