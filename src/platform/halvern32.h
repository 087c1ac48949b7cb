// Operating-system services of the host platform (halvern32), as the
// plug-in imports them. Bound when the plug-in loads.
#ifndef ZELVAR_PLATFORM_HALVERN32_H_
#define ZELVAR_PLATFORM_HALVERN32_H_

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

// Status of os_qvnetpath_create_net_path that means a path was built.
#define OS_QVNETPATH_OK 0x2000001

// A new copy, released only with os_strdup_free; null on failure.
char* os_strdup(const char* text);
void os_strdup_free(char* text);

// Zero when equal ignoring letter case.
int os_stricmp(const char* a, const char* b);
// Zero when the first `count` characters are equal; `flag` 1 ignores case.
int os_strnicmp(const char* a, const char* b, size_t count, int flag);

// Non-zero when a file exists at `path`.
int os_is_file_exist(const char* path);
int os_get_current_os_type(void);

// Builds a path from a library name and a network directory (may be null)
// into *out. OS_QVNETPATH_OK means *out was set and must be handed back with
// os_qvnetpath_free_path; on any other status *out is not to be touched.
int os_qvnetpath_create_net_path(const char* path, const char* net_dir, char** out, int os_type);
int os_qvnetpath_free_path(char** path);

// Library handle, null on failure.
void* os_load_library(const char* path);
// The named function, null when the library exports no such name.
void* os_get_proc_address(void* library, const char* name);
int os_unload_library(void* library);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // ZELVAR_PLATFORM_HALVERN32_H_
