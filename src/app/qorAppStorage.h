#pragma once
// Configuration storage: the one place where the program keeps settings between runs.
// A setting is addressed by a storage location (a set of scopes such as client, user
// and application), a sub key and a value name. The storage turns the location into a
// key path below Software\VASO, so that the same sub key and value name exist once
// per client, once per user and application, and so on:
//   {aslClient}                        Software\VASO\<client>\<sub key>
//   {aslUser, aslApplication}          Software\VASO\<user>\Applications\<application>\...
//   {aslUser, aslApplication, aslForm} ...\Applications\<application>\Forms\<sub key>
// TqorAppStorageBase holds the names, the location and its stack; a concrete storage
// (TqorAppWinStorage) keeps the values.

#include "qorUserData.h"
#include "qorValue.h"

#include <QString>

#include <initializer_list>
#include <memory>
#include <vector>

// The scopes of a storage location, with their ordinal numbers.
enum TqorAppStorageLocation : quint8 {
  aslNULL = 0,         // no key part; alone it means "the current location" to PushSL
  aslClient = 1,       // \<client>
  aslDepartement = 2,  // \Departements\<department>
  aslUser = 3,         // \<user>
  aslMachine = 4,      // no key part; the machine-wide root when HKLMEnabled
  aslApplication = 5,  // \Applications\<application>
  aslForm = 6,         // \Forms
};

// A set of scopes in one byte: scope s has the bit 2^s.
class TqorAppStorageLocations {
public:
  constexpr TqorAppStorageLocations() = default;
  constexpr TqorAppStorageLocations(std::initializer_list<TqorAppStorageLocation> Scopes) {
    for (const TqorAppStorageLocation scope : Scopes) FBits |= Bit(scope);
  }
  // The set whose byte is Bits.
  static constexpr TqorAppStorageLocations FromByte(quint8 Bits) {
    TqorAppStorageLocations set;
    set.FBits = Bits;
    return set;
  }
  constexpr quint8 AsByte() const { return FBits; }
  constexpr bool Contains(TqorAppStorageLocation Scope) const { return FBits & Bit(Scope); }
  constexpr bool operator==(const TqorAppStorageLocations&) const = default;

private:
  static constexpr quint8 Bit(TqorAppStorageLocation Scope) { return quint8(1u << Scope); }
  quint8 FBits = 0;
};

// The locations the program uses.
inline constexpr TqorAppStorageLocations aslsDefault{aslUser, aslApplication};                  // 40
inline constexpr TqorAppStorageLocations aslsProgramConfig{aslClient};                          // 2
inline constexpr TqorAppStorageLocations aslsFormMetrics{aslUser, aslMachine, aslApplication};  // 56
inline constexpr TqorAppStorageLocations aslsRecentLists{aslUser, aslApplication, aslForm};     // 104
// Stands for the current location in PushSL.
inline constexpr TqorAppStorageLocations aslsCurrent{aslNULL};  // 1

class TqorAppStorageBase;

// A storage class: makes a new storage of one concrete kind (see NewStorage).
using TqorAppStorageClass = std::unique_ptr<TqorAppStorageBase> (*)();

// The storage class of Storage.
template <class Storage>
std::unique_ptr<TqorAppStorageBase> NewStorage() {
  return std::make_unique<Storage>();
}

class TqorAppStorageBase : public TqorObject {
public:
  ~TqorAppStorageBase() override = default;
  TqorAppStorageBase(const TqorAppStorageBase&) = delete;
  TqorAppStorageBase& operator=(const TqorAppStorageBase&) = delete;

  // The names of the key parts; writing one does not rebuild the key, the next
  // location change uses it.
  QString Client = QStringLiteral("client");
  QString Departement = QStringLiteral("departement");
  QString User = QStringLiteral("user");
  QString Machine = QStringLiteral("machine");
  QString Application = QStringLiteral("application");
  // The separator of key parts.
  QString PathDelim = QStringLiteral("\\");

  TqorAppStorageLocations StorageLocation() const { return FStorageLocation; }
  void setStorageLocation(TqorAppStorageLocations value) { SetStorageLocation(value); }
  // The key path of the current location, as built by the last location change.
  const QString& StorageLocationKey() const { return FStorageLocationKey; }

  // Makes Locations current and builds its key path.
  virtual void SetStorageLocation(TqorAppStorageLocations Locations);
  // Copies the separator and the names, then takes over Source's location.
  virtual void Assign(const TqorAppStorageBase& Source);
  // Client := CompanyToken, Departement := DeptToken, User := QORUserId; the key
  // stays until the next location change.
  virtual void Assign(const TqorUserData& Source);

  // The value Name of SubKey at the current location, of the kind of Default; Default
  // when the value is missing or unusable.
  virtual TqorValue ReadValue(const QString& SubKey, const QString& Name, const TqorValue& Default) = 0;
  // Stores Value as Name of SubKey at the current location, creating the key.
  virtual void WriteValue(const QString& SubKey, const QString& Name, const TqorValue& Value) = 0;
  // The same at Locations; the current location is restored afterwards, also when the
  // read or write fails.
  TqorValue ReadValue(TqorAppStorageLocations Locations, const QString& SubKey, const QString& Name,
                      const TqorValue& Default);
  void WriteValue(TqorAppStorageLocations Locations, const QString& SubKey, const QString& Name,
                  const TqorValue& Value);

  // Typed reads at the current location or at Locations.
  QString ReadString(const QString& SubKey, const QString& Name, const QString& Default);
  QString ReadString(TqorAppStorageLocations Locations, const QString& SubKey, const QString& Name,
                     const QString& Default);
  int ReadInteger(const QString& SubKey, const QString& Name, int Default);
  int ReadInteger(TqorAppStorageLocations Locations, const QString& SubKey, const QString& Name, int Default);
  Extended ReadFloat(const QString& SubKey, const QString& Name, Extended Default);
  Extended ReadFloat(TqorAppStorageLocations Locations, const QString& SubKey, const QString& Name, Extended Default);
  bool ReadBoolean(const QString& SubKey, const QString& Name, bool Default);
  bool ReadBoolean(TqorAppStorageLocations Locations, const QString& SubKey, const QString& Name, bool Default);

  // Pushes Locations (aslsCurrent: the current location) and makes it current;
  // returns its index on the stack.
  int PushSL(TqorAppStorageLocations Locations);
  // Removes the item at Index (below 0: the top) and every item above it; the item
  // left on top becomes current. An empty stack, or popping the last item, leaves the
  // location unchanged.
  void PopSP(int Index = -1);
  // The number of items on the location stack.
  int SLStackCount() const { return static_cast<int>(FSLStack.size()); }

protected:
  // A storage at {aslUser, aslApplication}. Concrete storages bind their store to the
  // location at the end of their own constructor (the base cannot call their
  // SetStorageLocation yet).
  TqorAppStorageBase();

private:
  // The key path of Locations with the current names.
  QString LocationKey(TqorAppStorageLocations Locations) const;

  std::vector<TqorAppStorageLocations> FSLStack;
  TqorAppStorageLocations FStorageLocation;
  QString FStorageLocationKey;
};
