#include <stdint.h>

#include "platform/quenby.h"
#include "zelvar/allocator.h"

namespace {

// The product is taken in 32 bits. One that wraps would hand out a block
// smaller than asked, so it gets no block at all.
void* AllocateProduct(uint32_t element_size, uint32_t count) {
  const uint64_t bytes = static_cast<uint64_t>(element_size) * count;
  if (bytes > UINT32_MAX) return nullptr;
  return maw_malloc(static_cast<size_t>(bytes));
}

}  // namespace

void* CMyStlAllocator::allocate_block(uint32_t element_size, uint32_t count, void*) {
  return AllocateProduct(element_size, count);
}

void CMyStlAllocator::free_block(void* block) { maw_free(block); }

void* CMyStlAllocator::allocate_map(uint32_t element_size, uint32_t count, void*) {
  return AllocateProduct(element_size, count);
}

void CMyStlAllocator::free_map(void* map) { maw_free(map); }
