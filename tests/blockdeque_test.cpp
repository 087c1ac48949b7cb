// The entry queue: block and map layout, allocator traffic, allocation
// failures, copies, positions and FIFO order.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <new>
#include <random>
#include <set>
#include <vector>

#include "param/blockdeque.h"

namespace {

constexpr uint32_t kBlock = BlockDeque::kBlockLength;
// Pushes, none popped, that fill the block in the first map's last slot.
constexpr uint32_t kFillFirstMap = 2048 + 511 * kBlock;

// Hands out malloc'd storage full of junk, records every call, and refuses
// once its allowance of blocks or maps is used up.
class CountingAllocator : public os_allocator_impl {
 public:
  enum Kind { kAllocateBlock, kFreeBlock, kAllocateMap, kFreeMap };
  struct Call {
    Kind kind;
    uint32_t element_size;
    uint32_t count;
    void* hint;
    void* storage;  // handed out (null when refused) or given back
  };

  ~CountingAllocator() override {
    for (void* p : live_blocks) std::free(p);
    for (void* p : live_maps) std::free(p);
  }

  void* allocate_block(uint32_t element_size, uint32_t count, void* hint) override {
    return Allocate(kAllocateBlock, element_size, count, hint, &blocks_allowed, &live_blocks);
  }
  void free_block(void* block) override { Free(kFreeBlock, block, &live_blocks); }
  void* allocate_map(uint32_t element_size, uint32_t count, void* hint) override {
    return Allocate(kAllocateMap, element_size, count, hint, &maps_allowed, &live_maps);
  }
  void free_map(void* map) override { Free(kFreeMap, map, &live_maps); }

  size_t Count(Kind kind) const {
    size_t n = 0;
    for (const Call& call : calls) n += call.kind == kind;
    return n;
  }

  // Slot counts of the maps asked for, in order.
  std::vector<uint32_t> MapLengths() const {
    std::vector<uint32_t> lengths;
    for (const Call& call : calls) {
      if (call.kind == kAllocateMap) lengths.push_back(call.count);
    }
    return lengths;
  }

  // Blocks handed out and not yet given back, in the order handed out.
  std::vector<void*> LiveBlocksInOrder() const {
    std::vector<void*> blocks;
    for (const Call& call : calls) {
      if (call.kind == kAllocateBlock && call.storage != nullptr) blocks.push_back(call.storage);
      if (call.kind == kFreeBlock) std::erase(blocks, call.storage);
    }
    return blocks;
  }

  bool Balanced() const { return live_blocks.empty() && live_maps.empty(); }

  std::vector<Call> calls;
  std::set<void*> live_blocks;
  std::set<void*> live_maps;
  uint32_t blocks_allowed = UINT32_MAX;
  uint32_t maps_allowed = UINT32_MAX;

 private:
  void* Allocate(Kind kind, uint32_t element_size, uint32_t count, void* hint, uint32_t* allowed,
                 std::set<void*>* live) {
    void* storage = nullptr;
    if (*allowed > 0) {
      --*allowed;
      const size_t bytes = size_t{element_size} * count;
      storage = std::malloc(bytes);
      std::memset(storage, 0xA5, bytes);
      live->insert(storage);
    }
    calls.push_back({kind, element_size, count, hint, storage});
    return storage;
  }

