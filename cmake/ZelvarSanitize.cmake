# Memory and behaviour checkers for the whole build.
#
# ZELVAR_SANITIZE: AddressSanitizer (with LeakSanitizer) and
# UndefinedBehaviorSanitizer on every target, C and C++, plug-in and platform
# libraries included; the first error ends the program. GCC or clang.
#
# ZELVAR_FUZZ: also builds the coverage-guided fuzzer in tests/fuzz. Needs
# clang (libFuzzer); turns ZELVAR_SANITIZE on and instruments every target
# for coverage, so that the fuzzer sees the plug-in's branches.
option(ZELVAR_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(ZELVAR_FUZZ "Build the libFuzzer fuzzer (clang only; implies ZELVAR_SANITIZE)" OFF)

if(ZELVAR_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang" OR NOT CMAKE_C_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "ZELVAR_FUZZ needs clang: configure with -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++")
  endif()
  set(ZELVAR_SANITIZE ON CACHE BOOL "Build with AddressSanitizer and UndefinedBehaviorSanitizer" FORCE)
  add_compile_options(-fsanitize=fuzzer-no-link)
  # Fuzz targets link libFuzzer as a plain archive after their objects: with
  # -fsanitize=fuzzer the driver names libstdc++ ahead of the shared sanitizer
  # run-time, which then refuses to start.
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libclang_rt.fuzzer-${CMAKE_SYSTEM_PROCESSOR}.a
                  OUTPUT_VARIABLE ZELVAR_LIBFUZZER OUTPUT_STRIP_TRAILING_WHITESPACE)
endif()

if(ZELVAR_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
  # The dynamic-type check needs the static type's type_info in the caller,
  # and the plug-in keeps CParamExt's hidden: hosts reach objects through the
  # slot table, not through RTTI.
  add_compile_options(-fno-sanitize=vptr)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # GCC's instrumented code draws false maybe-uninitialized warnings (from
    # libstdc++'s <regex>, for one); the sanitizers check that at run time.
    add_compile_options(-Wno-maybe-uninitialized)
  endif()
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    # clang puts its sanitizer run-time into executables only, which leaves a
    # shared library linked with --no-undefined (the plug-in) short of the
    # run-time's symbols. The shared run-time serves both; the rpath finds it.
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} --print-runtime-dir
                    OUTPUT_VARIABLE zelvar_sanitizer_runtime_dir OUTPUT_STRIP_TRAILING_WHITESPACE)
    add_link_options(-shared-libasan "LINKER:-rpath,${zelvar_sanitizer_runtime_dir}")
  endif()
endif()
