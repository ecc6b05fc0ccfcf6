#pragma once
// The folders of the program: the folder of its binaries (BinPath), the program folder
// above it (ProgPath), and Data, Config and Config/Report below that. The window
// program's service provider and the batch program both find their folders here, so
// the two never disagree where the report templates are.

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

// The folders of the running program, whose binaries lie in the folder of its program
// file (QCoreApplication must exist).
TqorProgramFolders RunningProgramFolders();
