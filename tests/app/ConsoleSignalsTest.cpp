// The control events' thread: which events reach the handler, and when a
// stop is overdue (a second stop, or the end of the grace period). The
// signals are sent to this process, in which every thread blocks them, so
// that the events' thread alone takes them.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "platform/ConsoleSignals.h"

namespace {

using Event = plat::ConsoleSignals::Event;

// What the thread did, in order: the events, and "overdue".
class Record {
 public:
  void add(const std::string& what) {
    std::lock_guard<std::mutex> g(m_);
    seen_.push_back(what);
    cv_.notify_all();
  }
  std::vector<std::string> seen() {
    std::lock_guard<std::mutex> g(m_);
    return seen_;
  }
  // Waits until n things happened.
  std::vector<std::string> waitFor(std::size_t n) {
    std::unique_lock<std::mutex> g(m_);
    cv_.wait(g, [&] { return seen_.size() >= n; });
    return seen_;
  }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  std::vector<std::string> seen_;
};

std::string nameOf(Event e) {
  switch (e) {
    case Event::Interrupt:
      return "interrupt";
    case Event::Close:
      return "close";
    case Event::Suspend:
      return "suspend";
    case Event::Continue:
      return "continue";
  }
  return "?";
}

TEST(ConsoleSignalsTest, ASecondStopOrTheEndOfTheGracePeriodIsOverdue) {
  constexpr unsigned kHour = 3600 * 1000;
  const struct {
    std::vector<int> signals;
    unsigned graceMs;
    std::vector<std::string> seen;
  } cases[] = {
      // The first stop goes to the handler, the second one no more.
      {{SIGINT, SIGTERM}, kHour, {"interrupt", "overdue"}},
      {{SIGHUP, SIGQUIT}, kHour, {"close", "overdue"}},
      // No second stop: overdue when the grace period is over.
      {{SIGTERM}, 0, {"close", "overdue"}},
      // Other events do not count as stops.
      {{SIGCONT, SIGCONT, SIGINT}, kHour, {"continue", "continue", "interrupt"}},
      {{SIGCONT}, 0, {"continue"}},
  };
  for (const auto& c : cases) {
    std::string label = "grace " + std::to_string(c.graceMs) + " ms, signals";
    for (const int sig : c.signals) label += " " + std::to_string(sig);
    SCOPED_TRACE(label);
    ASSERT_TRUE(plat::ConsoleSignals::blockSignals());
    Record record;
    {
      plat::ConsoleSignals signals;
      ASSERT_TRUE(signals.start([&](Event e) { record.add(nameOf(e)); },
                                [&] { record.add("overdue"); }, c.graceMs));
      for (const int sig : c.signals) {
        // One at a time: two pending signals of one kind would be one.
        const std::size_t before = record.seen().size();
        ::kill(::getpid(), sig);
        record.waitFor(before + 1);
      }
      EXPECT_EQ(record.waitFor(c.seen.size()), c.seen);
      signals.finish();
    }
    // Nothing came after the finish, and nothing is left pending.
    EXPECT_EQ(record.seen(), c.seen);
    sigset_t pending;
    sigpending(&pending);
    for (const int sig : {SIGINT, SIGQUIT, SIGHUP, SIGTERM, SIGCONT})
      EXPECT_FALSE(sigismember(&pending, sig)) << sig;
    plat::ConsoleSignals::unblockSignals();
  }
}

TEST(ConsoleSignalsTest, WithoutOverdueAStopOnlyReachesTheHandler) {
  ASSERT_TRUE(plat::ConsoleSignals::blockSignals());
  Record record;
  {
    plat::ConsoleSignals signals;
    ASSERT_TRUE(signals.start([&](Event e) { record.add(nameOf(e)); }, {}, 0));
    ::kill(::getpid(), SIGINT);
    record.waitFor(1);
    ::kill(::getpid(), SIGINT);
    EXPECT_EQ(record.waitFor(2), (std::vector<std::string>{"interrupt", "interrupt"}));
  }
  plat::ConsoleSignals::unblockSignals();
}

}  // namespace
