#include "qorFileUtils.h"

#include "qorException.h"
#include "qorStrUtils.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <system_error>

namespace {
const char16_t* const InvalidFileNameChars = u"\\/.<>|:";
const char* const MsgCreatePath = "CreatePath: Kann Verzeichnis '%1' nicht anlegen";
const char* const MsgWindowsFolder = "Fehler im Aufruf von GetWindowsFolder: ";
constexpr qsizetype MaxSystemErrorText = 1024;

void EnsureFolder(const QString& Folder) {
  if (QFileInfo(Folder).isDir() || QDir().mkdir(Folder)) return;
  throw Exception(QString::fromUtf8(MsgCreatePath).arg(QDir::toNativeSeparators(Folder)).toStdString());
}
}  // namespace

QString RemoveInvalidFileNameChars(const QString& Text) { return RemoveChars(Text, InvalidFileNameChars); }

QString FileBaseName(const QString& Path) { return QFileInfo(Path).completeBaseName(); }

void CreatePath(const QString& Path) {
  const QString path = QDir::fromNativeSeparators(Path);
  const QStringList words = path.split(u'/', Qt::SkipEmptyParts);
  const bool network = path.startsWith(u"//");
  // A server alone names no folder that could be created.
  if (words.isEmpty() || (network && words.size() < 2)) return;
  QString prefix = network ? "//" + words[0] + u'/' + words[1] : (path.startsWith(u'/') ? "/" : "") + words[0];
  EnsureFolder(prefix);
  for (qsizetype i = network ? 2 : 1; i < words.size(); ++i) {
    prefix += u'/' + words[i];
    EnsureFolder(prefix);
  }
}

QString GetWindowsFolder(QStandardPaths::StandardLocation Location) {
  const QString path = QStandardPaths::writableLocation(Location);
  errno = 0;
  if (path.isEmpty() || !QDir().mkpath(path)) {
    const int code = errno != 0 ? errno : ENOENT;
    throw Exception((QString::fromUtf8(MsgWindowsFolder) + SystemErrorText(code)).toStdString());
  }
  return QDir::toNativeSeparators(path);
}

QString GetAppDataFolder() { return GetWindowsFolder(QStandardPaths::GenericDataLocation); }

QString GetPicturesFolder() { return GetWindowsFolder(QStandardPaths::PicturesLocation); }

QString SystemErrorText(int Code) {
  const QString text = QString::fromLocal8Bit(std::system_category().message(Code));
  return "(" + QString::number(Code) + ") " + text.left(MaxSystemErrorText);
}
