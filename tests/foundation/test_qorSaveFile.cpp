#include "qorFileErrors.h"
#include "qorSaveFile.h"
#include "qorTestFileSizeLimit.h"
#include "qorTestFiles.h"
#include "qorTestOtherUser.h"
#include "qorTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/stat.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

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

// A new file gets the usual permissions, a replaced one keeps its own; a link is
// followed to its file and stays a link.
TEST_F(SaveFile, KeepsPermissionsAndLinks) {
  const QString fresh = FDir.filePath("neu.dat");
  ASSERT_EQ(WriteFileAtomically(fresh, "neu"), std::nullopt);
  const mode_t mask = umask(0);
  umask(mask);
  struct stat info;
  ASSERT_EQ(stat(QFile::encodeName(fresh).constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0666 & ~mask);

  ASSERT_EQ(chmod(QFile::encodeName(Target()).constData(), 0640), 0);
  ASSERT_EQ(WriteFileAtomically(Target(), "neu"), std::nullopt);
  ASSERT_EQ(stat(QFile::encodeName(Target()).constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640);

  const QString link = FDir.filePath("link.dat");
  ASSERT_TRUE(QFile::link(Target(), link));
  ASSERT_EQ(WriteFileAtomically(link, "durch den Link"), std::nullopt);
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  EXPECT_EQ(ReadBytes(Target()), "durch den Link");
}

// Every failure names its cause in German and leaves the old file and no temporary file.
TEST_F(SaveFile, FailuresGiveTheCauseInGerman) {
  ASSERT_TRUE(QDir(FDir.path()).mkdir("ordner"));
  struct Case {
    QString FileName;
    QString Reason;
  } cases[] = {
      {FDir.filePath("fehlt/t.dat"), "Das Verzeichnis existiert nicht."},
      {FDir.filePath("ordner"), "Das ist ein Verzeichnis."},
      {FDir.filePath("t.dat/x.dat"), "Ein Teil des Pfades ist kein Verzeichnis."},
      {"/dev/null", "Das ist keine gewöhnliche Datei."},
      {FDir.filePath(QString(300, u'n')), "Der Dateiname ist zu lang."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.FileName.toStdString());
    EXPECT_EQ(WriteFileAtomically(c.FileName, "neu"), c.Reason);
    EXPECT_EQ(ReadBytes(Target()), "alt");
    EXPECT_EQ(Files(), QStringList{"t.dat"});
  }
  EXPECT_TRUE(QFileInfo(FDir.filePath("ordner")).isDir());
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
    EXPECT_EQ(reason, QString("Datei zu groß")) << size;
    EXPECT_EQ(ReadBytes(Target()), "alt") << size;
    EXPECT_EQ(Files(), QStringList{"t.dat"}) << size;
  }
}

// The file-size limit of a process (RLIMIT_FSIZE) kills it by SIGXFSZ at the write past
// it, with the temporary file left behind. Once the signal is ignored, as the programs do
// first thing, the save gives its reason and leaves the old file and no temporary file.
using SaveFileDeathTest = SaveFile;
TEST_F(SaveFileDeathTest, FileSizeLimitGivesItsReasonOnceTheSignalIsIgnored) {
  const auto saveUnderLimit = [this](bool IgnoreSignal) {
    std::signal(SIGXFSZ, SIG_DFL);
    if (IgnoreSignal) IgnoreFileSizeSignal();
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &limit);
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    const std::optional<QString> reason = WriteFileAtomically(Target(), QByteArray(100000, 'n'));
    std::fputs(reason ? reason->toUtf8().constData() : "gespeichert", stderr);
    std::_Exit(0);
  };
  EXPECT_EXIT(saveUnderLimit(false), testing::KilledBySignal(SIGXFSZ), "") << "the limit holds";
  for (const QString& file : Files())
    if (file != "t.dat") QFile::remove(FDir.filePath(file));
  EXPECT_EXIT(saveUnderLimit(true), testing::ExitedWithCode(0), "Datei zu gro");
  EXPECT_EQ(ReadBytes(Target()), "alt");
  EXPECT_EQ(Files(), QStringList{"t.dat"});
}

// A folder the user may not enter, one they may not write in, and a read-only file each
// give their own cause.
TEST_F(SaveFile, MissingPermissionNamesWhatIsProtected) {
  const QByteArray folder = QFile::encodeName(FDir.path()), file = QFile::encodeName(Target());
  struct Case {
    const char* what;
    mode_t FolderRights, FileRights;
    const char* Reason;
  } cases[] = {
      {"folder closed", 0, 6, ReasonFolderNotAccessible},
      {"folder read-only", 5, 6, ReasonFolderNotWritable},
      {"file read-only", 7, 4, ReasonFileReadOnly},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(chmod(file.constData(), TActingUser::Permissions(c.FileRights)), 0);
    ASSERT_EQ(chmod(folder.constData(), TActingUser::Permissions(c.FolderRights)), 0);
    std::optional<QString> reason;
    {
      const TActingUser other;
      ASSERT_TRUE(other.valid());
      reason = WriteFileAtomically(Target(), "neu");
    }
    ASSERT_EQ(chmod(folder.constData(), 0700), 0);
    EXPECT_EQ(reason, QString::fromUtf8(c.Reason));
    EXPECT_EQ(ReadBytes(Target()), "alt");
    EXPECT_EQ(Files(), QStringList{"t.dat"});
  }
}
#endif

}  // namespace
