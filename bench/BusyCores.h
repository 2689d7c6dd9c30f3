// Threads that keep some cores busy for as long as the object lives, so a
// benchmark can report what a loaded machine does as well as an idle one.
#pragma once

#include <atomic>
#include <thread>
#include <vector>

namespace zrbench {

class BusyCores {
 public:
  explicit BusyCores(int count) {
    for (int i = 0; i < count; ++i) {
      threads_.emplace_back([this] {
        volatile unsigned long spin = 0;
        while (!stop_.load(std::memory_order_relaxed)) ++spin;
      });
    }
  }
  ~BusyCores() {
    stop_ = true;
    for (std::thread& thread : threads_) thread.join();
  }
  BusyCores(const BusyCores&) = delete;
  BusyCores& operator=(const BusyCores&) = delete;

 private:
  std::atomic<bool> stop_{false};
  std::vector<std::thread> threads_;
};

}  // namespace zrbench
