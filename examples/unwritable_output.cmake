# The error-band example when an output file cannot be written: it says so
# on standard error and exits with status 1, and its standard output is that
# of a good run without the closing "written" line.
#   cmake -DPROGRAM=error_band -DDATA=DIR -DWORK=DIR -P unwritable_output.cmake
# DATA holds the example's data files; WORK is emptied and used for the runs.
cmake_minimum_required(VERSION 3.25)
set(written "\n\nwritten: error_band.csv, error_band.svg\n")

# run(NAME STATUS ERR [DIR|FULL FILE]...): runs the example on a fresh copy
# of the data, where each FILE is a directory (DIR) or a link to /dev/full
# (FULL), and checks its exit status, standard error and (once unwritten
# is set) standard output.  Sets out.
function(run name status err)
  set(dir ${WORK}/${name})
  file(REMOVE_RECURSE ${dir})
  file(GLOB data ${DATA}/*.pds ${DATA}/*.grid ${DATA}/*.NLO ${DATA}/*.members)
  file(COPY ${data} DESTINATION ${dir})
  while(ARGN)
    list(POP_FRONT ARGN kind file)
    if(kind STREQUAL "DIR")
      file(MAKE_DIRECTORY ${dir}/${file})
    else()
      file(CREATE_LINK /dev/full ${dir}/${file} SYMBOLIC)
    endif()
  endwhile()
  execute_process(COMMAND ${PROGRAM} WORKING_DIRECTORY ${dir}
    RESULT_VARIABLE code OUTPUT_VARIABLE stdout ERROR_VARIABLE stderr)
  if(NOT code STREQUAL status OR NOT stderr STREQUAL err)
    message(SEND_ERROR "${name}: status ${code}, standard error:\n${stderr}"
      "expected status ${status} and:\n${err}")
  endif()
  if(DEFINED unwritten AND NOT stdout STREQUAL unwritten)
    message(SEND_ERROR "${name}: standard output differs from the good run's "
      "without its \"written\" line:\n${stdout}")
  endif()
  set(out "${stdout}" PARENT_SCOPE)
endfunction()

run(good 0 "")
string(REPLACE "${written}" "\n" unwritten "${out}")
if(unwritten STREQUAL out)
  message(FATAL_ERROR "good run: no closing \"written\" line\n${out}")
endif()
set(csv "error_band: error_band.csv: cannot be written")
set(svg "error_band: error_band.svg: cannot be written")
run(csv_is_a_directory 1 "${csv} (Is a directory)\n" DIR error_band.csv)
run(svg_on_a_full_disk 1 "${svg} (No space left on device)\n" FULL error_band.svg)
run(both 1 "${csv} (Is a directory)\n${svg} (Is a directory)\n" DIR error_band.csv DIR error_band.svg)
