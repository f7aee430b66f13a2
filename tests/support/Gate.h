// A point where a worker thread waits until the test lets it on: the test
// holds a run in progress without guessing how fast the thread goes.
#pragma once

#include <condition_variable>
#include <mutex>

namespace testsupport {

class Gate {
 public:
  // Worker side: tells the test it is here, then waits until the gate opens.
  void pass() {
    std::unique_lock<std::mutex> g(m_);
    ++reached_;
    cv_.notify_all();
    cv_.wait(g, [this] { return open_; });
  }
  // Test side: waits until a worker has come to the gate.
  void waitReached() {
    std::unique_lock<std::mutex> g(m_);
    cv_.wait(g, [this] { return reached_ > 0; });
  }
  void open() {
    std::lock_guard<std::mutex> g(m_);
    open_ = true;
    cv_.notify_all();
  }
  int reached() {
    std::lock_guard<std::mutex> g(m_);
    return reached_;
  }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  int reached_ = 0;
  bool open_ = false;
};

}  // namespace testsupport
