#include "qorSaveFile.h"

#include "qorFileErrors.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>

// Written with the system's calls rather than QSaveFile: only they tell why a write
// failed (errno), and the user is told that reason in German.

namespace {

// Attempts at a free temporary name before giving up.
constexpr int TemporaryNameAttempts = 100;
// Links followed to the file they finally name, as a save through a link replaces the
// file it points to, not the link.
constexpr int MaxLinkDepth = 128;

QString Reason(int Code) { return FileErrorReason(Code, TFileAccess::Write); }

// The file FileName finally names after its symbolic links.
QString LinkTarget(const QString& FileName) {
  QFileInfo info(FileName);
  for (int depth = 0; depth < MaxLinkDepth && info.isSymLink(); ++depth) info.setFile(info.symLinkTarget());
  return info.isSymLink() ? FileName : info.filePath();
}

// Why the folder of Path cannot take a new file, after creating one there failed with Code.
QString FolderReason(const QString& Path, int Code) {
  if (Code != EACCES && Code != EPERM) return Reason(Code);
  struct stat folder;
  const QByteArray name = QFile::encodeName(QFileInfo(Path).absolutePath());
  if (::stat(name.constData(), &folder) != 0) return QString::fromUtf8(ReasonFolderNotAccessible);
  return QString::fromUtf8(ReasonFolderNotWritable);
}

// An open temporary file beside the target; removed unless released.
class TTemporaryFile {
public:
  ~TTemporaryFile() {
    if (FHandle >= 0) ::close(FHandle);
    if (!FName.isEmpty()) ::unlink(FName.constData());
  }
  // Creates it beside Target with Mode (less the umask); the errno on failure, else 0.
  int Create(const QString& Target, mode_t Mode) {
    for (int attempt = 0; attempt < TemporaryNameAttempts; ++attempt) {
      const QString suffix = QString::number(QRandomGenerator::global()->generate(), 36);
      const QByteArray name = QFile::encodeName(Target + u'.' + suffix);
      FHandle = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, Mode);
      if (FHandle >= 0) {
        FName = name;
        return 0;
      }
      if (errno != EEXIST) return errno;
    }
    return EEXIST;
  }
  // Writes all of Bytes; the errno on failure, else 0.
  int Write(const QByteArray& Bytes) {
    for (qsizetype written = 0; written < Bytes.size();) {
      const ssize_t count = ::write(FHandle, Bytes.constData() + written, Bytes.size() - written);
      if (count < 0 && errno == EINTR) continue;
      if (count <= 0) return count < 0 ? errno : EIO;
      written += count;
    }
    return 0;
  }
  // Gives it the permissions Mode, puts it on the disk and closes it; the errno on failure, else 0.
  int Finish(std::optional<mode_t> Mode) {
    if (Mode && ::fchmod(FHandle, *Mode) != 0) return errno;
    if (::fsync(FHandle) != 0) return errno;
    const int handle = FHandle;
    FHandle = -1;
    return ::close(handle) != 0 ? errno : 0;
  }
  // Moves it over Target; the errno on failure, else 0. It is no longer removed then.
  int Replace(const QString& Target) {
    if (::rename(FName.constData(), QFile::encodeName(Target).constData()) != 0) return errno;
    FName.clear();
    return 0;
  }

private:
  int FHandle = -1;
  QByteArray FName;
};

}  // namespace

std::optional<QString> WriteFileAtomically(const QString& FileName, const QByteArray& Bytes) {
  const QString target = LinkTarget(FileName);
  struct stat existing;
  const bool exists = ::stat(QFile::encodeName(target).constData(), &existing) == 0;
  if (!exists && errno != ENOENT) return errno == EACCES ? QString::fromUtf8(ReasonFolderNotAccessible) : Reason(errno);
  if (exists && S_ISDIR(existing.st_mode)) return Reason(EISDIR);
  if (exists && !S_ISREG(existing.st_mode)) return QString::fromUtf8(ReasonNoRegularFile);
  // A file the user made read-only is not replaced behind their back.
  if (exists && ::faccessat(AT_FDCWD, QFile::encodeName(target).constData(), W_OK, AT_EACCESS) != 0)
    return errno == EACCES ? QString::fromUtf8(ReasonFileReadOnly) : Reason(errno);
  TTemporaryFile temporary;
  // A new file gets the usual permissions, a replaced one keeps its own.
  if (const int code = temporary.Create(target, exists ? S_IRUSR | S_IWUSR : 0666)) return FolderReason(target, code);
  const std::optional<mode_t> mode = exists ? std::optional<mode_t>(existing.st_mode & 07777) : std::nullopt;
  if (const int code = temporary.Write(Bytes)) return Reason(code);
  if (const int code = temporary.Finish(mode)) return Reason(code);
  if (const int code = temporary.Replace(target)) return Reason(code);
  return std::nullopt;
}

void IgnoreFileSizeSignal() {
  struct sigaction action = {};
  action.sa_handler = SIG_IGN;
  sigemptyset(&action.sa_mask);
  sigaction(SIGXFSZ, &action, nullptr);
}
