# The test suite of the Windows build (cross-compiled with
# cmake/mingw-w64-x86_64.cmake): the unit tests built as .exe files and run
# under Wine, and the Linux-built end_to_end_test run against qolt2wpt.exe
# under Wine, so the .exe must give the Linux build's bytes exactly.
# Included by tests/CMakeLists.txt in place of its own list.

if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  message(FATAL_ERROR "The Windows tests run under Wine, and none was found: install the Debian packages "
                      "wine and wine64, or configure with -DQOLT2WPT_TESTS=OFF to build the .exe alone.")
endif()

# Unit tests built for Windows.
set(qolt2wpt_windows_tests
  line_reader_test
  crlf_output_test
  point_list_test
  waypoint_file_test
  console_input_test
  conversion_test
  wide_multiply_test
  platform_windows_test
)
# Tests that run in the Linux builds only: number_text_test,
# fixed_format_test, differential_test and big_integer_test take GMP's exact
# arithmetic as their reference, and Debian has no GMP built for Windows (the
# Windows build's numbers are still checked byte for byte by the end-to-end
# tests); end_to_end_test is a Linux program, which the Windows suite runs
# against the .exe (below); fault_injection_test is a Linux program too, and
# runs only the tool built next to it (it measures the tool's memory and
# kills it with signals, both Linux process matters).
set(qolt2wpt_linux_only_tests
  number_text_test
  fixed_format_test
  differential_test
  big_integer_test
  end_to_end_test
  fault_injection_test
)
# A new test program must be placed in one list or the other, so none is
# left out of the Windows suite unnoticed.
file(GLOB qolt2wpt_test_sources RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
foreach(source IN LISTS qolt2wpt_test_sources)
  string(REGEX REPLACE "\\.cpp$" "" test ${source})
  if(NOT test IN_LIST qolt2wpt_windows_tests AND NOT test IN_LIST qolt2wpt_linux_only_tests)
    message(FATAL_ERROR "tests/${source} is in neither list of tests/windows.cmake: add ${test} to "
                        "qolt2wpt_windows_tests, or to qolt2wpt_linux_only_tests with the reason it cannot run on Windows.")
  endif()
endforeach()

# GoogleTest built for Windows from the sources of Debian's googletest
# package; the packaged libgtest is a Linux library.
set(QOLT2WPT_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources, built for the target")
if(NOT EXISTS ${QOLT2WPT_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources in ${QOLT2WPT_GOOGLETEST_SOURCE_DIR}: install the Debian package googletest.")
endif()
set(BUILD_GMOCK OFF)
set(INSTALL_GTEST OFF)
add_subdirectory(${QOLT2WPT_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

include(GoogleTest)

# Wine's first start in a new prefix takes a while (it sets up a Windows
# directory tree and registry), and two first starts at once would race, so
# the build sets the prefix up once; every later start is quick. It waits for
# the Wine server to end, so the registry is on disk when the tests begin.
add_custom_command(
  OUTPUT ${QOLT2WPT_WINE_PREFIX}/system.reg
  COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} wineboot --init
  COMMAND ${QOLT2WPT_ENV} WINEPREFIX=${QOLT2WPT_WINE_PREFIX} ${QOLT2WPT_WINESERVER} --wait
  COMMENT "Setting up the Wine prefix ${QOLT2WPT_WINE_PREFIX}"
  VERBATIM)
add_custom_target(wine-prefix ALL DEPENDS ${QOLT2WPT_WINE_PREFIX}/system.reg)

# Tests are listed when CTest starts, not at build time, so no Wine starts
# before the prefix is ready.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)

# One Wine server for the whole run, which every Windows test requires. A
# server started on demand quits a few seconds after its last program ends,
# and a program that connects just as it quits dies with "wine client error:
# recvmsg: Connection reset by peer", failing whichever test it was.
set(qolt2wpt_wine_server_command
    ${QOLT2WPT_ENV} ${QOLT2WPT_WINE_ENVIRONMENT}
    ${CMAKE_COMMAND} -DWINESERVER=${QOLT2WPT_WINESERVER} -DWINE=${QOLT2WPT_WINE})
set(qolt2wpt_wine_server_script ${PROJECT_SOURCE_DIR}/cmake/wine_server.cmake)
add_test(NAME WineServer.Start COMMAND ${qolt2wpt_wine_server_command} -DACTION=start -P ${qolt2wpt_wine_server_script})
add_test(NAME WineServer.Stop COMMAND ${qolt2wpt_wine_server_command} -DACTION=stop -P ${qolt2wpt_wine_server_script})
set_tests_properties(WineServer.Start PROPERTIES FIXTURES_SETUP WineServer)
set_tests_properties(WineServer.Stop PROPERTIES FIXTURES_CLEANUP WineServer)

foreach(test IN LISTS qolt2wpt_windows_tests)
  add_executable(${test} ${test}.cpp)
  target_link_libraries(${test} PRIVATE qolt2wpt::core GTest::gtest GTest::gtest_main)
  qolt2wpt_set_options(${test})
  gtest_discover_tests(${test} WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} DISCOVERY_TIMEOUT 120
                       PROPERTIES FIXTURES_REQUIRED WineServer)
endforeach()
target_include_directories(line_reader_test PRIVATE ${PROJECT_SOURCE_DIR}/fuzz)  # the plain model of the rules

# On a console each message must show at once. Started from a pipe, as CTest
# starts it, a program under Wine gets no console; on a pseudo-terminal (made
# by script(1)) Wine gives it one.
find_program(QOLT2WPT_SCRIPT script REQUIRED)
string(JOIN " " qolt2wpt_console_test_command ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:platform_windows_test>
       --gtest_filter=PlatformWindows.ConsoleIsATerminal)
add_test(NAME PlatformWindows.ConsoleIsATerminalOnAPseudoTerminal
         COMMAND ${QOLT2WPT_SCRIPT} --quiet --return --command "${qolt2wpt_console_test_command}" /dev/null)
set_tests_properties(PlatformWindows.ConsoleIsATerminalOnAPseudoTerminal PROPERTIES
  ENVIRONMENT QOLT2WPT_CONSOLE_EXPECTED=1 FIXTURES_REQUIRED WineServer)

# end_to_end_test, built for Linux as a nested project (linux_end_to_end/):
# it spawns the tool with the command in QOLT2WPT_TOOL_COMMAND, here Wine and
# qolt2wpt.exe, and expects the very bytes it expects of the Linux build.
include(ExternalProject)
set(qolt2wpt_host_dir ${CMAKE_BINARY_DIR}/linux-end-to-end)
set(qolt2wpt_host_test ${qolt2wpt_host_dir}/end_to_end_test)
ExternalProject_Add(linux_end_to_end_test
  SOURCE_DIR ${CMAKE_CURRENT_SOURCE_DIR}/linux_end_to_end
  BINARY_DIR ${qolt2wpt_host_dir}
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Debug -DQOLT2WPT_WERROR=${QOLT2WPT_WERROR}
             -DQOLT2WPT_TOOL_PATH=$<TARGET_FILE:qolt2wpt>
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${qolt2wpt_host_test}
  INSTALL_COMMAND "")

# Each of its cases becomes a CTest test, listed when CTest starts.
string(JOIN " " qolt2wpt_tool_command ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:qolt2wpt>)
file(GENERATE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/wine_end_to_end_tests_include.cmake CONTENT
"set(HOST_TEST [==[${qolt2wpt_host_test}]==])
set(TOOL_COMMAND [==[${qolt2wpt_tool_command}]==])
set(FIXTURE WineServer)
include([==[${CMAKE_CURRENT_SOURCE_DIR}/wine_end_to_end_tests.cmake]==])
")
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_CURRENT_BINARY_DIR}/wine_end_to_end_tests_include.cmake)
