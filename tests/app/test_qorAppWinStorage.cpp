#include "qorAppWinStorage.h"
#include "qorTestConfigFolders.h"

#include "qorTestSupport.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include <limits>
#include <vector>

void PrintTo(const TqorValue& V, std::ostream* os) { *os << DatatypeOf(V) << ":" << FormatValue(V).toStdString(); }

namespace {

const QString kSubKey = QStringLiteral("Config");

class AppWinStorage : public ::testing::Test {
protected:
  TTestConfigFolders folders;
  TqorAppWinStorage storage;

  // The value as it lies in the registry below the current location.
  std::optional<TqorRegistryValue> Stored(const QString& Name) {
    return storage.Registry().ReadValue(storage.StorageLocationKey() + "\\" + kSubKey, Name);
  }
  void Store(const QString& Name, const TqorRegistryValue& Value) {
    TqorIniRegistry(storage.Registry().FileName())
        .WriteValue(storage.StorageLocationKey() + "\\" + kSubKey, Name, Value);
  }
};

// Each value is read with a default of its kind but another content, so that a value
// that was not stored would show.
TEST_F(AppWinStorage, ValuesReadBackAsWritten) {
  const QDateTime someDay(QDate(2000, 1, 2), QTime(3, 4, 5), Qt::UTC);
  const std::vector<std::tuple<const char*, TqorValue, TqorValue>> cases = {
      {"text", TqorValue("/opt/Werkzeuge/bin/"), TqorValue("x")},
      {"empty text", TqorValue(QString()), TqorValue("x")},
      {"integer", TqorValue(-123456), TqorValue(1)},
      {"largest integer", TqorValue(std::numeric_limits<qint32>::max()), TqorValue(1)},
      {"true", TqorValue(true), TqorValue(false)},
      {"false", TqorValue(false), TqorValue(true)},
      {"real", TqorValue(0.1L), TqorValue(1.0L)},
      {"tiny real", TqorValue(std::numeric_limits<Extended>::denorm_min()), TqorValue(1.0L)},
      {"infinity", TqorValue(-std::numeric_limits<Extended>::infinity()), TqorValue(1.0L)},
      {"date-time", TqorValue(QDateTime(QDate(2011, 4, 25), QTime(10, 20, 30, 5), Qt::UTC)), TqorValue(someDay)},
      {"midnight", TqorValue(QDateTime(QDate(2011, 4, 25), QTime(0, 0), Qt::UTC)), TqorValue(someDay)},
  };
  for (const auto& [name, value, fallback] : cases) {
    storage.WriteValue(kSubKey, name, value);
    EXPECT_EQ(storage.ReadValue(kSubKey, name, fallback), value) << name;
  }
}

TEST_F(AppWinStorage, ValuesAreStoredInTheRegistryForms) {
  const Extended x = 2.5L;
  const std::vector<std::tuple<const char*, TqorValue, TqorRegistryValue>> cases = {
      {"text", TqorValue("abc"), QStringLiteral("abc")},
      {"integer", TqorValue(42), qint32(42)},
      {"true", TqorValue(true), QStringLiteral("TRUE")},
      {"false", TqorValue(false), QStringLiteral("FALSE")},
      {"real", TqorValue(x), QByteArray(reinterpret_cast<const char*>(&x), 10)},
      {"date-time", TqorValue(QDateTime(QDate(2011, 4, 25), QTime(10, 20, 30), Qt::UTC)),
       QStringLiteral("2011-04-25T10:20:30")},
      {"midnight", TqorValue(QDateTime(QDate(2011, 4, 25), QTime(0, 0), Qt::UTC)), QStringLiteral("2011-04-25")},
  };
  for (const auto& [name, value, stored] : cases) {
    storage.WriteValue(kSubKey, name, value);
    EXPECT_EQ(Stored(name), stored) << name;
  }
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(&x), 10).toHex(), "00000000000000a00040");
}