  void Free(Kind kind, void* storage, std::set<void*>* live) {
    calls.push_back({kind, 0, 0, nullptr, storage});
    if (live->erase(storage) == 0) {
      ADD_FAILURE() << "given back storage it never handed out: " << storage;
      return;
    }
    std::free(storage);
  }
};

ptrdiff_t SlotOf(const BlockDeque& queue, const BlockDequePosition& p) { return p.mapSlot - queue.m_map; }
ptrdiff_t EntryOf(const BlockDequePosition& p) { return p.current - p.blockBegin; }

void ExpectNullPosition(const BlockDequePosition& p, uint32_t block_length) {
  EXPECT_EQ(p.current, nullptr);
  EXPECT_EQ(p.blockBegin, nullptr);
  EXPECT_EQ(p.blockEnd, nullptr);
  EXPECT_EQ(p.mapSlot, nullptr);
  EXPECT_EQ(p.blockLength, block_length);
}

void ExpectSamePosition(const BlockDequePosition& actual, const BlockDequePosition& expected) {
  EXPECT_EQ(actual.current, expected.current);
  EXPECT_EQ(actual.blockBegin, expected.blockBegin);
  EXPECT_EQ(actual.blockEnd, expected.blockEnd);
  EXPECT_EQ(actual.mapSlot, expected.mapSlot);
  EXPECT_EQ(actual.blockLength, expected.blockLength);
}

// Pushes `n` entries numbered on from `*next`.
void PushNumbered(BlockDeque* queue, uint32_t n, uint32_t* next) {
  for (uint32_t i = 0; i < n; ++i) queue->PushBack((*next)++);
}

void PopN(BlockDeque* queue, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) queue->PopFront();
}

// Pops every entry, front first, checking each against first, first + 1, ...
// Returns how many there were.
uint32_t DrainNumbered(BlockDeque* queue, uint32_t first) {
  uint32_t n = 0;
  while (!queue->IsEmpty()) {
    if (*queue->Begin().current != first + n) {
      ADD_FAILURE() << "entry " << n << " is " << *queue->Begin().current << ", expected " << first + n;
      return n;
    }
    queue->PopFront();
    ++n;
  }
  return n;
}

class BlockDequeTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_TRUE(alloc_.live_blocks.empty()) << alloc_.live_blocks.size() << " blocks not given back";
    EXPECT_TRUE(alloc_.live_maps.empty()) << alloc_.live_maps.size() << " maps not given back";
  }

  CountingAllocator alloc_;
};

