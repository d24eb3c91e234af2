cmake_minimum_required(VERSION 3.25)
# Runs PROGRAM, keeps its standard output in OUTPUT and compares the SHA-256
# digest of it with the one DIGESTS records:
#   cmake -DPROGRAM=fixed_run -DOUTPUT=out.txt -DDIGESTS=fixed_run.sha256 -P check_digest.cmake
# The toolkit computes with its own correctly rounded functions, so one
# digest holds for every C library, processor and compiler.
execute_process(COMMAND ${PROGRAM} OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE status)
if(NOT status STREQUAL "0")
  message(FATAL_ERROR "${PROGRAM} ended with ${status}")
endif()
file(SHA256 ${OUTPUT} digest)
file(STRINGS ${DIGESTS} lines REGEX "^[0-9a-f]+$")
list(LENGTH lines count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "${DIGESTS}: want one line of a digest, found ${count}")
endif()
if(NOT lines STREQUAL digest)
  message(FATAL_ERROR "output of ${PROGRAM} (${OUTPUT}): digest ${digest}; recorded: ${lines}")
endif()
message(STATUS "output of ${PROGRAM}: digest ${digest}, as recorded")
