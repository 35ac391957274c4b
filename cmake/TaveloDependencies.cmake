# Third-party libraries, found once for every subsystem.
if(WIN32)
  find_package(CURL CONFIG REQUIRED)
  include(cmake/TaveloDelayLoad.cmake)
  # libcurl's system DLLs that are not KnownDLLs.
  tavelo_delay_load_dependencies(CURL::libcurl crypt32 bcrypt winmm)
  # The system URL download service.
  tavelo_delay_import(urlmon)
  # The toolkit's painter.
  tavelo_delay_import(gdiplus)
  # The signer check of the package.
  tavelo_delay_import(wintrust)
else()
  find_package(CURL REQUIRED)
endif()
# zlib for the analytics batches; on Windows libcurl's package has found the static one.
if(NOT TARGET ZLIB::ZLIB)
  find_package(ZLIB REQUIRED)
endif()
# pugixml for the skins' XML.
find_package(pugixml CONFIG REQUIRED)
# libarchive for the skin archive (its 7z reader, over liblzma). On Windows it is the static
# library of scripts/deps-windows, a name FindLibArchive does not look for, and it brings
# its own link dependencies and the definition that its headers need for static linking.
if(WIN32)
  find_library(LibArchive_LIBRARY NAMES archive_static REQUIRED)
endif()
find_package(LibArchive REQUIRED)
if(WIN32)
  find_package(liblzma CONFIG REQUIRED)
  set_property(TARGET LibArchive::LibArchive APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS LIBARCHIVE_STATIC)
  # advapi32: its random numbers come from CryptGenRandom.
  set_property(TARGET LibArchive::LibArchive APPEND PROPERTY INTERFACE_LINK_LIBRARIES liblzma::liblzma ZLIB::ZLIB advapi32)
endif()

# jsoncpp: the interface texts of "language.json", and the tests' reader of the analytics
# records. Its package names its library jsoncpp_static (the Windows dependency build) or
# jsoncpp_lib (Debian); JsonCpp::JsonCpp stands for whichever it made.
find_package(jsoncpp CONFIG REQUIRED)
