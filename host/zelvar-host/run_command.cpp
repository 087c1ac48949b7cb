// zelvar-host run: everything the user named is read and checked before the
// first object is created, so bad input ends the program before any output.
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "commands.h"
#include "console.h"
#include "output.h"
#include "parameter_file.h"
#include "plugin.h"
#include "progress.h"
#include "summary.h"
#include "text_template.h"
#include "virtual_user.h"

namespace zelvar_host {

namespace {

// Each virtual user creates its objects on its own thread: the C allocator
// gives each thread memory of its own, so what a user writes while it runs
// (its objects' values, its statistics) never shares a cache line with
// another user's, which it did when the main thread created them all side
// by side. The users still create in order, one after the other, and all
// before any of them runs, so that a failed creation ends the run before any
// output, as it did when they were created up front.
class StartLine {
 public:
  explicit StartLine(size_t users) : users_(users) {}

  // Blocks until it is user `index`'s turn to create; false when an earlier
  // user failed.
  bool AwaitTurn(size_t index) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return created_ == index || failure_ != nullptr; });
    return failure_ == nullptr;
  }

  // Ends the calling user's turn, with its creation's exception if it
  // failed, and blocks until every user has created (then true) or one has
  // failed (false).
  bool Created(std::exception_ptr failure) {
    std::unique_lock lock(mutex_);
    if (failure != nullptr) {
      failure_ = failure;
    } else {
      ++created_;
    }
    changed_.notify_all();
    changed_.wait(lock, [&] { return started_ || failure_ != nullptr; });
    return failure_ == nullptr;
  }

  // Sends every waiting user home, as when a creation fails; for a failure
  // of the main thread's own, such as a thread it could not start.
  void Abandon(std::exception_ptr failure) {
    std::lock_guard lock(mutex_);
    if (failure_ == nullptr) failure_ = failure;
    changed_.notify_all();
  }

  // Blocks until every user has created, then lets them all run; rethrows
  // the first failure instead.
  void Start() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return created_ == users_ || failure_ != nullptr; });
    if (failure_ != nullptr) std::rethrow_exception(failure_);
    started_ = true;
    changed_.notify_all();
  }

 private:
  const size_t users_;
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t created_ = 0;
  bool started_ = false;
  std::exception_ptr failure_;
};

}  // namespace

int Run(const RunOptions& options) {
  const ParameterFile parameters(options.parameters);
  const TextTemplate text = TextTemplate::Load(options.template_path, parameters.Names());
  const Plugin plugin(PluginPath(options.plugin));
  Output output(options.output);
  Console console;

  const PluginSession session(plugin);
  std::vector<std::unique_ptr<VirtualUser>> users(options.users);
  RunCounters counters(users.size());
  StartLine start_line(users.size());
  std::chrono::steady_clock::time_point start;
  {  // the users' threads end here, then the progress line
    std::vector<std::jthread> threads;
    auto user_thread = [&](size_t index) {
      if (!start_line.AwaitTurn(index)) return;
      std::exception_ptr failure;
      try {
        users[index] = std::make_unique<VirtualUser>(plugin, parameters.parameters(), static_cast<int>(index + 1),
                                                     options.engine_mode, console);
      } catch (...) {
        failure = std::current_exception();
      }
      if (!start_line.Created(failure)) return;
      users[index]->Run(text, options.iterations, output, counters[index]);
    };
    // On a failure the threads are joined as this unwinds, having been sent
    // home first.
    try {
      for (size_t index = 0; index < users.size(); ++index) threads.emplace_back(user_thread, index);
    } catch (...) {
      start_line.Abandon(std::current_exception());
      throw;
    }
    start_line.Start();
    start = std::chrono::steady_clock::now();
    Progress progress(console, counters, uint64_t{options.users} * options.iterations);
    for (std::jthread& thread : threads) thread.join();
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  output.Commit();

  std::vector<ParameterStats> totals(parameters.parameters().size());
  for (const auto& user : users) {
    for (size_t index = 0; index < totals.size(); ++index) totals[index].Merge(user->stats()[index]);
  }
  const RunShape shape{options.users, options.iterations, seconds};
  for (const std::string& line : Summary(shape, parameters.parameters(), totals)) console.Line(line);
  return 0;
}

}  // namespace zelvar_host
