# Third-party libraries, all from Debian's packages. The Windows build finds
# libpng, Imath and OpenEXR (built from Debian's source by scripts/setup) and
# the header-only libraries in build/mingw-deps, never in /usr/include.
if(WIN32)
  set(ZARN_MINGW_DEPS ${CMAKE_SOURCE_DIR}/build/mingw-deps CACHE PATH "MinGW dependencies")
  add_library(zarn_png STATIC IMPORTED GLOBAL)
  set_target_properties(zarn_png PROPERTIES
    IMPORTED_LOCATION ${ZARN_MINGW_DEPS}/lib/libpng16.a
    INTERFACE_INCLUDE_DIRECTORIES ${ZARN_MINGW_DEPS}/include)
  find_library(ZARN_MINGW_Z NAMES libz.a z REQUIRED)
  target_link_libraries(zarn_png INTERFACE ${ZARN_MINGW_Z})
  add_library(zarn_headers INTERFACE)
  target_include_directories(zarn_headers SYSTEM INTERFACE ${ZARN_MINGW_DEPS}/include)
  target_link_libraries(zarn_headers INTERFACE ${ZARN_MINGW_Z})
  # Imath's and OpenEXR's CMake packages, static, under the same prefix.
  list(APPEND CMAKE_FIND_ROOT_PATH ${ZARN_MINGW_DEPS})
else()
  find_package(PNG REQUIRED)
  find_package(ZLIB REQUIRED)
  add_library(zarn_png INTERFACE)
  target_link_libraries(zarn_png INTERFACE PNG::PNG)
  add_library(zarn_headers INTERFACE)
  target_link_libraries(zarn_headers INTERFACE ZLIB::ZLIB)
endif()
# OpenEXR reads and writes every EXR: Debian's libopenexr-dev natively (a
# shared library: Debian ships no static one), the static cross-build on
# Windows.
find_package(OpenEXR CONFIG REQUIRED)
if(WIN32)
  # OpenEXR asks for zlib by its CMake target, which may have found the
  # import library of zlib1.dll: the static one, so only system DLLs load.
  set_target_properties(ZLIB::ZLIB PROPERTIES IMPORTED_LOCATION ${ZARN_MINGW_Z}
                                              IMPORTED_LOCATION_RELEASE ${ZARN_MINGW_Z})
endif()
add_library(zarn_exr INTERFACE)
target_link_libraries(zarn_exr INTERFACE OpenEXR::OpenEXR)

# The whole-buffer deflate library the runner writes 8-bit PNG image data
# with: Debian's libdeflate natively; the Windows build stays on the zlib it
# links anyway (host/deflate_whole_none.cpp).
add_library(zarn_deflate INTERFACE)
if(WIN32)
  set(ZARN_DEFLATE_SOURCE deflate_whole_none.cpp)
else()
  find_path(ZARN_LIBDEFLATE_INCLUDE libdeflate.h REQUIRED)
  find_library(ZARN_LIBDEFLATE NAMES deflate REQUIRED)
  target_include_directories(zarn_deflate SYSTEM INTERFACE ${ZARN_LIBDEFLATE_INCLUDE})
  target_link_libraries(zarn_deflate INTERFACE ${ZARN_LIBDEFLATE})
  set(ZARN_DEFLATE_SOURCE deflate_whole_libdeflate.cpp)
endif()

# nlohmann-json reads the runner's scene files: Debian's package natively,
# its headers copied to build/mingw-deps by scripts/setup for Windows.
add_library(zarn_json INTERFACE)
if(WIN32)
  if(NOT EXISTS ${ZARN_MINGW_DEPS}/include/nlohmann/json.hpp)
    message(FATAL_ERROR "nlohmann/json.hpp is missing from ${ZARN_MINGW_DEPS}/include: run scripts/setup")
  endif()
  target_link_libraries(zarn_json INTERFACE zarn_headers)
else()
  find_package(nlohmann_json CONFIG REQUIRED)
  target_link_libraries(zarn_json INTERFACE nlohmann_json::nlohmann_json)
endif()

if(ZARN_TESTS)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
