// Texts shown to the user: durations and values.
#ifndef ZELVAR_HOST_TEXT_FORMAT_H_
#define ZELVAR_HOST_TEXT_FORMAT_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace zelvar_host {

// "850 ns", "12.3 us", "4.0 ms", "2.5 s".
std::string FormatNanoseconds(uint64_t nanoseconds);

// The value in double quotes, with quotes, backslashes and control bytes
// escaped, and cut after `limit` bytes with "..." appended.
std::string QuoteValue(std::string_view value, size_t limit = 80);

}  // namespace zelvar_host

#endif  // ZELVAR_HOST_TEXT_FORMAT_H_
