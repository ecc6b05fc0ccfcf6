#pragma once
// The batch program kaloroots: one calculation exactly as the window's "Berechnen"
// runs it, or Zeroin alone on one interval, with the results on standard output.

#include <QStringList>

#include <atomic>
#include <functional>

class QTextStream;
class TKaloRootsDrawing;

// Exit codes of kaloroots.
inline constexpr int ExitOk = 0;
inline constexpr int ExitError = 1;          // the calculation or a file failed
inline constexpr int ExitUsage = 2;          // the command line is wrong
inline constexpr int ExitInterrupted = 130;  // Ctrl+C stopped the run, as shells count a SIGINT

// What the process gives a run: the flag its Ctrl+C handler sets, which stops the run
// before it writes any file, whether standard error is a terminal, where a run longer
// than a second shows a progress line, and how it gets its proof engine.
struct TKaloRootsConsole {
  const std::atomic<bool>* Interrupted = nullptr;
  bool ProgressLine = false;
  // Called before the calculation of a task that asks for a proof: sets the proof
  // engine (SetProofEngine) or throws an Exception that says why it cannot. Empty when
  // the process has its engine already.
  std::function<void()> LoadProof = {};
};

// Runs kaloroots with Args (without the program name); results go to Out, messages
// to Err. Returns the exit code. A run that DrawsText needs Drawing (and with it a
// QGuiApplication, see KaloRootsDrawing.h), any other a QCoreApplication.
int RunKaloRoots(const QStringList& Args, QTextStream& Out, QTextStream& Err, TKaloRootsDrawing* Drawing = nullptr,
                 const TKaloRootsConsole& Console = {});

// Whether Args ask for a plot or a report, whose text is measured through the fonts
// of Qt Gui. Every other run starts without Qt Gui: without loading its libraries,
// the platform and the font configuration.
bool DrawsText(const QStringList& Args);
