// The table printed at the end of a run.
#ifndef ZELVAR_HOST_SUMMARY_H_
#define ZELVAR_HOST_SUMMARY_H_

#include <cstdint>
#include <string>
#include <vector>

#include "parameter_file.h"
#include "parameter_stats.h"

namespace zelvar_host {

struct RunShape {
  uint32_t users;
  uint32_t iterations;
  double seconds;  // wall time of the iterations, creation excluded
};

// Per parameter: values handed out, failed generations and GetValue
// latency (median, 99th percentile, max); then the totals and values per
// second. One line per row, ready for the console.
std::vector<std::string> Summary(const RunShape& shape, const std::vector<Parameter>& parameters,
                                 const std::vector<ParameterStats>& totals);

}  // namespace zelvar_host

#endif  // ZELVAR_HOST_SUMMARY_H_
