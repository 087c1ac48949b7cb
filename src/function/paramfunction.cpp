#include "function/paramfunction.h"

#include <cxxabi.h>

#include <cstring>

#include "platform/halvern32.h"
#include "platform/settar.h"

namespace {

// The key every text of which selects the value in SetAttrib.
constexpr char kValueKey[] = "value";

bool IsSet(const char* text) { return text != nullptr && *text != '\0'; }

void ReleaseText(char*& field) {
  if (field == nullptr) return;
  os_strdup_free(field);
  field = nullptr;
}

// Copies before releasing, so that a host may pass back a text that this
// very field handed out.
void ReplaceText(char*& field, const char* text) {
  char* copy = os_strdup(text);
  ReleaseText(field);
  field = copy;
}

char* CopySetting(void* section, const char* key) {
  const char* text = configsection_get_attrib_val(section, key);
  return text != nullptr ? os_strdup(text) : nullptr;
}

GenerateNewValMode ParseGenerateMode(const char* text) {
  GenerateNewValMode mode = EachOccurrence;
  if (text == nullptr) return mode;
  if (os_stricmp(text, "EachOccurrence") == 0) mode = EachOccurrence;
  if (os_stricmp(text, "EachIteration") == 0) mode = EachIteration;
  if (os_stricmp(text, "Once") == 0) mode = Once;
  return mode;
}

}  // namespace

CParamFunction::CParamFunction(ParamHostRecord* record, const char* type_name)
    : CParamExt(record, type_name),
      m_liveMode(record->context->engine_mode == ZELVAR_ENGINE_MODE_LIVE ? 1 : 0),
      m_section(record->section) {
  m_functionName = CopySetting(m_section, "FunctionName");
  m_ntLibraryName = CopySetting(m_section, "NTLibraryName");
  ResolveLibraryPath(m_ntLibraryName);
  m_soLibraryName = CopySetting(m_section, "SOLibraryName");
  m_ktLibraryName = CopySetting(m_section, "KTLibraryName");
  m_axLibraryName = CopySetting(m_section, "AXLibraryName");
  LoadFunction();
  m_generateMode = ParseGenerateMode(configsection_get_attrib_val(m_section, "GenerateNewVal"));
}

CParamFunction::~CParamFunction() {
  ReleaseText(m_functionName);
  ReleaseText(m_libraryPath);
  ReleaseText(m_ntLibraryName);
  ReleaseText(m_soLibraryName);
  ReleaseText(m_ktLibraryName);
  ReleaseText(m_axLibraryName);
  ReleaseText(m_value);
  if (m_library != nullptr) os_unload_library(m_library);
}

// A name that is not a file is looked up through the section's "net_dir".
// A missing name resolves to nothing without asking the platform.
void CParamFunction::ResolveLibraryPath(const char* name) {
  ReleaseText(m_libraryPath);
  if (name == nullptr) return;
  if (os_is_file_exist(name) != 0) {
    m_libraryPath = os_strdup(name);
    return;
  }
  const int os_type = os_get_current_os_type();
  const char* net_dir = configsection_get_attrib_val(m_section, "net_dir");
  char* built = nullptr;
  if (os_qvnetpath_create_net_path(name, net_dir, &built, os_type) != OS_QVNETPATH_OK) return;
  m_libraryPath = os_strdup(built);
  os_qvnetpath_free_path(&built);
}

// Without both a path and a name the earlier binding stays. Otherwise the
// library is loaded afresh even when the path is unchanged, so a rebuilt
// library is picked up.
void CParamFunction::LoadFunction() {
  if (!IsSet(m_libraryPath) || !IsSet(m_functionName)) return;
  m_function = nullptr;
  if (m_library != nullptr) os_unload_library(m_library);
  m_library = os_load_library(m_libraryPath);
  if (m_library == nullptr) return;
  m_function = reinterpret_cast<UserValueFunction>(os_get_proc_address(m_library, m_functionName));
}

int32_t CParamFunction::GenerateValue() {
  ReleaseText(m_value);
  if (m_function != nullptr) {
    try {
      const char* text = m_function(0, 0);
      if (text != nullptr) m_value = os_strdup(text);
      return UDF_OK;
    } catch (abi::__forced_unwind&) {
      throw;  // thread cancellation must reach the thread's end
    } catch (...) {
    }
  }
  ReportGenerateFailure();
  return UDF_ERR_GENERATE_FAILED;
}

