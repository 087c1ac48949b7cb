// halvern32's ledger of what it has handed out and not had back, for hosts
// and tests that check for leaks. All counters are thread-safe.
#ifndef HALVERN32_LEDGER_H_
#define HALVERN32_LEDGER_H_

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

// The value os_get_current_os_type answers on this platform.
#define HALVERN32_OS_POSIX 3

// Statuses of os_qvnetpath_create_net_path besides OS_QVNETPATH_OK.
#define HALVERN32_NETPATH_NO_NAME 0x2000010     // name null or empty
#define HALVERN32_NETPATH_NO_NET_DIR 0x2000011  // network directory null or empty
#define HALVERN32_NETPATH_NOT_FOUND 0x2000012   // joined path names no file
#define HALVERN32_NETPATH_NO_MEMORY 0x2000013
#define HALVERN32_NETPATH_BAD_ARGUMENT 0x2000014  // null output pointer

// Copies from os_strdup not yet given to os_strdup_free.
size_t halvern32_live_copies(void);
// Paths from os_qvnetpath_create_net_path not yet freed.
size_t halvern32_live_paths(void);
// Handles from os_load_library not yet unloaded.
size_t halvern32_live_libraries(void);

// Fault injection for tests. The calls that can be made to fail are
// os_strdup, os_load_library, os_get_proc_address and
// os_qvnetpath_create_net_path (which then answers
// HALVERN32_NETPATH_NO_MEMORY); the others always work.
// halvern32_fallible_calls counts them since the library was loaded.
size_t halvern32_fallible_calls(void);
// The `n`th fallible call from now (1 = the next) fails; 0 disarms. One
// fault at a time, for the whole process.
void halvern32_fail_call(size_t n);

#ifdef __cplusplus
}
#endif

#endif  // HALVERN32_LEDGER_H_
