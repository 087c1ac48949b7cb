// Where a run's rendered text goes: stdout, or a file that appears only
// whole. The text is written to a temporary file beside the named one and
// renamed into place when the run ends well; otherwise it is removed.
#ifndef ZELVAR_HOST_OUTPUT_H_
#define ZELVAR_HOST_OUTPUT_H_

#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string_view>

namespace zelvar_host {

class Output {
 public:
  // InputError when the file cannot be created.
  explicit Output(const std::optional<std::filesystem::path>& path);
  ~Output();
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  // Thread-safe; each text stays whole.
  void Write(std::string_view text);
  // Flushes and, for a file, moves it into place; std::runtime_error when
  // any write failed.
  void Commit();

 private:
  void Fail();

  std::optional<std::filesystem::path> path_;
  std::filesystem::path temporary_;
  FILE* stream_;
  std::mutex mutex_;
  int error_ = 0;  // errno of the first failed write
};

}  // namespace zelvar_host

#endif  // ZELVAR_HOST_OUTPUT_H_
