# The units that differ between the two builds, named here and nowhere else:
# the Windows build compiles the files and test folders of the first list,
# the native build those of the second. A *_win32 or *_native file that is
# in neither list stops the configuration, so the list stays complete.
set(ZARN_WIN32_ONLY
  platform/src/allocator_win32.cpp
  platform/src/common_controls_win32.cpp
  platform/src/gdi_win32.cpp
  platform/src/message_window_win32.cpp
  platform/src/module_win32.cpp
  hostsdk/src/center_window_win32.cpp
  plugin/effects/logo_win32.cpp
  plugin/filter/dialogs_win32.cpp
  plugin/frame/dll_main_win32.cpp
  plugin/util/common_dialogs_win32.cpp
  tests/host/configure_win32.cpp
  tests/dialogs_win32
  tests/effects_win32
  tests/module_win32
  tests/util_win32
)
set(ZARN_NATIVE_ONLY
  platform/src/allocator_native.cpp
  platform/src/gdi_native.cpp
  platform/src/module_native.cpp
  platform/src/win_native.cpp
  hostsdk/src/center_window_native.cpp
  plugin/effects/logo_native.cpp
  plugin/filter/dialogs_native.cpp
  plugin/util/common_dialogs_native.cpp
  tests/host/exr_files_native.cpp
  tests/host/png_suite_native.cpp
  tests/host/runner_end_to_end_native.cpp
  tests/text_native
  tests/util_native
  tests/wrapper
)

# True when the file or folder (absolute path) belongs in this build.
function(zarn_in_this_build path out)
  file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${path})
  set(result TRUE)
  if(rel IN_LIST ZARN_WIN32_ONLY)
    if(NOT WIN32)
      set(result FALSE)
    endif()
  elseif(rel IN_LIST ZARN_NATIVE_ONLY)
    if(WIN32)
      set(result FALSE)
    endif()
  elseif(rel MATCHES "_(win32|native)(\\.cpp)?$")
    message(FATAL_ERROR "${rel} is named for one build but is in neither list of cmake/sources.cmake")
  endif()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# The .cpp files of the folders that belong in this build.
function(zarn_glob_sources out)
  set(result)
  foreach(dir IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS ${dir}/*.cpp)
    foreach(file IN LISTS found)
      zarn_in_this_build(${file} keep)
      if(keep)
        list(APPEND result ${file})
      endif()
    endforeach()
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()
