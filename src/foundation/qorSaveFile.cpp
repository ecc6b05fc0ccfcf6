#include "qorSaveFile.h"

#include <QSaveFile>

std::optional<QString> WriteFileAtomically(const QString& FileName, const QByteArray& Bytes) {
  QSaveFile file(FileName);
  // Unbuffered: QSaveFile ignores a failure of its final buffer flush and would commit a
  // truncated file; without a buffer every failure shows in a write.
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return file.errorString();
  // A write can stop short at a full disk without an error; the next one reports it.
  for (qsizetype written = 0; written < Bytes.size();) {
    const qint64 count = file.write(Bytes.constData() + written, Bytes.size() - written);
    if (count <= 0) return file.errorString();
    written += count;
  }
  if (!file.commit()) return file.errorString();
  return std::nullopt;
}
