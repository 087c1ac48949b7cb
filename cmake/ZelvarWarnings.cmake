# zelvar_warnings(<target>): the project's warning set on one target.
function(zelvar_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(ZELVAR_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
