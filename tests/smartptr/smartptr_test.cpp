#include "smartptr"

#include <gtest/gtest.h>

namespace {

// Counts live instances so the tests can see exactly when a handle deletes.
struct Tracked {
  static int alive;
  Tracked() { ++alive; }
  ~Tracked() { --alive; }
};
int Tracked::alive = 0;

struct Base {
  virtual ~Base() = default;
};
struct Derived : Base {
  static int destroyed;
  ~Derived() override { ++destroyed; }
};
int Derived::destroyed = 0;

class SmartPtrTest : public ::testing::Test {
 protected:
  void SetUp() override { Tracked::alive = 0; }
};

TEST_F(SmartPtrTest, NullPointerGivesEmptyHandleWithoutCount) {
  SmartPtr<Tracked> empty(nullptr);
  EXPECT_EQ(empty.dataPtr, nullptr);
  EXPECT_EQ(empty.refcountPtr, nullptr);
  EXPECT_TRUE(empty == nullptr);
  empty.release();  // nothing at all
  EXPECT_EQ(empty.refcountPtr, nullptr);

  SmartPtr<Tracked> copy(empty);
  EXPECT_EQ(copy.dataPtr, nullptr);
  EXPECT_EQ(copy.refcountPtr, nullptr);
}

TEST_F(SmartPtrTest, CopiesShareOneCountAndTheLastDeletes) {
  {
    SmartPtr<Tracked> first(new Tracked);
    EXPECT_EQ(first.count(), 1);
    {
      SmartPtr<Tracked> second(first);
      SmartPtr<Tracked> third;
      third = second;
      EXPECT_EQ(first.refcountPtr, third.refcountPtr);
      EXPECT_EQ(first.count(), 3);
    }
    // Two of three destroyed: the object lives on with count 1.
    EXPECT_EQ(Tracked::alive, 1);
    EXPECT_EQ(first.count(), 1);
  }
  EXPECT_EQ(Tracked::alive, 0);
}

TEST_F(SmartPtrTest, SelfAssignmentLeavesTheCount) {
  SmartPtr<Tracked> handle(new Tracked);
  SmartPtr<Tracked>& alias = handle;
  handle = alias;
  EXPECT_EQ(handle.count(), 1);
  EXPECT_EQ(Tracked::alive, 1);
}

TEST_F(SmartPtrTest, AssigningEmptyReleasesTheFullOne) {
  SmartPtr<Tracked> full(new Tracked);
  SmartPtr<Tracked> other(full);
  full = SmartPtr<Tracked>();
  EXPECT_EQ(full.dataPtr, nullptr);
  EXPECT_EQ(other.count(), 1);
  other = SmartPtr<Tracked>();
  EXPECT_EQ(Tracked::alive, 0);
}

TEST_F(SmartPtrTest, ResetFromRawPointerReleasesTheOldObject) {
  SmartPtr<Tracked> handle(new Tracked);
  handle = new Tracked;
  EXPECT_EQ(Tracked::alive, 1);
  EXPECT_EQ(handle.count(), 1);
  handle.reset(nullptr);
  EXPECT_EQ(Tracked::alive, 0);
  EXPECT_EQ(handle.refcountPtr, nullptr);
}

TEST_F(SmartPtrTest, ReleaseWithOtherHoldersKeepsTheFields) {
  // An owner that keeps the handle clears both fields itself afterwards.
  SmartPtr<Tracked> kept(new Tracked);
  SmartPtr<Tracked> neighbour(kept);
  kept.release();
  EXPECT_NE(kept.dataPtr, nullptr);
  EXPECT_EQ(neighbour.count(), 1);
  kept.dataPtr = nullptr;
  kept.refcountPtr = nullptr;
  EXPECT_EQ(Tracked::alive, 1);
}

TEST_F(SmartPtrTest, CopyOfFieldFilledHandleGetsItsOwnCount) {
  Tracked* object = new Tracked;
  SmartPtr<Tracked> filled;
  filled.dataPtr = object;
  SmartPtr<Tracked> copy(filled);
  ASSERT_NE(copy.refcountPtr, nullptr);
  EXPECT_EQ(*copy.refcountPtr, 1);
  EXPECT_EQ(filled.refcountPtr, nullptr);
  filled.dataPtr = nullptr;  // the copy owns the object now
  copy.release();
  EXPECT_EQ(Tracked::alive, 0);
}

TEST_F(SmartPtrTest, DeletesThroughTheVirtualDestructor) {
  Derived::destroyed = 0;
  { SmartPtr<Base> handle(new Derived); }
  EXPECT_EQ(Derived::destroyed, 1);
}

using SmartPtrDeathTest = SmartPtrTest;

TEST_F(SmartPtrDeathTest, DereferencingAnEmptyHandleAborts) {
  SmartPtr<Tracked> empty;
  EXPECT_DEATH((void)empty.operator->(), "dataPtr != 0, file smartptr, line 119");
  EXPECT_DEATH((void)*empty, "dataPtr != 0, file smartptr, line 119");
}

TEST_F(SmartPtrDeathTest, ReleaseWithoutCountAborts) {
  Tracked object;
  SmartPtr<Tracked> broken;
  broken.dataPtr = &object;
  EXPECT_DEATH(broken.release(), "refcountPtr != 0, file smartptr, line 188");
  broken.dataPtr = nullptr;
}

TEST_F(SmartPtrDeathTest, CountBelowZeroAborts) {
  Tracked object;
  int count = 0;
  SmartPtr<Tracked> broken;
  broken.dataPtr = &object;
  broken.refcountPtr = &count;
  EXPECT_DEATH(broken.release(), "\\*refcountPtr >= 0, file smartptr, line 190");
  broken.dataPtr = nullptr;
  broken.refcountPtr = nullptr;
}

}  // namespace
