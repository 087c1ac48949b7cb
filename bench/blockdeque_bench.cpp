// BlockDeque as a FIFO against std::deque<uint32_t>: push and pop at a
// steady length, and a fill then drain of a million entries. BlockDeque runs
// on the global operators (no allocator) and on a malloc-backed allocator.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <deque>

#include "param/blockdeque.h"

namespace {

constexpr uint32_t kSteadyLength = 1000;
constexpr uint32_t kFillLength = 1000000;

class MallocAllocator : public os_allocator_impl {
 public:
  void* allocate_block(uint32_t element_size, uint32_t count, void*) override {
    return std::malloc(size_t{element_size} * count);
  }
  void free_block(void* block) override { std::free(block); }
  void* allocate_map(uint32_t element_size, uint32_t count, void*) override {
    return std::malloc(size_t{element_size} * count);
  }
  void free_map(void* map) override { std::free(map); }
};

MallocAllocator malloc_allocator;

// The benchmark argument picks the BlockDeque's allocator.
os_allocator_impl* AllocatorFor(const benchmark::State& state) {
  return state.range(0) == 0 ? nullptr : &malloc_allocator;
}

void SetAllocatorLabel(benchmark::State& state) {
  state.SetLabel(state.range(0) == 0 ? "global operators" : "malloc allocator");
}

void BM_StdDequeSteady(benchmark::State& state) {
  std::deque<uint32_t> queue(kSteadyLength, 0);
  uint32_t entry = 0;
  for (auto _ : state) {
    queue.push_back(entry++);
    benchmark::DoNotOptimize(queue.front());
    queue.pop_front();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StdDequeSteady);

void BM_BlockDequeSteady(benchmark::State& state) {
  BlockDeque queue(AllocatorFor(state));
  for (uint32_t i = 0; i < kSteadyLength; ++i) queue.PushBack(0);
  uint32_t entry = 0;
  for (auto _ : state) {
    queue.PushBack(entry++);
    benchmark::DoNotOptimize(*queue.m_start.current);
    queue.PopFront();
  }
  SetAllocatorLabel(state);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BlockDequeSteady)->Arg(0)->Arg(1);

void BM_StdDequeFillDrain(benchmark::State& state) {
  for (auto _ : state) {
    std::deque<uint32_t> queue;
    for (uint32_t i = 0; i < kFillLength; ++i) queue.push_back(i);
    while (!queue.empty()) {
      benchmark::DoNotOptimize(queue.front());
      queue.pop_front();
    }
  }
  state.SetItemsProcessed(state.iterations() * kFillLength);
}
BENCHMARK(BM_StdDequeFillDrain);

void BM_BlockDequeFillDrain(benchmark::State& state) {
  for (auto _ : state) {
    BlockDeque queue(AllocatorFor(state));
    for (uint32_t i = 0; i < kFillLength; ++i) queue.PushBack(i);
    while (!queue.IsEmpty()) {
      benchmark::DoNotOptimize(*queue.m_start.current);
      queue.PopFront();
    }
  }
  SetAllocatorLabel(state);
  state.SetItemsProcessed(state.iterations() * kFillLength);
}
BENCHMARK(BM_BlockDequeFillDrain)->Arg(0)->Arg(1);

}  // namespace
