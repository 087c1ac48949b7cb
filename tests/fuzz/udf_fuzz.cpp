// Value functions for the differential harness. The harness sets what
// FuzzValue does; both functions count their calls, so that the harness can
// tell exactly when the plug-in called them. Built twice, with a different
// ZELVAR_FUZZ_TAG, so that a rebinding to the other library shows in the
// texts.
#include <cstdio>
#include <stdexcept>
#include <string>

#include "zelvar/udf.h"

namespace {

int g_calls;
int g_mode;
std::string g_text;

// Both arguments are always 0; anything else shows as a text that no rule
// predicts.
const char* WrongArguments(intptr_t a, intptr_t b) {
  return a != 0 || b != 0 ? "nonzero-arguments" : nullptr;
}

}  // namespace

ZELVAR_UDF int FuzzCalls(void) { return g_calls; }

ZELVAR_UDF void FuzzReset(void) {
  g_calls = 0;
  g_mode = 0;
}

// The numbers are those of zelvar_model::FixtureMode.
ZELVAR_UDF void FuzzSetMode(int mode) { g_mode = mode; }

ZELVAR_UDF const char* FuzzValue(intptr_t a, intptr_t b) {
  const int call = ++g_calls;
  if (const char* wrong = WrongArguments(a, b)) return wrong;
  switch (g_mode) {
    case 1:
      return nullptr;
    case 2:
      throw std::runtime_error("no value today");
    case 3:
      return "";
    case 4:
      g_text.assign(5000, ZELVAR_FUZZ_TAG[0]);
      g_text += std::to_string(call);
      return g_text.c_str();
    case 5:
      throw 42;
    default:
      g_text = ZELVAR_FUZZ_TAG + std::to_string(call);
      return g_text.c_str();
  }
}

ZELVAR_UDF const char* FuzzConst(intptr_t a, intptr_t b) {
  ++g_calls;
  if (const char* wrong = WrongArguments(a, b)) return wrong;
  return "const-" ZELVAR_FUZZ_TAG;
}
