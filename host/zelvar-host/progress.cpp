#include "progress.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>

namespace zelvar_host {

uint64_t RunCounters::Iterations() const {
  uint64_t sum = 0;
  for (const UserCounters& user : users_) sum += user.iterations.load(std::memory_order_relaxed);
  return sum;
}

uint64_t RunCounters::Values() const {
  uint64_t sum = 0;
  for (const UserCounters& user : users_) sum += user.values.load(std::memory_order_relaxed);
  return sum;
}

Progress::Progress(Console& console, const RunCounters& counters, uint64_t total_iterations)
    : console_(console), counters_(counters), total_iterations_(total_iterations) {
  if (console_.interactive()) thread_ = std::jthread([this](std::stop_token stop) { Show(stop); });
}

Progress::~Progress() {
  if (!thread_.joinable()) return;
  thread_.request_stop();
  thread_.join();
  console_.ClearStatus();
}

void Progress::Show(std::stop_token stop) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  std::mutex mutex;
  std::condition_variable_any wake;
  std::unique_lock lock(mutex);
  // Sleeps for `period` unless the run ends first; tells whether it goes on.
  auto wait = [&](Clock::duration period) {
    wake.wait_for(lock, stop, period, [] { return false; });
    return !stop.stop_requested();
  };
  if (!wait(std::chrono::seconds(1))) return;
  do {
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    char line[128];
    std::snprintf(line, sizeof line, "%llu/%llu iterations, %.0f values/s",
                  static_cast<unsigned long long>(counters_.Iterations()),
                  static_cast<unsigned long long>(total_iterations_),
                  static_cast<double>(counters_.Values()) / seconds);
    console_.Status(line);
  } while (wait(std::chrono::milliseconds(250)));
}

}  // namespace zelvar_host
