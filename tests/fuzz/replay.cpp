// Runs the fuzz target without libFuzzer, so that every build checks the
// seeds and the saved inputs of earlier findings:
//
//   zelvar_fuzz_replay FILE|DIR...         run each input once
//   zelvar_fuzz_replay --write-seeds DIR   write the seed corpus into DIR,
//                                          after checking that each seed
//                                          decodes to its script and runs
//                                          without a difference
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "harness.h"
#include "scripts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

namespace fs = std::filesystem;

int WriteSeeds(const fs::path& dir) {
  const zelvar_fuzz::World world = zelvar_fuzz::BuildWorld();
  const zelvar_fuzz::Vocabulary vocabulary = zelvar_fuzz::BuildVocabulary(world);
  fs::create_directories(dir);
  int written = 0;
  for (const auto& [name, ops] : zelvar_fuzz::SeedScripts(world)) {
    const std::vector<uint8_t> bytes = zelvar_fuzz::Encode(ops, vocabulary);
    if (zelvar_fuzz::Decode(bytes.data(), bytes.size(), vocabulary) != ops) {
      std::fprintf(stderr, "seed %s does not decode to its script\n", name.c_str());
      return 1;
    }
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    std::ofstream out(dir / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::fprintf(stderr, "cannot write %s\n", (dir / name).c_str());
      return 1;
    }
    ++written;
  }
  std::printf("%d seeds written to %s\n", written, dir.c_str());
  return 0;
}

bool Replay(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--write-seeds") return WriteSeeds(argv[2]);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE|DIR... | --write-seeds DIR\n", argv[0]);
    return 2;
  }
  int replayed = 0;
  for (int i = 1; i < argc; ++i) {
    std::vector<fs::path> files;
    if (fs::is_directory(argv[i])) {
      for (const auto& entry : fs::directory_iterator(argv[i])) {
        if (entry.is_regular_file()) files.push_back(entry.path());
      }
      std::sort(files.begin(), files.end());
    } else {
      files.emplace_back(argv[i]);
    }
    for (const fs::path& file : files) {
      if (!Replay(file)) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return 1;
      }
      ++replayed;
    }
  }
  std::printf("%d inputs replayed without a difference\n", replayed);
  return 0;
}
