#pragma once
// Reading and writing whole files with the program's messages. Reading refuses what
// cannot be read whole before opening it and never reads past a limit; writing goes
// through WriteFileAtomically, so a failure leaves the old file as it was.

#include "qorFileErrors.h"
#include "qorSaveFile.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The largest file the program reads: its files are a few kilobytes of XML or script,
// and reading a huge one would only tie up memory.
inline constexpr qint64 MaxReadFileSize = 16 * 1024 * 1024;

// Messages about a file: %1 is the file name, %2 the reason.
inline constexpr char MsgCannotOpenFile[] = "Die Datei '%1' kann nicht geöffnet werden: %2";
inline constexpr char MsgCannotWriteFile[] = "Die Datei '%1' kann nicht geschrieben werden: %2";

// MessageFormat (UTF-8) filled with FileName in native separators and Reason.
QString FileMessage(const char* MessageFormat, const QString& FileName, const QString& Reason);

// Why FileName cannot be read whole, in German: it does not exist, lies in a folder the
// user may not enter, is a folder, is no regular file (a device or FIFO, which could
// block or never end) or is larger than MaxSize. Empty when it can be read.
std::optional<QString> UnreadableFileReason(const QString& FileName, qint64 MaxSize = MaxReadFileSize);

// The whole content of FileName. A file that UnreadableFileReason refuses is never
// opened, the open never waits (a FIFO swapped in), and no more than MaxSize bytes are
// read even if the file grows. A file that cannot be opened or read gives the system's
// reason in German (FileErrorReason). Raises Exception with FileMessage(MessageFormat,
// FileName, reason).
QByteArray ReadWholeFile(const QString& FileName, qint64 MaxSize = MaxReadFileSize,
                         const char* MessageFormat = MsgCannotOpenFile);

// Writes Bytes to FileName through WriteFileAtomically. Raises EInOutError with
// FileMessage(MessageFormat, FileName, its reason); the old file then stays.
void WriteWholeFile(const QString& FileName, const QByteArray& Bytes, const char* MessageFormat = MsgCannotWriteFile);
