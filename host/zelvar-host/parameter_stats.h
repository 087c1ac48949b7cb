// What one parameter did during a run, per virtual user, then summed.
#ifndef ZELVAR_HOST_PARAMETER_STATS_H_
#define ZELVAR_HOST_PARAMETER_STATS_H_

#include <cstdint>

#include "latency_histogram.h"

namespace zelvar_host {

struct ParameterStats {
  uint64_t values = 0;        // GetValue calls that handed out a text
  uint64_t failures = 0;      // failed generations the plug-in reported
  LatencyHistogram latency;   // of every GetValue call

  void Merge(const ParameterStats& other) {
    values += other.values;
    failures += other.failures;
    latency.Merge(other.latency);
  }
};

}  // namespace zelvar_host

#endif  // ZELVAR_HOST_PARAMETER_STATS_H_
