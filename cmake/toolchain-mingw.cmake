# Cross-compilation toolchain for the Windows product: MinGW-w64 with the posix thread
# model (std::thread and std::mutex exist there). The target triple stays a parameter so
# that the 32-bit build can reuse this file: -DTAVELO_TRIPLE=i686-w64-mingw32.
set(TAVELO_TRIPLE "x86_64-w64-mingw32" CACHE STRING "MinGW-w64 target triple")

set(CMAKE_SYSTEM_NAME Windows)
if(TAVELO_TRIPLE MATCHES "^i686")
  set(CMAKE_SYSTEM_PROCESSOR x86)
  # - Floating point in SSE2 registers, as Microsoft's compiler does for x86 by default, not
  #   in the x87 unit: there a value kept in a register carries more precision than the same
  #   value stored, so two computations of one quantity could differ (a percentage of 0.5 *
  #   0.7 came out 34, not 35; a stopwatch read twice within one tick seemed to go back).
  # - crypt32 is delay-imported (cmake/TaveloDelayLoad.cmake). The 32-bit GNU linker leaves
  #   a delay-import slot empty when the code calls the function through its __imp_ pointer,
  #   as code does for functions its header declares dllimport: the first call jumps to
  #   address 0. Of the delay-imported DLLs, crypt32's header does so (through WINIMPM; used
  #   by curl's Schannel and the signature check) and winmm's (unless _WINMM_ is defined);
  #   declared without dllimport, their functions are called through their delay-load stubs.
  #   The libraries of scripts/deps-windows are built with this file, and so with these flags.
  set(tavelo_i686_flags "-msse2 -mfpmath=sse -DWINIMPM= -D_WINMM_")
  set(CMAKE_C_FLAGS_INIT "${tavelo_i686_flags}")
  set(CMAKE_CXX_FLAGS_INIT "${tavelo_i686_flags}")
else()
  set(CMAKE_SYSTEM_PROCESSOR AMD64)
endif()

set(CMAKE_C_COMPILER   ${TAVELO_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAVELO_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${TAVELO_TRIPLE}-windres)
set(CMAKE_AR           ${TAVELO_TRIPLE}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB       ${TAVELO_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "")

# Libraries and headers come from the MinGW sysroot and from the cross-built dependency
# prefix (see scripts/deps-windows); programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${TAVELO_TRIPLE})
if(DEFINED TAVELO_DEPS_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH ${TAVELO_DEPS_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The product is downloaded by every user before anything else happens: optimise for size,
# and let the linker drop every function and datum nothing calls (each in its own section).
# The few routines whose speed counts (the package digest) ask for more themselves.
# (Cache entries made here, before CMake's own defaults, which would add -O3 after -Os.)
set(CMAKE_C_FLAGS_RELEASE "-Os -DNDEBUG -ffunction-sections -fdata-sections" CACHE STRING "C flags of Release")
set(CMAKE_CXX_FLAGS_RELEASE "-Os -DNDEBUG -ffunction-sections -fdata-sections" CACHE STRING "C++ flags of Release")
set(CMAKE_EXE_LINKER_FLAGS_RELEASE "-Wl,--gc-sections" CACHE STRING "Executable link flags of Release")
