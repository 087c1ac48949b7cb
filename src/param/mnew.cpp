// Parameter objects live in the host allocator's memory.
#include "platform/quenby.h"
#include "zelvar/paramext.h"

void* MNew::operator new(size_t size) noexcept { return maw_malloc(size); }

void MNew::operator delete(void* block) noexcept { maw_free(block); }
