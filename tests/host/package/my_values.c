#include <zelvar/udf.h>

ZELVAR_UDF const char* Greeting(intptr_t unused1, intptr_t unused2) {
  (void)unused1;
  (void)unused2;
  return "hello from outside";
}
