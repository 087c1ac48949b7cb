// Ledger counters for the platform libraries, cheap enough for every call.
//
// A counter bumped by every string copy must not cost a locked instruction:
// on a hot path that is most of what the platform adds. Each thread therefore
// owns a block of counters that only it writes (a plain load and store);
// readers sum the blocks of the live threads and what exited threads left
// behind. A sum taken while other threads bump is a snapshot, exact once
// they are quiet, which is when tests read it.
//
// The block is constant-initialised and trivially destructible, so reaching
// it is one thread-pointer-relative access with no guard variable; the one
// test on the hot path is its state, and everything that only happens once
// per thread (linking the block in, folding it away) is kept out of line so
// that the callers stay leaf-like.
#ifndef HOST_COMMON_THREAD_COUNTERS_H_
#define HOST_COMMON_THREAD_COUNTERS_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <mutex>

namespace platform {

// One set of `N` counters per `Tag`; each library instantiates its own.
template <typename Tag, size_t N>
class ThreadCounters {
 public:
  static void Add(size_t which, intptr_t delta) {
    Block& block = Mine();
    if (block.state != State::kLinked) [[unlikely]] {
      AddOutOfLine(block, which, delta);
      return;
    }
    std::atomic<intptr_t>& value = block.values[which];
    value.store(value.load(std::memory_order_relaxed) + delta, std::memory_order_relaxed);
  }

  // The counters in `plus` summed, less those in `minus`, over all threads.
  static intptr_t Sum(std::initializer_list<size_t> plus, std::initializer_list<size_t> minus = {}) {
    Registry& registry = GetRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    intptr_t sum = 0;
    for (size_t which : plus) sum += registry.retired[which];
    for (size_t which : minus) sum -= registry.retired[which];
    for (Block* block = registry.head; block != nullptr; block = block->next) {
      for (size_t which : plus) sum += block->values[which].load(std::memory_order_relaxed);
      for (size_t which : minus) sum -= block->values[which].load(std::memory_order_relaxed);
    }
    return sum;
  }

 private:
  enum class State : unsigned char {
    kNew,      // the thread has not counted yet
    kLinked,   // in the registry's list
    kRetired,  // folded into `retired`: the thread is ending
  };

  struct Block {
    std::atomic<intptr_t> values[N] = {};
    Block* prev = nullptr;
    Block* next = nullptr;
    State state = State::kNew;  // read and written by the owning thread only
  };

  struct Registry {
    std::mutex mutex;
    Block* head = nullptr;
    intptr_t retired[N] = {};
  };

  // Links the thread's block in when constructed, and folds it into
  // `retired` when the thread ends. Counts that arrive later still, from
  // other thread-exit code, go to `retired` directly.
  struct Membership {
    Block& block;
    explicit Membership(Block& own) : block(own) {
      Registry& registry = GetRegistry();
      std::lock_guard<std::mutex> lock(registry.mutex);
      block.next = registry.head;
      if (registry.head != nullptr) registry.head->prev = &block;
      registry.head = &block;
      block.state = State::kLinked;
    }
    ~Membership() {
      Registry& registry = GetRegistry();
      std::lock_guard<std::mutex> lock(registry.mutex);
      for (size_t i = 0; i < N; ++i) registry.retired[i] += block.values[i].load(std::memory_order_relaxed);
      if (block.prev != nullptr) block.prev->next = block.next;
      if (block.next != nullptr) block.next->prev = block.prev;
      if (registry.head == &block) registry.head = block.next;
      block.state = State::kRetired;
    }
  };

  // Never destroyed: threads may end after the library's static destructors.
  static Registry& GetRegistry() {
    static Registry* registry = new Registry;
    return *registry;
  }

  static Block& Mine() {
    static thread_local constinit Block block;
    return block;
  }

  [[gnu::noinline, gnu::cold]] static void AddOutOfLine(Block& block, size_t which, intptr_t delta) {
    if (block.state == State::kNew) {
      thread_local Membership membership(block);
      std::atomic<intptr_t>& value = block.values[which];
      value.store(value.load(std::memory_order_relaxed) + delta, std::memory_order_relaxed);
      return;
    }
    Registry& registry = GetRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    registry.retired[which] += delta;
  }
};

}  // namespace platform

#endif  // HOST_COMMON_THREAD_COUNTERS_H_
