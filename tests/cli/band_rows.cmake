cmake_minimum_required(VERSION 3.25)
# A serial Hessian and Monte Carlo band of the error-band example's grid
# members, its CSV rows compared byte for byte with EXPECTED (the comment
# lines above them name the version and the paths):
#   cmake -DPROGRAM=pdferr -DMEMBERS=grids.members -DCOV=band_cov.csv -DOUT=dir
#         -DEXPECTED=band_rows.csv -P band_rows.cmake
execute_process(
  COMMAND ${PROGRAM} band ${MEMBERS} --x 1e-4:0.9:6 --q2 100 --column 3 --cov ${COV}
    --draws 3000 --seed 2024 -o ${OUT}/band_rows
  RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT status STREQUAL "0")
  message(FATAL_ERROR "pdferr band ended with ${status}: ${err}")
endif()
file(READ ${OUT}/band_rows.csv text)
string(FIND "${text}" "\nx," at)
math(EXPR at "${at} + 1")
string(SUBSTRING "${text}" ${at} -1 rows)
file(READ ${EXPECTED} expected)
if(NOT rows STREQUAL expected)
  message(FATAL_ERROR "the band's rows differ from ${EXPECTED}:\n${rows}")
endif()
