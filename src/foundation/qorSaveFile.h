#pragma once
// Writing a whole file so that it is either replaced completely or left as it was.

#include <QByteArray>
#include <QString>

#include <optional>

// Writes Bytes to FileName through a temporary file in the same folder, which replaces
// the file only once every byte has reached the disk; a symbolic link is followed to its
// file. A folder, a device or a read-only file in the way is not replaced. On failure
// (folder missing, no permission, disk full, file too large) an existing file keeps its
// content, no temporary file is left, and the result is the reason in German
// (FileErrorReason); on success the result is empty.
std::optional<QString> WriteFileAtomically(const QString& FileName, const QByteArray& Bytes);

// Makes a write past the process's file-size limit (RLIMIT_FSIZE) fail with EFBIG, which
// the writers report and clean up after, instead of ending the process by SIGXFSZ with
// the temporary file left behind. The programs call it first thing at start-up.
void IgnoreFileSizeSignal();
