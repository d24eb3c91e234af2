# Compiler settings shared by every target of the project.
#
# The numerics must give the same bits at every optimisation level and with
# every supported compiler: no contraction into fused multiply-adds, no
# fast-math reassociation, SSE arithmetic (never x87 extended precision).

set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_C_STANDARD 99)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
set(CMAKE_CXX_VISIBILITY_PRESET hidden)
set(CMAKE_C_VISIBILITY_PRESET hidden)
set(CMAKE_VISIBILITY_INLINES_HIDDEN ON)

# Warnings are errors in CI (where the variable CI is set) and wherever asked.
if(DEFINED ENV{CI})
  set(pdferr_werror_default ON)
else()
  set(pdferr_werror_default OFF)
endif()
option(PDFERR_WERROR "Treat compiler warnings as errors" ${pdferr_werror_default})

add_library(pdferr_flags INTERFACE)
target_compile_options(pdferr_flags INTERFACE
  -ffp-contract=off -fno-fast-math
  $<$<COMPILE_LANGUAGE:C,CXX>:-Wall -Wextra -Wshadow -Wconversion -Wno-sign-conversion -Wdouble-promotion>
  $<$<BOOL:${PDFERR_WERROR}>:-Werror>)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|i.86)$")
  target_compile_options(pdferr_flags INTERFACE -msse2 -mfpmath=sse)
endif()
