#pragma once
// Points the user's and the system's configuration folders at fresh temporary folders
// while the object lives, so that no test sees another test's settings or the user's.

#include <QByteArray>
#include <QTemporaryDir>
#include <QtGlobal>

class TTestConfigFolders {
public:
  TTestConfigFolders() : FSavedUser(qgetenv(kUserVariable)), FSavedMachine(qgetenv(kMachineVariable)) {
    qputenv(kUserVariable, User.path().toLocal8Bit());
    qputenv(kMachineVariable, Machine.path().toLocal8Bit());
  }
  ~TTestConfigFolders() {
    Restore(kUserVariable, FSavedUser);
    Restore(kMachineVariable, FSavedMachine);
  }
  TTestConfigFolders(const TTestConfigFolders&) = delete;
  TTestConfigFolders& operator=(const TTestConfigFolders&) = delete;

  QTemporaryDir User;     // the user's configuration folder
  QTemporaryDir Machine;  // the system's configuration folder

private:
  static constexpr const char* kUserVariable = "XDG_CONFIG_HOME";
  static constexpr const char* kMachineVariable = "XDG_CONFIG_DIRS";
  static void Restore(const char* Variable, const QByteArray& Saved) {
    if (Saved.isNull())
      qunsetenv(Variable);
    else
      qputenv(Variable, Saved);
  }
  QByteArray FSavedUser;
  QByteArray FSavedMachine;
};
