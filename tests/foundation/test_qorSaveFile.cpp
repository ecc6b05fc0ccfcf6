#include "qorSaveFile.h"
#include "qorTestFileSizeLimit.h"
#include "qorTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray ReadBytes(const QString& FileName) {
  QFile file(FileName);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

class SaveFile : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(FDir.isValid());
    ASSERT_EQ(WriteFileAtomically(Target(), "alt"), std::nullopt);
  }
  QString Target() const { return FDir.filePath("t.dat"); }
  QStringList Files() const { return QDir(FDir.path()).entryList(QDir::Files); }
  QTemporaryDir FDir;
};

TEST_F(SaveFile, ReplacesTheWholeFile) {
  const QByteArray bytes(100000, 'n');
  EXPECT_EQ(WriteFileAtomically(Target(), bytes), std::nullopt);
  EXPECT_EQ(ReadBytes(Target()), bytes);
  EXPECT_EQ(WriteFileAtomically(Target(), QByteArray()), std::nullopt);
  EXPECT_EQ(ReadBytes(Target()), "") << "an empty text gives an empty file";
  EXPECT_EQ(Files(), QStringList{"t.dat"});
}

TEST_F(SaveFile, MissingFolderGivesTheReason) {
  EXPECT_EQ(WriteFileAtomically(FDir.filePath("fehlt/t.dat"), "neu"), QString("No such file or directory"));
  EXPECT_FALSE(QDir(FDir.filePath("fehlt")).exists());
}

#if defined(Q_OS_UNIX)
// Sizes on both sides of the device's write buffer: a small text fails only when the
// buffer is flushed at the end, a large one already while it is written.
TEST_F(SaveFile, FullDiskLeavesTheOldFileAndNoTemporaryFile) {
  for (const qsizetype size : {6000, 10000, 100000}) {
    std::optional<QString> reason;
    {
      const TFileSizeLimit diskFull(4096);
      reason = WriteFileAtomically(Target(), QByteArray(size, 'n'));
    }
    EXPECT_EQ(reason, QString("File too large")) << size;
    EXPECT_EQ(ReadBytes(Target()), "alt") << size;
    EXPECT_EQ(Files(), QStringList{"t.dat"}) << size;
  }
}
#endif

}  // namespace
