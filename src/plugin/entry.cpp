// The library's exported entry points. No exception leaves them.
#include <cstddef>

#include "function/paramfunction.h"
#include "zelvar/entry.h"

// The host reads its record and context at these offsets: the layout is a
// contract, and a change of these declarations must not pass unnoticed.
static_assert(offsetof(ParamHostRecord, param_id) == 0);
static_assert(offsetof(ParamHostRecord, section) == 8);
static_assert(offsetof(ParamHostRecord, context) == (sizeof(void*) == 4 ? 28 : 32));
static_assert(offsetof(ParamHostContext, engine_mode) == 12);
static_assert(offsetof(ParamHostContext, report_error) == 16);
#if defined(__i386__)
static_assert(sizeof(void*) == 4);
#endif

namespace {

constexpr char kAttribKeyList[] =
    "value,ParamName,Type,GenerateNewVal,OriginalValue,FunctionName,NTLibraryName,SOLibraryName,"
    "KTLibraryName,AXLibraryName";

}  // namespace

extern "C" int32_t UserDefinedFunctionPPInit(void) { return 0; }

extern "C" void UserDefinedFunctionPPTerminate(void) {}

// The memory comes from the host allocator (MNew); a null block yields a
// null object without running the constructor. The only exception a
// constructor can raise is a failed entry queue, after which the new
// expression has already given the block back.
extern "C" CParamExt* NewUserDefinedFunction(ParamHostRecord* record, const char* type_name) {
  if (record == nullptr || record->context == nullptr || type_name == nullptr) return nullptr;
  CParamExt* object = nullptr;
  try {
    object = new CParamFunction(record, type_name);
  } catch (...) {
    return nullptr;
  }
  if (object == nullptr) return nullptr;
  if (record->context->engine_mode == ZELVAR_ENGINE_MODE_LIVE) object->UpdateValue(0);
  return object;
}

extern "C" void DeleteUserDefinedFunction(CParamExt* object) { delete object; }

extern "C" const char* GetUserDefinedFunctionAttribKeyList(void) { return kAttribKeyList; }
