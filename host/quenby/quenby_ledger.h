// quenby's ledger of live blocks, for hosts and tests that check for leaks.
#ifndef QUENBY_LEDGER_H_
#define QUENBY_LEDGER_H_

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

// Blocks handed out by maw_malloc and not yet released. Thread-safe.
size_t quenby_live_blocks(void);
// Bytes asked for in those blocks.
size_t quenby_live_bytes(void);
// maw_malloc calls since the library was loaded, failed ones included.
size_t quenby_malloc_calls(void);

// Fault injection for tests: the `n`th maw_malloc call from now (1 = the
// next) returns null; 0 disarms. One fault at a time, for the whole process.
void quenby_fail_call(size_t n);

#ifdef __cplusplus
}
#endif

#endif  // QUENBY_LEDGER_H_
