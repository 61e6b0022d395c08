# Compiles a help project with chmcmd:
#   cmake -DCHMCMD=... -DPROJECT_FILE=.../Trawl.hhp -DWORK_DIR=... -DOUTPUT=.../Trawl.chm -P compile-help.cmake
# chmcmd writes the compiled file into its working directory, so it runs in a folder of its own.
# It reports missing files and broken links only as warnings and still succeeds; here any warning
# or error fails the build, so a help file with a dead link never reaches a user.
foreach(var CHMCMD PROJECT_FILE WORK_DIR OUTPUT)
  if(NOT ${var})
    message(FATAL_ERROR "compile-help.cmake: ${var} is not set")
  endif()
endforeach()

file(STRINGS "${PROJECT_FILE}" compiled REGEX "^Compiled file=")
string(REGEX REPLACE "^Compiled file=[ \t]*" "" compiled "${compiled}")
string(STRIP "${compiled}" compiled)
if(compiled STREQUAL "")
  message(FATAL_ERROR "${PROJECT_FILE}: no 'Compiled file=' line")
endif()

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
execute_process(
  COMMAND "${CHMCMD}" "${PROJECT_FILE}"
  WORKING_DIRECTORY "${WORK_DIR}"
  RESULT_VARIABLE result
  OUTPUT_VARIABLE out
  ERROR_VARIABLE out)
if(NOT result EQUAL 0 OR out MATCHES "(Warning|Error|exception)" OR NOT EXISTS "${WORK_DIR}/${compiled}")
  message(FATAL_ERROR "chmcmd failed on ${PROJECT_FILE} (exit ${result}):\n${out}")
endif()

get_filename_component(output_dir "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${output_dir}")
file(COPY_FILE "${WORK_DIR}/${compiled}" "${OUTPUT}")
