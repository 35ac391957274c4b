# Helpers that keep the subsystem CMakeLists short and uniform.

# tavelo_library(<name> SOURCES <portable sources...> PLATFORM <stems...> [DEPENDS <targets...>])
# Each PLATFORM stem adds <stem>_win32.cpp or <stem>_posix.cpp, so callers never test the
# platform themselves.
function(tavelo_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;PLATFORM;DEPENDS;WIN32_LIBS;POSIX_LIBS" ${ARGN})
  set(sources ${ARG_SOURCES})
  foreach(stem IN LISTS ARG_PLATFORM)
    list(APPEND sources ${stem}_${TAVELO_PLATFORM}.cpp)
  endforeach()
  add_library(${name} STATIC ${sources})
  target_link_libraries(${name} PUBLIC tavelo_options ${ARG_DEPENDS})
  if(WIN32)
    target_link_libraries(${name} PUBLIC ${ARG_WIN32_LIBS})
  else()
    target_link_libraries(${name} PUBLIC ${ARG_POSIX_LIBS})
  endif()
endfunction()

# tavelo_test(<name> SOURCES <sources...> DEPENDS <targets...> [NEEDS <programs...>])
# One test executable per subsystem, registered as one CTest entry labelled with the suite
# of this build. NEEDS names programs the test starts, so they are built first.
function(tavelo_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;DEPENDS;NEEDS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE tavelo_options ${ARG_DEPENDS} tavelo_gtest)
  # gtest assertions are macros holding an if; a guarded assertion reads fine without braces.
  target_compile_options(${name} PRIVATE -Wno-dangling-else)
  if(ARG_NEEDS)
    add_dependencies(${name} ${ARG_NEEDS})
  endif()
  add_test(NAME ${TAVELO_SUITE}.${name} COMMAND ${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${TAVELO_SUITE}.${name} PROPERTIES
    LABELS "${TAVELO_SUITE};${ARG_LABELS}" TIMEOUT ${ARG_TIMEOUT}
    ENVIRONMENT "${TAVELO_TEST_ENVIRONMENT}")
endfunction()
