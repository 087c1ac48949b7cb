/* The host's per-parameter record and services block, as the plug-in reads
 * them, and the result codes of the parameter operations. Plain C layout: a
 * host written in C includes this header as it is. */
#ifndef ZELVAR_HOST_H_
#define ZELVAR_HOST_H_

#include <stdint.h>

#include "zelvar/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes of the parameter operations. */
#define UDF_OK 0
#define UDF_ERR_UNSUPPORTED (-1)
/* No value could be produced: no function bound, or the function threw. */
#define UDF_ERR_GENERATE_FAILED (-13650)
/* Message identifier passed to report_error together with
 * UDF_ERR_GENERATE_FAILED. */
#define UDF_MSG_GENERATE_FAILED 0x70030020

/* Value of ParamHostContext::engine_mode that marks live generation. */
#define ZELVAR_ENGINE_MODE_LIVE 2

/* Update policies, parsed from the section's "GenerateNewVal" text (any
 * letter case); anything else, or no text, is EachOccurrence. */
typedef enum GenerateNewValMode {
  EachOccurrence = 0,
  EachIteration = 1,
  Once = 2
} GenerateNewValMode;

/* The host's error-report function. Called on the thread of the failing
 * operation with the message identifier, the error code, the parameter
 * identifier, and the function name and resolved library path (either may be
 * null). The texts belong to the parameter object and stay valid only for
 * the duration of the call. The result is ignored. */
typedef int(ZELVAR_CDECL* ReportErrorFn)(int32_t message_id, int32_t error_code,
                                          int32_t param_id, const char* function_name,
                                          const char* library_path);

/* The host's services block. The plug-in reads engine_mode while an object is
 * built and report_error whenever a generation fails; it writes nothing. */
typedef struct ParamHostContext {
  int32_t reserved1;
  int32_t reserved2;
  int32_t reserved3;
  int32_t engine_mode;
  ReportErrorFn report_error; /* may be null: failures are then not reported */
} ParamHostContext;

/* The host's record for one parameter. The host owns it and keeps it, its
 * section and its context valid until the object built from it is deleted.
 * The plug-in reads param_id, section and context, and writes nothing. */
typedef struct ParamHostRecord {
  int32_t param_id;
  int32_t reserved2;
  void* section; /* configuration section handle, passed to settar unchanged */
  int32_t reserved4;
  int32_t reserved5;
  int32_t reserved6;
  int32_t reserved7;
  ParamHostContext* context;
} ParamHostRecord;

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* ZELVAR_HOST_H_ */
