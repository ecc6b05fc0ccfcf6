#include "qorList.h"

#include "qorException.h"
#include "qorFloatFaults.h"

#include <cmath>

const char* const MsgBinarySearchEmptySlot = "Binäre Suche in Feld mit nicht besetzen Elementen ist nicht möglich.";
const char* const MsgListOwnsNoObjects = "Die Liste besitzt ihre Objekte nicht.";
const char* const MsgAssignBothOwn = "Beide Listen würden dieselben Objekte besitzen.";

namespace {
// Lists with more elements than this are searched binary once sorted.
constexpr int SequentialSearchLimit = 3;

// Larger than any distance between two Extended values.
constexpr Extended NoDistance = 1.1E4932L;

// One step of the binary search: narrows [lo, hi] by the comparison c of the element
// at mid with the searched one and moves mid. False when mid cannot move any more.
bool BinarySearchStep(int& lo, int& hi, int& mid, int c) {
  if (c == 0) return true;
  if (c > 0)
    hi = (hi == mid) ? hi - 1 : mid;
  else
    lo = (lo == mid) ? lo + 1 : mid;
  const int next = (lo + hi) / 2;
  if (next != mid) {
    mid = next;
    return true;
  }
  if (hi - lo == 1) {
    mid = next + 1;
    return true;
  }
  return false;
}

int Sign(Extended a, Extended b) {
  if (FLess(a, b)) return -1;
  return FGreater(a, b) ? 1 : 0;
}

}  // namespace

// ---------------------------------------------------------------- TqorBaseList

void TqorBaseList::Sort() {
  if (Count() > 0) QuickSort(0, Count() - 1);
  FIsSorted = true;
}

void TqorBaseList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError("Listenindex überschreitet das Maximum (" + std::to_string(Index) + ")");
}

void TqorBaseList::CheckCount(int NewCount) {
  if (NewCount < 0) throw EListError("Listenanzahl überschreitet das Maximum (" + std::to_string(NewCount) + ")");
}

// The pivot is re-read by index at every comparison, so its index follows it through
// the exchanges.
void TqorBaseList::QuickSort(int L, int R) {
  int I;
  do {
    I = L;
    int J = R;
    int P = (L + R) / 2;
    do {
      while (Compare(I, P) < 0) ++I;
      while (Compare(J, P) > 0) --J;
      if (I <= J) {
        Exchange(I, J);
        if (P == I)
          P = J;
        else if (P == J)
          P = I;
        ++I;
        --J;
      }
    } while (I <= J);
    if (L < J) QuickSort(L, J);
    L = I;
  } while (I < R);
}

int TqorBaseList::BinarySearch(const std::function<int(int)>& compareAt, bool MatchNearest) {
  if (Count() == 0) return -1;
  if (!FIsSorted) Sort();
  int lo = 0;
  int hi = Count() - 1;
  int mid = (lo + hi) / 2;
  for (;;) {
    if (SlotEmpty(mid)) throw EListError(MsgBinarySearchEmptySlot);
    const int old = mid;
    if (!BinarySearchStep(lo, hi, mid, compareAt(mid))) return MatchNearest ? mid : -1;
    if (mid == old) return mid;
  }
}

// --------------------------------------------------------------- TqorFloatList

void TqorFloatList::Dim(int NewCount) {
  CheckCount(NewCount);
  if (NewCount > Count()) Inserted();
  FItems.resize(NewCount, 0);
}

void TqorFloatList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  std::swap(FItems[Index1], FItems[Index2]);
}

int TqorFloatList::Compare(int Index1, int Index2) const { return Sign(Items(Index1), Items(Index2)); }

Extended TqorFloatList::Items(int Index) const {
  CheckIndex(Index);
  return FItems[Index];
}

void TqorFloatList::setItems(int Index, Extended value) {
  CheckIndex(Index);
  FItems[Index] = value;
}

int TqorFloatList::Add(Extended val) {
  Insert(Count(), val);
  return Count() - 1;
}

void TqorFloatList::Insert(int Index, Extended val) {
  if (Index != Count()) CheckIndex(Index);
  FItems.insert(FItems.begin() + Index, val);
  Inserted();
}

void TqorFloatList::Delete(int Index) {
  CheckIndex(Index);
  FItems.erase(FItems.begin() + Index);
}

void TqorFloatList::Clear() { FItems.clear(); }

int TqorFloatList::Search(Extended val, bool MatchNearest) {
  if (IsSorted() && Count() > SequentialSearchLimit) return SearchBinary(val, MatchNearest);
  return SearchSequential(val, MatchNearest);
}

