# Fails unless the plug-in's dynamic symbol table defines exactly the
# symbols listed in EXPECTED (one per line, mangled).
#   cmake -DNM=nm -DLIBRARY=libzelvar.so -DEXPECTED=exports.txt -P check_exports.cmake
execute_process(
  COMMAND ${NM} -D --defined-only --format=posix ${LIBRARY}
  OUTPUT_VARIABLE listing
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}")
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(actual "")
foreach(line IN LISTS lines)
  if(line MATCHES "^([^ ]+) ")
    list(APPEND actual "${CMAKE_MATCH_1}")
  endif()
endforeach()
list(SORT actual)
file(STRINGS ${EXPECTED} expected)
list(SORT expected)
if(NOT actual STREQUAL expected)
  set(missing ${expected})
  list(REMOVE_ITEM missing ${actual})
  set(extra ${actual})
  list(REMOVE_ITEM extra ${expected})
  message(FATAL_ERROR "export list differs\n  missing: ${missing}\n  unexpected: ${extra}")
endif()
