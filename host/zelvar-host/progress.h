// The status line of a long run on a terminal: iterations done of all, and
// values per second so far. It appears once the run has taken a second and
// is redrawn four times a second until the run ends.
#ifndef ZELVAR_HOST_PROGRESS_H_
#define ZELVAR_HOST_PROGRESS_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>
#include <vector>

#include "console.h"

namespace zelvar_host {

// One virtual user's progress, written by that user alone once per
// iteration. Each user's pair has a cache line of its own: shared counters
// bumped by every user made the users wait on each other.
struct alignas(64) UserCounters {
  std::atomic<uint64_t> iterations{0};
  std::atomic<uint64_t> values{0};

  // Single writer: a plain load and store, no locked instruction.
  void AddIteration(uint64_t new_values) {
    iterations.store(iterations.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    values.store(values.load(std::memory_order_relaxed) + new_values, std::memory_order_relaxed);
  }
};

class RunCounters {
 public:
  explicit RunCounters(size_t users) : users_(users) {}

  UserCounters& operator[](size_t user) { return users_[user]; }
  // Sums over the users; a snapshot while they run.
  uint64_t Iterations() const;
  uint64_t Values() const;

 private:
  std::vector<UserCounters> users_;
};

class Progress {
 public:
  // Does nothing when stderr is not a terminal.
  Progress(Console& console, const RunCounters& counters, uint64_t total_iterations);
  // Stops and clears the line.
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

 private:
  void Show(std::stop_token stop);

  Console& console_;
  const RunCounters& counters_;
  const uint64_t total_iterations_;
  std::jthread thread_;
};

}  // namespace zelvar_host

#endif  // ZELVAR_HOST_PROGRESS_H_
