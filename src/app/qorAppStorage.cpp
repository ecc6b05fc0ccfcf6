#include "qorAppStorage.h"

namespace {

// The fixed key parts.
const QString kRootKey = QStringLiteral("Software");
const QString kMakerKey = QStringLiteral("VASO");
const QString kDepartementsKey = QStringLiteral("Departements");
const QString kApplicationsKey = QStringLiteral("Applications");
const QString kFormsKey = QStringLiteral("Forms");

// Restores a storage's location when a read or write at another location ends, also
// when it fails.
class TLocationRestorer {
public:
  explicit TLocationRestorer(TqorAppStorageBase& Storage) : FStorage(Storage), FSaved(Storage.StorageLocation()) {}
  ~TLocationRestorer() { FStorage.SetStorageLocation(FSaved); }
  TLocationRestorer(const TLocationRestorer&) = delete;
  TLocationRestorer& operator=(const TLocationRestorer&) = delete;

private:
  TqorAppStorageBase& FStorage;
  TqorAppStorageLocations FSaved;
};

}  // namespace

TqorAppStorageBase::TqorAppStorageBase() { TqorAppStorageBase::SetStorageLocation(aslsDefault); }

QString TqorAppStorageBase::LocationKey(TqorAppStorageLocations Locations) const {
  QString key = kRootKey + PathDelim + kMakerKey;
  if (Locations.Contains(aslClient)) key += PathDelim + Client;
  if (Locations.Contains(aslDepartement)) key += PathDelim + kDepartementsKey + PathDelim + Departement;
  if (Locations.Contains(aslUser)) key += PathDelim + User;
  if (Locations.Contains(aslApplication)) key += PathDelim + kApplicationsKey + PathDelim + Application;
  if (Locations.Contains(aslForm)) key += PathDelim + kFormsKey;
  return key;
}

void TqorAppStorageBase::SetStorageLocation(TqorAppStorageLocations Locations) {
  FStorageLocation = Locations;
  FStorageLocationKey = LocationKey(Locations);
}

void TqorAppStorageBase::Assign(const TqorAppStorageBase& Source) {
  PathDelim = Source.PathDelim;
  Client = Source.Client;
  Departement = Source.Departement;
  User = Source.User;
  Machine = Source.Machine;
  Application = Source.Application;
  SetStorageLocation(Source.StorageLocation());
}

void TqorAppStorageBase::Assign(const TqorUserData& Source) {
  Client = Source.CompanyToken;
  Departement = Source.DeptToken;
  User = Source.QORUserId;
}

TqorValue TqorAppStorageBase::ReadValue(TqorAppStorageLocations Locations, const QString& SubKey, const QString& Name,
                                        const TqorValue& Default) {
  const TLocationRestorer restorer(*this);
  SetStorageLocation(Locations);
  return ReadValue(SubKey, Name, Default);
}

void TqorAppStorageBase::WriteValue(TqorAppStorageLocations Locations, const QString& SubKey, const QString& Name,
                                    const TqorValue& Value) {
  const TLocationRestorer restorer(*this);
  SetStorageLocation(Locations);
  WriteValue(SubKey, Name, Value);
}

QString TqorAppStorageBase::ReadString(const QString& SubKey, const QString& Name, const QString& Default) {
  return ValueAsText(ReadValue(SubKey, Name, TqorValue(Default)), QString());
}

QString TqorAppStorageBase::ReadString(TqorAppStorageLocations Locations, const QString& SubKey, const QString& Name,
                                       const QString& Default) {
  return ValueAsText(ReadValue(Locations, SubKey, Name, TqorValue(Default)), QString());
}

int TqorAppStorageBase::ReadInteger(const QString& SubKey, const QString& Name, int Default) {
  return ValueAsInteger(ReadValue(SubKey, Name, TqorValue(Default)), 0);
}

int TqorAppStorageBase::ReadInteger(TqorAppStorageLocations Locations, const QString& SubKey, const QString& Name,
                                    int Default) {
  return ValueAsInteger(ReadValue(Locations, SubKey, Name, TqorValue(Default)), 0);
}

Extended TqorAppStorageBase::ReadFloat(const QString& SubKey, const QString& Name, Extended Default) {
  return ValueAsFloat(ReadValue(SubKey, Name, TqorValue(Default)), 0);
}

Extended TqorAppStorageBase::ReadFloat(TqorAppStorageLocations Locations, const QString& SubKey, const QString& Name,
                                       Extended Default) {
  return ValueAsFloat(ReadValue(Locations, SubKey, Name, TqorValue(Default)), 0);
}

bool TqorAppStorageBase::ReadBoolean(const QString& SubKey, const QString& Name, bool Default) {
  return ValueAsBool(ReadValue(SubKey, Name, TqorValue(Default)), false);
}

bool TqorAppStorageBase::ReadBoolean(TqorAppStorageLocations Locations, const QString& SubKey, const QString& Name,
                                     bool Default) {
  return ValueAsBool(ReadValue(Locations, SubKey, Name, TqorValue(Default)), false);
}

int TqorAppStorageBase::PushSL(TqorAppStorageLocations Locations) {
  const TqorAppStorageLocations pushed = Locations == aslsCurrent ? FStorageLocation : Locations;
  FSLStack.push_back(pushed);
  SetStorageLocation(pushed);
  return SLStackCount() - 1;
}

void TqorAppStorageBase::PopSP(int Index) {
  if (FSLStack.empty()) return;
  const std::size_t first = Index < 0 ? FSLStack.size() - 1 : static_cast<std::size_t>(Index);
  if (first < FSLStack.size()) FSLStack.resize(first);
  if (!FSLStack.empty()) SetStorageLocation(FSLStack.back());
}
