#pragma once
// The batch program kaloroots: one calculation exactly as the window's "Berechnen"
// runs it, or Zeroin alone on one interval, with the results on standard output.

#include <QStringList>

class QTextStream;
class TKaloRootsDrawing;

// Exit codes of kaloroots.
inline constexpr int ExitOk = 0;
inline constexpr int ExitError = 1;  // the calculation or a file failed
inline constexpr int ExitUsage = 2;  // the command line is wrong

// Runs kaloroots with Args (without the program name); results go to Out, messages
// to Err. Returns the exit code. A run that DrawsText needs Drawing (and with it a
// QGuiApplication, see KaloRootsDrawing.h), any other a QCoreApplication.
int RunKaloRoots(const QStringList& Args, QTextStream& Out, QTextStream& Err, TKaloRootsDrawing* Drawing = nullptr);

// Whether Args ask for a plot or a report, whose text is measured through the fonts
// of Qt Gui. Every other run starts without Qt Gui: without loading its libraries,
// the platform and the font configuration.
bool DrawsText(const QStringList& Args);
