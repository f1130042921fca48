# The cross-built suites run under Wine: CTest starts each test program
# through tests/windows/wine-run.sh (CMAKE_CROSSCOMPILING_EMULATOR) in a
# throw-away prefix that the build prepares (tests/windows/prepare-prefix.sh).
# Include before the suites' targets are made: they take the emulator then.
include_guard(DIRECTORY)
enable_testing()
cmake_path(GET CMAKE_CURRENT_LIST_DIR PARENT_PATH hotaru_wine_root)
set(HOTARU_WINE_WORK "${CMAKE_BINARY_DIR}/wine")
set(HOTARU_WINE_RUN "${hotaru_wine_root}/tests/windows/wine-run.sh")
set(CMAKE_CROSSCOMPILING_EMULATOR "${HOTARU_WINE_RUN};${HOTARU_WINE_WORK}")

# hotaru_wine_prefix(KIND [TARGET]): the prefix of the KIND prepare-prefix.sh
# knows, made with TARGET's program (built first). The fixture "wine" starts
# one server for it before the tests, which stays up however many run at once,
# and ends it after them.
function(hotaru_wine_prefix kind)
  set(script "${hotaru_wine_root}/tests/windows/prepare-prefix.sh")
  set(args "")
  set(depends "${script}" "${hotaru_wine_root}/tests/windows/wine-prefix.sh")
  if(ARGC GREATER 1)
    list(APPEND args "$<TARGET_FILE:${ARGV1}>")
    list(APPEND depends ${ARGV1})
  endif()
  add_custom_command(OUTPUT "${HOTARU_WINE_WORK}/prepared"
    COMMAND "${script}" "${HOTARU_WINE_WORK}" ${kind} ${args}
    DEPENDS ${depends}
    COMMENT "Preparing the Wine prefix (${kind})" VERBATIM USES_TERMINAL)
  add_custom_target(wine_prefix ALL DEPENDS "${HOTARU_WINE_WORK}/prepared")
  add_test(NAME wine_start COMMAND "${HOTARU_WINE_RUN}" "${HOTARU_WINE_WORK}" --start)
  set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine)
  add_test(NAME wine_stop COMMAND "${HOTARU_WINE_RUN}" "${HOTARU_WINE_WORK}" --stop)
  set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine)
endfunction()