TEST_F(AppWinStorage, BooleansReadTheirSixTextsInAnyCase) {
  const std::vector<std::pair<const char*, std::optional<bool>>> cases = {
      {"TRUE", true},       {"tRuE", true},     {"yes", true},          {"Y", true},
      {"FALSE", false},     {"No", false},      {"n", false},           {"1", std::nullopt},
      {"ja", std::nullopt}, {"", std::nullopt}, {" yes", std::nullopt},
  };
  for (const auto& [text, expected] : cases) {
    Store("Flag", QString::fromUtf8(text));
    for (const bool fallback : {false, true})
      EXPECT_EQ(storage.ReadBoolean(kSubKey, "Flag", fallback), expected.value_or(fallback))
          << '"' << text << "\" with default " << fallback;
  }
}

TEST_F(AppWinStorage, MissingOrUnusableValuesGiveTheDefault) {
  Store("Text", QStringLiteral("42"));
  Store("Integer", qint32(42));
  Store("Bytes", QByteArray(8, '\x01'));
  Store("BadDate", QStringLiteral("2011-13-01"));
  const TqorValue defaultDate(QDateTime(QDate(2000, 1, 2), QTime(3, 4, 5), Qt::UTC));
  const std::vector<std::tuple<const char*, TqorValue>> cases = {
      {"Missing", TqorValue("/opt/bin/")},
      {"Missing", TqorValue(7)},
      {"Text", TqorValue(7)},
      {"Integer", TqorValue("text")},
      {"Integer", TqorValue(true)},
      {"Integer", TqorValue(1.5L)},
      {"Bytes", TqorValue(1.5L)},
      {"Text", TqorValue(1.5L)},
      {"BadDate", defaultDate},
      {"Integer", defaultDate},
  };
  for (const auto& [name, fallback] : cases) EXPECT_EQ(storage.ReadValue(kSubKey, name, fallback), fallback) << name;
  // A text read with an empty default gives an empty text.
  EXPECT_EQ(storage.ReadValue(kSubKey, "Missing", TqorValue()), TqorValue(QString()));
  EXPECT_EQ(storage.ReadString(aslsProgramConfig, "Config", "BinPath", "/usr/bin/"), "/usr/bin/");
  EXPECT_EQ(storage.ReadInteger(kSubKey, "Integer", 0), 42);
  EXPECT_EQ(storage.ReadFloat(kSubKey, "Missing", 1.25L), 1.25L);
}

TEST_F(AppWinStorage, MachineScopeNeedsHKLMEnabled) {
  storage.setStorageLocation(aslsFormMetrics);
  EXPECT_EQ(storage.Registry().FileName(), folders.User.filePath("VASO/qorKaloTools.ini"));
  storage.setHKLMEnabled(true);
  storage.setStorageLocation(aslsFormMetrics);
  EXPECT_EQ(storage.Registry().FileName(), folders.Machine.filePath("VASO/qorKaloTools.ini"));
  storage.WriteValue("Forms", "Hauptfenster", TqorValue("0 0 640 480 0"));
  storage.setStorageLocation(aslsDefault);  // no aslMachine: the user's hive
  EXPECT_EQ(storage.ReadString("Forms", "Hauptfenster", "none"), "none");
  EXPECT_EQ(storage.ReadString(aslsFormMetrics, "Forms", "Hauptfenster", "none"), "0 0 640 480 0");
}

TEST_F(AppWinStorage, StoragesShareTheirValues) {
  TqorAppWinStorage other;
  storage.WriteValue(aslsRecentLists, "RecentPlaces", "Function", TqorValue("/home/anna/"));
  EXPECT_EQ(other.ReadString(aslsRecentLists, "RecentPlaces", "Function", ""), "/home/anna/");
  EXPECT_TRUE(QFileInfo::exists(folders.User.filePath("VASO/qorKaloTools.ini")));
}

TEST_F(AppWinStorage, IntegerBeyond32BitsIsRefused) {
  EXPECT_THROW(storage.WriteValue(kSubKey, "Big", TqorValue(qint64(1) << 40)), EConvertError);
  EXPECT_EQ(Stored("Big"), std::nullopt);
}

}  // namespace
