#pragma once
// Typed lists on which the program's collections are built: a base list with a sorted
// flag, an index-based sort and a binary search; a list of reals; a list of objects
// with an item factory and ownership. Qt-free, so that the numerics can build on it.
// All lists are indexed from 0; an index outside 0 .. Count-1 raises EListError.

#include "qorKaloBase.h"

#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

// The message of a binary search that meets an empty slot.
extern const char* const MsgBinarySearchEmptySlot;
// The message of a non-owning object list asked to take or hand over ownership.
extern const char* const MsgListOwnsNoObjects;
// The message of Assign between two lists that both own their objects.
extern const char* const MsgAssignBothOwn;

// The plain root object of the program's class tree.
class TqorObject {
public:
  virtual ~TqorObject() = default;
};

// Abstract list: sorted flag, sort by index and binary search over Compare.
class TqorBaseList {
public:
  TqorBaseList() = default;
  virtual ~TqorBaseList() = default;
  TqorBaseList(const TqorBaseList&) = delete;
  TqorBaseList& operator=(const TqorBaseList&) = delete;

  // Number of slots.
  virtual int Count() const = 0;
  // Sets the number of slots; shrinking deletes the trailing elements.
  virtual void Dim(int NewCount) = 0;
  // Swaps two slots; leaves IsSorted as it is.
  virtual void Exchange(int Index1, int Index2) = 0;
  // Negative, zero or positive as the element at Index1 is below, equal to or above
  // the element at Index2.
  virtual int Compare(int Index1, int Index2) const = 0;

  // True after Sort until an element is added, inserted or put into a slot.
  bool IsSorted() const { return FIsSorted; }
  void setIsSorted(bool value) { FIsSorted = value; }

  // Sorts ascending by Compare (not stable); sets IsSorted, also when empty.
  void Sort();

protected:
  // Every insertion of an element comes through here: the order is no longer known.
  void Inserted() { FIsSorted = false; }
  // Raises the range error unless 0 <= Index < Count.
  void CheckIndex(int Index) const;
  // Raises the range error for a count below 0.
  static void CheckCount(int NewCount);
  // True when the slot holds no element; a binary search cannot pass such a slot.
  virtual bool SlotEmpty(int /*Index*/) const { return false; }
  // Binary search on the sorted list (sorting it first when needed). compareAt(mid)
  // compares the element at mid with the searched one. Not found: mid when
  // MatchNearest (the greatest element below, or 0), else -1.
  int BinarySearch(const std::function<int(int)>& compareAt, bool MatchNearest);

private:
  void QuickSort(int L, int R);

  bool FIsSorted = false;
};

// A list of reals; its slots are never empty.
class TqorFloatList : public TqorBaseList {
public:
  int Count() const override { return static_cast<int>(FItems.size()); }
  // Sets the count; every slot added holds 0.
  void Dim(int NewCount) override;
  void Exchange(int Index1, int Index2) override;
  // -1, 0 or 1 by exact comparison; a NaN operand raises EInvalidOp.
  int Compare(int Index1, int Index2) const override;

  // The value in slot Index.
  Extended Items(int Index) const;
  // Changes the value in slot Index; the slot stays, so IsSorted stays as it was.
  void setItems(int Index, Extended value);
  // Appends val; returns its index.
  int Add(Extended val);
  // Inserts val before Index (Index = Count appends).
  void Insert(int Index, Extended val);
  void Delete(int Index);
  void Clear();

  // Binary search when sorted with more than 3 elements, else sequential.
  int Search(Extended val, bool MatchNearest);
  // The first element within MachineEpsilon of val; otherwise, with MatchNearest, the
  // first of the nearest elements, else -1. Scans the whole list.
  int SearchSequential(Extended val, bool MatchNearest) const;
  // See TqorBaseList::BinarySearch; the list is sorted first when needed.
  int SearchBinary(Extended val, bool MatchNearest);

private:
  std::vector<Extended> FItems;
};

// Creates a default-initialised instance of a list's item class.
using TqorObjectListItemClass = std::function<std::unique_ptr<TqorObject>()>;

