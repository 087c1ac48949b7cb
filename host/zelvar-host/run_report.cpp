#include "run_report.h"

#include <cstdio>
#include <string>

namespace zelvar_host {

namespace {

thread_local ReportScope* t_scope = nullptr;

// Built by appending: GCC 12 at -O3 takes "\"" + std::string(...) for an
// overlapping copy (-Wrestrict), a false alarm that would fail a -Werror
// Release build.
std::string Quoted(const char* text, const char* missing) {
  if (text == nullptr) return missing;
  std::string quoted = "\"";
  quoted += text;
  quoted += '"';
  return quoted;
}

}  // namespace

ActiveReportScope::ActiveReportScope(ReportScope& scope) : previous_(t_scope) { t_scope = &scope; }

ActiveReportScope::~ActiveReportScope() { t_scope = previous_; }

int ReportRunFailure(int32_t message_id, int32_t error_code, int32_t param_id, const char* function_name,
                     const char* library_path) {
  ReportScope& scope = *t_scope;
  const auto index = static_cast<size_t>(param_id) - 1;
  const bool known = param_id >= 1 && index < scope.parameters->size();
  if (known) ++(*scope.stats)[index].failures;
  const std::string when =
      scope.iteration == 0 ? "at creation" : "iteration " + std::to_string(scope.iteration);
  char codes[64];
  std::snprintf(codes, sizeof codes, "(message 0x%08X, error %d)", static_cast<unsigned>(message_id),
                static_cast<int>(error_code));
  scope.console->Line("zelvar-host: user " + std::to_string(scope.user) + ", " + when + ": parameter " +
                      (known ? (*scope.parameters)[index].name : "?") + " (id " + std::to_string(param_id) +
                      "): no value from function " + Quoted(function_name, "(none set)") + " in " +
                      Quoted(library_path, "(no library resolved)") + " " + codes);
  return 0;
}

}  // namespace zelvar_host
