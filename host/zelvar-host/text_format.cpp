#include "text_format.h"

#include <cstdio>

namespace zelvar_host {

std::string FormatNanoseconds(uint64_t nanoseconds) {
  char text[32];
  const auto value = static_cast<double>(nanoseconds);
  if (nanoseconds < 1000) {
    std::snprintf(text, sizeof text, "%llu ns", static_cast<unsigned long long>(nanoseconds));
  } else if (nanoseconds < 1000000) {
    std::snprintf(text, sizeof text, "%.1f us", value / 1e3);
  } else if (nanoseconds < 1000000000) {
    std::snprintf(text, sizeof text, "%.1f ms", value / 1e6);
  } else {
    std::snprintf(text, sizeof text, "%.1f s", value / 1e9);
  }
  return text;
}

std::string QuoteValue(std::string_view value, size_t limit) {
  std::string quoted = "\"";
  for (const char c : value.substr(0, limit)) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
      quoted += escaped;
    } else {
      quoted += c;
    }
  }
  quoted += '"';
  if (value.size() > limit) quoted += "...";
  return quoted;
}

}  // namespace zelvar_host
