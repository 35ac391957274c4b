# Chooses the platform layer and the compiler settings shared by every target.
if(WIN32)
  set(TAVELO_PLATFORM win32)
else()
  set(TAVELO_PLATFORM posix)
endif()

add_library(tavelo_options INTERFACE)
target_compile_options(tavelo_options INTERFACE -Wall -Wextra -Wno-unused-parameter)
target_include_directories(tavelo_options INTERFACE ${PROJECT_SOURCE_DIR})

if(WIN32)
  # Unicode Windows API, Windows 7 as the oldest target, no min/max macros.
  target_compile_definitions(tavelo_options INTERFACE
    UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  # Fully static: the executables import nothing but system DLLs.
  target_link_options(tavelo_options INTERFACE -static -static-libgcc -static-libstdc++)
else()
  find_package(Threads REQUIRED)
  target_link_libraries(tavelo_options INTERFACE Threads::Threads)
  if(TAVELO_SANITIZERS)
    target_compile_options(tavelo_options INTERFACE
      -fsanitize=${TAVELO_SANITIZERS} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_link_options(tavelo_options INTERFACE -fsanitize=${TAVELO_SANITIZERS})
  endif()
  if(TAVELO_FUZZ)
    # Coverage of every library, not only of the fuzz targets' own files: without it
    # libFuzzer sees no new paths in the code under test and mutates blindly.
    target_compile_options(tavelo_options INTERFACE -fsanitize=fuzzer-no-link)
  endif()
endif()
