#include "virtual_user.h"

#include <chrono>
#include <new>
#include <stdexcept>

#include "settar/settar_sections.h"

namespace zelvar_host {

void VirtualUser::SectionDeleter::operator()(void* section) const { configsection_destroy(section); }

VirtualUser::VirtualUser(const Plugin& plugin, const std::vector<Parameter>& parameters, int number,
                         int32_t engine_mode, Console& console)
    : stats_(parameters.size()), scope_{number, 0, &parameters, &stats_, &console} {
  context_.engine_mode = engine_mode;
  context_.report_error = &ReportRunFailure;
  ActiveReportScope active(scope_);
  for (const Parameter& parameter : parameters) {
    Slot& slot = slots_.emplace_back();
    slot.section.reset(configsection_clone(parameter.section));
    if (slot.section == nullptr) throw std::bad_alloc();
    slot.record.param_id = parameter.id;
    slot.record.section = slot.section.get();
    slot.record.context = &context_;
    slot.object = ObjectPtr(plugin.Create(&slot.record, parameter.type.c_str()), ObjectDeleter(&plugin));
    if (slot.object == nullptr) {
      throw std::runtime_error("the plug-in created no object for parameter " + parameter.name);
    }
  }
}

// Whole iterations are collected and written together: one lock and one
// write for many iterations keeps the users from queueing at the output.
void VirtualUser::Run(const TextTemplate& text, uint32_t iterations, Output& output, UserCounters& counters) {
  constexpr size_t kBatchBytes = 64 * 1024;
  ActiveReportScope active(scope_);
  std::string pending;
  for (uint32_t iteration = 1; iteration <= iterations; ++iteration) {
    scope_.iteration = iteration;
    if (iteration > 1) {
      for (Slot& slot : slots_) slot.object->UpdateValue(0);
    }
    counters.AddIteration(Render(text, pending));
    if (pending.size() >= kBatchBytes) {
      output.Write(pending);
      pending.clear();
    }
  }
  if (!pending.empty()) output.Write(pending);
}

uint64_t VirtualUser::Render(const TextTemplate& text, std::string& rendered) {
  using Clock = std::chrono::steady_clock;
  uint64_t values = 0;
  for (const TextTemplate::Piece& piece : text.pieces()) {
    if (piece.parameter < 0) {
      rendered += piece.literal;
      continue;
    }
    const char* value = nullptr;
    int32_t length = 0;
    const Clock::time_point start = Clock::now();
    slots_[static_cast<size_t>(piece.parameter)].object->GetValue(&value, &length);
    const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start);
    ParameterStats& stats = stats_[static_cast<size_t>(piece.parameter)];
    stats.latency.Record(static_cast<uint64_t>(elapsed.count()));
    if (value == nullptr) continue;
    ++stats.values;
    ++values;
    rendered.append(value, static_cast<size_t>(length));
  }
  return values;
}

}  // namespace zelvar_host
