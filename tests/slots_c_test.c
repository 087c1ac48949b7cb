/* A host written in C: it knows the object only as a table of operations
 * and calls slot s >= 1 at table entry s + 1 (the virtual destructor takes
 * two entries under the Itanium C++ ABI), passing the object first. */
#include <dlfcn.h>
#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include "halvern32/halvern32_ledger.h"
#include "platform/settar.h"
#include "quenby/quenby_ledger.h"
#include "settar/settar_sections.h"
#include "zelvar/entry.h"

_Static_assert(offsetof(ParamHostRecord, param_id) == 0, "param_id");
_Static_assert(offsetof(ParamHostRecord, section) == 8, "section");
_Static_assert(offsetof(ParamHostRecord, context) == (sizeof(void*) == 4 ? 28 : 32), "context");
_Static_assert(offsetof(ParamHostContext, engine_mode) == 12, "engine_mode");
_Static_assert(offsetof(ParamHostContext, report_error) == 16, "report_error");

typedef int32_t (*GetParamIdSlot)(CParamExt*);
typedef int32_t (*SetAttribSlot)(CParamExt*, const char*, const char*, intptr_t);
typedef const char* (*GetAttribSlot)(CParamExt*, const char*, int32_t*);
typedef int32_t (*ValueSlot)(CParamExt*, const char**, int32_t*);
typedef int32_t (*ReservedOp11Slot)(CParamExt*);
typedef int32_t (*UpdateValueSlot)(CParamExt*, int32_t);
typedef void (*DeletingDestructor)(CParamExt*);

static int failures;
static int reports;

#define CHECK(condition)                                                   \
  do {                                                                     \
    if (!(condition)) {                                                    \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      ++failures;                                                          \
    }                                                                      \
  } while (0)

/* The table is an array of function pointers; calling through a generic
 * function pointer type keeps the casts between function types. */
typedef void (*AnyEntry)(void);

static AnyEntry Entry(CParamExt* object, int slot) {
  AnyEntry* table = *(AnyEntry**)object;
  return table[slot + 1];
}

static int ZELVAR_CDECL OnReport(int32_t message_id, int32_t error_code, int32_t param_id,
                                  const char* function_name, const char* library_path) {
  CHECK(message_id == UDF_MSG_GENERATE_FAILED);
  CHECK(error_code == UDF_ERR_GENERATE_FAILED);
  CHECK(param_id == 77);
  CHECK(function_name != NULL && strcmp(function_name, "Missing") == 0);
  CHECK(library_path != NULL && strcmp(library_path, ZELVAR_FIXTURE_BASIC) == 0);
  ++reports;
  return 0;
}

int main(void) {
  void* plugin = dlopen(ZELVAR_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
  if (plugin == NULL) {
    fprintf(stderr, "dlopen: %s\n", dlerror());
    return 1;
  }
  NewUserDefinedFunctionFn create = NULL;
  DeleteUserDefinedFunctionFn destroy = NULL;
  *(void**)&create = dlsym(plugin, "NewUserDefinedFunction");
  *(void**)&destroy = dlsym(plugin, "DeleteUserDefinedFunction");
  CHECK(create != NULL && destroy != NULL);
  if (create == NULL || destroy == NULL) return 1;

  void* section = configsection_create();
  configsection_set_attrib(section, "FunctionName", "Abc");
  configsection_set_attrib(section, "NTLibraryName", ZELVAR_FIXTURE_BASIC);
  configsection_set_attrib(section, "GenerateNewVal", "Once");
  ParamHostContext context = {0, 0, 0, 2, OnReport};
  ParamHostRecord record = {77, 0, section, 0, 0, 0, 0, &context};

  CParamExt* object = create(&record, "UserDefinedFunction");
  CHECK(object != NULL);
  if (object == NULL) return 1;

  CHECK(((GetParamIdSlot)Entry(object, 1))(object) == 77);
  CHECK(((ReservedOp11Slot)Entry(object, 11))(object) == -1);

  const char* text = NULL;
  int32_t length = -1;
  /* Live mode under Once: creation already produced the value. */
  CHECK(((ValueSlot)Entry(object, 7))(object, &text, &length) == 0);
  CHECK(text != NULL && strcmp(text, "abc") == 0 && length == 3);
  text = NULL;
  CHECK(((ValueSlot)Entry(object, 6))(object, &text, &length) == 0);
  CHECK(text != NULL && strcmp(text, "abc") == 0 && length == 3);

  CHECK(((SetAttribSlot)Entry(object, 3))(object, "OriginalValue", "o", 0) == 0);
  length = -1;
  CHECK(strcmp(((GetAttribSlot)Entry(object, 5))(object, "originalvalue", &length), "o") == 0);
  CHECK(length == -1);

  CHECK(((SetAttribSlot)Entry(object, 3))(object, "FunctionName", "Missing", 0) == 0);
  CHECK(((UpdateValueSlot)Entry(object, 12))(object, 1) == UDF_ERR_GENERATE_FAILED);
  CHECK(reports == 1);
  destroy(object);

  /* The deleting destructor (slot 0's second entry) returns the memory too. */
  object = create(&record, "UserDefinedFunction");
  CHECK(object != NULL);
  if (object != NULL) ((DeletingDestructor)Entry(object, 0))(object);

  configsection_destroy(section);
  CHECK(quenby_live_blocks() == 0);
  CHECK(halvern32_live_copies() == 0);
  CHECK(halvern32_live_libraries() == 0);
  return failures == 0 ? 0 : 1;
}
