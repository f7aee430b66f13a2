#include "merge/Mgobject.h"

#include <sys/mman.h>

#include <algorithm>
#include <mutex>
#include <new>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "platform/LargeMemory.h"
#include "platform/Parts.h"

namespace swde {

mgObject::mgObject() = default;

void mgObject::setTextLength(int k, std::uint64_t length) {
  if (length > kMostTextBytes)
    throw plat::Exception(plat::cp("Rekord obiektu jest zbyt długi do scalenia"));
  textLength[k] = static_cast<std::uint32_t>(length);
}

void mgObject::addLine(std::uint32_t& count) {
  if (count == UINT32_MAX)
    throw plat::Exception(plat::cp("Rekord obiektu ma zbyt wiele relacji do scalenia"));
  ++count;
}

mgObject::~mgObject() = default;

namespace {

// The places of several runs of objects seen as one list.
class Runs {
 public:
  explicit Runs(std::initializer_list<mgObject::Run> runs) : runs_(runs) {
    for (const mgObject::Run& r : runs_) total_ += r.count;
  }
  std::size_t size() const { return total_; }
  // body(object) for the places [from, to), nulls included.
  template <class Body>
  void each(std::size_t from, std::size_t to, const Body& body) const {
    std::size_t start = 0;
    for (const mgObject::Run& r : runs_) {
      const std::size_t end = start + r.count;
      for (std::size_t i = std::max(from, start); i < std::min(to, end); ++i)
        body(r.objects[i - start]);
      start = end;
    }
  }

 private:
  std::initializer_list<mgObject::Run> runs_;
  std::size_t total_ = 0;
};

// Runs each object's destructor, the objects shared out among the cores in
// runs of neighbours; here alone when no thread can be had.
void destroyObjects(const Runs& objects) noexcept {
  constexpr std::size_t kPerThread = 64 * 1024;
  plat::inRuns(objects.size(), kPerThread, [&objects](std::size_t from, std::size_t to) {
    objects.each(from, to, [](mgObject* o) {
      if (o) o->~mgObject();
    });
  });
}

}  // namespace

#if defined(__SANITIZE_ADDRESS__)

// The sanitizer watches every object on its own.
void* mgObject::operator new(std::size_t size) {
  return ::operator new(size);
}

void mgObject::operator delete(void* p, std::size_t) noexcept {
  ::operator delete(p);
}

void mgObject::destroy(std::initializer_list<Run> runs) noexcept {
  const Runs objects(runs);
  destroyObjects(objects);
  objects.each(0, objects.size(), [](mgObject* o) { ::operator delete(o); });  // null: nothing
}

mgObjectBatch::~mgObjectBatch() = default;

std::unique_ptr<mgObject> mgObjectBatch::make() {
  return std::make_unique<mgObject>();
}

#else

namespace {

// Each object starts on a 64-byte boundary (the slabs are page-aligned), so
// that its fields lie in the lines its layout plans.
constexpr std::size_t kStride = (sizeof(mgObject) + 63) / 64 * 64;
constexpr std::size_t kFirstSlab = 64 * 1024;
constexpr std::size_t kLargestSlab = 8 * 1024 * 1024;

// Gives slabs back to the system. Freeing their pages is most of the cost,
// and the removal of a mapping does it on one thread: a large lot has its
// pages freed on several threads first.
void unmapAll(const std::vector<std::pair<void*, std::size_t> >& slabs) noexcept {
  constexpr std::size_t kShared = std::size_t{32} << 20;  // bytes worth more threads
  std::size_t bytes = 0;
  for (const auto& s : slabs) bytes += s.second;
  const std::size_t n = slabs.size();
  const std::size_t parts = bytes < kShared ? 1 : std::min(n, plat::coreCount());
  if (parts > 1) {
    plat::eachPart(parts, [&slabs, n, parts](std::size_t k) {
      for (std::size_t i = n * k / parts; i < n * (k + 1) / parts; ++i)
        static_cast<void>(::madvise(slabs[i].first, slabs[i].second, MADV_DONTNEED));
    });
  }
  for (const auto& [slab, size] : slabs) plat::unmapMemory(slab, size);
}

// Slabs mapped straight from the system, each handed out front to back;
// a freed object goes onto a list that the next ones are taken from.
struct Slabs {
  std::mutex lock;
  void* freed = nullptr;  // each freed object holds the next
  char* next = nullptr;
  char* end = nullptr;
  std::size_t nextSize = kFirstSlab;
  std::size_t live = 0;
  std::vector<std::pair<void*, std::size_t> > mapped;

