/* Symbol visibility and calling-convention macros shared by every zelvar header. */
#ifndef ZELVAR_EXPORT_H_
#define ZELVAR_EXPORT_H_

/* ZELVAR_EXPORT marks what libzelvar.so exports; everything else in the
 * library is built with hidden visibility. */
#if defined(_WIN32)
#  if defined(ZELVAR_BUILDING_PLUGIN)
#    define ZELVAR_EXPORT __declspec(dllexport)
#  else
#    define ZELVAR_EXPORT __declspec(dllimport)
#  endif
#else
#  define ZELVAR_EXPORT __attribute__((visibility("default")))
#endif

/* The convention in which the caller removes the arguments: cdecl. It is the
 * default on every Linux target, i386 included; a Windows build spells it out. */
#if defined(_WIN32)
#  define ZELVAR_CDECL __cdecl
#else
#  define ZELVAR_CDECL
#endif

#endif /* ZELVAR_EXPORT_H_ */
