#include "summary.h"

#include <algorithm>
#include <cstdio>

#include "text_format.h"

namespace zelvar_host {

namespace {

std::string Row(int name_width, const std::string& name, const std::string& values, const std::string& failures,
                const std::string& median, const std::string& p99, const std::string& max) {
  char line[512];
  std::snprintf(line, sizeof line, "  %-*s %10s %8s %10s %10s %10s", name_width, name.c_str(), values.c_str(),
                failures.c_str(), median.c_str(), p99.c_str(), max.c_str());
  return line;
}

// A quantile of the GetValue latency, or the maximum for `q` 1.
std::string Latency(const ParameterStats& stats, double q) {
  if (stats.latency.count() == 0) return "-";
  return FormatNanoseconds(q < 1.0 ? stats.latency.Quantile(q) : stats.latency.max());
}

}  // namespace

std::vector<std::string> Summary(const RunShape& shape, const std::vector<Parameter>& parameters,
                                 const std::vector<ParameterStats>& totals) {
  int width = 9;
  for (const Parameter& parameter : parameters) width = std::max(width, static_cast<int>(parameter.name.size()));
  std::vector<std::string> lines;
  char heading[160];
  std::snprintf(heading, sizeof heading, "summary: %u user%s x %u iteration%s in %.3f s", shape.users,
                shape.users == 1 ? "" : "s", shape.iterations, shape.iterations == 1 ? "" : "s", shape.seconds);
  lines.push_back(heading);
  lines.push_back(Row(width, "parameter", "values", "failed", "median", "p99", "max"));
  ParameterStats all;
  for (size_t index = 0; index < parameters.size(); ++index) {
    const ParameterStats& stats = totals[index];
    all.Merge(stats);
    lines.push_back(Row(width, parameters[index].name, std::to_string(stats.values), std::to_string(stats.failures),
                        Latency(stats, 0.5), Latency(stats, 0.99), Latency(stats, 1.0)));
  }
  lines.push_back(Row(width, "total", std::to_string(all.values), std::to_string(all.failures), Latency(all, 0.5),
                      Latency(all, 0.99), Latency(all, 1.0)));
  char rate[96];
  std::snprintf(rate, sizeof rate, "  %.0f values/s",
                shape.seconds > 0 ? static_cast<double>(all.values) / shape.seconds : 0.0);
  lines.push_back(rate);
  return lines;
}

}  // namespace zelvar_host
