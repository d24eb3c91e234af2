#!/usr/bin/env bash
# Builds the consumer programs against an installed tree, as users build
# them, and checks what they print:
#   run.sh PREFIX BUILD_DIR [static|shared]
# PREFIX is the installed tree; BUILD_DIR is a build of this project, whose
# synthetic data writers supply the table set and grid member to read.
#
# - cpp/: C++17 through find_package, with the README's CMake lines;
#   c/: C through pkg-config, with the README's link line; fortran/: Fortran
#   through the interface module and pkg-config pdferr-fortran, with the
#   README's link line.  All print expected.txt.  The README's Fortran
#   programs themselves, with the README's link line, print
#   readme_fortran.txt and readme_fortran_2.txt.
# - legacy/: a Fortran 77 program through CMake's pdferr::fortran, with its
#   own /INOUT/ of 3000 words, its own log on unit 20 that the generator's
#   lines join, a table file it opens itself for READPDS0, and a fatal error
#   at the end: legacy/expected.txt holds its output, exit status and log.
# - modules/: the object modules gaudev.o and mvndev.o with the generator of
#   a C program (linked without the C++ runtime) and of a Fortran program:
#   modules/expected.txt; neither object refers to anything of C++.
#
# Each program is built twice: with the compilers' defaults, and as a user
# tuning for the machine would build it (-O3 -march=native, which also gives
# common blocks 32 or 64-byte alignment, and lets the compiler fuse a*b+c in
# the user's code; the installed headers hold no arithmetic whose bits
# matter).  Every link treats a linker warning as an error.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
readme=$here/../../README.md
prefix=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
kind=${3:-static}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

data=$work/data
mkdir -p "$data"
"$build/tests/support/pds_write" "$data"
"$build/tests/support/write_grid" "$data/PELK-GRID.NLO" linear
for k in 1 2 3 4; do
  "$build/tests/support/write_grid" "$data/pelk-plus-0$k.grid" linear
  "$build/tests/support/write_grid" "$data/pelk-minus-0$k.grid" linear
done
libdir=$(dirname "$(find "$prefix" -name 'libpdferr_fio.*' | head -n 1)")
export PKG_CONFIG_PATH=$libdir/pkgconfig

