# The mingw-w64 toolchain with the static Qt and FFmpeg that
# scripts/windows-deps.sh builds: what Qt's qt-cmake sets up, usable from a
# preset. The folders come from HOTARU_WINDOWS_QT and HOTARU_FFMPEG_PREFIX
# when given, else from windows-deps.sh --print-dir.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES HOTARU_WINDOWS_QT HOTARU_FFMPEG_PREFIX)
foreach(dep IN ITEMS "HOTARU_WINDOWS_QT;qt" "HOTARU_FFMPEG_PREFIX;ffmpeg")
  list(GET dep 0 var)
  list(GET dep 1 component)
  if(NOT ${var})
    execute_process(
      COMMAND "${CMAKE_CURRENT_LIST_DIR}/../scripts/windows-deps.sh" --print-dir ${component}
      OUTPUT_VARIABLE dir OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0 OR NOT EXISTS "${dir}/.complete")
      message(FATAL_ERROR "No ${component} for Windows yet: scripts/windows-deps.sh builds it")
    endif()
    set(${var} "${dir}" CACHE PATH "${component} for mingw-w64 (scripts/windows-deps.sh)")
  endif()
endforeach()

set(QT_CHAINLOAD_TOOLCHAIN_FILE "${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw64.cmake")
include("${HOTARU_WINDOWS_QT}/lib/cmake/Qt6/qt.toolchain.cmake")
