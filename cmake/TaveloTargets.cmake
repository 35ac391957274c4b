# Helpers that keep the subsystem CMakeLists short and uniform.
include(GoogleTest)

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

# tavelo_test(<name> SOURCES <sources...> DEPENDS <targets...> [NEEDS <programs...>]
#             [DISCOVER] [LOCKS <resources...>] [TIMEOUT <s>] [LABELS <labels...>] [ENVIRONMENT <k=v...>]
#             [FIXTURES <fixtures...>])
# One test executable per subsystem, labelled with the suite of this build. By default one
# CTest entry runs the whole executable; DISCOVER makes one entry per test case (listed by
# the executable itself when ctest runs, through the build's emulator under Wine), so that
# `ctest -j` runs independent cases side by side. NEEDS names programs the test starts, so
# they are built first; LOCKS names shared resources (a mutex name, the installation
# state: records, temporary folder, programs under the product's names) that no
# two entries may use at the same time (one at most with DISCOVER, whose properties take a
# single value each); FIXTURES names CTest fixtures the entries require.
function(tavelo_test name)
  cmake_parse_arguments(ARG "DISCOVER" "TIMEOUT" "SOURCES;DEPENDS;NEEDS;LABELS;LOCKS;ENVIRONMENT;FIXTURES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE tavelo_options ${ARG_DEPENDS} tavelo_gtest)
  # gtest assertions are macros holding an if; a guarded assertion reads fine without braces.
  target_compile_options(${name} PRIVATE -Wno-dangling-else)
  if(ARG_NEEDS)
    add_dependencies(${name} ${ARG_NEEDS})
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set(labels ${TAVELO_SUITE} ${ARG_LABELS})
  set(environment ${TAVELO_TEST_ENVIRONMENT} ${ARG_ENVIRONMENT})
  set(properties LABELS "${labels}" TIMEOUT ${ARG_TIMEOUT})
  if(environment)
    # Escaped, so that several variables stay one value of the property list.
    string(REPLACE ";" "\\;" environment_value "${environment}")
    list(APPEND properties ENVIRONMENT "${environment_value}")
  endif()
  if(ARG_LOCKS)
    string(REPLACE ";" "\\;" locks_value "${ARG_LOCKS}")  # several locks stay one value
    list(APPEND properties RESOURCE_LOCK "${locks_value}")
  endif()
  if(ARG_FIXTURES)
    list(APPEND properties FIXTURES_REQUIRED "${ARG_FIXTURES}")
  endif()
  if(ARG_DISCOVER)
    list(LENGTH environment entries)
    if(entries GREATER 1)
      # gtest_discover_tests flattens list-valued properties: one variable at most.
      message(FATAL_ERROR "tavelo_test(${name} DISCOVER): at most one environment variable, got ${environment}")
    endif()
    list(LENGTH ARG_LOCKS locks)
    if(locks GREATER 1)
      message(FATAL_ERROR "tavelo_test(${name} DISCOVER): at most one lock, got ${ARG_LOCKS}")
    endif()
    gtest_discover_tests(${name}
      TEST_PREFIX "${TAVELO_SUITE}.${name}."
      DISCOVERY_MODE PRE_TEST
      DISCOVERY_TIMEOUT 60
      PROPERTIES ${properties})
  else()
    add_test(NAME ${TAVELO_SUITE}.${name} COMMAND ${name})
    set_tests_properties(${TAVELO_SUITE}.${name} PROPERTIES ${properties})
  endif()
endfunction()

# tavelo_test_skin_archive(<target> <folder> <variable>)
# Packs a folder of test skin files into <target>.7z of the current build folder (LZMA2, one
# solid block, as the product's skin) whenever a file in it changes, makes <target> build it,
# and sets <variable> to the archive's path relative to the test programs' folder, for tests
# that find it from their own location.
function(tavelo_test_skin_archive target folder variable)
  find_program(SEVEN_ZIP 7z REQUIRED)
  set(archive ${CMAKE_CURRENT_BINARY_DIR}/${target}.7z)
  file(GLOB_RECURSE files CONFIGURE_DEPENDS ${folder}/*)
  add_custom_command(OUTPUT ${archive}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${archive}
    COMMAND ${SEVEN_ZIP} a -t7z -m0=lzma2 -ms=on -bd -bso0 ${archive} .
    WORKING_DIRECTORY ${folder}
    DEPENDS ${files}
    COMMENT "Packing the test skin ${target}"
    VERBATIM)
  add_custom_target(${target} DEPENDS ${archive})
  file(RELATIVE_PATH relative ${CMAKE_RUNTIME_OUTPUT_DIRECTORY} ${archive})
  set(${variable} ${relative} PARENT_SCOPE)
endfunction()
