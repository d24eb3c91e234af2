#!/usr/bin/env bash
# The README's walk from nothing to a band, run as written: its first line
# writes the nodes, the user's tools (here awk, with a smooth model) add the
# six columns of a central member and one pair, then the remaining lines
# put the members and their description on the search path, list it,
# write the band of the set named there and plot it.  HOME is the scratch
# folder, where the walk keeps its data.  Usage:
#   readme_walk.sh README PDFERR [PYTHON PACKAGE_DIR]
# where PYTHON is the interpreter the package in PACKAGE_DIR was built for;
# without them the plot (the last line) is left out.
set -euo pipefail
readme=$1
program_dir=$(cd "$(dirname "$2")" && pwd)
export PATH=$program_dir:$PATH
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ $# -ge 4 ]; then
  mkdir "$work/bin"
  ln -s "$3" "$work/bin/python3"
  export PATH=$work/bin:$PATH PYTHONPATH=$4
fi
cd "$work"
export HOME=$work
unset PDFERR_DATA_PATH

awk '/^## From nothing to a band$/ {on = 1} on && /^```sh$/ {block = 1; next}
     block && /^```$/ {exit} block' "$readme" >walk.sh
grep -q 'make-grid --nodes' <(head -n 1 walk.sh) ||
  { echo "the README's walk does not start by writing the nodes" >&2; exit 1; }
grep -q '^python3 -m pdferr.plot band.csv -o band.pdf' <(tail -n 1 walk.sh) ||
  { echo "the README's walk does not end with the plot" >&2; exit 1; }
[ $# -ge 4 ] || sed -i '$d' walk.sh  # no Python package: no plot

head -n 1 walk.sh >first.sh
bash -e first.sh
# The user's values on the nodes: a smooth density, and variations of it.
columns() {
  awk -F, -v scale="$1" 'NR == 1 {print $0 ",c1,c2,c3,c4,c5,c6"; next}
    {v = scale * sqrt($1) * (1 - $1) ^ 3 * (1 + 0.1 * log($2))
     printf "%s,%.6e,%.6e,%.6e,%.6e,%.6e,%.6e\n", $0, v, 2 * v, v / 2, v, v, v}' nodes.csv
}
columns 1 >central.csv
columns 1.05 >plus1.csv
columns 0.96 >minus1.csv
echo 1 >cov.csv

tail -n +2 walk.sh >rest.sh
bash -e rest.sh >walk.out
written=(band.csv band.svg)
[ $# -lt 4 ] || written+=(band.pdf)
for f in "${written[@]}" pdfdata/mysets.members; do
  [ -s "$f" ] || { echo "the walk wrote no $f" >&2; exit 1; }
done
[ $# -lt 4 ] || [ "$(head -c 5 band.pdf)" = "%PDF-" ] || { echo "band.pdf is no PDF" >&2; exit 1; }
grep -q '^  mysets.members: member set "mysets": Hessian, 3 grid members' walk.out ||
  { echo "pdferr list does not show the set" >&2; exit 1; }
echo "the README's walk: $(($(wc -l <band.csv))) lines of band.csv, and ${written[*]:1} written"
