// Fault injection for the platform libraries: a test arms a countdown, and
// the call that brings it from 1 to 0 fails. Unarmed, a check is one load.
#ifndef HOST_COMMON_FAULT_COUNTDOWN_H_
#define HOST_COMMON_FAULT_COUNTDOWN_H_

#include <atomic>
#include <cstddef>

namespace platform {

class FaultCountdown {
 public:
  // The `n`th check from now (1 = the next) fails; 0 disarms.
  void Arm(size_t n) { left_.store(n); }

  // Whether this call is the one to fail.
  bool Due() {
    size_t left = left_.load(std::memory_order_relaxed);
    while (left != 0 && !left_.compare_exchange_weak(left, left - 1)) {
    }
    return left == 1;
  }

 private:
  std::atomic<size_t> left_{0};
};

}  // namespace platform

#endif  // HOST_COMMON_FAULT_COUNTDOWN_H_
