cmake_minimum_required(VERSION 3.25)
# Runs PROGRAM, keeps its standard output in OUTPUT and compares the SHA-256
# digest of it with the one DIGESTS records for this C library:
#   cmake -DPROGRAM=fixed_run -DOUTPUT=out.txt -DDIGESTS=fixed_run.sha256 -P check_digest.cmake
# The C library is named as `getconf GNU_LIBC_VERSION` names it; where
# DIGESTS has no line for it, the check is skipped.
execute_process(COMMAND ${PROGRAM} OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE status)
if(NOT status STREQUAL "0")
  message(FATAL_ERROR "${PROGRAM} ended with ${status}")
endif()
file(SHA256 ${OUTPUT} digest)
execute_process(COMMAND getconf GNU_LIBC_VERSION OUTPUT_VARIABLE libc
  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE status)
if(NOT status STREQUAL "0" OR libc STREQUAL "")
  set(libc "a C library other than glibc")
endif()
file(STRINGS ${DIGESTS} lines REGEX "^[^#]")
foreach(line IN LISTS lines)
  if(line MATCHES "^(.*[^ ]) +([0-9a-f]+)$" AND CMAKE_MATCH_1 STREQUAL libc)
    if(CMAKE_MATCH_2 STREQUAL digest)
      message(STATUS "output of ${PROGRAM}: digest ${digest}, as recorded for ${libc}")
      return()
    endif()
    message(FATAL_ERROR "output of ${PROGRAM} (${OUTPUT}): digest ${digest}; "
      "recorded for ${libc}: ${CMAKE_MATCH_2}")
  endif()
endforeach()
message(STATUS "no digest recorded for ${libc} in ${DIGESTS}; "
  "the output (${OUTPUT}) has the digest ${digest}")
