#include "KaloRootsCli.h"

#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>

namespace {
// The plot measures its text through Qt's font system, which needs a platform; without
// a display the batch program draws offscreen, so it runs on machines without one.
void UseOffscreenWithoutDisplay() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
}
}  // namespace

int main(int argc, char* argv[]) {
  UseOffscreenWithoutDisplay();
  QGuiApplication app(argc, argv);
  QTextStream out(stdout);
  QTextStream err(stderr);
  return RunKaloRoots(app.arguments().mid(1), out, err);
}
