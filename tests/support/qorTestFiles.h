#pragma once
// Files as a test writes and reads them, byte for byte and past the program's helpers,
// so that a test sees what is really on the disk.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

// The whole content of FileName; a file that cannot be read fails the test and reads as
// nothing.
inline QByteArray ReadBytes(const QString& FileName) {
  QFile file(FileName);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << FileName.toStdString();
  return file.readAll();
}

// Writes Bytes as the whole content of FileName, making its folder first; a file that
// cannot be written fails the test.
inline void WriteBytes(const QString& FileName, const QByteArray& Bytes) {
  ASSERT_TRUE(QDir().mkpath(QFileInfo(FileName).absolutePath())) << FileName.toStdString();
  QFile file(FileName);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << FileName.toStdString();
  ASSERT_EQ(file.write(Bytes), Bytes.size()) << FileName.toStdString();
}
