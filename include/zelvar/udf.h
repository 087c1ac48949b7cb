/* SDK for value-function authors.
 *
 * A value function is exported from your shared library under an
 * undecorated name and has the signature of UserValueFunction:
 *
 *   #include <zelvar/udf.h>
 *   ZELVAR_UDF const char* OrderId(intptr_t, intptr_t) {
 *     static _Thread_local char text[32];  // thread_local in C++
 *     ...
 *     return text;
 *   }
 *
 * Contract:
 * - Both arguments are always 0.
 * - The returned text is copied at once, so a static or thread-local buffer
 *   is fine; it must stay valid until the function returns.
 * - Virtual users run on separate threads and may call the same function at
 *   the same time: keep shared state thread-safe.
 * - Returning null means "no value"; the next request calls you again.
 * - A thrown C++ exception is caught and reported as a failed generation.
 *   A crash (invalid memory access, division by zero) is not caught: it
 *   takes the host process down.
 */
#ifndef ZELVAR_UDF_H_
#define ZELVAR_UDF_H_

#include <stdint.h>

#include "zelvar/export.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef const char*(ZELVAR_CDECL* UserValueFunction)(intptr_t, intptr_t);

#ifdef __cplusplus
}
#  define ZELVAR_UDF_LINKAGE extern "C"
#else
#  define ZELVAR_UDF_LINKAGE
#endif

/* Put in front of a value function's definition: C linkage, exported from
 * the shared library, called with the caller-cleans convention. Use as
 *   ZELVAR_UDF const char* ZELVAR_CDECL Name(intptr_t, intptr_t) { ... }
 * (ZELVAR_CDECL is empty on Linux). */
#if defined(_WIN32)
#  define ZELVAR_UDF ZELVAR_UDF_LINKAGE __declspec(dllexport)
#else
#  define ZELVAR_UDF ZELVAR_UDF_LINKAGE __attribute__((visibility("default")))
#endif

#endif /* ZELVAR_UDF_H_ */
