/* The value functions the benchmarks measure against: as fast as value
 * functions can be, so that what the plug-in and the host add shows. */
#include "zelvar/udf.h"

ZELVAR_UDF const char* Fast(intptr_t a, intptr_t b) {
  (void)a;
  (void)b;
  return "ORD-000000000042-abcdef";
}

/* A new text on every call, as a real value function makes, at little cost:
 * the caller's own count in decimal, in a buffer of the caller's own, so
 * that virtual users on separate threads share nothing. */
ZELVAR_UDF const char* Sequence(intptr_t a, intptr_t b) {
  static _Thread_local unsigned long long calls;
  static _Thread_local char text[24];
  char* at = text + sizeof text - 1;
  unsigned long long n = ++calls;
  (void)a;
  (void)b;
  *at = '\0';
  do {
    *--at = (char)('0' + n % 10);
    n /= 10;
  } while (n != 0);
  return at;
}
