#pragma once
// Writing a whole file so that it is either replaced completely or left as it was.

#include <QByteArray>
#include <QString>

#include <optional>

// Writes Bytes to FileName through a temporary file in the same folder, which replaces
// the file only once every byte has reached it. On failure (folder missing, no access,
// disk full) an existing file keeps its content, no temporary file is left, and the
// result is the system's reason; on success the result is empty.
std::optional<QString> WriteFileAtomically(const QString& FileName, const QByteArray& Bytes);
