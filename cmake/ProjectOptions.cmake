# One interface target carries the language level, warnings and sanitizers;
# every target of ours links it.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)

option(HOTARU_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(HOTARU_FUZZ "Build the fuzz targets for libFuzzer (clang)" OFF)

add_library(hotaru_options INTERFACE)
target_compile_features(hotaru_options INTERFACE cxx_std_20)
# Includes name their folder: #include "platform/File.h".
cmake_path(GET CMAKE_CURRENT_LIST_DIR PARENT_PATH hotaru_source_root)
include(${CMAKE_CURRENT_LIST_DIR}/ProgramInfo.cmake)
configure_file(${CMAKE_CURRENT_LIST_DIR}/ProgramInfo.h.in ${CMAKE_BINARY_DIR}/generated/config/ProgramInfo.h @ONLY)
target_include_directories(hotaru_options INTERFACE "${hotaru_source_root}" "${CMAKE_BINARY_DIR}/generated")
if(MSVC)
  target_compile_options(hotaru_options INTERFACE /W4 /WX /utf-8)
else()
  target_compile_options(hotaru_options INTERFACE -Wall -Wextra -Werror)
  # GCC 12 reports std::string's own operator+ as a restrict violation once
  # it inlines at -O3 (GCC bug 105651, fixed in 13): a false alarm there.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(hotaru_options INTERFACE -Wno-restrict)
  endif()
endif()
target_compile_definitions(hotaru_options INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CONTEXTLESS_CONNECT QT_NO_KEYWORDS)
if(WIN32)
  target_compile_definitions(hotaru_options INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
endif()
if(HOTARU_SANITIZE)
  target_compile_options(hotaru_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(hotaru_options INTERFACE -fsanitize=address,undefined)
endif()
# The fuzzers must see the readers' branches, not only their own: every
# library is built with libFuzzer's coverage, the targets link libFuzzer.
if(HOTARU_FUZZ)
  target_compile_options(hotaru_options INTERFACE -fsanitize=fuzzer-no-link)
endif()
