#include "qorProgramFolders.h"

#include "qorStrUtils.h"

#include <QCoreApplication>
#include <QDir>

namespace {
const QChar Separator = QLatin1Char('/');
const QString DataFolder = QStringLiteral("Data");
const QString ConfigFolder = QStringLiteral("Config");
const QString ReportFolder = QStringLiteral("Report");

// The folder that holds Folder: Folder without its trailing separators, up to and
// including the last separator left; Folder itself without separators when none is
// left; the root for the root.
QString ParentFolder(const QString& Folder) {
  QString trimmed = Folder;
  while (trimmed.endsWith(Separator)) trimmed.chop(1);
  if (trimmed.isEmpty()) return Folder.isEmpty() ? QString() : QString(Separator);
  const qsizetype last = trimmed.lastIndexOf(Separator);
  return last < 0 ? trimmed : trimmed.left(last + 1);
}

QString SubFolder(const QString& Folder, const QString& Name) {
  return IncludeTrailingChar(Folder, Separator) + Name;
}
}  // namespace

TqorProgramFolders ProgramFoldersOf(const QString& BinPath) {
  TqorProgramFolders folders;
  folders.BinPath = QDir::fromNativeSeparators(BinPath);
  folders.ProgPath = ParentFolder(folders.BinPath);
  folders.DataPath = SubFolder(folders.ProgPath, DataFolder);
  folders.CfgPath = SubFolder(folders.ProgPath, ConfigFolder);
  folders.RptPath = SubFolder(folders.CfgPath, ReportFolder);
  return folders;
}

TqorProgramFolders RunningProgramFolders() {
  return ProgramFoldersOf(QCoreApplication::applicationDirPath() + Separator);
}
