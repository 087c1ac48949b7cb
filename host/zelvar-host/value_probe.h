// The first value of one parameter, produced through the plug-in as a run
// would, but in a child process: a value function that crashes takes only
// the child down, and the parent reports the signal.
#ifndef ZELVAR_HOST_VALUE_PROBE_H_
#define ZELVAR_HOST_VALUE_PROBE_H_

#include <cstdint>
#include <string>

#include "parameter_file.h"
#include "plugin.h"

namespace zelvar_host {

struct ProbeResult {
  enum class Outcome {
    kValue,     // a text, maybe empty
    kNull,      // the function returned null
    kFailed,    // GetValue failed; the plug-in reported it
    kNoObject,  // the plug-in created no object
    kCrashed,   // the child died of `signal`
    kNoAnswer,  // the child ended with `exit_status` before answering
  };
  Outcome outcome;
  std::string value;
  uint64_t nanoseconds = 0;  // of the GetValue call
  int32_t error_code = 0;    // GetValue's result
  bool reported = false;     // report_error was called
  int signal = 0;
  int exit_status = 0;
};

// Creates the object outside live mode, so that the first GetValue is the
// call that generates the value, and times that call.
ProbeResult ProbeFirstValue(const Plugin& plugin, const Parameter& parameter);

}  // namespace zelvar_host

#endif  // ZELVAR_HOST_VALUE_PROBE_H_
