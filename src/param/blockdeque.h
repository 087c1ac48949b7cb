// BlockDeque: a first-in, first-out queue of 32-bit entries.
//
// Entries live in blocks of 4096 reached through a node map of block
// pointers. The first block goes in the middle slot of a 1024-slot map, with
// its first entry in the middle of the block. Entries are appended at the
// back and removed at the front; a block is added as soon as the back block
// fills (so the back may hold one empty block) and released as soon as the
// front block is exhausted. When the back needs a block beyond the map's last
// slot, the map is replaced by one of 2n + 2 slots, n + 1 being the blocks in
// use, which then start a quarter of the way in.
//
// Memory comes from os_allocator_impl when one is given, otherwise from the
// global operators (blocks: new / delete; maps: new[] / delete[]). An
// allocator that returns null makes the operation throw std::bad_alloc. A
// queue does not own its allocators; they must outlive it.
//
// Not thread-safe.
//
// The fields of both classes are public: their order is a fixed layout, and
// the tests check map slots and positions directly.
#ifndef ZELVAR_PARAM_BLOCKDEQUE_H_
#define ZELVAR_PARAM_BLOCKDEQUE_H_

#include <stddef.h>
#include <stdint.h>

#include "zelvar/allocator.h"

// A position inside a queue; a plain value. All fields zero is the null
// position.
struct BlockDequePosition {
  // One entry on, into the next block when this one ends. The next map slot
  // must hold a block.
  void Advance();

  // Signed number of entries from `other` up to this position. Positions in
  // the same map slot (two null positions included) differ only by
  // `current`.
  ptrdiff_t DistanceFrom(const BlockDequePosition& other) const;

  bool operator==(const BlockDequePosition& other) const { return DistanceFrom(other) == 0; }
  bool operator!=(const BlockDequePosition& other) const { return DistanceFrom(other) != 0; }

  uint32_t* current = nullptr;     // the entry at this position
  uint32_t* blockBegin = nullptr;  // first entry of the block holding `current`
  uint32_t* blockEnd = nullptr;    // one past that block's last entry
  uint32_t** mapSlot = nullptr;    // the map slot holding that block
  uint32_t blockLength = 0;        // entries per block
};

class BlockDeque {
 public:
  static constexpr uint32_t kBlockLength = 4096;

  // Blocks and maps both come from `allocator`, or from the global operators
  // when it is null. Allocates nothing.
  explicit BlockDeque(os_allocator_impl* allocator);

  // Copies the entries of `source` in order. The copy takes its blocks from
  // the source's block allocator and its maps always from the global
  // operators. A copy of an empty queue allocates nothing. Throws
  // std::bad_alloc, having released what it obtained.
  BlockDeque(const BlockDeque& source);

  // The copy rule above would make assignment surprising, and nothing needs it.
  BlockDeque& operator=(const BlockDeque&) = delete;

  ~BlockDeque();

  // Removes every entry; afterwards the queue holds no memory. An empty queue
  // calls no allocator.
  void Clear();

  // Appends `entry`. Throws std::bad_alloc when a block or map cannot be
  // had; the queue is then as it was before the call.
  void PushBack(uint32_t entry);

  // Removes the front entry. The queue must not be empty.
  void PopFront();

  bool IsEmpty() const { return m_count == 0; }
  BlockDequePosition Begin() const { return m_start; }
  BlockDequePosition End() const { return m_finish; }

  // Gives the back a fresh zero-filled block, setting up or replacing the map
  // when needed. Throws std::bad_alloc and leaves the queue as it was.
  void AddBackBlock();

  // Releases the front block; once the queue is empty, also the block added
  // in advance at the back and the map.
  void ReleaseFrontBlock();

  BlockDequePosition m_start{nullptr, nullptr, nullptr, nullptr, kBlockLength};   // front entry
  BlockDequePosition m_finish{nullptr, nullptr, nullptr, nullptr, kBlockLength};  // one past the back entry
  uint32_t m_count = 0;
  uint32_t** m_map = nullptr;  // meaningless while the queue is empty
  uint32_t m_mapLength = 0;    // meaningless while the queue is empty
  uint32_t m_blockLength = kBlockLength;
  os_allocator_impl* m_blockAllocator = nullptr;  // null: global operators
  os_allocator_impl* m_mapAllocator = nullptr;    // null: global operators

 private:
  // Called when a push has filled the back block: adds the next one, or
  // takes the push back and rethrows when it cannot.
  void AddBackBlockAfterFill();

  void SetUpFirstBlock(uint32_t* block);
  void AppendBlock(uint32_t* block);
  void ReplaceMap(uint32_t* block);

  uint32_t* NewBlock();
  void DeleteBlock(uint32_t* block);
  uint32_t** NewMap(uint32_t length);
  void DeleteMap(uint32_t** map);
};

// Inline, since a call costs about as much as the push or pop itself; only
// block changes leave the header.

// The back is at a block's end only in an empty queue, where both are null:
// a full block gets its successor at once. So the test that the entry needs
// a block reads nothing that the push does not read anyway. The entry is
// stored last, since a store through a uint32_t pointer could be taken to
// change m_count.
inline void BlockDeque::PushBack(uint32_t entry) {
  if (m_finish.current == m_finish.blockEnd) AddBackBlock();
  uint32_t* slot = m_finish.current;
  m_finish.current = slot + 1;
  ++m_count;
  const bool filled = slot + 1 == m_finish.blockEnd;
  *slot = entry;
  if (filled) AddBackBlockAfterFill();
}

inline void BlockDeque::PopFront() {
  ++m_start.current;
  --m_count;
  if (m_count == 0 || m_start.current == m_start.blockEnd) ReleaseFrontBlock();
}

#endif  // ZELVAR_PARAM_BLOCKDEQUE_H_
