// The merge's object records: made one by one from slabs, destroyed many at
// a time.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "merge/Mgobject.h"
#include "platform/Exception.h"

using namespace swde;

namespace {

// Objects destroyed together (enough to be shared out among threads, with
// a null among them, in one list or several) free their strings and their
// memory, which the next objects take again; one left alive keeps the rest
// of its slab usable.
TEST(MgObject, ManyAreDestroyedAtOnceAndTheirMemoryServesAgain) {
  constexpr std::size_t kObjects = 200000;
  std::unique_ptr<mgObject> kept(new mgObject);
  kept->objectId = std::string(40, 'k');
  for (int round = 0; round < 2; ++round) {
    std::vector<mgObject*> made;
    made.reserve(kObjects + 1);
    for (std::size_t i = 0; i < kObjects; ++i) {
      mgObject* o = new mgObject;
      // Long enough to live outside the object: a leak shows.
      o->objectId = std::string(40, 'a') + std::to_string(i);
      o->recordId = std::to_string(i);
      made.push_back(o);
      if (i == kObjects / 2) made.push_back(nullptr);
    }
    if (round == 0) {
      mgObject::destroy(made.data(), made.size());
    } else {
      // Two lists at once, as the merge's inputs go, an empty one among them.
      const std::size_t half = made.size() / 3;
      mgObject::destroy(
          {{made.data(), half}, {nullptr, 0}, {made.data() + half, made.size() - half}});
    }
  }
  EXPECT_EQ(kept->objectId, std::string(40, 'k'));
  // The last object goes the usual way.
  kept.reset();
  mgObject::destroy(nullptr, 0);
}

// Objects of a batch are objects like any other: they go by delete or with
// many others, before or after their batch; what the batch did not hand out
// goes back with it.
TEST(MgObject, BatchObjectsGoAnyWay) {
  std::vector<std::unique_ptr<mgObject>> kept;
  std::vector<mgObject*> many;
  {
    mgObjectBatch batch;
    for (int i = 0; i < 1000; ++i) {
      std::unique_ptr<mgObject> o = batch.make();
      o->objectId = std::string(40, 'b') + std::to_string(i);
      if (i % 3 == 0)
        kept.push_back(std::move(o));
      else if (i % 3 == 1)
        many.push_back(o.release());
    }
  }
  EXPECT_EQ(kept[10]->objectId, std::string(40, 'b') + "30");
  mgObject::destroy(many.data(), many.size());
  kept.clear();
}

// Batches on several threads at once, each giving back what it left of its
// runs while the others make and destroy objects: every object keeps what it
// was given, and the memory given back serves the next batches.
TEST(MgObject, BatchesOnSeveralThreadsGiveTheirLeftoversBackTogether) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 3;
  std::unique_ptr<mgObject> kept(new mgObject);  // the slabs stay in use throughout
  std::vector<std::vector<std::unique_ptr<mgObject>>> made(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &made] {
      for (int round = 0; round < kRounds; ++round) {
        mgObjectBatch batch;
        // The middle round's objects go while the other threads still work.
        std::vector<std::unique_ptr<mgObject>> gone;
        auto& into = round == 1 ? gone : made[t];
        // Less than a run: most of it goes back with the batch.
        for (int i = 0; i < 3000 + 500 * t; ++i) {
          std::unique_ptr<mgObject> o = batch.make();
          o->recordId = std::to_string(t) + "_" + std::to_string(round) + "_" + std::to_string(i);
          into.push_back(std::move(o));
        }
      }
    });
  }
  for (std::thread& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) {
    ASSERT_EQ(made[t].size(), static_cast<std::size_t>(2 * (3000 + 500 * t)));
    const std::size_t n = made[t].size() / 2;
    for (std::size_t i = 0; i < made[t].size(); ++i) {
      const int round = i < n ? 0 : 2;
      ASSERT_EQ(made[t][i]->recordId.view(),
                std::to_string(t) + "_" + std::to_string(round) + "_" + std::to_string(i % n));
    }
  }
  for (auto& list : made) list.clear();
  kept.reset();
}

}  // namespace

// The parts' places follow from where part 0 starts and the lengths; a length
// or a count of relation lines past what the object holds is refused, not
// cut short (a cut length would splice the next object's text in).
TEST(MgObject, TextPartsFollowOneAnotherAndOversizedCountsAreRefused) {
  mgObject o;
  o.textStart = std::uint64_t{5} << 32;  // past 4 GiB: a large spool
  o.setTextLength(0, 10);
  o.setTextLength(1, 0);
  o.setTextLength(2, mgObject::kMostTextBytes);
  EXPECT_EQ(o.textOffset(0), std::uint64_t{5} << 32);
  EXPECT_EQ(o.textOffset(1), (std::uint64_t{5} << 32) + 10);
  EXPECT_EQ(o.textOffset(2), (std::uint64_t{5} << 32) + 10);
  EXPECT_EQ(o.textLength[2], mgObject::kMostTextBytes);

  EXPECT_THROW(o.setTextLength(1, mgObject::kMostTextBytes + 1), plat::Exception);
  EXPECT_EQ(o.textLength[1], 0u);

  std::uint32_t lines = UINT32_MAX - 1;
  mgObject::addLine(lines);
  EXPECT_EQ(lines, UINT32_MAX);
  EXPECT_THROW(mgObject::addLine(lines), plat::Exception);
  EXPECT_EQ(lines, UINT32_MAX);
}
