#include "console.h"

#include <unistd.h>

#include <cstdio>
#include <string>

namespace zelvar_host {

namespace {

constexpr std::string_view kClearLine = "\r\033[K";

void Write(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

Console::Console() : interactive_(isatty(STDERR_FILENO) == 1) {}

void Console::Line(std::string_view text) {
  std::string line(text);
  line += '\n';
  std::lock_guard lock(mutex_);
  ClearStatusLocked();
  Write(line);
}

void Console::Status(std::string_view text) {
  if (!interactive_) return;
  std::string line(kClearLine);
  line += text;
  std::lock_guard lock(mutex_);
  Write(line);
  status_shown_ = true;
}

void Console::ClearStatus() {
  std::lock_guard lock(mutex_);
  ClearStatusLocked();
}

void Console::ClearStatusLocked() {
  if (!status_shown_) return;
  Write(kClearLine);
  status_shown_ = false;
}

}  // namespace zelvar_host
