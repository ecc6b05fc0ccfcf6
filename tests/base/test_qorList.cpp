#include "qorException.h"
#include "qorList.h"
#include "qorTestExceptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>

namespace {

void AddAll(TqorFloatList& list, std::initializer_list<Extended> values) {
  for (Extended v : values) list.Add(v);
}

std::vector<Extended> Values(const TqorFloatList& list) {
  std::vector<Extended> result;
  for (int i = 0; i < list.Count(); ++i) result.push_back(list.Items(i));
  return result;
}

// An item that counts the living instances, so that a test sees what the list frees.
struct TCounted : TqorObject {
  static inline int Alive = 0;
  int Key = 0;
  TCounted() { ++Alive; }
  explicit TCounted(int key) : Key(key) { ++Alive; }
  ~TCounted() override { --Alive; }
};

class TCountedList : public TqorTypedObjectList<TCounted> {
public:
  int CompareObjects(const TqorObject* Obj1, const TqorObject* Obj2) const override {
    return static_cast<const TCounted*>(Obj1)->Key - static_cast<const TCounted*>(Obj2)->Key;
  }
};

class ListOwnership : public ::testing::Test {
protected:
  void SetUp() override { TCounted::Alive = 0; }
  void TearDown() override { EXPECT_EQ(TCounted::Alive, 0) << "an item leaked"; }
};

}  // namespace

TEST(FloatList, SortedFlagFollowsInsertionsOnly) {
  TqorFloatList list;
  EXPECT_FALSE(list.IsSorted());
  list.Sort();
  EXPECT_TRUE(list.IsSorted()) << "an empty list counts as sorted";
  list.Add(2);
  EXPECT_FALSE(list.IsSorted());
  list.Add(1);
  list.Sort();
  list.setItems(0, 5);
  list.Exchange(0, 1);
  list.Delete(0);
  EXPECT_TRUE(list.IsSorted()) << "changing a value, exchanging and deleting keep the flag";
  list.Dim(1);
  EXPECT_TRUE(list.IsSorted());
  list.Dim(3);
  EXPECT_FALSE(list.IsSorted());
  list.Sort();
  list.Insert(0, 7);
  EXPECT_FALSE(list.IsSorted());
}

TEST(FloatList, SearchIsSequentialUntilSortedAndLongerThanThree) {
  TqorFloatList list;
  AddAll(list, {3, 1, 2});
  EXPECT_EQ(list.Search(2, false), 2);
  list.Sort();
  EXPECT_EQ(Values(list), (std::vector<Extended>{1, 2, 3}));
  EXPECT_EQ(list.Search(3, false), 2) << "a short sorted list is scanned to its end";
  list.Add(4);
  list.Sort();
  EXPECT_EQ(list.Search(2.5, true), 1);
  EXPECT_EQ(list.Search(2.5, false), -1);
}

TEST(FloatList, SearchBinaryCases) {
  struct Case {
    Extended val;
    bool nearest;
    int expected;
  };
  const Case cases[] = {
      {1, true, 0},  {35, true, 3},  {12, true, 1},  {12, false, -1},
      {5, false, 0}, {10, false, 1}, {20, false, 2}, {30, false, 3},
  };
  for (const Case& c : cases) {
    TqorFloatList list;
    AddAll(list, {5, 10, 20, 30});
    EXPECT_EQ(list.SearchBinary(c.val, c.nearest), c.expected) << "val " << double(c.val) << " nearest " << c.nearest;
  }
  TqorFloatList empty;
  EXPECT_EQ(empty.SearchBinary(1, true), -1);
}

TEST(FloatList, SearchBinarySortsAnUnsortedList) {
  TqorFloatList list;
  AddAll(list, {30, 5, 20, 10});
  EXPECT_EQ(list.SearchBinary(20, false), 2);
  EXPECT_TRUE(list.IsSorted());
  EXPECT_EQ(Values(list), (std::vector<Extended>{5, 10, 20, 30}));
}

