# quillo_shared_library_name(OUT IMPORTED_TARGET FALLBACK)
# The name the program asks the dynamic loader for when it opens a library at run time: the
# SONAME of the library that IMPORTED_TARGET found, or FALLBACK when that cannot be read.
function(quillo_shared_library_name out target fallback)
  set(name "${fallback}")
  get_target_property(location ${target} LOCATION)
  if(location AND CMAKE_OBJDUMP)
    execute_process(COMMAND ${CMAKE_OBJDUMP} -p "${location}"
                    OUTPUT_VARIABLE headers ERROR_QUIET RESULT_VARIABLE failed)
    if(NOT failed AND headers MATCHES "SONAME +([^ \n]+)")
      set(name "${CMAKE_MATCH_1}")
    endif()
  endif()
  set(${out} "${name}" PARENT_SCOPE)
endfunction()
