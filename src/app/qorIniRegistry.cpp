#include "qorIniRegistry.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QThread>

#include <limits>

namespace {

// The hive's folder and file below a configuration folder.
const QString kHiveSubPath = QStringLiteral("/VASO/qorKaloTools.ini");

// Tags in front of a stored text that say which kind of value it holds.
const QString kTextTag = QStringLiteral("sz:");
const QString kIntegerTag = QStringLiteral("dword:");
const QString kBinaryTag = QStringLiteral("hex:");
constexpr int kIntegerDigits = 8;
constexpr int kByteDigits = 2;
constexpr int kHexBase = 16;

// The lock that spans one whole write. QSettings takes <file>.lock itself inside
// sync(), so ours must have another name.
const QString kWriteLockSuffix = QStringLiteral(".writelock");
// How long a write waits for another instance's write to finish, and how often it looks
// again meanwhile (QLockFile's own wait doubles its pauses and so lets a busy writer
// starve a waiting one).
constexpr qint64 kWriteLockTimeoutMs = 10000;
constexpr unsigned long kWriteLockRetryMs = 5;

// The QSettings key of a value: registry keys use "\" between their parts, QSettings
// uses "/".
QString SettingsKey(const QString& key, const QString& name) {
  QString path = key + QLatin1Char('\\') + name;
  path.replace(QLatin1Char('\\'), QLatin1Char('/'));
  return path;
}

bool HasTag(const QString& text) {
  return text.startsWith(kTextTag) || text.startsWith(kIntegerTag) || text.startsWith(kBinaryTag);
}

QString EncodeBinary(const QByteArray& bytes) {
  QStringList pairs;
  for (const char byte : bytes)
    pairs << QStringLiteral("%1").arg(static_cast<quint8>(byte), kByteDigits, kHexBase, QLatin1Char('0'));
  return kBinaryTag + pairs.join(QLatin1Char(','));
}

QString Encode(const TqorRegistryValue& value) {
  if (const auto* text = std::get_if<QString>(&value)) return HasTag(*text) ? kTextTag + *text : *text;
  if (const auto* integer = std::get_if<qint32>(&value))
    return kIntegerTag +
           QStringLiteral("%1").arg(static_cast<quint32>(*integer), kIntegerDigits, kHexBase, QLatin1Char('0'));
  return EncodeBinary(std::get<QByteArray>(value));
}

std::optional<TqorRegistryValue> DecodeInteger(const QString& digits) {
  bool ok = false;
  const quint32 bits = digits.toUInt(&ok, kHexBase);
  if (!ok || digits.size() > kIntegerDigits) return std::nullopt;
  return static_cast<qint32>(bits);
}

std::optional<TqorRegistryValue> DecodeBinary(const QString& pairs) {
  QByteArray bytes;
  if (pairs.isEmpty()) return bytes;
  for (const QString& pair : pairs.split(QLatin1Char(','))) {
    bool ok = false;
    const uint byte = pair.trimmed().toUInt(&ok, kHexBase);
    if (!ok || byte > std::numeric_limits<quint8>::max()) return std::nullopt;
    bytes.append(static_cast<char>(byte));
  }
  return bytes;
}

std::optional<TqorRegistryValue> Decode(const QString& text) {
  if (text.startsWith(kTextTag)) return text.mid(kTextTag.size());
  if (text.startsWith(kIntegerTag)) return DecodeInteger(text.mid(kIntegerTag.size()));
  if (text.startsWith(kBinaryTag)) return DecodeBinary(text.mid(kBinaryTag.size()));
  return text;
}

// The stored text of a value. QSettings turns an unquoted hand-written text with
// commas into a list; joined again it is the text that was written.
std::optional<QString> StoredText(const QVariant& stored) {
  if (stored.typeId() == QMetaType::QString) return stored.toString();
  if (stored.typeId() == QMetaType::QStringList) return stored.toStringList().join(QLatin1Char(','));
  return std::nullopt;
}

// A write may only replace a file that could be read whole, in a folder where the
// new file can be made; otherwise the settings of the old file would be lost.
bool CanReplace(const QString& fileName) {
  const QFileInfo file(fileName);
  if (!QDir().mkpath(file.absolutePath()) || !QFileInfo(file.absolutePath()).isWritable()) return false;
  return !file.exists() || (file.isFile() && file.isReadable() && file.isWritable());
}

// QSettings reads a file again only when its size or modification time differ from
// what it saw last. Two writes of the same size within one tick of the file-system
// clock would look unchanged to another instance, which would then write its stale
// copy back over the newer values. So every write leaves a later time than the one
// before it.
void KeepModificationTimeRising(const QString& fileName, const QDateTime& before) {
  if (!before.isValid() || QFileInfo(fileName).lastModified() > before) return;
  QFile file(fileName);
  if (file.open(QIODevice::Append)) file.setFileTime(before.addMSecs(1), QFileDevice::FileModificationTime);
}

bool TakeWriteLock(QLockFile& Lock) {
  QElapsedTimer waited;
  waited.start();
  while (!Lock.tryLock(0)) {
    if (Lock.error() != QLockFile::LockFailedError || waited.hasExpired(kWriteLockTimeoutMs)) return false;
    QThread::msleep(kWriteLockRetryMs);
  }
  return true;
}

[[noreturn]] void RaiseKeyNotCreated(const QString& key, const QString& fileName) {
  const QString message = QStringLiteral("Der Schlüssel '%1' kann in '%2' nicht angelegt werden.")
                              .arg(key, QDir::toNativeSeparators(fileName));
  throw ERegistryException(message.toStdString());
}

}  // namespace

TqorIniRegistry::TqorIniRegistry(QString fileName) : FFileName(std::move(fileName)) {}

QString TqorIniRegistry::UserFileName() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + kHiveSubPath;
}

QString TqorIniRegistry::MachineFileName() {
  return QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation).constLast() + kHiveSubPath;
}

std::optional<TqorRegistryValue> TqorIniRegistry::ReadValue(const QString& key, const QString& name) const {
  if (!QFileInfo(FFileName).isFile()) return std::nullopt;
  const QSettings settings(FFileName, QSettings::IniFormat);
  if (settings.status() == QSettings::AccessError) return std::nullopt;
  const std::optional<QString> text = StoredText(settings.value(SettingsKey(key, name)));
  return text ? Decode(*text) : std::nullopt;
}

void TqorIniRegistry::WriteValue(const QString& key, const QString& name, const TqorRegistryValue& value) {
  if (!CanReplace(FFileName)) RaiseKeyNotCreated(key, FFileName);
  QLockFile lock(FFileName + kWriteLockSuffix);
  if (!TakeWriteLock(lock)) RaiseKeyNotCreated(key, FFileName);
  const QDateTime before = QFileInfo(FFileName).lastModified();
  QSettings settings(FFileName, QSettings::IniFormat);
  if (settings.status() == QSettings::AccessError) RaiseKeyNotCreated(key, FFileName);
  settings.setValue(SettingsKey(key, name), Encode(value));
  settings.sync();
  if (settings.status() == QSettings::AccessError) RaiseKeyNotCreated(key, FFileName);
  KeepModificationTimeRising(FFileName, before);
}
