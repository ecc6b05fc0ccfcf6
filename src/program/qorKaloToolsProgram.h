#pragma once
// The program's entry: start-up, the main window and the message loop.

#include "FFunctionAnalysisMain.h"

#include <QLocale>
#include <QString>

// The exit code of a program whose start-up failed.
inline constexpr int ExitStartupFailed = 1;

// The program's language, German, which Qt's own texts speak too.
QLocale KaloToolsLanguage();

// Gives the running application the program's look before any window or message
// opens: the designed faces drawn by their metric-compatible stand-ins
// (UseMetricCompatibleFonts) and Qt's own texts in KaloToolsLanguage.
void SetUpKaloToolsLook();

// Makes a new root-finding window.
std::unique_ptr<QWidget> NewRootFinding2DWindow();
// Makes a root-finding window that has opened and calculated the task file FileName; a
// file that cannot be read is shown instead, with no window and no recent-file entry.
std::unique_ptr<QWidget> OpenRootFinding2DWindow(const QString& FileName);

// The task files named on the command line of the running application (its arguments
// without "-" in front; Qt's own options are gone already), as absolute file names.
QStringList StartupTaskFiles();

// Gives the root-finding windows made from now on their print preview: the plot report
// of the window's plot, roots and calculated task, in the preview or, with the designer
// switch on, in the designer.
void RegisterRootFindingReport();

// Runs the program and returns its exit code. BinPath is the program's folder; the
// empty text means the folder of the running program file. An error during set-up is
// shown and ends the program with ExitStartupFailed before any window opens. The
// look (SetUpKaloToolsLook) comes first, so even that message has it; the
// root-finding windows have their print preview (RegisterRootFindingReport). The task
// files of the command line open in windows of their own (OpenRootFinding2DWindow)
// instead of the first root-finding window. A write past the file-size limit fails with
// its reason instead of ending the program (IgnoreFileSizeSignal). The calculations
// prove roots with the ball arithmetic (UseBallProof).
int RunKaloTools(int& argc, char** argv, const QString& BinPath = QString());
