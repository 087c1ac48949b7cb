// stderr, shared by every thread: whole lines, and on a terminal one status
// line kept below them that each new line first clears.
#ifndef ZELVAR_HOST_CONSOLE_H_
#define ZELVAR_HOST_CONSOLE_H_

#include <mutex>
#include <string_view>

namespace zelvar_host {

class Console {
 public:
  Console();

  bool interactive() const { return interactive_; }

  // Writes `text` and a newline in one piece.
  void Line(std::string_view text);
  // Replaces the status line; ignored unless stderr is a terminal.
  void Status(std::string_view text);
  void ClearStatus();

 private:
  void ClearStatusLocked();

  const bool interactive_;
  std::mutex mutex_;
  bool status_shown_ = false;
};

}  // namespace zelvar_host

#endif  // ZELVAR_HOST_CONSOLE_H_