int TqorFloatList::SearchSequential(Extended val, bool MatchNearest) const {
  int result = -1;
  Extended best = NoDistance;
  for (int i = 0; i < Count(); ++i) {
    const Extended distance = std::fabs(val - FItems[i]);
    if (FLessEqual(distance, MachineEpsilon())) return i;
    if (MatchNearest && FLess(distance, best)) {
      best = distance;
      result = i;
    }
  }
  return result;
}

int TqorFloatList::SearchBinary(Extended val, bool MatchNearest) {
  return BinarySearch([&](int mid) { return Sign(FItems[mid], val); }, MatchNearest);
}

// -------------------------------------------------------------- TqorObjectList

TqorObjectList::TqorObjectList() : FItemClass([] { return std::make_unique<TqorObject>(); }) {}

TqorObjectList::~TqorObjectList() { Clear(); }

void TqorObjectList::Release(TqorObject* obj) {
  if (!FOwnsObjects) return;
  const std::unique_ptr<TqorObject> discarded(obj);
}

void TqorObjectList::RequireOwnership() const {
  if (!FOwnsObjects) throw EListError(MsgListOwnsNoObjects);
}

void TqorObjectList::Dim(int NewCount) {
  CheckCount(NewCount);
  while (Count() > NewCount) Delete(Count() - 1);
  while (Count() < NewCount) {
    if (FOwnsObjects)
      Add(FItemClass());
    else
      Add(nullptr);
  }
}

void TqorObjectList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  std::swap(FItems[Index1], FItems[Index2]);
}

int TqorObjectList::Compare(int Index1, int Index2) const { return CompareObjects(Items(Index1), Items(Index2)); }

int TqorObjectList::CompareObjects(const TqorObject* Obj1, const TqorObject* Obj2) const {
  const std::less<const TqorObject*> before;
  if (before(Obj1, Obj2)) return -1;
  return before(Obj2, Obj1) ? 1 : 0;
}

void TqorObjectList::Assign(const TqorObjectList& lst) {
  if (&lst == this) return;
  if (FOwnsObjects && lst.FOwnsObjects) throw EListError(MsgAssignBothOwn);
  Clear();
  for (TqorObject* obj : lst.FItems) Add(obj);
}

TqorObject* TqorObjectList::Items(int Index) const {
  CheckIndex(Index);
  return FItems[Index];
}

void TqorObjectList::setItems(int Index, TqorObject* obj) {
  CheckIndex(Index);
  if (FItems[Index] != obj) Release(FItems[Index]);
  FItems[Index] = obj;
  Inserted();
}

int TqorObjectList::Add(std::unique_ptr<TqorObject> obj) {
  RequireOwnership();
  return Add(obj.release());
}

int TqorObjectList::Add(TqorObject* obj) {
  Insert(Count(), obj);
  return Count() - 1;
}

void TqorObjectList::Insert(int Index, std::unique_ptr<TqorObject> obj) {
  RequireOwnership();
  Insert(Index, obj.release());
}

void TqorObjectList::Insert(int Index, TqorObject* obj) {
  if (Index != Count()) CheckIndex(Index);
  FItems.insert(FItems.begin() + Index, obj);
  Inserted();
}

void TqorObjectList::Delete(int Index) {
  CheckIndex(Index);
  TqorObject* obj = FItems[Index];
  FItems.erase(FItems.begin() + Index);
  Release(obj);
}

std::unique_ptr<TqorObject> TqorObjectList::Extract(int Index) {
  RequireOwnership();
  CheckIndex(Index);
  std::unique_ptr<TqorObject> obj(FItems[Index]);
  FItems.erase(FItems.begin() + Index);
  return obj;
}

int TqorObjectList::IndexOf(const TqorObject* obj) const {
  for (int i = 0; i < Count(); ++i)
    if (FItems[i] == obj) return i;
  return -1;
}

void TqorObjectList::Clear() {
  while (Count() > 0) Delete(Count() - 1);
}

int TqorObjectList::Search(const TqorObject* SearchObj, bool MatchNearest) {
  if (IsSorted() && Count() > SequentialSearchLimit) return SearchBinary(SearchObj, MatchNearest);
  return SearchSequential(SearchObj);
}

int TqorObjectList::SearchSequential(const TqorObject* SearchObj) const {
  for (int i = 0; i < Count(); ++i)
    if (CompareObjects(SearchObj, FItems[i]) == 0) return i;
  return -1;
}

int TqorObjectList::SearchBinary(const TqorObject* SearchObj, bool MatchNearest) {
  return BinarySearch([&](int mid) { return CompareObjects(FItems[mid], SearchObj); }, MatchNearest);
}
