// CParamFunction: a parameter whose value is the text returned by a function
// that a user's shared library exports by name.
#ifndef ZELVAR_FUNCTION_PARAMFUNCTION_H_
#define ZELVAR_FUNCTION_PARAMFUNCTION_H_

#include <stdint.h>

#include "zelvar/host.h"
#include "zelvar/paramext.h"
#include "zelvar/udf.h"

class CParamFunction : public CParamExt {
 public:
  // Reads the settings from the record's section, resolves and loads the
  // library and binds the function. Never fails for what the section holds:
  // the object may come out with nothing bound. `record` and its context must
  // not be null. Throws std::bad_alloc only from the base (entry queue).
  CParamFunction(ParamHostRecord* record, const char* type_name);
  ~CParamFunction() override;

  int32_t ReservedOp2(intptr_t, intptr_t) override;
  int32_t SetAttrib(const char* key, const char* value, intptr_t) override;
  int32_t ReservedOp4(intptr_t) override;
  const char* GetAttrib(const char* key, int32_t* length) override;
  int32_t GetValue(const char** text, int32_t* length) override;
  int32_t UpdateValue(int32_t flags) override;

 private:
  void ResolveLibraryPath(const char* name);
  void LoadFunction();
  int32_t GenerateValue();
  // Out of line: inlined, it would make every GetValue save registers that
  // only the failure needs.
  [[gnu::cold, gnu::noinline]] void ReportGenerateFailure();

  int32_t m_liveMode = 0;
  void* m_section = nullptr;
  char* m_functionName = nullptr;
  char* m_ntLibraryName = nullptr;
  char* m_soLibraryName = nullptr;
  char* m_ktLibraryName = nullptr;
  char* m_axLibraryName = nullptr;
  char* m_libraryPath = nullptr;
  void* m_library = nullptr;
  UserValueFunction m_function = nullptr;
  GenerateNewValMode m_generateMode = EachOccurrence;
};

#endif  // ZELVAR_FUNCTION_PARAMFUNCTION_H_
