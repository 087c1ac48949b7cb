#include "output.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>

#include "input_error.h"

namespace zelvar_host {

namespace {

// mkstemp makes the file readable by its owner alone; the output gets the
// mode a plain new file would have.
FILE* CreateTemporary(std::filesystem::path& name) {
  std::string pattern = name.string() + ".XXXXXX";
  const int descriptor = mkstemp(pattern.data());
  if (descriptor < 0) return nullptr;
  name = pattern;
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(descriptor, 0666 & ~mask);
  return fdopen(descriptor, "wb");
}

}  // namespace

Output::Output(const std::optional<std::filesystem::path>& path) : path_(path), temporary_(path.value_or("")) {
  stream_ = path_ ? CreateTemporary(temporary_) : stdout;
  if (stream_ == nullptr) throw InputError("cannot create output " + path_->string() + ": " + std::strerror(errno));
}

Output::~Output() {
  if (!path_ || stream_ == nullptr) return;
  std::fclose(stream_);
  std::error_code ignored;
  std::filesystem::remove(temporary_, ignored);
}

void Output::Write(std::string_view text) {
  std::lock_guard lock(mutex_);
  if (std::fwrite(text.data(), 1, text.size(), stream_) != text.size()) Fail();
}

void Output::Commit() {
  std::lock_guard lock(mutex_);
  if (std::fflush(stream_) != 0) Fail();
  if (path_) {
    if (std::fclose(std::exchange(stream_, nullptr)) != 0) Fail();
    if (error_ == 0 && std::rename(temporary_.c_str(), path_->c_str()) != 0) Fail();
    std::error_code ignored;
    if (error_ != 0) std::filesystem::remove(temporary_, ignored);
  }
  if (error_ != 0) {
    throw std::runtime_error("cannot write output " + (path_ ? path_->string() : "to stdout") + ": " +
                             std::strerror(error_));
  }
}

void Output::Fail() {
  if (error_ == 0) error_ = errno;
}

}  // namespace zelvar_host