// A list of objects. When OwnsObjects is true (the default) the list frees every
// object it deletes (delete, clear, shrinking Dim, replacement by a put, destruction);
// extracting never frees. A slot may be empty (nullptr).
class TqorObjectList : public TqorBaseList {
public:
  TqorObjectList();
  ~TqorObjectList() override;

  int Count() const override { return static_cast<int>(FItems.size()); }
  // Sets the count; on an owning list every slot added gets a new ItemClass instance,
  // on a non-owning list it stays empty (nothing would free the instance).
  void Dim(int NewCount) override;
  void Exchange(int Index1, int Index2) override;
  // CompareObjects of the two elements.
  int Compare(int Index1, int Index2) const override;
  // Order of two objects; default: by address (identity order).
  virtual int CompareObjects(const TqorObject* Obj1, const TqorObject* Obj2) const;
  // Clears this list, then appends lst's objects in order (shared, not copied).
  // Raises EListError when both lists own their objects.
  virtual void Assign(const TqorObjectList& lst);

  // The factory of the instances that Dim creates; default: a plain TqorObject.
  const TqorObjectListItemClass& ItemClass() const { return FItemClass; }
  void setItemClass(TqorObjectListItemClass value) { FItemClass = std::move(value); }
  bool OwnsObjects() const { return FOwnsObjects; }
  void setOwnsObjects(bool value) { FOwnsObjects = value; }

  // The object in slot Index (nullptr for an empty slot).
  TqorObject* Items(int Index) const;
  // Puts obj into slot Index; an owning list frees the object it replaces.
  void setItems(int Index, TqorObject* obj);
  // Appends obj to an owning list; returns its index. Raises EListError on a
  // non-owning list, which would lose the object.
  int Add(std::unique_ptr<TqorObject> obj);
  // Appends a reference; an owning list will free it. Returns its index.
  int Add(TqorObject* obj);
  // Inserts before Index (Index = Count appends); the same ownership rules as Add.
  void Insert(int Index, std::unique_ptr<TqorObject> obj);
  void Insert(int Index, TqorObject* obj);
  // Removes the slot; an owning list frees its object.
  void Delete(int Index);
  // Removes the slot of an owning list and hands its object to the caller. Raises
  // EListError on a non-owning list, whose objects are not the list's to give away.
  std::unique_ptr<TqorObject> Extract(int Index);
  // Index of the first slot holding obj, or -1.
  int IndexOf(const TqorObject* obj) const;
  void Clear();

  // Binary search when sorted with more than 3 elements, else sequential.
  int Search(const TqorObject* SearchObj, bool MatchNearest);
  // The first element that CompareObjects finds equal to SearchObj, or -1.
  int SearchSequential(const TqorObject* SearchObj) const;
  // See TqorBaseList::BinarySearch; the list is sorted first when needed.
  int SearchBinary(const TqorObject* SearchObj, bool MatchNearest);

protected:
  bool SlotEmpty(int Index) const override { return FItems[Index] == nullptr; }

private:
  // Frees obj when the list owns its objects.
  void Release(TqorObject* obj);
  // Raises EListError unless the list owns its objects.
  void RequireOwnership() const;

  std::vector<TqorObject*> FItems;
  TqorObjectListItemClass FItemClass;
  bool FOwnsObjects = true;
};

// An object list whose items are T (derived from TqorObject): typed access and T as
// the default item class. Collections of the program derive from it.
template <class T>
class TqorTypedObjectList : public TqorObjectList {
  static_assert(std::is_base_of_v<TqorObject, T>, "items must derive from TqorObject");

public:
  TqorTypedObjectList() {
    setItemClass([]() -> std::unique_ptr<TqorObject> { return std::make_unique<T>(); });
  }
  // The item in slot Index (nullptr for an empty slot).
  T* Items(int Index) const { return static_cast<T*>(TqorObjectList::Items(Index)); }
  // The item in slot Index, taken from an owning list.
  std::unique_ptr<T> Extract(int Index) {
    return std::unique_ptr<T>(static_cast<T*>(TqorObjectList::Extract(Index).release()));
  }
};
