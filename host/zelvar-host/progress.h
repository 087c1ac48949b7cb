// The status line of a long run on a terminal: iterations done of all, and
// values per second so far. It appears once the run has taken a second and
// is redrawn four times a second until the run ends.
#ifndef ZELVAR_HOST_PROGRESS_H_
#define ZELVAR_HOST_PROGRESS_H_

#include <atomic>
#include <cstdint>
#include <thread>

#include "console.h"

namespace zelvar_host {

// Bumped by the virtual users once per iteration.
struct RunCounters {
  std::atomic<uint64_t> iterations{0};
  std::atomic<uint64_t> values{0};
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