void CParamFunction::ReportGenerateFailure() {
  if (m_paramRecord == nullptr) return;
  const ParamHostContext* context = m_paramRecord->context;
  if (context == nullptr || context->report_error == nullptr) return;
  context->report_error(UDF_MSG_GENERATE_FAILED, UDF_ERR_GENERATE_FAILED, GetParamId(), m_functionName,
                        m_libraryPath);
}

int32_t CParamFunction::ReservedOp2(intptr_t, intptr_t) { return UDF_ERR_UNSUPPORTED; }

int32_t CParamFunction::ReservedOp4(intptr_t) { return UDF_ERR_UNSUPPORTED; }

// A held value that the policy keeps is handed out on a short path of its
// own: under Once and EachIteration that is nearly every call.
int32_t CParamFunction::GetValue(const char** text, int32_t* length) {
  if (m_value != nullptr && (m_liveMode != 1 || m_generateMode != EachOccurrence)) {
    CParamExt::GetCurrentValue(text, length);
    return UDF_OK;
  }
  const int32_t result = GenerateValue();
  CParamExt::GetCurrentValue(text, length);
  return result;
}

int32_t CParamFunction::UpdateValue(int32_t flags) {
  const bool forced = (flags & 1) != 0;
  const bool once_without_value = m_value == nullptr && m_generateMode != EachOccurrence;
  if (forced || m_generateMode == EachIteration || once_without_value) return GenerateValue();
  return UDF_OK;
}

// "value" and its case-insensitive beginnings (the empty key included) set
// the value alone. The other known keys replace their field, if any, write
// the section under the caller's own key text and rebind where the binding
// depends on them.
int32_t CParamFunction::SetAttrib(const char* key, const char* value, intptr_t) {
  if (key == nullptr || value == nullptr) return UDF_ERR_UNSUPPORTED;
  if (os_strnicmp(key, kValueKey, std::strlen(key), 1) == 0) {
    ReplaceText(m_value, value);
    return UDF_OK;
  }
  enum class Rebind { kNone, kFunction, kLibrary };
  static constexpr struct {
    const char* key;
    char* CParamFunction::*field;
    Rebind rebind;
  } kWritable[] = {
      {"OriginalValue", nullptr, Rebind::kNone},
      {"FunctionName", &CParamFunction::m_functionName, Rebind::kFunction},
      {"NTLibraryName", &CParamFunction::m_ntLibraryName, Rebind::kLibrary},
      {"SOLibraryName", &CParamFunction::m_soLibraryName, Rebind::kNone},
      {"KTLibraryName", &CParamFunction::m_ktLibraryName, Rebind::kNone},
      {"AXLibraryName", &CParamFunction::m_axLibraryName, Rebind::kNone},
      {"GenerateNewVal", nullptr, Rebind::kNone},
  };
  for (const auto& row : kWritable) {
    if (os_stricmp(key, row.key) != 0) continue;
    // The key or the value may be the very text this field handed out, and
    // the section write still reads both: the old copy goes only after it.
    char* released = nullptr;
    if (row.field != nullptr) {
      released = this->*row.field;
      this->*row.field = os_strdup(value);
    }
    const int32_t result = configsection_set_attrib(m_section, key, value);
    if (released != nullptr) os_strdup_free(released);
    if (row.rebind == Rebind::kLibrary) ResolveLibraryPath(m_ntLibraryName);
    if (row.rebind != Rebind::kNone) LoadFunction();
    return result;
  }
  return UDF_OK;
}

// Section-backed keys are read under their own spelling, not the caller's.
const char* CParamFunction::GetAttrib(const char* key, int32_t* length) {
  if (key == nullptr) return nullptr;
  if (os_stricmp(key, kValueKey) == 0) {
    const char* text = nullptr;
    GetValue(&text, length);
    return text;
  }
  static constexpr struct {
    const char* key;
    char* CParamFunction::*field;  // null: read from the section
  } kReadable[] = {
      {"ParamName", nullptr},
      {"Type", &CParamFunction::m_typeName},
      {"FunctionName", &CParamFunction::m_functionName},
      {"NTLibraryName", &CParamFunction::m_ntLibraryName},
      {"SOLibraryName", &CParamFunction::m_soLibraryName},
      {"KTLibraryName", &CParamFunction::m_ktLibraryName},
      {"AXLibraryName", &CParamFunction::m_axLibraryName},
      {"GenerateNewVal", nullptr},
      {"OriginalValue", nullptr},
  };
  for (const auto& row : kReadable) {
    if (os_stricmp(key, row.key) != 0) continue;
    return row.field != nullptr ? this->*row.field : configsection_get_attrib_val(m_section, row.key);
  }
  return nullptr;
}
