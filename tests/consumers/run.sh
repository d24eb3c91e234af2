#!/usr/bin/env bash
# Builds the three consumer programs against an installed tree and checks
# their transcripts.
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

echo "-- C++ through find_package"
cmake -S "$here/cpp" -B "$work/cpp" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cpp" >/dev/null

echo "-- C through pkg-config ($kind)"
static=()
[ "$kind" = static ] && static=(--static)
flags=$(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config "${static[@]}" --cflags --libs \
  pdferr-error_estimate pdferr-ZEMOPdf pdferr-PELK-2008 pdferr-uncertainty)
# shellcheck disable=SC2086
cc -std=c99 -Wall -Wextra -Werror "$here/c/consumer.c" $flags -Wl,-rpath,"$libdir" \
  -o "$work/consumer_c"

echo "-- Fortran with plain -l flags"
gfortran "$here/fortran/consumer.f90" -L"$libdir" -lPELK-2008 -lZEMOPdf -lerror_estimate \
  -lpdferr_fio -lstdc++ -lm -Wl,-rpath,"$libdir" -o "$work/consumer_f"

cd "$work"
status=0
for program in cpp/consumer_cpp consumer_c consumer_f; do
  ./$program >"$work/out.txt"
  if cmp -s "$work/out.txt" "$here/expected.txt"; then
    echo "$program: transcript as expected"
  else
    echo "$program: transcript differs"
    diff "$here/expected.txt" "$work/out.txt" || true
    status=1
  fi
done
exit $status
