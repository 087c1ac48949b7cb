#include <cstring>

#include "param/blockdeque.h"
#include "platform/quenby.h"
#include "platform/settar.h"
#include "zelvar/paramext.h"

namespace {

// Only these exact texts are table-like: letter case and trailing blanks
// count.
bool IsTableLike(const char* type_name) {
  return std::strcmp(type_name, "Table") == 0 || std::strcmp(type_name, "Spreadsheet") == 0;
}

// The copy of the type text comes from the host allocator. A copy that
// cannot be made leaves the object without a type text rather than without
// an object.
char* CopyTypeName(const char* type_name) {
  const size_t size = std::strlen(type_name) + 1;
  auto* copy = static_cast<char*>(maw_malloc(size));
  if (copy != nullptr) std::memcpy(copy, type_name, size);
  return copy;
}

}  // namespace

CParamExt::CParamExt(ParamHostRecord* record, const char* type_name) : m_paramRecord(record) {
  if (record != nullptr) m_paramId = record->param_id;
  if (type_name != nullptr) m_typeName = CopyTypeName(type_name);
  if (record != nullptr && record->section != nullptr) {
    m_scope = configsection_get_attrib_val(record->section, "Scope");
  }
  if (type_name == nullptr || !IsTableLike(type_name)) return;
  // The queue is copy-built from one over m_allocator, so that it takes its
  // blocks from the object's allocator and its maps from the global
  // operators. The destructor does not run when a constructor throws, so
  // the type text is given back here.
  try {
    BlockDeque temporary(&m_allocator);
    m_entryQueue = new BlockDeque(temporary);
  } catch (...) {
    maw_free(m_typeName);
    m_typeName = nullptr;
    throw;
  }
}

CParamExt::~CParamExt() {
  if (m_typeName != nullptr) maw_free(m_typeName);
  delete m_entryQueue;
}

int32_t CParamExt::GetParamId() { return m_paramId; }

// Read once: a store through `text` could otherwise be taken to change
// m_value.
int32_t CParamExt::GetCurrentValue(const char** text, int32_t* length) {
  const char* value = m_value;
  if (text != nullptr) *text = value;
  if (length != nullptr) *length = value != nullptr ? static_cast<int32_t>(std::strlen(value)) : 0;
  return UDF_OK;
}

int32_t CParamExt::ReservedOp8(intptr_t, intptr_t) { return UDF_ERR_UNSUPPORTED; }
int32_t CParamExt::ReservedOp9(intptr_t, intptr_t, intptr_t) { return UDF_ERR_UNSUPPORTED; }
int32_t CParamExt::ReservedOp10(intptr_t) { return UDF_ERR_UNSUPPORTED; }
int32_t CParamExt::ReservedOp11() { return UDF_ERR_UNSUPPORTED; }
