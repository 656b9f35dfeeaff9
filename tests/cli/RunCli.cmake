# Runs caniparc-cli once and checks what a user of the command line sees.
#   CLI       the program
#   ARGS      its arguments, separated by "|"
#   RC        the expected exit status
#   EXPECTED  optional: a file that standard output (or OUTFILE) must equal byte for byte
#   OUTFILE   optional: the file the command writes instead of standard output
#   STDERR    optional: a text standard error must contain
#   STDOUT    optional: a text standard output must contain
string(REPLACE "|" ";" args "${ARGS}")
set(stdout_file "${WORKDIR}/stdout.bin")
file(MAKE_DIRECTORY "${WORKDIR}")
if(OUTFILE)
    file(REMOVE "${OUTFILE}")
endif()
execute_process(COMMAND "${CLI}" ${args} RESULT_VARIABLE rc OUTPUT_FILE "${stdout_file}" ERROR_VARIABLE err)
if(NOT rc STREQUAL RC)
    message(FATAL_ERROR "exit status ${rc}, expected ${RC}; standard error: ${err}")
endif()
if(STDERR AND NOT err MATCHES "${STDERR}")
    message(FATAL_ERROR "standard error lacks \"${STDERR}\": ${err}")
endif()
if(STDOUT)
    file(READ "${stdout_file}" out)
    if(NOT out MATCHES "${STDOUT}")
        message(FATAL_ERROR "standard output lacks \"${STDOUT}\": ${out}")
    endif()
endif()
if(EXPECTED)
    set(actual "${stdout_file}")
    if(OUTFILE)
        set(actual "${OUTFILE}")
    endif()
    execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${actual}" "${EXPECTED}" RESULT_VARIABLE differ)
    if(differ)
        message(FATAL_ERROR "${actual} differs from ${EXPECTED}")
    endif()
endif()
