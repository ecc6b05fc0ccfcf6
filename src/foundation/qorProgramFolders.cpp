#include "qorProgramFolders.h"

#include "qorException.h"
#include "qorFileIO.h"
#include "qorFileUtils.h"
#include "qorStrUtils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
const QChar Separator = QLatin1Char('/');
const QString DataFolder = QStringLiteral("Data");
const QString ConfigFolder = QStringLiteral("Config");
const QString ReportFolder = QStringLiteral("Report");
const QString UserFolder = QStringLiteral("VASO/qorKaloTools");
const QString TemplateFilter = QStringLiteral("*.fr3");
// Where the install puts the templates, seen from the program's folder (cmake/QorInstall.cmake).
const QString InstalledTemplates = QStringLiteral("../share/qorKaloTools/Report");

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

QString SubFolder(const QString& Folder, const QString& Name) { return IncludeTrailingChar(Folder, Separator) + Name; }

TqorProgramFolders FoldersBelow(const QString& BinPath, const QString& ProgPath) {
  TqorProgramFolders folders;
  folders.BinPath = BinPath;
  folders.ProgPath = ProgPath;
  folders.DataPath = SubFolder(ProgPath, DataFolder);
  folders.CfgPath = SubFolder(ProgPath, ConfigFolder);
  folders.RptPath = SubFolder(folders.CfgPath, ReportFolder);
  return folders;
}

// Whether Folder can be written, or made where it is missing: its nearest existing
// ancestor decides. Something other than a folder in the way is no question of rights;
// making the folders reports it.
bool CanWriteOrMake(const QString& Folder) {
  QFileInfo info(QDir::cleanPath(QDir(Folder).absolutePath()));
  while (!info.exists() && !info.isRoot()) info = QFileInfo(info.absolutePath());
  return !info.isDir() || info.isWritable();
}

bool ShipsTemplates(const QString& BinPath) { return QFileInfo(InstalledReportFolder(BinPath)).isDir(); }
}  // namespace

TqorProgramFolders ProgramFoldersOf(const QString& BinPath) {
  const QString binPath = QDir::fromNativeSeparators(BinPath);
  return FoldersBelow(binPath, ParentFolder(binPath));
}

QString InstalledReportFolder(const QString& BinPath) {
  return QDir::cleanPath(SubFolder(QDir::fromNativeSeparators(BinPath), InstalledTemplates));
}

QString UserProgramFolder() {
  return SubFolder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation), UserFolder);
}

TqorProgramFolders WorkingProgramFolders(const QString& BinPath) {
  const TqorProgramFolders beside = ProgramFoldersOf(BinPath);
  if (beside.BinPath.isEmpty() || (!ShipsTemplates(beside.BinPath) && CanWriteOrMake(beside.ProgPath))) return beside;
  return FoldersBelow(beside.BinPath, UserProgramFolder() + Separator);
}

TqorProgramFolders RunningProgramFolders() {
  return WorkingProgramFolders(QCoreApplication::applicationDirPath() + Separator);
}

void ProvideReportTemplates(const TqorProgramFolders& Folders) {
  const QDir shipped(InstalledReportFolder(Folders.BinPath));
  if (Folders.BinPath.isEmpty() || !shipped.exists()) return;
  for (const QString& name : shipped.entryList({TemplateFilter}, QDir::Files)) {
    const QString copy = SubFolder(Folders.RptPath, name);
    if (QFileInfo::exists(copy)) continue;
    CreatePath(Folders.RptPath);
    WriteWholeFile(copy, ReadWholeFile(shipped.filePath(name)));
  }
}
