// An example value function in C++ that throws: a coupon code from a
// service that fails on every third call. The host reports each throw as a
// failed generation and goes on; the place in the text stays empty.
#include <atomic>
#include <cstdio>
#include <stdexcept>
#include <zelvar/udf.h>

ZELVAR_UDF const char* Coupon(intptr_t, intptr_t) {
  static std::atomic<unsigned> calls{0};
  thread_local char text[16];
  const unsigned call = ++calls;
  if (call % 3 == 0) throw std::runtime_error("coupon service unavailable");
  std::snprintf(text, sizeof text, "SAVE-%04u", call);
  return text;
}