# readme_command START: the README's command line that begins with START,
# for the installed tree at hand: $HOME/pdferr is PREFIX, and --static is
# dropped for shared libraries, as the README says.
readme_command() {
  local line
  line=$(grep -m1 -- "^$1" "$readme") || {
    echo "README.md has no line beginning with: $1" >&2
    return 1
  }
  line=${line//'$HOME/pdferr'/$prefix}
  [ "$kind" = shared ] && line=${line//--static /}
  echo "$line"
}
# The README's CMake lines for C++ are those of the C++ consumer.
awk '/^```cmake$/ {on = 1; next} /^```$/ {on = 0} on' "$readme" | while IFS= read -r line; do
  grep -qxF -- "$line" "$here/cpp/CMakeLists.txt" || {
    echo "README line not in cpp/CMakeLists.txt: $line" >&2
    exit 1
  }
done
eval "$(readme_command 'export CMAKE_PREFIX_PATH=')"
eval "$(readme_command 'export PKG_CONFIG_PATH=')"
c_line=$(readme_command 'cc analysis.c ')
fortran_line=$(readme_command 'gfortran analysis.f90 ')

strict=(-Wl,--fatal-warnings -Wl,-rpath,"$libdir")
native=(-O3 -march=native -ffp-contract=fast)
for variant in plain native; do
  flags=()
  [ "$variant" = native ] && flags=("${native[@]}")
  out=$work/$variant
  mkdir -p "$out"

  echo "-- C++17 through find_package ($kind, $variant)"
  cmake -S "$here/cpp" -B "$out/cpp" -G Ninja \
    -DCMAKE_CXX_FLAGS="${flags[*]}" -DCMAKE_EXE_LINKER_FLAGS=-Wl,--fatal-warnings >/dev/null
  cmake --build "$out/cpp" >/dev/null

  echo "-- C with the README's line ($kind, $variant)"
  (cd "$out" && ln -sf "$here/c/consumer.c" analysis.c &&
    eval "$c_line -std=c99 -Wall -Wextra -Werror ${flags[*]} ${strict[*]} -o consumer_c")

  echo "-- Fortran and the module with the README's line ($kind, $variant)"
  (cd "$out" && ln -sf "$here/fortran/consumer.f90" analysis.f90 &&
    eval "$fortran_line -Wall -Werror ${flags[*]} ${strict[*]} -o consumer_f")

  echo "-- The README's Fortran programs with the README's line ($kind, $variant)"
  for n in 1 2; do
    mkdir -p "$out/readme_$n"
    awk -v n="$n" '/^```fortran$/ {on = ++k == n; next} /^```$/ {on = 0} on' "$readme" \
      >"$out/readme_$n/analysis.f90"
    (cd "$out/readme_$n" && eval "$fortran_line ${flags[*]} ${strict[*]} -o analysis")
  done

  echo "-- Fortran 77 through CMake's pdferr::fortran ($kind, $variant)"
  cmake -S "$here/legacy" -B "$out/legacy" -G Ninja \
    -DCMAKE_Fortran_FLAGS="${flags[*]}" -DCMAKE_EXE_LINKER_FLAGS=-Wl,--fatal-warnings >/dev/null
  cmake --build "$out/legacy" >/dev/null

  echo "-- The object modules with a C and a Fortran generator ($variant)"
  modules=("$libdir/pdferr/gaudev.o" "$libdir/pdferr/mvndev.o")
  cc -std=c99 -Wall -Wextra -Werror "${flags[@]}" -I"$prefix/include/pdferr" \
    "$here/modules/generator.c" "${modules[@]}" -lm -Wl,--fatal-warnings -o "$out/modules_c"
  gfortran "${flags[@]}" "$here/modules/generator.f" "${modules[@]}" -Wl,--fatal-warnings \
    -o "$out/modules_f"
done
if nm -u "${modules[@]}" | grep -E ' (_Z|__cxa|__gxx|_Unwind)'; then
  echo "the object modules refer to the C++ runtime" >&2
  exit 1
fi
# C and C++ programs never need the Fortran runtime.
if ldd "$work"/*/consumer_c "$work"/*/cpp/analysis | grep libgfortran; then
  echo "a C or C++ consumer links the Fortran runtime" >&2
  exit 1
fi

# The kind of link.  A static tree links no shared library of the toolkit,
# even where shared ones of the same names lie beside its archives (CI
# installs the static tree over a shared one); a shared tree links them, and
# its installed program runs without LD_LIBRARY_PATH.
toolkit='NEEDED.*lib(pdferr_fio|error_estimate|ZEMOPdf|PELK-2008|pdferr_uncertainty)\.so'
for program in "$work"/*/consumer_c "$work"/*/consumer_f "$work"/*/readme_*/analysis \
  "$work"/*/cpp/analysis "$work"/*/legacy/legacy; do
  linked=$(readelf -d "$program" | grep -cE "$toolkit" || true)
  if [ "$kind" = static ] && [ "$linked" != 0 ]; then
    echo "${program#"$work"/} links a shared library of the toolkit" >&2
    exit 1
  elif [ "$kind" = shared ] && [ "$linked" = 0 ]; then
    echo "${program#"$work"/} links no shared library of the toolkit" >&2
    exit 1
  fi
done
if [ "$kind" = shared ]; then
  (cd / && env -u LD_LIBRARY_PATH "$prefix/bin/toy") || {
    echo "the installed program toy does not run without LD_LIBRARY_PATH" >&2
    exit 1
  }
fi

# check EXPECTED NAME COMMAND...: runs the command in a copy of the data
# directory; its standard output, exit status and, where the program wrote
# one, its log must be EXPECTED.
status=0
check() {
  local expected=$1 name=$2 run=$work/run/$2
  shift 2
  rm -rf "$run" && mkdir -p "$run" && cp "$data"/* "$run"
  (
    cd "$run"
    code=0
    "$@" >stdout.txt || code=$?
    if [ "$expected" != "$here/expected.txt" ]; then
      echo "exit status $code" >>stdout.txt
      if [ -e run.log ]; then
        echo "-- run.log" >>stdout.txt
        cat run.log >>stdout.txt
      fi
    elif [ "$code" != 0 ]; then
      echo "exit status $code" >>stdout.txt
    fi
  )
  if cmp -s "$run/stdout.txt" "$expected"; then
    echo "$name: as expected"
  else
    echo "$name: differs"
    diff "$expected" "$run/stdout.txt" || true
    status=1
  fi
}
for variant in plain native; do
  out=$work/$variant
  check "$here/expected.txt" "$variant/cpp" "$out/cpp/analysis"
  check "$here/expected.txt" "$variant/c" "$out/consumer_c"
  check "$here/expected.txt" "$variant/fortran" "$out/consumer_f"
  check "$here/readme_fortran.txt" "$variant/readme_fortran" "$out/readme_1/analysis"
  check "$here/readme_fortran_2.txt" "$variant/readme_fortran_2" "$out/readme_2/analysis"
  check "$here/legacy/expected.txt" "$variant/legacy" "$out/legacy/legacy"
  check "$here/modules/expected.txt" "$variant/modules_c" "$out/modules_c"
  check "$here/modules/expected.txt" "$variant/modules_f" "$out/modules_f"
done
exit $status
