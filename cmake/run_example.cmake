# Runs the tool in EXAMPLE_DIR and answers its prompt with BASE_NAME, as a
# user would type it. Usage: cmake -DTOOL=... -DEXAMPLE_DIR=... -DBASE_NAME=... -P run_example.cmake
cmake_minimum_required(VERSION 3.25)
execute_process(
  COMMAND ${CMAKE_COMMAND} -E echo ${BASE_NAME}
  COMMAND ${TOOL}
  WORKING_DIRECTORY ${EXAMPLE_DIR}
  RESULTS_VARIABLE statuses)
list(GET statuses 1 status)
message("")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "qolt2wpt exited with status ${status}")
endif()
message("Wrote ${EXAMPLE_DIR}/${BASE_NAME}.wpt")
