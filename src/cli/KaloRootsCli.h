#pragma once
// The batch program kaloroots: one calculation exactly as the window's "Berechnen"
// runs it, or Zeroin alone on one interval, with the results on standard output.

#include <QStringList>

class QTextStream;

// Exit codes of kaloroots.
inline constexpr int ExitOk = 0;
inline constexpr int ExitError = 1;  // the calculation or a file failed
inline constexpr int ExitUsage = 2;  // the command line is wrong

// Runs kaloroots with Args (without the program name); results go to Out, messages
// to Err. Returns the exit code. --plot and --report measure text and so need a
// QGuiApplication.
int RunKaloRoots(const QStringList& Args, QTextStream& Out, QTextStream& Err);