// Every ascending list of up to 7 values from {0, 2, 4} (duplicates included), searched
// for every value from -1 to 5: an equal element when there is one, else the greatest
// element below (or 0) with MatchNearest.
TEST(FloatList, SearchBinaryOnEverySmallSortedList) {
  for (int n = 1; n <= 7; ++n) {
    std::vector<int> digits(n, 0);
    for (;;) {
      std::vector<Extended> values;
      for (int d : digits) values.push_back(2 * d);
      std::sort(values.begin(), values.end());
      for (int target = -1; target <= 5; ++target) {
        SCOPED_TRACE(testing::Message() << "values " << testing::PrintToString(values) << ", target " << target);
        TqorFloatList list;
        for (Extended v : values) list.Add(v);
        list.Sort();
        const int found = list.SearchBinary(target, true);
        const auto below = std::lower_bound(values.begin(), values.end(), Extended(target));
        const bool present = below != values.end() && *below == target;
        if (present)
          EXPECT_EQ(values[found], target);
        else
          EXPECT_EQ(found, below == values.begin() ? 0 : int(below - values.begin()) - 1);
        EXPECT_EQ(list.SearchBinary(target, false), present ? found : -1);
      }
      int k = 0;
      while (k < n && ++digits[k] == 3) digits[k++] = 0;
      if (k == n) break;
    }
  }
}

TEST(FloatList, SearchSequentialFindsWithinEpsilonOrNearest) {
  TqorFloatList list;
  AddAll(list, {1, 4, 9, 4});
  EXPECT_EQ(list.SearchSequential(5, true), 1) << "distance 1 beats 4; the first 4 wins";
  EXPECT_EQ(list.SearchSequential(5, false), -1);
  EXPECT_EQ(list.SearchSequential(9 + MachineEpsilon(), false), 2);
  EXPECT_EQ(list.SearchSequential(1 - 4 * MachineEpsilon(), false), -1);
  EXPECT_EQ(TqorFloatList().SearchSequential(1, true), -1);
}

TEST(FloatList, SortMatchesAscendingOrder) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> value(-5, 5);
  for (int n = 0; n < 40; ++n) {
    TqorFloatList list;
    std::vector<Extended> expected;
    for (int i = 0; i < n; ++i) expected.push_back(list.Items(list.Add(value(random))));
    list.Sort();
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Values(list), expected) << "n " << n;
  }
}

TEST(FloatList, SortWithNaNRaisesInvalidOp) {
  TqorFloatList list;
  AddAll(list, {1, std::numeric_limits<Extended>::quiet_NaN()});
  EXPECT_THROW_MSG(list.Sort(), EInvalidOp, "Ungültige Gleitkommaoperation");
}

TEST(FloatList, DimFillsZerosAndShrinksFromTheEnd) {
  TqorFloatList list;
  list.Dim(5);
  EXPECT_EQ(Values(list), std::vector<Extended>(5, 0));
  list.setItems(1, 8);
  list.Dim(2);
  EXPECT_EQ(Values(list), (std::vector<Extended>{0, 8}));
}

TEST(FloatList, IndexAndCountErrors) {
  TqorFloatList list;
  AddAll(list, {1, 2, 3});
  EXPECT_THROW_MSG(list.Items(3), EListError, "Listenindex überschreitet das Maximum (3)");
  EXPECT_THROW_MSG(list.setItems(-1, 0), EListError, "Listenindex überschreitet das Maximum (-1)");
  EXPECT_THROW_MSG(list.Insert(4, 0), EListError, "Listenindex überschreitet das Maximum (4)");
  EXPECT_THROW_MSG(list.Dim(-1), EListError, "Listenanzahl überschreitet das Maximum (-1)");
  list.Insert(3, 4);
  EXPECT_EQ(list.Items(3), 4) << "inserting at Count appends";
}

TEST_F(ListOwnership, OwningListFreesWhatItDeletes) {
  {
    TCountedList list;
    list.Add(std::make_unique<TCounted>(1));
    list.Add(std::make_unique<TCounted>(2));
    list.Add(std::make_unique<TCounted>(3));
    list.Delete(0);
    EXPECT_EQ(TCounted::Alive, 2);
    list.setItems(0, new TCounted(4));
    EXPECT_EQ(TCounted::Alive, 2) << "a put frees the object it replaces";
    list.setItems(0, list.Items(0));
    EXPECT_EQ(list.Items(0)->Key, 4) << "putting the same object keeps it";
    std::unique_ptr<TCounted> taken = list.Extract(1);
    EXPECT_EQ(taken->Key, 3);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(TCounted::Alive, 2) << "extracting never frees";
  }
  EXPECT_EQ(TCounted::Alive, 0);
}

