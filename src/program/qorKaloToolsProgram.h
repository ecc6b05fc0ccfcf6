#pragma once
// The program's entry: start-up, the main window and the message loop.

#include "FFunctionAnalysisMain.h"

#include <QString>

// The exit code of a program whose start-up failed.
inline constexpr int ExitStartupFailed = 1;

// Makes a new root-finding window.
std::unique_ptr<QWidget> NewRootFinding2DWindow();

// Gives the root-finding windows made from now on their print preview: the plot report
// of the window's plot, roots and calculated task, in the preview or, with the designer
// switch on, in the designer.
void RegisterRootFindingReport();

// Runs the program and returns its exit code. BinPath is the program's folder; the
// empty text means the folder of the running program file. An error during set-up is
// shown and ends the program with ExitStartupFailed before any window opens. The
// root-finding windows have their print preview (RegisterRootFindingReport).
int RunKaloTools(int& argc, char** argv, const QString& BinPath = QString());
