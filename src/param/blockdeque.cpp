#include "param/blockdeque.h"

#include <cstring>
#include <new>

namespace {

// Points `position` at the block in `slot`, leaving `current` alone.
void PointAtBlock(BlockDequePosition* position, uint32_t** slot, uint32_t block_length) {
  position->mapSlot = slot;
  position->blockBegin = *slot;
  position->blockEnd = *slot + block_length;
  position->blockLength = block_length;
}

}  // namespace

void BlockDequePosition::Advance() {
  ++current;
  if (current != blockEnd) return;
  ++mapSlot;
  blockBegin = current = *mapSlot;
  blockEnd = blockBegin + blockLength;
}

ptrdiff_t BlockDequePosition::DistanceFrom(const BlockDequePosition& other) const {
  if (mapSlot == other.mapSlot) return current - other.current;
  const ptrdiff_t whole_blocks_between = mapSlot - other.mapSlot - 1;
  return static_cast<ptrdiff_t>(blockLength) * whole_blocks_between + (other.blockEnd - other.current) +
         (current - blockBegin);
}

BlockDeque::BlockDeque(os_allocator_impl* allocator)
    : m_blockAllocator(allocator), m_mapAllocator(allocator) {}

BlockDeque::BlockDeque(const BlockDeque& source) : m_blockAllocator(source.m_blockAllocator) {
  // The destructor does not run for a constructor that throws.
  try {
    const BlockDequePosition end = source.End();
    for (BlockDequePosition p = source.Begin(); p.DistanceFrom(end) != 0; p.Advance()) {
      PushBack(*p.current);
    }
  } catch (...) {
    Clear();
    throw;
  }
}

BlockDeque::~BlockDeque() { Clear(); }

void BlockDeque::Clear() {
  // Entry by entry, so that blocks go back front first, as PopFront gives
  // them back.
  while (m_count > 0) PopFront();
}

void BlockDeque::AddBackBlock() {
  uint32_t* block = NewBlock();
  const uint32_t map_length = m_mapLength;
  try {
    if (m_count == 0) {
      SetUpFirstBlock(block);
    } else if (m_finish.mapSlot != m_map + m_mapLength - 1) {
      AppendBlock(block);
    } else {
      ReplaceMap(block);
    }
  } catch (...) {
    // Only the map can fail to arrive, and nothing else has changed by then.
    m_mapLength = map_length;
    DeleteBlock(block);
    throw;
  }
}

void BlockDeque::ReleaseFrontBlock() {
  DeleteBlock(*m_start.mapSlot);
  ++m_start.mapSlot;
  if (m_count > 0) {
    PointAtBlock(&m_start, m_start.mapSlot, m_blockLength);
    m_start.current = m_start.blockBegin;
    return;
  }
  // The last entry has gone. If it was the last of its block, the back has
  // already moved on to an empty block, which is in the slot reached now.
  if (m_finish.current == m_finish.blockBegin) DeleteBlock(*m_start.mapSlot);
  m_start = BlockDequePosition();
  m_finish = BlockDequePosition();
  DeleteMap(m_map);
}

void BlockDeque::AddBackBlockAfterFill() {
  try {
    AddBackBlock();
  } catch (...) {
    --m_finish.current;
    --m_count;
    throw;
  }
}

void BlockDeque::SetUpFirstBlock(uint32_t* block) {
  // Starting mid-map and mid-block leaves room to grow either way.
  m_mapLength = m_blockLength / 4;
  m_map = NewMap(m_mapLength);
  uint32_t** slot = m_map + m_mapLength / 2;
  *slot = block;
  PointAtBlock(&m_start, slot, m_blockLength);
  m_start.current = block + m_blockLength / 2;
  m_finish = m_start;
}

void BlockDeque::AppendBlock(uint32_t* block) {
  uint32_t** slot = m_finish.mapSlot + 1;
  *slot = block;
  PointAtBlock(&m_finish, slot, m_blockLength);
  m_finish.current = block;
}

void BlockDeque::ReplaceMap(uint32_t* block) {
  // The new length follows the blocks in use, not the old length, so a map
  // whose front has emptied shrinks.
  const uint32_t last = static_cast<uint32_t>(m_finish.mapSlot - m_start.mapSlot);
  m_mapLength = 2 * last + 2;
  uint32_t** map = NewMap(m_mapLength);
  uint32_t** first_slot = map + m_mapLength / 4;
  std::memcpy(first_slot, m_start.mapSlot, (last + 1) * sizeof(uint32_t*));
  DeleteMap(m_map);
  m_map = map;
  first_slot[last + 1] = block;
  // No block moves, so m_start.current stays valid.
  PointAtBlock(&m_start, first_slot, m_blockLength);
  PointAtBlock(&m_finish, first_slot + last + 1, m_blockLength);
  m_finish.current = block;
}

uint32_t* BlockDeque::NewBlock() {
  const size_t bytes = sizeof(uint32_t) * m_blockLength;
  void* block = m_blockAllocator != nullptr
                    ? m_blockAllocator->allocate_block(sizeof(uint32_t), m_blockLength, this)
                    : ::operator new(bytes);
  if (block == nullptr) throw std::bad_alloc();
  std::memset(block, 0, bytes);
  return static_cast<uint32_t*>(block);
}

void BlockDeque::DeleteBlock(uint32_t* block) {
  if (m_blockAllocator != nullptr) {
    m_blockAllocator->free_block(block);
  } else {
    ::operator delete(block);
  }
}

// Slots hold pointers, so a slot is 8 bytes where pointers are.
uint32_t** BlockDeque::NewMap(uint32_t length) {
  void* map = m_mapAllocator != nullptr
                  ? m_mapAllocator->allocate_map(sizeof(uint32_t*), length, this)
                  : ::operator new[](sizeof(uint32_t*) * length);
  if (map == nullptr) throw std::bad_alloc();
  return static_cast<uint32_t**>(map);
}

void BlockDeque::DeleteMap(uint32_t** map) {
  if (m_mapAllocator != nullptr) {
    m_mapAllocator->free_map(map);
  } else {
    ::operator delete[](map);
  }
}
