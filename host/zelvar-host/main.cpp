// zelvar-host: runs parameterised work through the zelvar plug-in.
// Exit status: 0 done, 1 the work failed (check: a parameter without a
// value), 2 bad input. Every error is one line on stderr.
#include <CLI/CLI.hpp>

#include <cstdint>
#include <exception>
#include <iostream>
#include <limits>

#include "commands.h"
#include "input_error.h"

namespace {

constexpr int kFailed = 1;
constexpr int kBadInput = 2;
constexpr uint32_t kMaxIterations = 1000000000;
constexpr uint32_t kMaxUsers = 1000;

void AddPluginOption(CLI::App& command, std::optional<std::string>& plugin) {
  command.add_option("--plugin", plugin, "libzelvar.so to load (default: the one installed with zelvar-host)");
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app("Runs parameterised work through the zelvar plug-in.", "zelvar-host");
  app.require_subcommand(1);

  zelvar_host::RunOptions run;
  CLI::App* run_command = app.add_subcommand("run", "render a template per virtual user and iteration");
  run_command->add_option("PARAMS", run.parameters, "parameter file (INI, one section per parameter)")->required();
  run_command->add_option("--template", run.template_path, "text with a {Name} place per parameter")->required();
  run_command->add_option("--iterations", run.iterations, "iterations per virtual user")
      ->check(CLI::Range(uint32_t{1}, kMaxIterations));
  run_command->add_option("--users", run.users, "virtual users, each on a thread of its own")
      ->check(CLI::Range(uint32_t{1}, kMaxUsers));
  run_command->add_option("--engine-mode", run.engine_mode, "engine mode given to the objects (2: live)");
  run_command->add_option("--output", run.output, "write the rendered text here instead of stdout");
  AddPluginOption(*run_command, run.plugin);

  std::string check_parameters;
  std::optional<std::string> check_plugin;
  CLI::App* check_command = app.add_subcommand("check", "explain how each parameter gets its value");
  check_command->add_option("PARAMS", check_parameters, "parameter file")->required();
  AddPluginOption(*check_command, check_plugin);

  std::optional<std::string> keys_plugin;
  CLI::App* keys_command = app.add_subcommand("keys", "print the attribute keys the plug-in reports");
  AddPluginOption(*keys_command, keys_plugin);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(error);
    std::cerr << "zelvar-host: " << error.what() << " (see zelvar-host --help)\n";
    return kBadInput;
  }

  try {
    if (*run_command) return zelvar_host::Run(run);
    if (*check_command) return zelvar_host::Check(check_parameters, check_plugin);
    return zelvar_host::Keys(keys_plugin);
  } catch (const zelvar_host::InputError& error) {
    std::cerr << "zelvar-host: " << error.what() << '\n';
    return kBadInput;
  } catch (const std::exception& error) {
    std::cerr << "zelvar-host: " << error.what() << '\n';
    return kFailed;
  }
}
