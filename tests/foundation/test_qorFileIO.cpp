#include "qorException.h"
#include "qorFileIO.h"
#include "qorTestOtherUser.h"
#include "qorTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#endif

namespace {

// What cannot be read whole is refused with its reason before it is opened: a device or
// a FIFO would block or never end.
TEST(ReadWholeFile, ReadsUpToTheLimitAndRefusesEverythingElse) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString three = dir.filePath("drei.txt");
  const QString empty = dir.filePath("leer.txt");
  for (const auto& [fileName, bytes] : {std::pair{three, QByteArray("abc")}, std::pair{empty, QByteArray()}}) {
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
  }
  const std::string noRegularFile = ReasonNoRegularFile;
  const std::string tooLarge = "Sie ist mit 3 Bytes zu groß (höchstens 2 Bytes).";
  struct TCase {
    QString FileName;
    qint64 MaxSize;
    std::optional<std::string> Reason;  // of UnreadableFileReason; none when readable
    std::string Read;                   // the bytes read, or ReadWholeFile's reason
  };
  std::vector<TCase> cases = {
      {three, 3, std::nullopt, "abc"},
      {empty, 0, std::nullopt, ""},
      {three, 2, tooLarge, tooLarge},
      {dir.filePath("fehlt.txt"), MaxReadFileSize, "Sie existiert nicht.", "Sie existiert nicht."},
      {dir.path(), MaxReadFileSize, "Das ist ein Verzeichnis.", "Das ist ein Verzeichnis."},
      {"/dev/null", MaxReadFileSize, noRegularFile, noRegularFile},
  };
#if defined(Q_OS_UNIX)
  const QString fifo = dir.filePath("fifo");
  ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  cases.push_back({fifo, MaxReadFileSize, noRegularFile, noRegularFile});
#endif
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.FileName.toStdString() + ", at most " + std::to_string(c.MaxSize) + " bytes");
    const std::optional<QString> reason = UnreadableFileReason(c.FileName, c.MaxSize);
    EXPECT_EQ(reason ? std::optional(reason->toStdString()) : std::nullopt, c.Reason);
    if (c.Reason)
      EXPECT_THROW_MSG(ReadWholeFile(c.FileName, c.MaxSize), Exception,
                       "Die Datei '" + QDir::toNativeSeparators(c.FileName).toStdString() +
                           "' kann nicht geöffnet werden: " + c.Read);
    else
      EXPECT_EQ(ReadWholeFile(c.FileName, c.MaxSize).toStdString(), c.Read);
  }
}

#if defined(Q_OS_UNIX)
// A file in a folder the user may not enter is not reported as missing, and a file they
// may not read says so.
TEST(ReadWholeFile, MissingPermissionNamesWhatIsProtected) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString fileName = dir.filePath("a.nwd");
  {
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("abc") == 3);
  }
  const QByteArray folder = QFile::encodeName(dir.path()), file = QFile::encodeName(fileName);
  struct Case {
    const char* what;
    mode_t FolderRights, FileRights;
    const char* Reason;
  } cases[] = {
      {"folder closed", 0, 4, ReasonFolderNotAccessible},
      {"file unreadable", 5, 0, ReasonFileNotReadable},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(chmod(file.constData(), TActingUser::Permissions(c.FileRights)), 0);
    ASSERT_EQ(chmod(folder.constData(), TActingUser::Permissions(c.FolderRights)), 0);
    std::string message;
    {
      const TActingUser other;
      ASSERT_TRUE(other.valid());
      try {
        ReadWholeFile(fileName);
      } catch (const Exception& e) {
        message = e.what();
      }
    }
    ASSERT_EQ(chmod(folder.constData(), 0700), 0);
    EXPECT_EQ(message, "Die Datei '" + fileName.toStdString() + "' kann nicht geöffnet werden: " + c.Reason);
  }
}
#endif

}  // namespace
