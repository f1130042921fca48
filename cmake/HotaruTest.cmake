# One way to register a test suite, native or cross-built for Windows:
#
#   hotaru_add_test(NAME target SOURCES file...
#                   [LIBS target...] [INCLUDES dir...] [DEFINITIONS def...]
#                   [DEPENDS target...]
#                   [QT [APP]] [PREFIX text] [TEST_NAME name] [RUN_WITH command...]
#                   [PROPERTIES name value...])
#
# A GoogleTest suite (the default) is linked with gtest_main and each case
# becomes a CTest test, named PREFIX + Suite.Case. A QtTest suite (QT) is one
# CTest test, TEST_NAME or the target's name, run on Qt's offscreen platform;
# its sources end in HOTARU_QTEST_MAIN (tests/common/QtTestMain.h), which runs
# it under a plain QApplication, or with APP under the program's own
# Application (linking hotaru_app). RUN_WITH runs a QtTest suite through a
# command (such as an X server of its own). PROPERTIES go to every test made.
# Every suite sees tests/common, its own folder and, for QtTest, the fake
# system services in tests/gui. Cross-built, the tests run through
# CMAKE_CROSSCOMPILING_EMULATOR.
include_guard(GLOBAL)
include(GoogleTest)

set(HOTARU_TESTS_DIR "${CMAKE_CURRENT_LIST_DIR}/../tests")
cmake_path(NORMAL_PATH HOTARU_TESTS_DIR)

function(hotaru_add_test)
  cmake_parse_arguments(PARSE_ARGV 0 arg "QT;APP" "NAME;PREFIX;TEST_NAME"
    "SOURCES;LIBS;INCLUDES;DEFINITIONS;DEPENDS;RUN_WITH;PROPERTIES")
  if(NOT arg_NAME OR NOT arg_SOURCES OR arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "hotaru_add_test(NAME target SOURCES file... ...): ${ARGV}")
  endif()
  set(name "${arg_NAME}")
  add_executable(${name} ${arg_SOURCES})
  target_include_directories(${name} PRIVATE "${HOTARU_TESTS_DIR}/common" "${CMAKE_CURRENT_SOURCE_DIR}" ${arg_INCLUDES})
  target_compile_definitions(${name} PRIVATE ${arg_DEFINITIONS})
  target_link_libraries(${name} PRIVATE ${arg_LIBS} hotaru_options)
  if(arg_DEPENDS)
    add_dependencies(${name} ${arg_DEPENDS})
  endif()

  if(arg_QT)
    target_include_directories(${name} PRIVATE "${HOTARU_TESTS_DIR}/gui")
    target_link_libraries(${name} PRIVATE Qt6::Test)
    if(arg_APP)
      target_link_libraries(${name} PRIVATE hotaru_app)
      target_compile_definitions(${name} PRIVATE HOTARU_QTEST_APP)
    endif()
    get_target_property(qt_type Qt6::Core TYPE)
    if(qt_type STREQUAL "STATIC_LIBRARY")
      # Static Qt links plugins in: offscreen is the one the suites run on.
      qt_import_plugins(${name} INCLUDE Qt6::QOffscreenIntegrationPlugin)
    endif()
    set(test_name "${arg_TEST_NAME}")
    if(NOT test_name)
      set(test_name "${name}")
    endif()
    if(CMAKE_CROSSCOMPILING_EMULATOR)
      # Under Wine a QtTest report reaches CTest through a file of its own.
      set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "${CMAKE_CROSSCOMPILING_EMULATOR};--qtest")
    endif()
    if(arg_RUN_WITH)
      add_test(NAME ${test_name} COMMAND ${arg_RUN_WITH} $<TARGET_FILE:${name}>)
    else()
      add_test(NAME ${test_name} COMMAND ${name})
    endif()
    set_tests_properties(${test_name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
    if(arg_PROPERTIES)
      set_tests_properties(${test_name} PROPERTIES ${arg_PROPERTIES})
    endif()
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main)
    set_target_properties(${name} PROPERTIES AUTOMOC OFF AUTORCC OFF AUTOUIC OFF)
    set(discover ${name})
    if(arg_PREFIX)
      list(APPEND discover TEST_PREFIX "${arg_PREFIX}")
    endif()
    if(CMAKE_CROSSCOMPILING)
      # The cases are listed when the tests run, not at every link: the
      # emulator (Wine) starts slowly.
      list(APPEND discover DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120)
    else()
      # Listing the cases loads Qt and FFmpeg; under sanitizers on a busy
      # machine that takes longer than CMake's five seconds.
      list(APPEND discover DISCOVERY_TIMEOUT 60)
    endif()
    if(arg_PROPERTIES)
      list(APPEND discover PROPERTIES ${arg_PROPERTIES})
    endif()
    gtest_discover_tests(${discover})
  endif()
endfunction()

# A fuzz target of one source over one library, its corpus in the folder's
# corpus/NAME: replayed in the suite (fuzz_replay.NAME), and built for
# libFuzzer under HOTARU_FUZZ (scripts/fuzz.sh runs it).
function(hotaru_fuzz_target name source library)
  add_executable(fuzz_replay_${name} ${source} "${HOTARU_TESTS_DIR}/common/FuzzReplay.cpp")
  target_link_libraries(fuzz_replay_${name} PRIVATE ${library} hotaru_options)
  add_test(NAME fuzz_replay.${name} COMMAND fuzz_replay_${name} "${CMAKE_CURRENT_SOURCE_DIR}/corpus/${name}")
  if(HOTARU_FUZZ)
    add_executable(fuzz_${name} ${source})
    target_compile_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(fuzz_${name} PRIVATE ${library} hotaru_options)
  endif()
endfunction()
