// The host platform's memory allocator (quenby), as the plug-in imports it.
#ifndef ZELVAR_PLATFORM_QUENBY_H_
#define ZELVAR_PLATFORM_QUENBY_H_

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

// A block of at least `size` bytes, or null.
void* maw_malloc(size_t size);
// Releases a block from maw_malloc; null is ignored.
void maw_free(void* block);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // ZELVAR_PLATFORM_QUENBY_H_
