#pragma once
// The folders of the program: the folder of its binaries (BinPath), the program folder
// above it (ProgPath), and Data, Config and Config/Report below that. The window
// program's service provider and the batch program both find their folders here, so
// the two never disagree where the report templates are.
// A program run from its build folder keeps its folders beside itself. An installed
// program (one that ships its templates in the data folder of its prefix) or one whose
// program folder is not the user's to write keeps them in the user's data folder, and
// copies the shipped templates there on first use.

#include <QString>

struct TqorProgramFolders {
  QString BinPath;   // as given, "/"-separated
  QString ProgPath;  // BinPath without its trailing separators, up to and including the last separator left
  QString DataPath;  // ProgPath/Data
  QString CfgPath;   // ProgPath/Config
  QString RptPath;   // CfgPath/Report
};

// The folders for BinPath (native or "/" separators). ProgPath is BinPath itself when
// it holds no separator but at its end, the root for the root; all empty for "".
TqorProgramFolders ProgramFoldersOf(const QString& BinPath);

// The folder, relative to BinPath, where an installed program's report templates lie
// (share/qorKaloTools/Report of its prefix).
QString InstalledReportFolder(const QString& BinPath);

// The program's folder in the user's data folder (XDG_DATA_HOME, ~/.local/share):
// <data>/VASO/qorKaloTools, the same for every program of the project.
QString UserProgramFolder();

// The folders the program at BinPath works in: ProgramFoldersOf(BinPath) for a program
// in its build folder, whose program folder can be written (or made); for an installed
// program or an unwritable program folder, BinPath with Data, Config and Config/Report
// below UserProgramFolder (ProgPath is that folder then).
TqorProgramFolders WorkingProgramFolders(const QString& BinPath);

// The folders of the running program, whose binaries lie in the folder of its program
// file (QCoreApplication must exist): WorkingProgramFolders of that folder.
TqorProgramFolders RunningProgramFolders();

// Copies each template of InstalledReportFolder(Folders.BinPath) that Folders.RptPath
// lacks into RptPath, making the folder when needed; a template there already, perhaps
// edited in the designer, stays. Nothing for a program that ships none. Raises
// Exception with the program's message when a folder or file cannot be made.
void ProvideReportTemplates(const TqorProgramFolders& Folders);
