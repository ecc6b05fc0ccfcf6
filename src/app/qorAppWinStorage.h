#pragma once
// The configuration storage of this program: the values live in the program's registry
// (TqorIniRegistry), in the user's hive unless HKLMEnabled lets a location with
// aslMachine address the machine-wide hive. Values keep their kind:
//   integer     32-bit integer
//   boolean     the text "TRUE" or "FALSE"; "TRUE", "YES", "Y", "FALSE", "NO", "N" read
//               back in any letter case, anything else gives the default
//   real        the 10 bytes of the 80-bit Extended, little-endian, as binary data
//   date-time   the text "yyyy-mm-ddThh:mm:ss[.zzz]", the date alone at midnight
//   otherwise   the text
// A value of another kind than the one asked for gives the default.

#include "qorAppStorage.h"
#include "qorIniRegistry.h"

class TqorAppWinStorage : public TqorAppStorageBase {
public:
  // A storage at {aslUser, aslApplication} in the user's hive.
  TqorAppWinStorage();

  // Lets locations with aslMachine address the machine-wide hive; false after
  // construction.
  bool HKLMEnabled() const { return FHKLMEnabled; }
  void setHKLMEnabled(bool value) { FHKLMEnabled = value; }
  // The registry the current location addresses.
  const TqorIniRegistry& Registry() const { return FRegistry; }

  // Builds the key and chooses the hive: machine-wide for aslMachine with HKLMEnabled.
  void SetStorageLocation(TqorAppStorageLocations Locations) override;
  // Also takes over HKLMEnabled from another TqorAppWinStorage, before the location,
  // so that the copy addresses the same hive.
  void Assign(const TqorAppStorageBase& Source) override;
  using TqorAppStorageBase::Assign;

  using TqorAppStorageBase::ReadValue;
  using TqorAppStorageBase::WriteValue;
  TqorValue ReadValue(const QString& SubKey, const QString& Name, const TqorValue& Default) override;
  // Raises ERegistryException naming the key when it cannot be written.
  void WriteValue(const QString& SubKey, const QString& Name, const TqorValue& Value) override;

private:
  // The registry key of SubKey at the current location.
  QString KeyOf(const QString& SubKey) const;

  TqorIniRegistry FRegistry;
  bool FHKLMEnabled = false;
};
