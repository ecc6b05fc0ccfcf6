#include "qorIniRegistry.h"
#include "qorTestFiles.h"

#include "qorTestSupport.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <QTemporaryDir>

#include <climits>
#include <vector>

namespace {

const QString kKey = QStringLiteral("Software\\VASO\\user\\Applications\\application");

class IniRegistry : public ::testing::Test {
protected:
  QTemporaryDir folder;
  QString fileName = folder.filePath(QStringLiteral("VASO/qorKaloTools.ini"));
  TqorIniRegistry registry{fileName};

  void WriteFile(const QByteArray& text) {
    QDir().mkpath(folder.filePath(QStringLiteral("VASO")));
    QSaveFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    ASSERT_TRUE(file.commit());
  }
  QByteArray FileText() const { return ReadBytes(fileName); }
};

TEST_F(IniRegistry, ValuesKeepTheirKindAndContent) {
  const std::vector<std::pair<const char*, TqorRegistryValue>> cases = {
      {"plain text", QStringLiteral("/opt/vaso/bin/")},
      {"empty text", QString()},
      {"umlauts", QStringLiteral("Größe über")},
      {"INI syntax", QStringLiteral("a=b; c, d \"e\" [f] @g \\h")},
      {"text that looks like an integer", QStringLiteral("dword:0000002a")},
      {"text that looks like binary", QStringLiteral("hex:00")},
      {"text with the text tag", QStringLiteral("sz:x")},
      {"zero", qint32(0)},
      {"minus one", qint32(-1)},
      {"smallest integer", qint32(INT_MIN)},
      {"largest integer", qint32(INT_MAX)},
      {"empty binary", QByteArray()},
      {"binary", QByteArray("\x00\xff\x10\x80", 4)},
  };
  for (const auto& [name, value] : cases) {
    registry.WriteValue(kKey, QString::fromUtf8(name), value);
    EXPECT_EQ(registry.ReadValue(kKey, QString::fromUtf8(name)), value) << name;
  }
}

TEST_F(IniRegistry, FileShowsKeysAndTaggedValues) {
  registry.WriteValue(QStringLiteral("Software\\VASO\\WORKGROUP\\Config"), QStringLiteral("BinPath"),
                      QStringLiteral("/opt/bin"));
  registry.WriteValue(kKey, QStringLiteral("Count"), qint32(42));
  registry.WriteValue(kKey, QStringLiteral("Bytes"), QByteArray("\x00\xff", 2));
  const QByteArray text = FileText();
  EXPECT_TRUE(text.startsWith("[Software]\n")) << text.constData();
  EXPECT_TRUE(text.contains("\nVASO\\WORKGROUP\\Config\\BinPath=/opt/bin\n")) << text.constData();
  EXPECT_TRUE(text.contains("\\application\\Count=dword:0000002a\n")) << text.constData();
  EXPECT_TRUE(text.contains("\\application\\Bytes=\"hex:00,ff\"\n")) << text.constData();
}

TEST_F(IniRegistry, ReadsHandWrittenValues) {
  WriteFile(
      "[Software]\n"
      "VASO\\c\\Config\\BinPath=/opt/x\n"
      "VASO\\c\\Config\\List=a,b\n"
      "VASO\\c\\Config\\Number=dword:ffffffff\n"
      "VASO\\c\\Config\\BadNumber=dword:12x\n"
      "VASO\\c\\Config\\LongNumber=dword:123456789\n"
      "VASO\\c\\Config\\Bytes=\"hex:1, A\"\n"
      "VASO\\c\\Config\\BadBytes=\"hex:100\"\n");
  const QString key = QStringLiteral("Software\\VASO\\c\\Config");
  const std::vector<std::pair<const char*, std::optional<TqorRegistryValue>>> cases = {
      {"BinPath", QStringLiteral("/opt/x")},
      {"List", QStringLiteral("a,b")},
      {"Number", qint32(-1)},
      {"BadNumber", std::nullopt},
      {"LongNumber", std::nullopt},
      {"Bytes", QByteArray("\x01\x0a", 2)},
      {"BadBytes", std::nullopt},
      {"Missing", std::nullopt},
  };
  for (const auto& [name, expected] : cases)
    EXPECT_EQ(registry.ReadValue(key, QString::fromUtf8(name)), expected) << name;
  EXPECT_EQ(registry.ReadValue(QStringLiteral("Software\\VASO\\other"), QStringLiteral("BinPath")), std::nullopt);
}

TEST_F(IniRegistry, ReadingAMissingFileCreatesNothing) {
  EXPECT_EQ(registry.ReadValue(kKey, QStringLiteral("BinPath")), std::nullopt);
  EXPECT_FALSE(QFileInfo::exists(folder.filePath(QStringLiteral("VASO"))));
}

TEST_F(IniRegistry, WriteKeepsTheOtherValuesAndReplacesTheKind) {
  WriteFile("[Software]\nVASO\\other\\Keep=kept\n");
  registry.WriteValue(kKey, QStringLiteral("Value"), qint32(7));
  registry.WriteValue(kKey, QStringLiteral("Value"), QStringLiteral("sieben"));
  EXPECT_EQ(registry.ReadValue(QStringLiteral("Software\\VASO\\other"), QStringLiteral("Keep")),
            TqorRegistryValue(QStringLiteral("kept")));
  EXPECT_EQ(registry.ReadValue(kKey, QStringLiteral("Value")), TqorRegistryValue(QStringLiteral("sieben")));
}

TEST_F(IniRegistry, StrayLinesDoNotHideTheSettings) {
  WriteFile("stray line\n[Software]\nVASO\\other\\Keep=kept\n");
  const QString other = QStringLiteral("Software\\VASO\\other");
  EXPECT_EQ(registry.ReadValue(other, QStringLiteral("Keep")), TqorRegistryValue(QStringLiteral("kept")));
  registry.WriteValue(kKey, QStringLiteral("Value"), qint32(1));
  EXPECT_EQ(registry.ReadValue(other, QStringLiteral("Keep")), TqorRegistryValue(QStringLiteral("kept")));
  EXPECT_EQ(registry.ReadValue(kKey, QStringLiteral("Value")), TqorRegistryValue(qint32(1)));
}

TEST_F(IniRegistry, UnusableFileGivesNothingAndRefusesWrites) {
  ASSERT_TRUE(QDir().mkpath(fileName));  // a folder where the file should be
  EXPECT_EQ(registry.ReadValue(kKey, QStringLiteral("BinPath")), std::nullopt);
  const std::string expected = "Der Schlüssel '" + kKey.toStdString() + "' kann in '" +
                               QDir::toNativeSeparators(fileName).toStdString() + "' nicht angelegt werden.";
  EXPECT_THROW_MSG(registry.WriteValue(kKey, QStringLiteral("BinPath"), QStringLiteral("x")), ERegistryException,
                   expected);
}

TEST_F(IniRegistry, FolderThatCannotBeMadeRefusesWrites) {
  QFile blocker(folder.filePath(QStringLiteral("VASO")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  EXPECT_THROW(registry.WriteValue(kKey, QStringLiteral("BinPath"), QStringLiteral("x")), ERegistryException);
}

// Another instance notices a change of the file only by its size or modification time
// (see TqorIniRegistry), so two writes of one size must never share a time, however
// quickly they follow each other.
TEST_F(IniRegistry, EveryWriteLeavesALaterModificationTime) {
  constexpr int kWrites = 50;
  qint64 before = 0;
  for (int i = 0; i < kWrites; ++i) {
    registry.WriteValue(kKey, QStringLiteral("Value"), qint32(i));
    const qint64 written = QFileInfo(fileName).lastModified().toMSecsSinceEpoch();
    ASSERT_GT(written, before) << i;
    before = written;
  }
}

// Two instances write at the same time: first new values (the file grows), then
// overwrites of one value each whose texts keep the file's size. Every value of both
// must survive, and each one's last overwrite must be the one that stays.
TEST_F(IniRegistry, TwoInstancesWritingAtOnceLoseNothing) {
  constexpr int kWrites = 60;
  const QStringList prefixes = {QStringLiteral("A"), QStringLiteral("B")};
  std::vector<std::unique_ptr<QProcess>> writers;
  for (const QString& prefix : prefixes) {
    writers.push_back(std::make_unique<QProcess>());
    writers.back()->start(QStringLiteral(QOR_REGISTRY_WRITER), {fileName, prefix, QString::number(kWrites)});
  }
  for (auto& writer : writers) {
    ASSERT_TRUE(writer->waitForFinished(120000));
    ASSERT_EQ(writer->exitCode(), 0) << writer->readAllStandardError().constData();
  }
  for (const QString& prefix : prefixes) {
    SCOPED_TRACE(prefix.toStdString());
    for (int i = 0; i < kWrites; ++i)
      EXPECT_EQ(registry.ReadValue(prefix, QStringLiteral("k%1").arg(i)), TqorRegistryValue(i)) << "k" << i;
    EXPECT_EQ(registry.ReadValue(prefix, QStringLiteral("last")),
              TqorRegistryValue(QStringLiteral("%1").arg(kWrites - 1, 6, 10, QLatin1Char('0'))));
  }
}

}  // namespace
