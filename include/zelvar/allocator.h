// Allocator interface of the entry queue and its adapter over the host
// allocator (maw_malloc / maw_free). Every parameter object embeds one
// CMyStlAllocator; the queue of a table-like object takes its blocks from it.
#ifndef ZELVAR_ALLOCATOR_H_
#define ZELVAR_ALLOCATOR_H_

#include <stdint.h>

// Abstract source of queue storage. `hint` is the address of the queue that
// asks; implementations may ignore it. Allocation may return null.
class os_allocator_impl {
 public:
  virtual ~os_allocator_impl() {}
  virtual void* allocate_block(uint32_t element_size, uint32_t count, void* hint) = 0;
  virtual void free_block(void* block) = 0;
  virtual void* allocate_map(uint32_t element_size, uint32_t count, void* hint) = 0;
  virtual void free_map(void* map) = 0;
};

// Serves os_allocator_impl from maw_malloc / maw_free. Stateless. Returns
// null when element_size * count does not fit in 32 bits, instead of a block
// smaller than asked.
class CMyStlAllocator : public os_allocator_impl {
 public:
  void* allocate_block(uint32_t element_size, uint32_t count, void* hint) override;
  void free_block(void* block) override;
  void* allocate_map(uint32_t element_size, uint32_t count, void* hint) override;
  void free_map(void* map) override;
};

#endif  // ZELVAR_ALLOCATOR_H_
