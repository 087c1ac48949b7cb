// Ledger counters for the platform libraries, cheap enough for every call.
//
// A counter bumped by every string copy must not cost a locked instruction:
// on a hot path that is most of what the platform adds. Each thread therefore
// owns a block of counters that only it writes (a plain load and store);
// readers sum the blocks of the live threads and what exited threads left
// behind. A sum taken while other threads bump is a snapshot, exact once
// they are quiet, which is when tests read it.
#ifndef HOST_COMMON_THREAD_COUNTERS_H_
#define HOST_COMMON_THREAD_COUNTERS_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace platform {

// One set of `N` counters per `Tag`; each library instantiates its own.
template <typename Tag, size_t N>
class ThreadCounters {
 public:
  static void Add(size_t which, intptr_t delta) {
    std::atomic<intptr_t>& value = Local().values[which];
    value.store(value.load(std::memory_order_relaxed) + delta, std::memory_order_relaxed);
  }

  static intptr_t Sum(size_t which) {
    Registry& registry = GetRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    intptr_t sum = registry.retired[which];
    for (Block* block = registry.head; block != nullptr; block = block->next) {
      sum += block->values[which].load(std::memory_order_relaxed);
    }
    return sum;
  }

 private:
  struct Block {
    std::atomic<intptr_t> values[N] = {};
    Block* prev = nullptr;
    Block* next = nullptr;
  };

  struct Registry {
    std::mutex mutex;
    Block* head = nullptr;
    intptr_t retired[N] = {};
  };

  // Links the thread's block in on first use and folds it into `retired`
  // when the thread ends.
  struct Membership {
    Block block;
    Membership() {
      Registry& registry = GetRegistry();
      std::lock_guard<std::mutex> lock(registry.mutex);
      block.next = registry.head;
      if (registry.head != nullptr) registry.head->prev = &block;
      registry.head = &block;
    }
    ~Membership() {
      Registry& registry = GetRegistry();
      std::lock_guard<std::mutex> lock(registry.mutex);
      for (size_t i = 0; i < N; ++i) registry.retired[i] += block.values[i].load(std::memory_order_relaxed);
      if (block.prev != nullptr) block.prev->next = block.next;
      if (block.next != nullptr) block.next->prev = block.prev;
      if (registry.head == &block) registry.head = block.next;
    }
  };

  // Never destroyed: threads may end after the library's static destructors.
  static Registry& GetRegistry() {
    static Registry* registry = new Registry;
    return *registry;
  }

  static Block& Local() {
    thread_local Membership membership;
    return membership.block;
  }
};

}  // namespace platform

#endif  // HOST_COMMON_THREAD_COUNTERS_H_
