# The error-band example when an output file cannot be written: it says so
# on standard error and exits with status 1, and its standard output is that
# of a good run without the closing "written" line.
#   cmake -DPROGRAM=error_band -DDATA=DIR -DWORK=DIR -P unwritable_output.cmake
# DATA holds the example's data files; WORK is emptied and used for the runs.
cmake_minimum_required(VERSION 3.25)

# run(DIR): runs the example in DIR; sets status, out and err.
function(run dir)
  execute_process(COMMAND ${PROGRAM} WORKING_DIRECTORY ${dir}
    RESULT_VARIABLE code OUTPUT_VARIABLE stdout ERROR_VARIABLE stderr)
  set(status "${code}" PARENT_SCOPE)
  set(out "${stdout}" PARENT_SCOPE)
  set(err "${stderr}" PARENT_SCOPE)
endfunction()

# fresh(NAME): a copy of the data in WORK/NAME; sets dir.
function(fresh name)
  set(d ${WORK}/${name})
  file(REMOVE_RECURSE ${d})
  file(MAKE_DIRECTORY ${d})
  file(GLOB files ${DATA}/*.pds ${DATA}/*.grid ${DATA}/*.NLO ${DATA}/*.members)
  file(COPY ${files} DESTINATION ${d})
  set(dir ${d} PARENT_SCOPE)
endfunction()

fresh(good)
run(${dir})
if(NOT status EQUAL 0 OR NOT out MATCHES "\n\nwritten: error_band.csv, error_band.svg\n$")
  message(FATAL_ERROR "good run: status ${status}\n${out}${err}")
endif()
string(REPLACE "\n\nwritten: error_band.csv, error_band.svg\n" "\n" unwritten "${out}")

# Each case: its name, what stands in the way, the expected standard error.
set(cases
  "csv_is_a_directory|dir:error_band.csv|error_band: cannot write error_band.csv: Is a directory\n"
  "svg_on_a_full_disk|full:error_band.svg|error_band: cannot write error_band.svg: No space left on device\n"
  "both|dir:error_band.csv,dir:error_band.svg|error_band: cannot write error_band.csv: Is a directory\nerror_band: cannot write error_band.svg: Is a directory\n")
set(failures "")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 name)
  list(GET fields 1 obstacles)
  list(GET fields 2 expected)
  string(REPLACE "\\n" "\n" expected "${expected}")
  fresh(${name})
  string(REPLACE "," ";" obstacles "${obstacles}")
  foreach(obstacle IN LISTS obstacles)
    string(REPLACE ":" ";" parts "${obstacle}")
    list(GET parts 0 kind)
    list(GET parts 1 file)
    if(kind STREQUAL "dir")
      file(MAKE_DIRECTORY ${dir}/${file})
    else()
      file(CREATE_LINK /dev/full ${dir}/${file} SYMBOLIC)
    endif()
  endforeach()
  run(${dir})
  if(NOT status EQUAL 1 OR NOT err STREQUAL expected OR NOT out STREQUAL unwritten)
    string(APPEND failures "${name}: status ${status}, standard error:\n${err}"
      "expected status 1 and:\n${expected}")
    if(NOT out STREQUAL unwritten)
      string(APPEND failures "standard output differs from the good run's without its last line\n")
    endif()
  endif()
endforeach()
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
