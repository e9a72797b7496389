# puckwind-sim refuses a script with a line it does not understand: it names the line on standard
# error, exits with status 2 and runs nothing.
file(WRITE ${OUT_DIR}/bad.sim "seed 3\nstart\n\ntick 2\nwiggle 4\ntick\n")
execute_process(COMMAND ${SIM} ${OUT_DIR}/bad.sim OUTPUT_VARIABLE out ERROR_VARIABLE err
                RESULT_VARIABLE status)
if(NOT status EQUAL 2 OR NOT out STREQUAL "" OR NOT err MATCHES "line 5")
  message(FATAL_ERROR "status ${status}, stdout '${out}', stderr '${err}'")
endif()
