#include "qorFileIO.h"

#include "qorException.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
const char* const ReasonMissing = "Sie existiert nicht.";
const char* const ReasonFolder = "Das ist ein Verzeichnis.";
const char* const ReasonTooLarge = "Sie ist mit %1 Bytes zu groß (höchstens %2 Bytes).";

// Reading in pieces keeps a small file from costing a buffer of the limit's size.
constexpr qint64 ReadChunkSize = 64 * 1024;

QString TooLarge(qint64 Size, qint64 MaxSize) { return QString::fromUtf8(ReasonTooLarge).arg(Size).arg(MaxSize); }

[[noreturn]] void FailToRead(const char* MessageFormat, const QString& FileName, const QString& Reason) {
  throw Exception(FileMessage(MessageFormat, FileName, Reason).toStdString());
}

// At most MaxSize + 1 bytes: the one byte more shows a file that grew past the limit
// after it was checked.
QByteArray ReadAtMost(QFile& File, qint64 MaxSize) {
  QByteArray bytes;
  bytes.reserve(qMin(File.size(), MaxSize + 1));
  while (bytes.size() <= MaxSize) {
    const QByteArray chunk = File.read(qMin(ReadChunkSize, MaxSize + 1 - bytes.size()));
    if (chunk.isEmpty()) break;
    bytes += chunk;
  }
  return bytes;
}
}  // namespace

QString FileMessage(const char* MessageFormat, const QString& FileName, const QString& Reason) {
  return QString::fromUtf8(MessageFormat).arg(QDir::toNativeSeparators(FileName), Reason);
}

std::optional<QString> UnreadableFileReason(const QString& FileName, qint64 MaxSize) {
  const QFileInfo info(FileName);
  if (!info.exists()) return QString::fromUtf8(ReasonMissing);
  if (info.isDir()) return QString::fromUtf8(ReasonFolder);
  if (!info.isFile()) return QString::fromUtf8(ReasonNoRegularFile);
  if (info.size() > MaxSize) return TooLarge(info.size(), MaxSize);
  return std::nullopt;
}

QByteArray ReadWholeFile(const QString& FileName, qint64 MaxSize, const char* MessageFormat) {
  // A missing file is left to the system's reason, as any other file that cannot be opened.
  if (QFileInfo::exists(FileName))
    if (const std::optional<QString> reason = UnreadableFileReason(FileName, MaxSize))
      FailToRead(MessageFormat, FileName, *reason);
  QFile file(FileName);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) FailToRead(MessageFormat, FileName, file.errorString());
  const QByteArray bytes = ReadAtMost(file, MaxSize);
  if (file.error() != QFileDevice::NoError) FailToRead(MessageFormat, FileName, file.errorString());
  if (bytes.size() > MaxSize) FailToRead(MessageFormat, FileName, TooLarge(file.size(), MaxSize));
  return bytes;
}

void WriteWholeFile(const QString& FileName, const QByteArray& Bytes, const char* MessageFormat) {
  if (const std::optional<QString> reason = WriteFileAtomically(FileName, Bytes))
    throw EInOutError(FileMessage(MessageFormat, FileName, *reason).toStdString());
}
