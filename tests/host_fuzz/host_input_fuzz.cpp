// Fuzz target for zelvar-host's inputs: the bytes are a parameter file and a
// template (see SplitInput); any broken rule of ReadHostInput aborts.
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "host_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One folder for the process, holding the one file each input writes.
  static const std::filesystem::path folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "zelvar-host-fuzz.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    return std::filesystem::path(pattern);
  }();
  std::string params;
  std::string text;
  zelvar_host_fuzz::SplitInput(data, size, &params, &text);
  const auto outcome = zelvar_host_fuzz::ReadHostInput(folder, params, text);
  if (outcome.problem) {
    std::fprintf(stderr, "zelvar-host input: %s\n", outcome.problem->c_str());
    std::abort();
  }
  return 0;
}