  void* take() {
    std::lock_guard<std::mutex> hold(lock);
    return takeLocked();
  }
  // count more objects' memory onto out, under one lock.
  void takeMany(std::size_t count, std::vector<void*>& out) {
    std::lock_guard<std::mutex> hold(lock);
    for (std::size_t i = 0; i < count; ++i) out.push_back(takeLocked());
  }
  void* takeLocked() {
    if (freed) {
      void* p = freed;
      freed = *static_cast<void**>(p);
      ++live;
      return p;
    }
    if (static_cast<std::size_t>(end - next) < kStride) {
      const std::size_t size = nextSize;
      // Its pages come as the objects are made, on the threads that make
      // them, not all at once under the lock.
      void* slab = plat::mapMemory(size);
      try {
        mapped.emplace_back(slab, size);
      } catch (...) {
        plat::unmapMemory(slab, size);
        throw;
      }
      next = static_cast<char*>(slab);
      end = next + size;
      if (nextSize < kLargestSlab) nextSize *= 2;
    }
    void* p = next;
    next += kStride;
    ++live;
    return p;
  }

  void give(void* p) noexcept { giveAll(&p, 1); }
  template <class Ptr>
  void giveAll(Ptr const* objects, std::size_t count) noexcept {
    giveEach([objects, count](const auto& body) {
      for (std::size_t i = 0; i < count; ++i) body(objects[i]);
    });
  }
  void giveAll(const Runs& objects) noexcept {
    giveEach([&objects](const auto& body) {
      objects.each(0, objects.size(), [&body](mgObject* o) { body(o); });
    });
  }
  // each(body) gives body every object, null or not.
  template <class Each>
  void giveEach(const Each& each) noexcept {
    std::size_t given = 0;
    each([&given](void* p) { given += p ? 1 : 0; });
    if (given == 0) return;
    {
      std::lock_guard<std::mutex> hold(lock);
      if (given == live) {
        releaseAllLocked();
        return;
      }
    }
    // Chained outside the lock: a link writes into the object's memory,
    // which for what a batch leaves of its run is a first touch of fresh
    // pages, not to be made while every thread that makes objects waits.
    void* head = nullptr;
    void* tail = nullptr;
    each([&head, &tail](void* p) {
      if (!p) return;
      *static_cast<void**>(p) = head;
      if (!head) tail = p;
      head = p;
    });
    std::lock_guard<std::mutex> hold(lock);
    // The others' objects may all have gone meanwhile.
    if (given == live) {
      releaseAllLocked();
      return;
    }
    *static_cast<void**>(tail) = freed;
    freed = head;
    live -= given;
  }
  // The last object went: every slab goes back to the system.
  void releaseAllLocked() noexcept {
    live = 0;
    unmapAll(mapped);
    mapped.clear();
    mapped.shrink_to_fit();
    freed = nullptr;
    next = end = nullptr;
    nextSize = kFirstSlab;
  }
};

// Never destroyed: an object may go after the statics of the program.
Slabs& slabs() {
  static Slabs* s = new Slabs;
  return *s;
}

}  // namespace

void* mgObject::operator new(std::size_t size) {
  if (size != sizeof(mgObject)) return ::operator new(size);
  return slabs().take();
}

void mgObject::operator delete(void* p, std::size_t size) noexcept {
  if (!p) return;
  if (size != sizeof(mgObject)) {
    ::operator delete(p);
    return;
  }
  slabs().give(p);
}

void mgObject::destroy(std::initializer_list<Run> runs) noexcept {
  const Runs objects(runs);
  destroyObjects(objects);
  slabs().giveAll(objects);
}

mgObjectBatch::~mgObjectBatch() {
  slabs().giveAll(memory_.data(), memory_.size());
}

std::unique_ptr<mgObject> mgObjectBatch::make() {
  // A run fills about one huge page of a slab: threads that make objects at
  // once each fault pages of their own. With smaller runs, several of them
  // met in one page, each had the system clear a whole huge page for it,
  // and all but one were thrown away.
  constexpr std::size_t kRun = (std::size_t{2} << 20) / kStride;
  if (memory_.empty()) {
    memory_.reserve(kRun);
    slabs().takeMany(kRun, memory_);
    // Made front to back, as they lie.
    std::reverse(memory_.begin(), memory_.end());
  }
  void* p = memory_.back();
  // Made in the memory its own operator new would give: delete takes it
  // back the usual way.
  std::unique_ptr<mgObject> o(::new (p) mgObject);
  memory_.pop_back();
  return o;
}

#endif

void mgObject::destroy(mgObject* const* objects, std::size_t count) noexcept {
  destroy({Run{objects, count}});
}

}  // namespace swde
