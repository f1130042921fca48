# The mingw-w64 toolchain with the static libraries scripts/windows-deps.sh
# builds: what Qt's qt-cmake sets up, usable from a preset, plus the libraries
# of CHD images and of the converter. Each folder comes from its variable
# (HOTARU_WINDOWS_QT, HOTARU_<COMPONENT>_PREFIX) when given, else from
# windows-deps.sh --print-dir.
set(hotaru_windows_deps qt zlib xz flac freetype x264 ffmpeg)
macro(hotaru_windows_dep_var component)
  if("${component}" STREQUAL "qt")
    set(var HOTARU_WINDOWS_QT)
  else()
    string(TOUPPER "HOTARU_${component}_PREFIX" var)
  endif()
endmacro()
foreach(component IN LISTS hotaru_windows_deps)
  hotaru_windows_dep_var(${component})
  list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ${var})
  # A folder of the script's caches is looked up again at every configure:
  # when a library is rebuilt with other options it gets a new folder, and a
  # build tree must not go on with the old one.
  if(NOT ${var} OR (NOT CMAKE_IN_TRY_COMPILE AND "${${var}}" MATCHES "/hotaru-windows-deps/"))
    execute_process(
      COMMAND "${CMAKE_CURRENT_LIST_DIR}/../scripts/windows-deps.sh" --print-dir ${component}
      OUTPUT_VARIABLE dir OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0 OR NOT EXISTS "${dir}/.complete")
      message(FATAL_ERROR "No ${component} for Windows yet: scripts/windows-deps.sh builds it")
    endif()
    set(${var} "${dir}" CACHE PATH "${component} for mingw-w64 (scripts/windows-deps.sh)" FORCE)
  endif()
endforeach()

set(QT_CHAINLOAD_TOOLCHAIN_FILE "${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw64.cmake")
include("${HOTARU_WINDOWS_QT}/lib/cmake/Qt6/qt.toolchain.cmake")
# After the chain-loaded toolchain, which sets the root path: zlib, liblzma
# and libFLAC are then found as on Linux.
list(APPEND CMAKE_FIND_ROOT_PATH "${HOTARU_ZLIB_PREFIX}" "${HOTARU_XZ_PREFIX}" "${HOTARU_FLAC_PREFIX}")
