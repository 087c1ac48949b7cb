// The subcommands. Each returns the exit status; InputError for bad input.
#ifndef ZELVAR_HOST_COMMANDS_H_
#define ZELVAR_HOST_COMMANDS_H_

#include <cstdint>
#include <optional>
#include <string>

#include "zelvar/host.h"

namespace zelvar_host {

struct RunOptions {
  std::string parameters;
  std::string template_path;
  uint32_t iterations = 1;
  uint32_t users = 1;
  int32_t engine_mode = ZELVAR_ENGINE_MODE_LIVE;
  std::optional<std::string> output;
  std::optional<std::string> plugin;
};

// Renders the template per virtual user and iteration; 0 unless the output
// could not be written. Failed generations are reported and counted, and
// the run goes on.
int Run(const RunOptions& options);

// Explains each parameter; 0 only when every parameter yields a value.
int Check(const std::string& parameters, const std::optional<std::string>& plugin);

// Prints the plug-in's attribute keys, one a line.
int Keys(const std::optional<std::string>& plugin);

}  // namespace zelvar_host

#endif  // ZELVAR_HOST_COMMANDS_H_
