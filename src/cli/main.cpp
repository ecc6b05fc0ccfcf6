#include "KaloRootsCli.h"
#include "KaloRootsDrawing.h"
#include "KaloRootsProof.h"
#include "qorException.h"
#include "qorSaveFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QTextStream>

#include <unistd.h>
#include <atomic>
#include <csignal>
#include <cstdio>

namespace {
// Set by Ctrl+C; the calculation looks at it from the script's time check.
std::atomic<bool> Interrupted = false;
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void OnInterrupt(int) { Interrupted = true; }

// Ctrl+C stops the run in an orderly way instead of ending the process, so that no file
// is left half written and the exit code is 130.
void CatchInterrupt() {
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
}

// The arguments as QCoreApplication would give them, before there is one.
QStringList Arguments(int argc, char* argv[]) {
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  return args;
}

// A module beside the program file, as the build puts it, or else in the program's
// library folder of an installed prefix.
QString ModulePath(const char* FileName) {
  const QDir bin = QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absoluteDir();
  const QString name = QString::fromLatin1(FileName);
  const QString beside = bin.filePath(name);
  if (QFileInfo::exists(beside)) return beside;
  const QString installed = QDir::cleanPath(
      bin.filePath(QString::fromLatin1(InstalledDrawingModuleFolder) + '/' + name));
  return QFileInfo::exists(installed) ? installed : beside;
}

// Loads the drawing module and starts the run's drawing with it; false, with the message
// on standard error, when the module cannot be loaded. The module stays loaded.
bool StartDrawingRun(int& argc, char* argv[], TKaloRootsDrawingRun& Run) {
  static QLibrary module(ModulePath(DrawingModuleFileName));
  const auto entry = reinterpret_cast<TDrawingModuleEntry>(module.resolve(DrawingModuleEntry));
  if (!entry) {
    std::fprintf(stderr, "Das Zeichenmodul '%s' kann nicht geladen werden: %s\n", qPrintable(module.fileName()),
                 qPrintable(module.errorString()));
    return false;
  }
  entry(argc, argv, Run);
  return true;
}

// Loads the proof module and makes its engine the calculation's; throws when the module
// cannot be loaded. The module stays loaded.
void LoadProofModule() {
  static QLibrary module(ModulePath(ProofModuleFileName));
  const auto entry = reinterpret_cast<TProofModuleEntry>(module.resolve(ProofModuleEntry));
  if (!entry)
    throw Exception(QStringLiteral("Das Beweismodul '%1' kann nicht geladen werden: %2")
                        .arg(module.fileName(), module.errorString())
                        .toStdString());
  SetProofEngine([entry](const TKaloProofRequest& Request) {
    TKaloProofOutcome outcome;
    entry(Request, outcome);
    return outcome;
  });
}
}  // namespace

// Only a run that draws loads Qt Gui, through the drawing module: the others start with
// Qt Core alone, in half the time. Likewise only a run that proves loads the ball
// arithmetic, through the proof module.
int main(int argc, char* argv[]) {
  IgnoreFileSizeSignal();
  TKaloRootsDrawingRun run;
  if (!DrawsText(Arguments(argc, argv)))
    run.Application = std::make_unique<QCoreApplication>(argc, argv);
  else if (!StartDrawingRun(argc, argv, run))
    return ExitError;
  QTextStream out(stdout);
  QTextStream err(stderr);
  CatchInterrupt();
  const TKaloRootsConsole console{&Interrupted, isatty(STDERR_FILENO) == 1, &LoadProofModule};
  return RunKaloRoots(QCoreApplication::arguments().mid(1), out, err, run.Drawing.get(), console);
}