TEST_F(BlockDequeTest, LaysOutBlocksAndMapsAsEntriesComeAndGo) {
  constexpr int kEmpty = -1;
  const struct {
    const char* name;
    uint32_t pushes, pops, more_pushes;
    uint32_t count;
    int start_slot, start_entry, finish_slot, finish_entry;  // kEmpty: null positions
    std::vector<uint32_t> map_lengths;
    size_t blocks_freed, maps_freed;
  } cases[] = {
      {"first push", 1, 0, 0, 1, 512, 2048, 512, 2049, {1024}, 0, 0},
      {"push that fills the first block", 2048, 0, 0, 2048, 512, 2048, 513, 0, {1024}, 0, 0},
      {"last push the first map has room for", kFillFirstMap - 1, 0, 0, kFillFirstMap - 1, 512, 2048, 1023, 4095,
       {1024}, 0, 0},
      {"push that fills the map's last slot", kFillFirstMap, 0, 0, kFillFirstMap, 256, 2048, 768, 0, {1024, 1024}, 0,
       1},
      {"replacement with the front 23 slots behind", kFillFirstMap - 1, 2048 + 487 * kBlock, 1, 24 * kBlock, 12, 0,
       36, 0, {1024, 48}, 488, 1},
      {"pop that exhausts the front block", 2049, 2048, 0, 1, 513, 0, 513, 1, {1024}, 1, 0},
      {"pop of the only entry", 1, 1, 0, 0, kEmpty, 0, kEmpty, 0, {1024}, 1, 1},
      {"pop of the last entry, last of its block", 2048, 2048, 0, 0, kEmpty, 0, kEmpty, 0, {1024}, 2, 1},
      {"pop of the last entry, inside its block", 2050, 2050, 0, 0, kEmpty, 0, kEmpty, 0, {1024}, 2, 1},
      {"push after emptying starts afresh", 3, 3, 1, 1, 512, 2048, 512, 2049, {1024, 1024}, 1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CountingAllocator alloc;
    {
      BlockDeque queue(&alloc);
      uint32_t next = 0;
      PushNumbered(&queue, c.pushes, &next);
      PopN(&queue, c.pops);
      PushNumbered(&queue, c.more_pushes, &next);

      EXPECT_EQ(queue.m_count, c.count);
      EXPECT_EQ(alloc.MapLengths(), c.map_lengths);
      EXPECT_EQ(alloc.Count(CountingAllocator::kFreeBlock), c.blocks_freed);
      EXPECT_EQ(alloc.Count(CountingAllocator::kFreeMap), c.maps_freed);
      for (const auto& call : alloc.calls) {
        if (call.kind == CountingAllocator::kAllocateBlock) {
          EXPECT_EQ(call.element_size, 4u);
          EXPECT_EQ(call.count, kBlock);
          EXPECT_EQ(call.hint, &queue);
        } else if (call.kind == CountingAllocator::kAllocateMap) {
          EXPECT_EQ(call.element_size, sizeof(uint32_t*));
          EXPECT_EQ(call.hint, &queue);
        }
      }
      if (c.start_slot == kEmpty) {
        ExpectNullPosition(queue.m_start, 0);
        ExpectNullPosition(queue.m_finish, 0);
        EXPECT_TRUE(alloc.Balanced());
      } else {
        EXPECT_EQ(queue.m_mapLength, c.map_lengths.back());
        EXPECT_EQ(alloc.live_maps, std::set<void*>{queue.m_map});
        EXPECT_EQ(SlotOf(queue, queue.m_start), c.start_slot);
        EXPECT_EQ(EntryOf(queue.m_start), c.start_entry);
        EXPECT_EQ(SlotOf(queue, queue.m_finish), c.finish_slot);
        EXPECT_EQ(EntryOf(queue.m_finish), c.finish_entry);
        for (const BlockDequePosition& p : {queue.m_start, queue.m_finish}) {
          EXPECT_EQ(p.blockBegin, *p.mapSlot);
          EXPECT_EQ(p.blockEnd, p.blockBegin + kBlock);
          EXPECT_EQ(p.blockLength, kBlock);
        }
        // No block moves: the slots in use hold the live blocks in the order
        // they were obtained.
        const std::vector<void*> in_use(queue.m_start.mapSlot, queue.m_finish.mapSlot + 1);
        EXPECT_EQ(in_use, alloc.LiveBlocksInOrder());
        EXPECT_EQ(DrainNumbered(&queue, next - c.count), c.count);
      }
    }
    EXPECT_TRUE(alloc.Balanced());
  }
}

TEST_F(BlockDequeTest, NewBlocksAreZeroFilledWhateverTheAllocatorGives) {
  BlockDeque queue(&alloc_);
  queue.PushBack(7);
  const uint32_t* first = queue.m_start.blockBegin;
  for (uint32_t i = 0; i < kBlock; ++i) {
    if (first[i] != (i == 2048 ? 7u : 0u)) FAIL() << "entry " << i << " of the first block is " << first[i];
  }
  uint32_t next = 0;
  PushNumbered(&queue, 2047, &next);
  const uint32_t* second = queue.m_finish.blockBegin;
  for (uint32_t i = 0; i < kBlock; ++i) {
    if (second[i] != 0) FAIL() << "entry " << i << " of the block added in advance is " << second[i];
  }
}

TEST_F(BlockDequeTest, NewQueueHoldsNothingAndAllocatesNothing) {
  BlockDeque queue(&alloc_);
  EXPECT_TRUE(queue.IsEmpty());
  EXPECT_EQ(queue.m_count, 0u);
  EXPECT_EQ(queue.m_blockLength, kBlock);
  EXPECT_EQ(queue.m_blockAllocator, &alloc_);
  EXPECT_EQ(queue.m_mapAllocator, &alloc_);
  ExpectNullPosition(queue.Begin(), kBlock);
  ExpectNullPosition(queue.End(), kBlock);
  EXPECT_TRUE(alloc_.calls.empty());
}

TEST_F(BlockDequeTest, ClearOfAnEmptyQueueCallsNoAllocator) {
  BlockDeque fresh(&alloc_);
  fresh.Clear();
  ExpectNullPosition(fresh.m_start, kBlock);
  EXPECT_TRUE(alloc_.calls.empty());

  BlockDeque emptied(&alloc_);
  emptied.PushBack(1);
  emptied.PopFront();
  const size_t calls = alloc_.calls.size();
  emptied.Clear();
  EXPECT_EQ(alloc_.calls.size(), calls);
}

TEST_F(BlockDequeTest, ClearAndDestructionReleaseEveryBlockAndTheMap) {
  // 2048 + 4096 + 10 entries: three blocks.
  constexpr uint32_t kEntries = 6154;
  {
    BlockDeque queue(&alloc_);
    uint32_t next = 0;
    PushNumbered(&queue, kEntries, &next);
    queue.Clear();
    EXPECT_TRUE(queue.IsEmpty());
    ExpectNullPosition(queue.m_start, 0);
    ExpectNullPosition(queue.m_finish, 0);
    EXPECT_EQ(alloc_.Count(CountingAllocator::kFreeBlock), 3u);
    EXPECT_EQ(alloc_.Count(CountingAllocator::kFreeMap), 1u);

    // Cleared, the queue starts again from the middle of a new map.
    queue.PushBack(5);
    EXPECT_EQ(SlotOf(queue, queue.m_start), 512);
    EXPECT_EQ(EntryOf(queue.m_start), 2048);
  }
  CountingAllocator other;
  {
    BlockDeque queue(&other);
    uint32_t next = 0;
    PushNumbered(&queue, kEntries, &next);
  }
  EXPECT_EQ(other.Count(CountingAllocator::kFreeBlock), 3u);
  EXPECT_EQ(other.Count(CountingAllocator::kFreeMap), 1u);
  EXPECT_TRUE(other.Balanced());
}

TEST_F(BlockDequeTest, CopyOfAnEmptyQueueAllocatesNothing) {
  CountingAllocator map_source;
  BlockDeque fresh(&map_source);
  fresh.m_blockAllocator = &alloc_;  // so that taking the wrong allocator shows
  BlockDeque emptied(&alloc_);
  emptied.PushBack(1);
  emptied.PopFront();  // positions now fully null, blockLength 0 included
  const size_t calls = alloc_.calls.size();

  for (const BlockDeque* source : {&fresh, &emptied}) {
    BlockDeque copy(*source);
    EXPECT_TRUE(copy.IsEmpty());
    EXPECT_EQ(copy.m_blockLength, kBlock);
    EXPECT_EQ(copy.m_blockAllocator, &alloc_);
    EXPECT_EQ(copy.m_mapAllocator, nullptr);
    ExpectNullPosition(copy.Begin(), kBlock);
    ExpectNullPosition(copy.End(), kBlock);
  }
  EXPECT_EQ(alloc_.calls.size(), calls);
  EXPECT_TRUE(map_source.calls.empty());
}

TEST_F(BlockDequeTest, CopyTakesBlocksFromTheSourceAllocatorAndItsMapFromNewArray) {
  BlockDeque source(&alloc_);
  uint32_t next = 0;
  PushNumbered(&source, 10000, &next);
  PopN(&source, 3000);
  const size_t maps_before = alloc_.Count(CountingAllocator::kAllocateMap);
  const size_t blocks_before = alloc_.Count(CountingAllocator::kAllocateBlock);
  {
    BlockDeque copy(source);
    EXPECT_EQ(copy.m_blockAllocator, &alloc_);
    EXPECT_EQ(copy.m_mapAllocator, nullptr);
    EXPECT_EQ(alloc_.Count(CountingAllocator::kAllocateMap), maps_before);
    EXPECT_EQ(alloc_.live_maps.count(copy.m_map), 0u);
    // 7000 entries from entry 2048 of slot 512: three blocks.
    EXPECT_EQ(alloc_.Count(CountingAllocator::kAllocateBlock), blocks_before + 3);
    EXPECT_EQ(SlotOf(copy, copy.m_start), 512);
    EXPECT_EQ(EntryOf(copy.m_start), 2048);
    EXPECT_EQ(DrainNumbered(&copy, 3000), 7000u);
  }
  EXPECT_EQ(alloc_.Count(CountingAllocator::kFreeMap), 0u);
  EXPECT_EQ(DrainNumbered(&source, 3000), 7000u);
}

TEST_F(BlockDequeTest, CopyThatRunsOutOfBlocksGivesBackWhatItGot) {
  BlockDeque source(&alloc_);
  uint32_t next = 0;
  PushNumbered(&source, 10000, &next);
  const std::set<void*> source_blocks = alloc_.live_blocks;
  alloc_.blocks_allowed = 2;
  EXPECT_THROW(BlockDeque copy(source), std::bad_alloc);
  EXPECT_EQ(alloc_.live_blocks, source_blocks);
  alloc_.blocks_allowed = UINT32_MAX;
  EXPECT_EQ(DrainNumbered(&source, 0), 10000u);
}

TEST_F(BlockDequeTest, AllocationFailureLeavesTheQueueAsItWasAndUsable) {
  enum Refused { kBlockRefused, kMapRefused };
  const struct {
    const char* name;
    uint32_t pushes;  // before the push that fails
    Refused refused;
  } cases[] = {
      {"block for the first entry", 0, kBlockRefused},
      {"map for the first entry", 0, kMapRefused},
      {"block when the back block fills", 2047, kBlockRefused},
      {"block when the map is full", kFillFirstMap - 1, kBlockRefused},
      {"map when the map is full", kFillFirstMap - 1, kMapRefused},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CountingAllocator alloc;
    {
      BlockDeque queue(&alloc);
      uint32_t next = 0;
      PushNumbered(&queue, c.pushes, &next);
      const BlockDequePosition start = queue.m_start;
      const BlockDequePosition finish = queue.m_finish;
      uint32_t** const map = queue.m_map;
      const uint32_t map_length = queue.m_mapLength;
      const std::set<void*> blocks = alloc.live_blocks;
      const std::set<void*> maps = alloc.live_maps;

      (c.refused == kBlockRefused ? alloc.blocks_allowed : alloc.maps_allowed) = 0;
      EXPECT_THROW(queue.PushBack(next), std::bad_alloc);
      EXPECT_EQ(queue.m_count, c.pushes);
      ExpectSamePosition(queue.m_start, start);
      ExpectSamePosition(queue.m_finish, finish);
      EXPECT_EQ(queue.m_map, map);
      EXPECT_EQ(queue.m_mapLength, map_length);
      EXPECT_EQ(alloc.live_blocks, blocks);
      EXPECT_EQ(alloc.live_maps, maps);

      alloc.blocks_allowed = alloc.maps_allowed = UINT32_MAX;
      PushNumbered(&queue, 2, &next);
      EXPECT_EQ(DrainNumbered(&queue, 0), c.pushes + 2);
    }
    EXPECT_TRUE(alloc.Balanced());
  }
}

TEST_F(BlockDequeTest, DistanceCountsEntriesAcrossBlocks) {
  BlockDeque queue(&alloc_);
  uint32_t next = 0;
  PushNumbered(&queue, 6154, &next);  // slot 512 from entry 2048 to slot 514 entry 10
  const BlockDequePosition begin = queue.Begin();
  const BlockDequePosition end = queue.End();
  BlockDequePosition fifth = begin;
  for (int i = 0; i < 5; ++i) fifth.Advance();
  BlockDequePosition next_block = fifth;
  for (int i = 5; i < 2048; ++i) next_block.Advance();
  const BlockDequePosition null_position{};
  const BlockDeque fresh(nullptr);

  const struct {
    const char* name;
    BlockDequePosition to, from;
    ptrdiff_t expected;
  } cases[] = {
      {"end from begin", end, begin, 6154},
      {"begin from end", begin, end, -6154},
      {"begin from itself", begin, begin, 0},
      {"same block, forward", fifth, begin, 5},
      {"same block, backward", begin, fifth, -5},
      {"next block, forward", next_block, begin, 2048},
      {"next block, backward", begin, next_block, -2048},
      {"two blocks on", end, next_block, 4106},
      {"null positions", null_position, null_position, 0},
      {"positions of a new queue", fresh.End(), fresh.Begin(), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.to.DistanceFrom(c.from), c.expected);
    EXPECT_EQ(c.to == c.from, c.expected == 0);
    EXPECT_EQ(c.to != c.from, c.expected != 0);
  }
}

TEST_F(BlockDequeTest, AdvanceWalksEveryEntryInOrderIntoEachNextBlock) {
  BlockDeque queue(&alloc_);
  uint32_t next = 0;
  PushNumbered(&queue, 6154, &next);
  PopN(&queue, 100);
  BlockDequePosition p = queue.Begin();
  for (uint32_t expected = 100; expected < next; ++expected) {
    ASSERT_EQ(*p.current, expected);
    ASSERT_EQ(p.blockBegin, *p.mapSlot);
    ASSERT_EQ(p.blockEnd, p.blockBegin + kBlock);
    ASSERT_TRUE(p.current >= p.blockBegin && p.current < p.blockEnd);
    p.Advance();
  }
  ExpectSamePosition(p, queue.End());
}

TEST_F(BlockDequeTest, NullAllocatorUsesTheGlobalOperatorsThroughAMapReplacement) {
  // Whether blocks and maps go back through the operator that made them is
  // for the leak and mismatch checkers (valgrind, ASan) running this test.
  BlockDeque queue(nullptr);
  uint32_t next = 0;
  PushNumbered(&queue, kFillFirstMap + 10, &next);
  PopN(&queue, 5000);
  EXPECT_EQ(queue.m_mapLength, 1024u);
  EXPECT_EQ(SlotOf(queue, queue.m_start), 257);
  EXPECT_EQ(SlotOf(queue, queue.m_finish), 768);
  {
    BlockDeque copy(queue);
    EXPECT_EQ(copy.m_blockAllocator, nullptr);
    EXPECT_EQ(DrainNumbered(&copy, 5000), next - 5000);
  }
  EXPECT_EQ(DrainNumbered(&queue, 5000), next - 5000);
  ExpectNullPosition(queue.m_start, 0);
}

// Random pushes and pops against std::deque, in phases that grow the queue
// and shrink it less, long enough for the back to run off the map again and
// again.
TEST_F(BlockDequeTest, KeepsFifoOrderOverALongRandomSequence) {
  for (os_allocator_impl* allocator : std::initializer_list<os_allocator_impl*>{nullptr, &alloc_}) {
    SCOPED_TRACE(allocator != nullptr ? "counting allocator" : "global operators");
    std::mt19937 random(20240611);
    BlockDeque queue(allocator);
    std::deque<uint32_t> model;
    int map_replacements = 0;
    for (int phase = 0; phase < 70; ++phase) {
      std::bernoulli_distribution push(phase % 2 == 0 ? 0.75 : 0.3);
      const uint32_t length = std::uniform_int_distribution<uint32_t>(60000, 100000)(random);
      for (uint32_t op = 0; op < length; ++op) {
        if (model.empty() || push(random)) {
          const uint32_t entry = static_cast<uint32_t>(random());
          uint32_t** const map = queue.m_map;
          const bool was_empty = queue.IsEmpty();
          queue.PushBack(entry);
          model.push_back(entry);
          map_replacements += !was_empty && queue.m_map != map;
        } else {
          ASSERT_EQ(*queue.Begin().current, model.front());
          queue.PopFront();
          model.pop_front();
        }
        ASSERT_EQ(queue.m_count, model.size());
      }
      ASSERT_EQ(queue.End().DistanceFrom(queue.Begin()), static_cast<ptrdiff_t>(model.size()));
    }
    for (; !model.empty(); model.pop_front()) {
      ASSERT_EQ(*queue.Begin().current, model.front());
      queue.PopFront();
    }
    EXPECT_TRUE(queue.IsEmpty());
    // The sequence must have reached the path it is here for.
    EXPECT_GE(map_replacements, 5);
  }
}

}  // namespace