TEST_F(ListOwnership, NonOwningListLeavesObjectsToTheirOwner) {
  TCounted a(1), b(2);
  TCountedList list;
  list.setOwnsObjects(false);
  list.Add(&a);
  list.Add(&b);
  list.Delete(0);
  list.Clear();
  EXPECT_EQ(TCounted::Alive, 2);
  EXPECT_THROW_MSG(list.Add(std::make_unique<TCounted>()), EListError, "Die Liste besitzt ihre Objekte nicht.");
  list.Add(&a);
  EXPECT_THROW_MSG(list.Extract(0), EListError, "Die Liste besitzt ihre Objekte nicht.");
  EXPECT_EQ(list.Count(), 1);
}

TEST_F(ListOwnership, DimCreatesItemClassInstancesOnlyForAnOwner) {
  TCountedList owning;
  owning.Dim(5);
  EXPECT_EQ(TCounted::Alive, 5);
  for (int i = 0; i < 5; ++i) EXPECT_NE(owning.Items(i), nullptr);
  owning.Dim(2);
  EXPECT_EQ(TCounted::Alive, 2);

  TqorObjectList plain;
  plain.Dim(1);
  EXPECT_NE(dynamic_cast<TqorObject*>(plain.Items(0)), nullptr);

  TCountedList borrowing;
  borrowing.setOwnsObjects(false);
  borrowing.Dim(2);
  EXPECT_EQ(borrowing.Items(1), nullptr) << "nothing would free an instance made here";
  EXPECT_EQ(TCounted::Alive, 2);
}

TEST_F(ListOwnership, AssignSharesTheObjects) {
  TCountedList owner;
  for (int key : {3, 1, 2}) owner.Add(std::make_unique<TCounted>(key));
  TCountedList view;
  view.setOwnsObjects(false);
  TCounted old(9);
  view.Add(&old);
  view.Assign(owner);
  ASSERT_EQ(view.Count(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(view.Items(i), owner.Items(i));
  view.Assign(view);
  EXPECT_EQ(view.Count(), 3) << "assigning a list to itself keeps it";
  TCountedList second;
  EXPECT_THROW_MSG(second.Assign(owner), EListError, "Beide Listen würden dieselben Objekte besitzen.");
  EXPECT_EQ(TCounted::Alive, 4);
}

TEST_F(ListOwnership, ObjectSearchUsesCompareObjects) {
  TCountedList list;
  for (int key : {30, 10, 20, 5}) list.Add(std::make_unique<TCounted>(key));
  const TCounted probe(20);
  EXPECT_EQ(list.Search(&probe, false), 2) << "unsorted: sequential";
  list.Sort();
  EXPECT_EQ(list.Search(&probe, false), 2) << "sorted: binary";
  const TCounted between(12);
  EXPECT_EQ(list.Search(&between, true), 1);
  EXPECT_EQ(list.Search(&between, false), -1);
  EXPECT_EQ(list.SearchSequential(&between), -1);
}

TEST(ObjectList, BinarySearchStopsAtAnEmptySlot) {
  TqorObjectList list;
  list.setOwnsObjects(false);
  TqorObject a, b;
  list.Add(&a);
  list.Add(nullptr);
  list.Add(&b);
  list.setIsSorted(true);
  EXPECT_THROW_MSG(list.SearchBinary(&a, true), EListError,
                   "Binäre Suche in Feld mit nicht besetzen Elementen ist nicht möglich.");
}

TEST(ObjectList, DefaultOrderIsIdentity) {
  TqorObject objects[3];
  TqorObjectList list;
  list.setOwnsObjects(false);
  for (TqorObject* p : {&objects[2], &objects[0], &objects[1]}) list.Add(p);
  list.Sort();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(list.Items(i), &objects[i]);
  EXPECT_EQ(list.IndexOf(&objects[1]), 1);
  EXPECT_EQ(list.Search(&objects[2], false), 2);
}
