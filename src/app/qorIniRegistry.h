#pragma once
// The program's registry: one INI file that keeps a hierarchy of keys ("\"-separated
// paths such as Software\VASO\user\Applications\application) with typed values below
// them. The user's hive is <configuration folder>/VASO/qorKaloTools.ini (on Linux
// ~/.config/VASO/qorKaloTools.ini), the machine-wide hive the same file name in the
// system's configuration folder (/etc/xdg).
//
// Several instances of the program may share one file. Every read asks the file anew
// and every write merges into the file as it is on disk at that moment, under a lock,
// and replaces it atomically, so no instance loses another's values.
//
// Values keep their kind as text in the file: a text stands as it is ("sz:" in front
// only when it would otherwise look like a tagged value), a 32-bit integer as
// "dword:" with eight hexadecimal digits, binary data as "hex:" with comma-separated
// byte pairs. A hand-written value without a tag reads as text; lines that are no
// setting are skipped (and not written back).

#include "qorException.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <variant>

// A failed registry write: "Der Schlüssel '<key>' kann in '<file>' nicht angelegt
// werden."
QOR_EXCEPTION(ERegistryException, Exception);

// One stored value: text, 32-bit integer or binary data.
using TqorRegistryValue = std::variant<QString, qint32, QByteArray>;

class TqorIniRegistry {
public:
  // A registry kept in the given INI file.
  explicit TqorIniRegistry(QString fileName);

  // The user's hive: VASO/qorKaloTools.ini in the user's configuration folder.
  static QString UserFileName();
  // The machine-wide hive: the same name in the system's configuration folder.
  static QString MachineFileName();

  const QString& FileName() const { return FFileName; }
  void setFileName(QString value) { FFileName = std::move(value); }

  // The value `name` below `key`; none when the key or value is missing, when the
  // stored text is not a usable value, or when the file cannot be read.
  std::optional<TqorRegistryValue> ReadValue(const QString& key, const QString& name) const;
  // Stores `value` as `name` below `key`, creating the key. Raises
  // ERegistryException naming the key when the file cannot be written; the file is
  // left as it was then.
  void WriteValue(const QString& key, const QString& name, const TqorRegistryValue& value);

private:
  QString FFileName;
};
