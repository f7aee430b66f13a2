#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/ComPtr.h"

using plat::ComPtr;

namespace {

// Counts its references; says when it is gone.
struct Counted {
  int refs = 1;
  int* live;
  explicit Counted(int* liveCount) : live(liveCount) { ++*live; }
  void AddRef() { ++refs; }
  void Release() {
    if (--refs == 0) {
      --*live;
      delete this;
    }
  }
};

// A maker with the shape of an out-parameter call.
void make(int* live, Counted** out) {
  *out = new Counted(live);
}

}  // namespace

TEST(ComPtr, EveryPathReleasesExactlyOnce) {
  int live = 0;
  {
    ComPtr<Counted> held(new Counted(&live));
    ComPtr<Counted> copy = held;  // AddRef
    EXPECT_EQ(held->refs, 2);
    ComPtr<Counted> moved = std::move(copy);
    EXPECT_FALSE(copy);
    EXPECT_EQ(held->refs, 2);
    moved = held;  // the same object again: refs stay 2
    EXPECT_EQ(held->refs, 2);
    held = held;  // self-assignment keeps the object
    EXPECT_EQ(live, 1);
    ComPtr<Counted> other(new Counted(&live));
    moved = std::move(other);  // the old one loses a reference, the new one is taken over
    EXPECT_FALSE(other);
    EXPECT_EQ(held->refs, 1);
    EXPECT_EQ(moved->refs, 1);
    EXPECT_EQ(live, 2);
  }
  EXPECT_EQ(live, 0);

  ComPtr<Counted> out;
  make(&live, &out);
  make(&live, &out);  // the first one is released before the slot is filled again
  EXPECT_EQ(live, 1);
  make(&live, out.out());
  EXPECT_EQ(live, 1);
  out.reset();
  EXPECT_EQ(live, 0);
}

TEST(ComPtr, AttachAndDetachHandOverTheReference) {
  int live = 0;
  ComPtr<Counted> held;
  held.attach(new Counted(&live));
  held.attach(held.get());  // the same object: nothing changes
  EXPECT_EQ(held->refs, 1);
  held.attach(new Counted(&live));  // the first one goes
  EXPECT_EQ(live, 1);
  Counted* raw = held.detach();
  EXPECT_FALSE(held);
  EXPECT_EQ(live, 1);
  raw->Release();
  EXPECT_EQ(live, 0);
}

TEST(ComPtr, HoldersInAContainerKeepTheirObjects) {
  int live = 0;
  {
    std::vector<ComPtr<Counted>> all;
    for (int i = 0; i < 100; ++i) all.emplace_back(new Counted(&live));
    EXPECT_EQ(live, 100);
  }
  EXPECT_EQ(live, 0);
}
