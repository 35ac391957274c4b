# Third-party libraries, found once for every subsystem.
if(WIN32)
  find_package(CURL CONFIG REQUIRED)
  include(cmake/TaveloDelayLoad.cmake)
  # libcurl's system DLLs that are not KnownDLLs.
  tavelo_delay_load_dependencies(CURL::libcurl crypt32 bcrypt winmm)
  # The system URL download service.
  tavelo_delay_import(urlmon)
else()
  find_package(CURL REQUIRED)
endif()
# zlib for the analytics batches; on Windows libcurl's package has found the static one.
if(NOT TARGET ZLIB::ZLIB)
  find_package(ZLIB REQUIRED)
endif()
