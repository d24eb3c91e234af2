cmake_minimum_required(VERSION 3.25)
# Checks that no library, archive or object module offers a symbol of the
# C library's mathematics (log, exp, logf, pow, erf, or their gfortran
# names), nor the toolkit's own functions (pdferr::math) to other modules:
#   cmake -DREADELF=readelf "-DFILES=lib1.so;lib2.a;module.o" -P check_math_symbols.cmake
# A symbol is offered if it is defined, global or weak, and of default
# visibility; the toolkit's functions are hidden in archives and objects and
# local in shared libraries.
set(found "")
foreach(file IN LISTS FILES)
  execute_process(COMMAND ${READELF} -sW -C ${file} OUTPUT_VARIABLE table
    COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX MATCHALL "[^\n]+" lines "${table}")
  set(count 0)
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "^ *[0-9]+: [0-9a-f]+ +[0-9a-fx]+ +[A-Z_]+ +([A-Z_]+) +([A-Z_]+) +([A-Z0-9_]+) +(.+)$")
      continue()
    endif()
    set(bind ${CMAKE_MATCH_1})
    set(vis ${CMAKE_MATCH_2})
    set(ndx ${CMAKE_MATCH_3})
    string(REGEX REPLACE "@.*$" "" name "${CMAKE_MATCH_4}")
    if(name MATCHES "^pdferr::math::")
      math(EXPR count "${count} + 1")
    endif()
    if(ndx STREQUAL "UND" OR NOT bind MATCHES "^(GLOBAL|WEAK|UNIQUE)$" OR NOT vis STREQUAL "DEFAULT")
      continue()
    endif()
    if(name MATCHES "^(log|exp|logf|pow|erf)_?$" OR name MATCHES "^pdferr::math::")
      list(APPEND found "${file}: ${name}")
    endif()
  endforeach()
  message(STATUS "${file}: ${count} symbols of the toolkit's functions")
endforeach()
if(found)
  list(JOIN found "\n  " found)
  message(FATAL_ERROR "mathematics symbols offered to other modules:\n  ${found}")
endif()
