# Starts or stops the Wine server of the test prefix (WINEPREFIX and the rest
# of Wine's settings in the environment).
# Usage: cmake -DWINESERVER=... -DWINE=... -DACTION=start|stop -P wine_server.cmake
#
# start: ends any server left in the prefix (one started on demand, e.g. by
# the test listing, would quit a few seconds after its last program), then
# starts one that stays until it is stopped, with the background programs
# every Wine session has.
# stop: ends them all, and any Wine program still running in the prefix.
cmake_minimum_required(VERSION 3.25)

# Runs a command with its output in the log, and stops with the log when it
# fails.
function(run_logged log)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_FILE ${log} ERROR_FILE ${log})
  if(NOT status EQUAL 0)
    file(READ ${log} messages)
    string(JOIN " " command ${ARGN})
    message(FATAL_ERROR "${command} exited with status ${status}:\n${messages}")
  endif()
endfunction()

# "wineserver -k" fails when no server runs; that is no error here.
execute_process(COMMAND ${WINESERVER} -k OUTPUT_QUIET ERROR_QUIET)
if(ACTION STREQUAL "start")
  # The server detaches once it is listening, so a program started after this
  # returns finds it. It keeps its standard error for its own messages: a
  # file, as a pipe left open would keep CTest waiting for the test's end.
  set(log $ENV{WINEPREFIX}/wineserver.log)
  run_logged(${log} ${WINESERVER} -p)
  # The first program of a session starts the session's background programs
  # (services, device drivers), which live as long as the server and inherit
  # that program's standard output and error. Started here, they write to
  # the file, not into a test's pipes, which CTest would wait on until the end.
  run_logged(${log} ${WINE} wineboot)
elseif(NOT ACTION STREQUAL "stop")
  message(FATAL_ERROR "ACTION must be start or stop, not '${ACTION}'")
endif()
