#include "KaloRootsCli.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>

#include <memory>

#include <unistd.h>

namespace {
// The plot measures its text through Qt's font system, which needs a platform; without
// a display the batch program draws offscreen, so it runs on machines without one.
void UseOffscreenWithoutDisplay() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Without a session (cron, ssh, CI) there is no runtime folder; Qt then falls back to
// a private one under the temporary folder but says so on standard error, where the
// batch program's callers expect only its own messages. Make that folder ourselves.
void ProvideRuntimeFolder() {
  if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return;
  const QString folder = QDir::tempPath() + QStringLiteral("/runtime-kaloroots-%1").arg(getuid());
  if (!QDir().mkpath(folder)) return;
  // Someone else's folder (or a link) under that name is not ours to use.
  const QFileInfo info(folder);
  if (info.isSymLink() || info.ownerId() != getuid()) return;
  QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder));
}

// The arguments as QCoreApplication would give them, before there is one.
QStringList Arguments(int argc, char* argv[]) {
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  return args;
}

std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char* argv[], bool Gui) {
  if (!Gui) return std::make_unique<QCoreApplication>(argc, argv);
  UseOffscreenWithoutDisplay();
  ProvideRuntimeFolder();
  return std::make_unique<QGuiApplication>(argc, argv);
}
}  // namespace

int main(int argc, char* argv[]) {
  const std::unique_ptr<QCoreApplication> app = MakeApplication(argc, argv, DrawsText(Arguments(argc, argv)));
  QTextStream out(stdout);
  QTextStream err(stderr);
  return RunKaloRoots(QCoreApplication::arguments().mid(1), out, err);
}
