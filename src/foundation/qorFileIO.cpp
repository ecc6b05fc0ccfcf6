#include "qorFileIO.h"

#include "qorException.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace {
const char* const ReasonTooLarge = "Sie ist mit %1 Bytes zu groß (höchstens %2 Bytes).";

// Reading in pieces keeps a small file from costing a buffer of the limit's size.
constexpr qint64 ReadChunkSize = 64 * 1024;

QString TooLarge(qint64 Size, qint64 MaxSize) { return QString::fromUtf8(ReasonTooLarge).arg(Size).arg(MaxSize); }

QString ReadReason(int Code) { return FileErrorReason(Code, TFileAccess::Read); }

[[noreturn]] void FailToRead(const char* MessageFormat, const QString& FileName, const QString& Reason) {
  throw Exception(FileMessage(MessageFormat, FileName, Reason).toStdString());
}

// Closes a file handle.
class THandle {
public:
  explicit THandle(int Handle) : FHandle(Handle) {}
  ~THandle() {
    if (FHandle >= 0) ::close(FHandle);
  }
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
  int get() const { return FHandle; }

private:
  int FHandle;
};

// At most MaxSize + 1 bytes: the one byte more shows a file that grew past the limit
// after it was checked. Sets Code to the errno of a failed read.
QByteArray ReadAtMost(int Handle, qint64 MaxSize, qint64 SizeHint, int& Code) {
  QByteArray bytes;
  bytes.reserve(qMin(SizeHint, MaxSize + 1));
  Code = 0;
  while (bytes.size() <= MaxSize) {
    const qsizetype old = bytes.size();
    bytes.resize(old + qMin(ReadChunkSize, MaxSize + 1 - old));
    const ssize_t count = ::read(Handle, bytes.data() + old, bytes.size() - old);
    bytes.resize(old + qMax<ssize_t>(count, 0));
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) Code = errno;
    if (count <= 0) break;
  }
  return bytes;
}
}  // namespace

QString FileMessage(const char* MessageFormat, const QString& FileName, const QString& Reason) {
  return QString::fromUtf8(MessageFormat).arg(QDir::toNativeSeparators(FileName), Reason);
}

std::optional<QString> UnreadableFileReason(const QString& FileName, qint64 MaxSize) {
  struct stat info;
  if (::stat(QFile::encodeName(FileName).constData(), &info) != 0)
    // A folder on the path that the user may not enter hides whether the file exists.
    return errno == EACCES ? QString::fromUtf8(ReasonFolderNotAccessible) : ReadReason(errno);
  if (S_ISDIR(info.st_mode)) return QString::fromUtf8(ReasonIsFolder);
  if (!S_ISREG(info.st_mode)) return QString::fromUtf8(ReasonNoRegularFile);
  if (info.st_size > MaxSize) return TooLarge(info.st_size, MaxSize);
  return std::nullopt;
}

QByteArray ReadWholeFile(const QString& FileName, qint64 MaxSize, const char* MessageFormat) {
  if (const std::optional<QString> reason = UnreadableFileReason(FileName, MaxSize))
    FailToRead(MessageFormat, FileName, *reason);
  // Not blocking: a FIFO put in the file's place after the check must not hang the open.
  const THandle file(::open(QFile::encodeName(FileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.get() < 0)
    FailToRead(MessageFormat, FileName, errno == EACCES ? QString::fromUtf8(ReasonFileNotReadable) : ReadReason(errno));
  struct stat info;
  if (::fstat(file.get(), &info) != 0) FailToRead(MessageFormat, FileName, ReadReason(errno));
  if (!S_ISREG(info.st_mode)) FailToRead(MessageFormat, FileName, QString::fromUtf8(ReasonNoRegularFile));
  int code = 0;
  const QByteArray bytes = ReadAtMost(file.get(), MaxSize, info.st_size, code);
  if (code != 0) FailToRead(MessageFormat, FileName, ReadReason(code));
  if (bytes.size() > MaxSize) FailToRead(MessageFormat, FileName, TooLarge(bytes.size(), MaxSize));
  return bytes;
}

void WriteWholeFile(const QString& FileName, const QByteArray& Bytes, const char* MessageFormat) {
  if (const std::optional<QString> reason = WriteFileAtomically(FileName, Bytes))
    throw EInOutError(FileMessage(MessageFormat, FileName, *reason).toStdString());
}
