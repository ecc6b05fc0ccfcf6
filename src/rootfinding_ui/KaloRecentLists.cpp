#include "KaloRecentLists.h"

#include "qorAppStorage.h"
#include "qorAppSvcProvBase.h"
#include "qorException.h"
#include "qorStrUtils.h"

#include <QDir>
#include <QFileInfo>

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

// The file FileName names, whatever way it is written ("./a.nwd", a link, "x/../a.nwd").
QString CanonicalPath(const QString& FileName) {
  const QFileInfo info(FileName);
  const QString canonical = info.canonicalFilePath();
  return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

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
}

void TKaloRecentLists::AddFile(const QString& FileName, int ID) {
  const TqorRecentFileItem* listed = FFiles.RetrieveItemByID(ID);
  const bool sameEntry = listed && listed->FileName() == FileName;
  Drop(FileName, sameEntry ? ID : NewEntryID);
  FFiles.AddRecentFile(0, ID, FileName);
  WriteFiles();
}

void TKaloRecentLists::RemoveFile(const QString& FileName) {
  Drop(FileName, NewEntryID);
  WriteFiles();
}

// The list is rebuilt from the entries kept, in their order: the handler only adds.
void TKaloRecentLists::Drop(const QString& FileName, int KeptID) {
  const QString file = CanonicalPath(FileName);
  QStringList kept;
  bool dropped = false;
  for (int i = 0; i < FFiles.RecentFiles().Count(); ++i) {
    const TqorRecentFileItem& item = *FFiles.RecentFiles().Items(i);
    if (item.ID() != KeptID && CanonicalPath(item.FileName()) == file)
      dropped = true;
    else
      kept << item.AsConfigString();
  }
  if (dropped) FFiles.setAsConfigString(kept.join(u';'));
}

int TKaloRecentLists::ListedID(const QString& FileName) const {
  const TqorRecentFileItem* listed = FFiles.RetrieveItemByFileName(FileName);
  return listed ? listed->ID() : NewEntryID;
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
