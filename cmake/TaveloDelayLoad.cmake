# Delay-import libraries for system DLLs that are not KnownDLLs (Windows may take those from
# beside the executable). The executable then imports them only when first used, after the
# start-up hardening, and the delay-load hook of startup/ loads them by full system path.
# The import libraries are made at configure time from the MinGW sysroot's own ones.
set(TAVELO_DELAY_DIR ${CMAKE_BINARY_DIR}/delayimp)
file(MAKE_DIRECTORY ${TAVELO_DELAY_DIR})

function(tavelo_delay_import stem)
  set(implib /usr/${TAVELO_TRIPLE}/lib/lib${stem}.a)
  set(def ${TAVELO_DELAY_DIR}/${stem}.def)
  set(lib ${TAVELO_DELAY_DIR}/lib${stem}_delay.a)
  execute_process(COMMAND ${TAVELO_TRIPLE}-nm -g ${implib} OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cannot read ${implib}")
  endif()
  string(REGEX MATCHALL "I __imp_[A-Za-z0-9_@?$]+" imports "${symbols}")
  set(text "LIBRARY ${stem}.dll\nEXPORTS\n")
  # 32-bit symbols carry the C prefix "_" and the stdcall suffix "@<bytes>": the definition
  # names them without the prefix, and dlltool (--kill-at) imports them without the suffix,
  # as the DLLs export them.
  set(kill_at)
  if(TAVELO_TRIPLE MATCHES "^i686")
    set(kill_at --kill-at)
  endif()
  foreach(entry IN LISTS imports)
    string(REPLACE "I __imp_" "" name "${entry}")
    if(kill_at)
      string(REGEX REPLACE "^_" "" name "${name}")
    endif()
    string(APPEND text "  ${name}\n")
  endforeach()
  file(WRITE ${def} "${text}")
  execute_process(COMMAND ${TAVELO_TRIPLE}-dlltool --input-def ${def} --output-delaylib ${lib} --dllname ${stem}.dll
                          ${kill_at}
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "dlltool failed for ${stem}")
  endif()
  add_library(delay_${stem} INTERFACE)
  target_link_libraries(delay_${stem} INTERFACE ${lib})
endfunction()

# Replaces system DLLs in a target's link interface with their delay-import libraries.
function(tavelo_delay_load_dependencies target)
  get_target_property(libs ${target} INTERFACE_LINK_LIBRARIES)
  set(patched)
  foreach(lib IN LISTS libs)
    foreach(stem IN LISTS ARGN)
      if(lib STREQUAL "\$<LINK_ONLY:${stem}>" OR lib STREQUAL "${stem}")
        if(NOT TARGET delay_${stem})
          tavelo_delay_import(${stem})
        endif()
        set(lib "\$<LINK_ONLY:delay_${stem}>")
      endif()
    endforeach()
    list(APPEND patched "${lib}")
  endforeach()
  set_target_properties(${target} PROPERTIES INTERFACE_LINK_LIBRARIES "${patched}")
endfunction()
