// The host's report_error for runs. The plug-in passes no user data, so the
// virtual user, its iteration and its statistics come from the scope that
// the calling thread made current; the parameter is found by its id.
#ifndef ZELVAR_HOST_RUN_REPORT_H_
#define ZELVAR_HOST_RUN_REPORT_H_

#include <cstdint>
#include <vector>

#include "console.h"
#include "parameter_file.h"
#include "parameter_stats.h"
#include "zelvar/host.h"

namespace zelvar_host {

struct ReportScope {
  int user;
  uint32_t iteration;  // 0 while the user's objects are created
  const std::vector<Parameter>* parameters;
  std::vector<ParameterStats>* stats;  // indexed like `parameters`
  Console* console;
};

// Makes a scope current on the calling thread for its lifetime.
class ActiveReportScope {
 public:
  explicit ActiveReportScope(ReportScope& scope);
  ~ActiveReportScope();
  ActiveReportScope(const ActiveReportScope&) = delete;
  ActiveReportScope& operator=(const ActiveReportScope&) = delete;

 private:
  ReportScope* previous_;
};

// Prints one line naming the user, iteration, parameter and id, function
// and library path, and the codes; counts the failure. The run goes on.
int ZELVAR_CDECL ReportRunFailure(int32_t message_id, int32_t error_code, int32_t param_id,
                                  const char* function_name, const char* library_path);

}  // namespace zelvar_host

#endif  // ZELVAR_HOST_RUN_REPORT_H_
