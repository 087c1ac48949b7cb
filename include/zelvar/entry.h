/* The five entry points of libzelvar.so. Undecorated C names; a host may
 * link against the library or look them up with dlsym under these names. */
#ifndef ZELVAR_ENTRY_H_
#define ZELVAR_ENTRY_H_

#include "zelvar/export.h"
#include "zelvar/host.h"

#ifdef __cplusplus
class CParamExt;
extern "C" {
#else
/* A C host sees the object as opaque and calls it through its table of
 * virtual operations (see paramext.h for the slot order). */
typedef struct CParamExt CParamExt;
#endif

/* Does nothing and returns 0, however often it is called. The other entry
 * points work whether or not it was called. */
ZELVAR_EXPORT int32_t UserDefinedFunctionPPInit(void);

/* Does nothing: objects created before it stay usable. */
ZELVAR_EXPORT void UserDefinedFunctionPPTerminate(void);

/* Creates a user-defined-function parameter from the host's record and the
 * type text. The record, its context and its section must stay valid until
 * the object is deleted; the type text is copied. When the context's
 * engine_mode is 2 the object gets UpdateValue(0) before it is returned.
 * Returns null, having created nothing, when record, record->context or
 * type_name is null, or when no memory is left. Never throws. */
ZELVAR_EXPORT CParamExt* NewUserDefinedFunction(ParamHostRecord* record, const char* type_name);

/* Destroys an object that NewUserDefinedFunction returned and gives back
 * everything it holds. Null is ignored. Never throws. */
ZELVAR_EXPORT void DeleteUserDefinedFunction(CParamExt* object);

/* The attribute keys of a user-defined-function parameter, joined by commas.
 * The same constant text at the same address on every call; the caller
 * neither changes nor releases it. */
ZELVAR_EXPORT const char* GetUserDefinedFunctionAttribKeyList(void);

/* Pointer types for hosts that bind the entry points with dlsym. */
typedef int32_t (*UserDefinedFunctionPPInitFn)(void);
typedef void (*UserDefinedFunctionPPTerminateFn)(void);
typedef CParamExt* (*NewUserDefinedFunctionFn)(ParamHostRecord*, const char*);
typedef void (*DeleteUserDefinedFunctionFn)(CParamExt*);
typedef const char* (*GetUserDefinedFunctionAttribKeyListFn)(void);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* ZELVAR_ENTRY_H_ */
