/* Example value functions in C. Each keeps its text in a thread-local
 * buffer, since virtual users on separate threads call them at the same
 * time, and the host copies the text as soon as the function returns. */
#include <stdatomic.h>
#include <stdio.h>
#include <sys/random.h>
#include <time.h>
#include <zelvar/udf.h>

/* Order numbers from 1001 up, one sequence shared by all virtual users. */
ZELVAR_UDF const char* OrderId(intptr_t unused1, intptr_t unused2) {
  static atomic_llong next_order = 1001;
  static _Thread_local char text[24];
  (void)unused1;
  (void)unused2;
  snprintf(text, sizeof text, "%lld", atomic_fetch_add(&next_order, 1));
  return text;
}

/* Milliseconds since the Unix epoch. */
ZELVAR_UDF const char* TimestampMs(intptr_t unused1, intptr_t unused2) {
  static _Thread_local char text[24];
  struct timespec now;
  (void)unused1;
  (void)unused2;
  clock_gettime(CLOCK_REALTIME, &now);
  snprintf(text, sizeof text, "%lld", (long long)now.tv_sec * 1000 + now.tv_nsec / 1000000);
  return text;
}

static int RandomBytes(unsigned char* bytes, size_t count) {
  return getrandom(bytes, count, 0) == (ssize_t)count;
}

/* 32 random hex digits; no value when the system has no randomness to give. */
ZELVAR_UDF const char* HexToken(intptr_t unused1, intptr_t unused2) {
  static _Thread_local char text[33];
  unsigned char bytes[16];
  (void)unused1;
  (void)unused2;
  if (!RandomBytes(bytes, sizeof bytes)) return NULL;
  for (size_t i = 0; i < sizeof bytes; ++i) snprintf(text + 2 * i, 3, "%02x", bytes[i]);
  return text;
}

/* A random (version 4) UUID, e.g. "0f8fad5b-d9cb-469f-a165-70867728950e". */
ZELVAR_UDF const char* Uuid4(intptr_t unused1, intptr_t unused2) {
  static _Thread_local char text[37];
  unsigned char b[16];
  (void)unused1;
  (void)unused2;
  if (!RandomBytes(b, sizeof b)) return NULL;
  b[6] = (unsigned char)((b[6] & 0x0F) | 0x40); /* version 4 */
  b[8] = (unsigned char)((b[8] & 0x3F) | 0x80); /* RFC 4122 variant */
  snprintf(text, sizeof text, "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", b[0], b[1],
           b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
  return text;
}
