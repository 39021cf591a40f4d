#include "smartptr"

#include <gtest/gtest.h>

namespace {

// Counts live instances so the tests can see exactly when a handle deletes.
struct Tracked {
  static int alive;
  Tracked() { ++alive; }
  virtual ~Tracked() { --alive; }
};
int Tracked::alive = 0;
struct Derived : Tracked {
  static int destroyed;
  ~Derived() override { ++destroyed; }
};
int Derived::destroyed = 0;

TEST(SmartPtr, CopiesShareOneCountAndTheLastDeletes) {
  Tracked::alive = 0;
  {
    SmartPtr<Tracked> first(new Tracked), second(first), third;
    third = second;
    EXPECT_EQ(first.count(), 3);
    second = SmartPtr<Tracked>();  // assigning empty drops one reference
    EXPECT_EQ(second.dataPtr, nullptr);
    EXPECT_EQ(first.count(), 2);
    third = new Tracked;  // a raw pointer starts a count of its own
    SmartPtr<Tracked>& alias = third;
    third = alias;  // self-assignment changes nothing
    EXPECT_EQ(third.count(), 1);
    EXPECT_EQ(first.count(), 1);
    EXPECT_EQ(Tracked::alive, 2);
    third.reset(nullptr);
    EXPECT_EQ(third.refcountPtr, nullptr);
    EXPECT_EQ(Tracked::alive, 1);

    // release() with other holders leaves the fields for the owner to clear.
    SmartPtr<Tracked> neighbour(first);
    first.release();
    EXPECT_NE(first.dataPtr, nullptr);
    EXPECT_EQ(neighbour.count(), 1);
    first.dataPtr = nullptr;
    first.refcountPtr = nullptr;

    // A copy of a handle with only its pointer set starts a count of its own;
    // a copy of an empty one stays empty.
    SmartPtr<Tracked> filled, empty(nullptr), emptyCopy(empty);
    filled.dataPtr = new Tracked;
    SmartPtr<Tracked> repaired(filled);
    EXPECT_EQ(repaired.count(), 1);
    EXPECT_EQ(filled.refcountPtr, nullptr);
    EXPECT_EQ(emptyCopy.refcountPtr, nullptr);
    filled.dataPtr = nullptr;
  }
  EXPECT_EQ(Tracked::alive, 0);
  Derived::destroyed = 0;
  { SmartPtr<Tracked> base(new Derived); }
  EXPECT_EQ(Derived::destroyed, 1);  // through the virtual destructor
}

TEST(SmartPtrDeathTest, UsingAnEmptyHandleAbortsWithItsLine) {
  SmartPtr<Tracked> empty;
  EXPECT_DEATH((void)empty.operator->(), "dataPtr != 0, file smartptr, line 119");
}

}  // namespace
