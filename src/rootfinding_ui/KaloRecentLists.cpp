#include "KaloRecentLists.h"

#include "qorAppStorage.h"
#include "qorAppSvcProvBase.h"
#include "qorException.h"
#include "qorStrUtils.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <vector>

namespace {
// The recent task files are stored under the form name as this value.
const QString FilesValue = QStringLiteral("RecentFiles");
// The folders, one value each in this sub key.
const QString FoldersSubKey = QStringLiteral("RecentPlaces");

QString FolderValue(TKaloRecentPlace Place) {
  switch (Place) {
    case TKaloRecentPlace::Graphic:
      return QStringLiteral("Graphic");
    case TKaloRecentPlace::Function:
      return QStringLiteral("Function");
    case TKaloRecentPlace::Values:
      return QStringLiteral("Values");
  }
  return QString();
}

#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
constexpr Qt::CaseSensitivity FileNameCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity FileNameCase = Qt::CaseSensitive;
#endif

// The path that all names of one file lead to: the canonical path of an existing file,
// the cleaned absolute path of one that is missing (a file on a drive not mounted now).
QString FilePath(const QString& FileName) {
  const QFileInfo info(FileName);
  const QString canonical = info.canonicalFilePath();
  return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

bool SameFile(const QString& A, const QString& B) { return FilePath(A).compare(FilePath(B), FileNameCase) == 0; }

// The configuration storage of the global provider; MsgNoStorage when it has none.
TqorAppStorageBase& Storage() {
  TqorAppStorageBase* storage = GlobalServiceProvider().Cfg();
  if (!storage) throw Exception(MsgNoStorage);
  return *storage;
}
}  // namespace

TKaloRecentLists::TKaloRecentLists(const QString& FormName) : FFormName(FormName) { FFiles.setCapacity(FileCapacity); }

void TKaloRecentLists::ReadFiles() {
  FFiles.setAsConfigString(Storage().ReadString(aslsRecentLists, FFormName, FilesValue, QString()));
  const TqorRecentFileList& files = FFiles.RecentFiles();
  std::vector<int> repeated;
  for (int i = 1; i < files.Count(); ++i)
    for (int above = 0; above < i; ++above)
      if (SameFile(files.Items(i)->FileName(), files.Items(above)->FileName())) {
        repeated.push_back(i);
        break;
      }
  if (repeated.empty()) return;
  FFiles.RemoveRecentFiles([&repeated](const TqorRecentFileItem& Item) {
    return std::find(repeated.begin(), repeated.end(), Item.Index()) != repeated.end();
  });
}

int TKaloRecentLists::TakeOff(const QString& FileName) {
  int id = 0;
  FFiles.RemoveRecentFiles([&](const TqorRecentFileItem& Item) {
    if (!SameFile(Item.FileName(), FileName)) return false;
    id = Item.ID();  // entries are visited from the bottom up: the upper one's ID stays
    return true;
  });
  return id;
}

void TKaloRecentLists::AddFile(const QString& FileName) {
  FFiles.AddRecentFile(0, TakeOff(FileName), FileName);
  WriteFiles();
}

void TKaloRecentLists::RemoveFile(const QString& FileName) {
  TakeOff(FileName);
  WriteFiles();
}

void TKaloRecentLists::WriteFiles() {
  Storage().WriteValue(aslsRecentLists, FFormName, FilesValue, FFiles.AsConfigString());
}

QString TKaloRecentLists::Folder(TKaloRecentPlace Place, const QString& Default) const {
  return Storage().ReadString(aslsRecentLists, FoldersSubKey, FolderValue(Place), Default);
}

void TKaloRecentLists::RememberFolder(TKaloRecentPlace Place, const QString& FileName) {
  const QString folder = QDir::toNativeSeparators(QFileInfo(FileName).absolutePath());
  Storage().WriteValue(aslsRecentLists, FoldersSubKey, FolderValue(Place),
                       IncludeTrailingChar(folder, QDir::separator()));
}
