# Runs a command and writes its standard output to a file, whole or not at all:
#   cmake -DOUTPUT=FILE -DCOMMAND="exe;arg;..." -P write_output.cmake
execute_process(COMMAND ${COMMAND} OUTPUT_FILE ${OUTPUT}.tmp RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE ${OUTPUT}.tmp)
  message(FATAL_ERROR "${COMMAND} failed: ${result}")
endif()
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
