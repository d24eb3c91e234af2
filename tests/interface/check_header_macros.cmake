cmake_minimum_required(VERSION 3.25)
# Lists the macros that the headers HEADERS leave defined when SOURCE is
# preprocessed, and fails unless every one starts with PDFERR_:
#   cmake -DCOMPILER=cc -DFLAGS="-std=c99;-Idir" -DSOURCE=unit.c -DHEADERS="a.h;b.h"
#         -P check_header_macros.cmake
execute_process(COMMAND ${COMPILER} ${FLAGS} -E -dD ${SOURCE}
  OUTPUT_VARIABLE text COMMAND_ERROR_IS_FATAL ANY)
# Only the line markers and the directives matter.
string(REGEX MATCHALL "\n#[^\n]*" lines "\n${text}")
set(ours FALSE)
set(defined "")
foreach(line IN LISTS lines)
  if(line MATCHES "^\n# [0-9]+ \"([^\"]*)\"")
    set(ours FALSE)
    if(CMAKE_MATCH_1 IN_LIST HEADERS)
      set(ours TRUE)
    endif()
  elseif(ours AND line MATCHES "^\n#define ([A-Za-z_][A-Za-z0-9_]*)")
    list(APPEND defined ${CMAKE_MATCH_1})
  elseif(ours AND line MATCHES "^\n#undef ([A-Za-z_][A-Za-z0-9_]*)")
    list(REMOVE_ITEM defined ${CMAKE_MATCH_1})
  endif()
endforeach()
list(REMOVE_DUPLICATES defined)
set(offenders ${defined})
list(FILTER offenders EXCLUDE REGEX "^PDFERR_")
if(NOT defined)
  message(FATAL_ERROR "no macro found: the headers were not traced in ${SOURCE}")
endif()
if(offenders)
  message(FATAL_ERROR "macros without the prefix PDFERR_ left defined: ${offenders}")
endif()
list(JOIN defined " " defined)
message(STATUS "macros left defined, all prefixed: ${defined}")
