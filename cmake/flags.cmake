# Compiler settings shared by every target of the project.
#
# The numerics must give the same bits at every optimisation level and with
# every supported compiler: no contraction into fused multiply-adds, no
# fast-math reassociation, SSE arithmetic (never x87 extended precision).

# The project builds as C++20; the installed libraries ask of their users
# only C++17 (the compile feature cxx_std_17, see library.cmake).
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_C_STANDARD 99)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
set(CMAKE_CXX_VISIBILITY_PRESET hidden)
set(CMAKE_C_VISIBILITY_PRESET hidden)
set(CMAKE_VISIBILITY_INLINES_HIDDEN ON)

# Warnings are on everywhere; they are errors where the cache variable
# CMAKE_COMPILE_WARNING_AS_ERROR is on (the presets of the checks, and every
# build of CI).  The flags are the project's own: the installed libraries
# link them as $<BUILD_INTERFACE:pdferr_flags>, so that they are never
# exported to consumers; tests and examples link them plainly.
add_library(pdferr_flags INTERFACE)
target_compile_options(pdferr_flags INTERFACE
  -ffp-contract=off -fno-fast-math
  $<$<COMPILE_LANGUAGE:C,CXX>:-Wall -Wextra -Wshadow -Wconversion -Wno-sign-conversion -Wdouble-promotion>)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|i.86)$")
  target_compile_options(pdferr_flags INTERFACE -msse2 -mfpmath=sse)
endif()
