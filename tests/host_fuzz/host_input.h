// zelvar-host's two inputs, a parameter file and a template, read as the
// host reads them, with what must hold whatever the bytes: either they load,
// and then the sections carry the host's defaults and the template renders
// back to itself, or they fail with one clear line that names the file and
// the line at fault.
#ifndef ZELVAR_TESTS_HOST_FUZZ_HOST_INPUT_H_
#define ZELVAR_TESTS_HOST_FUZZ_HOST_INPUT_H_

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace zelvar_host_fuzz {

struct Outcome {
  // The InputError's text when the input was refused.
  std::optional<std::string> error;
  // Set when a rule above was broken: the finding.
  std::optional<std::string> problem;
};

// Writes the parameter file into `folder` as "params.ini" and reads both.
Outcome ReadHostInput(const std::filesystem::path& folder, const std::string& params, const std::string& text);

// A fuzz input: two bytes of parameter-file length (little-endian), the
// parameter file, then the template.
void SplitInput(const uint8_t* data, size_t size, std::string* params, std::string* text);

}  // namespace zelvar_host_fuzz

#endif  // ZELVAR_TESTS_HOST_FUZZ_HOST_INPUT_H_
