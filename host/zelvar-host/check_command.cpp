// zelvar-host check: walks each parameter through the steps the plug-in
// takes (resolve the library, load it, bind the function, parse the policy,
// generate a value) and says in plain words how far it gets and why not.
// The first four steps are retraced here through the same platform calls;
// the value comes from the plug-in itself, in a child process.
#include <dlfcn.h>
#include <string.h>

#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "commands.h"
#include "parameter_file.h"
#include "platform/halvern32.h"
#include "platform/settar.h"
#include "plugin.h"
#include "text_format.h"
#include "value_probe.h"

namespace zelvar_host {

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// One line of the explanation, its label in a column of its own.
void Say(std::string_view label, const std::string& text) {
  std::cout << "  " << label << std::string(10 - label.size(), ' ') << text << '\n';
}

// The reason a step failed, kept to explain a missing value.
using Obstacle = std::optional<std::string>;

std::optional<std::string> ResolveLibrary(void* section, Obstacle& obstacle) {
  const char* name = configsection_get_attrib_val(section, "NTLibraryName");
  if (name == nullptr) {
    Say("library", "none: the section has no NTLibraryName");
    obstacle = "no library is named";
    return std::nullopt;
  }
  Say("library", Quoted(name));
  if (os_is_file_exist(name) != 0) {
    Say("resolved", "as a file: " + std::filesystem::absolute(name).lexically_normal().string());
    return name;
  }
  const char* net_dir = configsection_get_attrib_val(section, "net_dir");
  char* built = nullptr;
  if (os_qvnetpath_create_net_path(name, net_dir, &built, os_get_current_os_type()) == OS_QVNETPATH_OK) {
    std::string path = built;
    os_qvnetpath_free_path(&built);
    Say("resolved", "through net_dir " + Quoted(net_dir) + ": " + path);
    return path;
  }
  Say("resolved", "not at all: no file " + Quoted(name) + " in the working directory " +
                      std::filesystem::current_path().string() + ", nor in net_dir " + Quoted(net_dir ? net_dir : ""));
  obstacle = "the library was not found";
  return std::nullopt;
}

void* LoadLibrary(const std::optional<std::string>& path, Obstacle& obstacle) {
  if (!path) {
    Say("loads", "not tried");
    return nullptr;
  }
  dlerror();
  void* library = os_load_library(path->c_str());
  if (library != nullptr) {
    Say("loads", "yes");
    return library;
  }
  const char* why = dlerror();
  Say("loads", std::string("no: ") + (why != nullptr ? why : "the loader gave no reason"));
  obstacle = "the library does not load";
  return nullptr;
}

void FindFunction(void* section, void* library, Obstacle& obstacle) {
  const char* name = configsection_get_attrib_val(section, "FunctionName");
  if (name == nullptr || *name == '\0') {
    Say("function", "none: the section has no FunctionName");
    if (!obstacle) obstacle = "no function is named";
  } else if (library == nullptr) {
    Say("function", Quoted(name) + ", not looked up");
  } else if (os_get_proc_address(library, name) != nullptr) {
    Say("function", Quoted(name) + " is exported");
  } else {
    Say("function", Quoted(name) + " is not exported by the library");
    obstacle = "the function is not exported";
  }
}

void DescribePolicy(void* section) {
  const char* text = configsection_get_attrib_val(section, "GenerateNewVal");
  if (text == nullptr) return Say("policy", "EachOccurrence (the default: no GenerateNewVal)");
  for (const char* policy : {"EachOccurrence", "EachIteration", "Once"}) {
    if (os_stricmp(text, policy) == 0) return Say("policy", policy);
  }
  Say("policy", "EachOccurrence (the default: " + Quoted(text) + " is not EachOccurrence, EachIteration or Once)");
}

bool DescribeValue(const ProbeResult& probe, const Obstacle& obstacle) {
  using Outcome = ProbeResult::Outcome;
  const std::string took = " in " + FormatNanoseconds(probe.nanoseconds);
  switch (probe.outcome) {
    case Outcome::kValue:
      Say("value", QuoteValue(probe.value) + " (" + std::to_string(probe.value.size()) + " bytes)" + took);
      return true;
    case Outcome::kNull:
      Say("value", "none: the function returned null" + took);
      break;
    case Outcome::kFailed:
      Say("value", "none: " + (obstacle ? *obstacle : std::string("the function threw")) + "; GetValue gave " +
                       std::to_string(probe.error_code) + (probe.reported ? ", reported as a failed generation" : ""));
      break;
    case Outcome::kNoObject:
      Say("value", "none: the plug-in created no object");
      break;
    case Outcome::kCrashed:
      Say("value", "none: the value function crashed with signal " + std::to_string(probe.signal) + " (" +
                       strsignal(probe.signal) + ")");
      break;
    case Outcome::kNoAnswer:
      Say("value", "none: the process ended with status " + std::to_string(probe.exit_status) +
                       " before a value came back");
      break;
  }
  return false;
}

bool CheckParameter(const Plugin& plugin, const Parameter& parameter) {
  std::cout << '[' << parameter.name << "]\n";
  Obstacle obstacle;
  const std::optional<std::string> path = ResolveLibrary(parameter.section, obstacle);
  void* library = LoadLibrary(path, obstacle);
  FindFunction(parameter.section, library, obstacle);
  if (library != nullptr) os_unload_library(library);
  DescribePolicy(parameter.section);
  std::cout.flush();
  return DescribeValue(ProbeFirstValue(plugin, parameter), obstacle);
}

}  // namespace

int Check(const std::string& parameters_path, const std::optional<std::string>& plugin_path) {
  const ParameterFile parameters(parameters_path);
  const Plugin plugin(PluginPath(plugin_path));
  const PluginSession session(plugin);
  size_t yielding = 0;
  for (const Parameter& parameter : parameters.parameters()) {
    if (CheckParameter(plugin, parameter)) ++yielding;
    std::cout << '\n';
  }
  std::cout << "check: " << yielding << " of " << parameters.parameters().size() << " parameters yield a value\n";
  return yielding == parameters.parameters().size() ? 0 : 1;
}

}  // namespace zelvar_host
