// Work on the large tables of a run shared out among the cores: parts on
// threads of their own that end before the call does.
#pragma once

#include <algorithm>
#include <cstddef>
#include <thread>
#include <vector>

namespace plat {

// The cores there are to share work among (at least one).
inline std::size_t coreCount() noexcept {
  return std::max(1u, std::thread::hardware_concurrency());
}

// work(k) for k < count: part 0 on this thread, each other on a thread of
// its own, and here too what no thread could be had for. work must not
// raise.
template <class Work>
void eachPart(std::size_t count, const Work& work) noexcept {
  std::vector<std::thread> threads;
  std::size_t started = 1;
  try {
    threads.reserve(count);
    for (; started < count; ++started) threads.emplace_back(work, started);
  } catch (...) {
  }
  if (count > 0) work(0);
  for (std::size_t k = started; k < count; ++k) work(k);
  for (std::thread& t : threads) t.join();
}

// body(from, to) over the places [0, count) in runs of neighbours, one a
// core, each at least perPart long (a short count in one run, here). body
// must not raise.
template <class Body>
void inRuns(std::size_t count, std::size_t perPart, const Body& body) noexcept {
  const std::size_t parts =
      std::max<std::size_t>(1, std::min(coreCount(), count / std::max<std::size_t>(perPart, 1)));
  eachPart(parts, [&](std::size_t k) { body(count * k / parts, count * (k + 1) / parts); });
}

}  // namespace plat
