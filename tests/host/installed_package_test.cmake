# Installs the build into a fresh prefix, builds the out-of-tree library in
# package/ against it, and runs it through the installed zelvar-host from
# another folder.
#   cmake -DBUILD_DIR=... -DWORK_DIR=... -DSOURCE_DIR=... -DGENERATOR=...
#         [-DTOOLCHAIN=...] [-DEMULATOR=...] -P installed_package_test.cmake
function(run)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "failed (${status}): ${ARGV}\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/elsewhere)
set(prefix ${WORK_DIR}/prefix)
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

set(configure ${CMAKE_COMMAND} -S ${SOURCE_DIR}/package -B ${WORK_DIR}/build -G ${GENERATOR}
              -DCMAKE_PREFIX_PATH=${prefix})
if(TOOLCHAIN)
  list(APPEND configure -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN})
endif()
run(${configure})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
file(READ ${WORK_DIR}/build/host_path.txt host)
if(NOT host MATCHES "^${prefix}/")
  message(FATAL_ERROR "zelvar::host is ${host}, not in ${prefix}")
endif()

file(WRITE ${WORK_DIR}/params.ini "[Greeting]\nFunctionName = Greeting\nNTLibraryName = build/libmy_values.so\n")
file(WRITE ${WORK_DIR}/request.txt "say: {Greeting}\n")
execute_process(COMMAND ${EMULATOR} ${host} run ../params.ini --template ../request.txt --iterations 2
                WORKING_DIRECTORY ${WORK_DIR}/elsewhere
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(expected "say: hello from outside\nsay: hello from outside\n")
if(NOT status EQUAL 0 OR NOT out STREQUAL expected)
  message(FATAL_ERROR "installed zelvar-host gave status ${status}\nstdout:\n${out}\nstderr:\n${err}")
endif()
