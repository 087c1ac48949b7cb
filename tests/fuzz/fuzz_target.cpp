// The fuzz target: bytes become host operations, which run on the plug-in
// and on the reference model; any difference aborts.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Built once: the harness keeps the fixture libraries loaded.
  static zelvar_fuzz::Differential* const differential = new zelvar_fuzz::Differential(zelvar_fuzz::BuildWorld());
  static const zelvar_fuzz::Vocabulary vocabulary = zelvar_fuzz::BuildVocabulary(zelvar_fuzz::BuildWorld());
  const auto ops = zelvar_fuzz::Decode(data, size, vocabulary);
  if (auto difference = differential->Run(ops)) {
    std::fprintf(stderr, "plug-in and model differ: %s\n", difference->c_str());
    for (size_t i = 0; i < ops.size(); ++i) std::fprintf(stderr, "  %3zu %s\n", i, zelvar_fuzz::Describe(ops[i]).c_str());
    std::abort();
  }
  return 0;
}
