#!/usr/bin/env bash
# Builds the three consumer programs against an installed tree, with the
# compilers' defaults and with -O3 -march=native, and checks that all six
# print the expected transcript.
#   run.sh PREFIX BUILD_DIR [static|shared]
# PREFIX is the installed tree; BUILD_DIR is a build of this project, whose
# synthetic data writers supply the table set and grid member to read.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
prefix=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
kind=${3:-static}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/tests/support/pds_write" "$work"
"$build/tests/support/write_grid" "$work/PELK-GRID.NLO" linear
libdir=$(dirname "$(find "$prefix" -name 'libpdferr_fio.*' | head -n 1)")

static=()
[ "$kind" = static ] && static=(--static)
pc_flags=$(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config "${static[@]}" --cflags --libs \
  pdferr-error_estimate pdferr-ZEMOPdf pdferr-PELK-2008 pdferr-uncertainty)

# Each program is built twice: with the compilers' defaults, and as a user
# tuning for the machine would build it, which lets the compiler fuse a*b+c
# into one instruction in the user's code.  The installed headers hold no
# arithmetic whose bits matter, so both print the same bytes.
native=(-O3 -march=native -ffp-contract=fast)
programs=()
for variant in plain native; do
  flags=()
  [ "$variant" = native ] && flags=("${native[@]}")
  out=$work/$variant
  mkdir -p "$out"

  echo "-- C++17 through find_package ($variant)"
  cmake -S "$here/cpp" -B "$out/cpp" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_CXX_FLAGS="${flags[*]}" >/dev/null
  cmake --build "$out/cpp" >/dev/null

  echo "-- C through pkg-config ($kind, $variant)"
  # shellcheck disable=SC2086
  cc -std=c99 -Wall -Wextra -Werror "${flags[@]}" "$here/c/consumer.c" $pc_flags \
    -Wl,-rpath,"$libdir" -o "$out/consumer_c"

  echo "-- Fortran with plain -l flags ($variant)"
  gfortran "${flags[@]}" "$here/fortran/consumer.f90" -L"$libdir" -lPELK-2008 -lZEMOPdf \
    -lerror_estimate -lpdferr_fio -lstdc++ -lm -Wl,-rpath,"$libdir" -o "$out/consumer_f"
  programs+=("$variant/cpp/consumer_cpp" "$variant/consumer_c" "$variant/consumer_f")
done

cd "$work"
status=0
for program in "${programs[@]}"; do
  ./"$program" >"$work/out.txt"
  if cmp -s "$work/out.txt" "$here/expected.txt"; then
    echo "$program: transcript as expected"
  else
    echo "$program: transcript differs"
    diff "$here/expected.txt" "$work/out.txt" || true
    status=1
  fi
done
exit $status
