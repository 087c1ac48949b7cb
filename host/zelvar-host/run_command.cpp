// zelvar-host run: everything the user named is read and checked before the
// first object is created, so bad input ends the program before any output.
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "commands.h"
#include "console.h"
#include "output.h"
#include "parameter_file.h"
#include "plugin.h"
#include "progress.h"
#include "summary.h"
#include "text_template.h"
#include "virtual_user.h"

namespace zelvar_host {

int Run(const RunOptions& options) {
  const ParameterFile parameters(options.parameters);
  const TextTemplate text = TextTemplate::Load(options.template_path, parameters.Names());
  const Plugin plugin(PluginPath(options.plugin));
  Output output(options.output);
  Console console;

  const PluginSession session(plugin);
  std::vector<std::unique_ptr<VirtualUser>> users;
  for (uint32_t number = 1; number <= options.users; ++number) {
    users.push_back(std::make_unique<VirtualUser>(plugin, parameters.parameters(), static_cast<int>(number),
                                                  options.engine_mode, console));
  }

  RunCounters counters;
  const auto start = std::chrono::steady_clock::now();
  {  // the users' threads end here, then the progress line
    Progress progress(console, counters, uint64_t{options.users} * options.iterations);
    std::vector<std::jthread> threads;
    for (const auto& user : users) {
      threads.emplace_back([&, user = user.get()] { user->Run(text, options.iterations, output, counters); });
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  output.Commit();

  std::vector<ParameterStats> totals(parameters.parameters().size());
  for (const auto& user : users) {
    for (size_t index = 0; index < totals.size(); ++index) totals[index].Merge(user->stats()[index]);
  }
  const RunShape shape{options.users, options.iterations, seconds};
  for (const std::string& line : Summary(shape, parameters.parameters(), totals)) console.Line(line);
  return 0;
}

}  // namespace zelvar_host
