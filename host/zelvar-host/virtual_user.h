// One virtual user: its own copy of every parameter's section, a record and
// an object per parameter, and one context for them all. Built on the main
// thread, then run on a thread of its own.
#ifndef ZELVAR_HOST_VIRTUAL_USER_H_
#define ZELVAR_HOST_VIRTUAL_USER_H_

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "console.h"
#include "output.h"
#include "parameter_file.h"
#include "parameter_stats.h"
#include "plugin.h"
#include "progress.h"
#include "run_report.h"
#include "text_template.h"

namespace zelvar_host {

class VirtualUser {
 public:
  // Creates the objects; with `engine_mode` 2 the plug-in produces their
  // first values now. std::runtime_error when the plug-in creates none.
  VirtualUser(const Plugin& plugin, const std::vector<Parameter>& parameters, int number, int32_t engine_mode,
              Console& console);
  VirtualUser(const VirtualUser&) = delete;
  VirtualUser& operator=(const VirtualUser&) = delete;

  // Renders the template once per iteration into `output`, advancing every
  // object with UpdateValue(0) before each iteration after the first.
  void Run(const TextTemplate& text, uint32_t iterations, Output& output, UserCounters& counters);

  const std::vector<ParameterStats>& stats() const { return stats_; }

 private:
  struct SectionDeleter {
    void operator()(void* section) const;
  };
  // Declared so that the object goes before the record and section it uses.
  struct Slot {
    std::unique_ptr<void, SectionDeleter> section;
    ParamHostRecord record{};
    ObjectPtr object;
  };

  // Appends one iteration's text; returns the values it took.
  uint64_t Render(const TextTemplate& text, std::string& rendered);

  ParamHostContext context_{};
  std::vector<ParameterStats> stats_;
  ReportScope scope_;
  std::deque<Slot> slots_;  // a deque: records keep their address
};

}  // namespace zelvar_host

#endif  // ZELVAR_HOST_VIRTUAL_USER_H_
