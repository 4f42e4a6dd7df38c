# Read by CTest when it starts (a TEST_INCLUDE_FILES script of the Windows
# build, see windows.cmake): lists the cases of the Linux-built end_to_end_test
# and adds each as a test that runs it against qolt2wpt.exe under Wine.
# Expects HOST_TEST, the Linux-built test program, TOOL_COMMAND, the command
# line that runs the .exe, and FIXTURE, the fixture that keeps Wine running.

# CTest reads this with no policies set, where if(... IN_LIST ...) is
# unknown; the GoogleTest listing scripts set them only when they list anew.
cmake_policy(VERSION 3.25)

execute_process(
  COMMAND ${HOST_TEST} --gtest_list_tests
  OUTPUT_VARIABLE listing
  ERROR_VARIABLE errors
  RESULT_VARIABLE result
  TIMEOUT 60)
if(NOT result EQUAL 0)
  # A test that fails the same way and shows why, rather than a suite that
  # silently lacks the end-to-end cases.
  add_test(EndToEndListing ${HOST_TEST} --gtest_list_tests)
  return()
endif()

# Cases that cannot pass under Wine, each with the reason; CTest shows them as
# not run.
set(not_under_wine
  # Wine turns a pseudo-terminal into a Wine console, which draws the text
  # with escape sequences, in the terminal's encoding, and takes a typed LF
  # as a character, not as Enter. That the .exe shows each message at once on
  # a console is checked by PlatformWindows.ConsoleIsATerminalOnAPseudoTerminal.
  EndToEndPosixOnly.ShowsPromptBeforeReadingFromTerminal
)

# The listing: "Suite." lines, each followed by "  Case" lines; either may
# end in a "# TypeParam = ..." or "# GetParam() = ..." comment.
string(REPLACE "\n" ";" lines "${listing}")
set(suite "")
foreach(line IN LISTS lines)
  if(line MATCHES "^([^ ]+)\\.( +#.*)?$")
    set(suite ${CMAKE_MATCH_1})
  elseif(line MATCHES "^  ([^ ]+)( +#.*)?$" AND NOT suite STREQUAL "")
    set(name ${suite}.${CMAKE_MATCH_1})
    if(name MATCHES "(^|[./])DISABLED_")
      continue()
    endif()
    add_test(${name} ${HOST_TEST} --gtest_filter=${name})
    set_tests_properties(${name} PROPERTIES
      ENVIRONMENT "QOLT2WPT_TOOL_COMMAND=${TOOL_COMMAND}"
      FIXTURES_REQUIRED ${FIXTURE}
      SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
    if(name IN_LIST not_under_wine)
      set_tests_properties(${name} PROPERTIES DISABLED TRUE)
    endif()
  endif()
endforeach()
