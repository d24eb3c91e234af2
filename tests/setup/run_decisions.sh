#!/usr/bin/env bash
# The decisions of the root script `run`, made against fake package tools on
# a PATH that holds nothing else: what it installs, how (as root, through sudo
# or not at all), what it prints, and whether it goes on to the build.
# Usage: run_decisions.sh PATH/TO/run
# shellcheck disable=SC2016 # the fakes' code is quoted, to expand when they run
set -euo pipefail
bash=$(command -v bash)
box=$(mktemp -d)
trap 'rm -rf "$box"' EXIT
mkdir -p "$box/project/.ci" "$box/bin"
cp "$1" "$box/project/run"
printf '%s\n' '# a list like the real one' cmake 'g++    # compilers' '' 'valgrind  ci' \
  >"$box/project/.ci/packages"

# The fakes use shell builtins only. State: the installed packages, one a
# line, and a log of the calls that change something or build.
fake() { printf '#!%s\n%s\n' "$bash" "$2" >"$box/bin/$1" && chmod +x "$box/bin/$1"; }
fake id 'echo "$FAKE_UID"'
fake dpkg-query 'shift 2; mapfile -t have <"$BOX/installed"; s=0
for p; do
  if [[ " ${have[*]} " == *" $p "* ]]; then echo "$p install ok installed"
  else echo "dpkg-query: no packages found matching $p" >&2; s=1; fi
done; exit $s'
fake apt-get 'echo "${FAKE_VIA:+$FAKE_VIA }apt-get $*" >>"$BOX/log"
if [ "$1" = install ]; then for p; do [[ $p == -* || $p == install ]] || echo "$p" >>"$BOX/installed"; done; fi'
fake cmake 'if [ "$1" = --version ]; then echo "cmake version 3.25.1"; else echo "cmake $*" >>"$BOX/log"; fi'
declare -A sudo=(
  [nopasswd]='[ "$1" != -n ] || shift; [ "$1" != true ] || exit 0; FAKE_VIA=sudo exec "$@"'
  [password]='echo "sudo: a password is required" >&2; exit 1')

line() { printf '  %sapt-get install g++\nthen run ./run %s again.' "$1" "$2"; }
told="run: missing Debian packages; install them with"
# name | uid | sudo | installed before ("=": as left) | arguments | status | output | log
rows=(
  "nothing missing: quiet|1000|none|cmake g++|test|0||cmake --workflow --preset test"
  "missing, as root|0|none|cmake|test|0|run: installing g++|apt-get update -q
apt-get install -y -q g++
cmake --workflow --preset test"
  "second run installs nothing|0|none|=|example|0||cmake --workflow --preset example"
  "missing, neither root nor sudo|1000|none|cmake|test|1|$told
$(line sudo\  test)|"
  "sudo wants a password, no terminal|1000|password|=|example|1|$told
$(line sudo\  example)|"
  "sudo without a password|1000|nopasswd|=|test|0|run: installing g++|sudo apt-get update -q
sudo apt-get install -y -q g++
cmake --workflow --preset test"
  "CI-only packages|0|none|=|setup ci|0|run: installing valgrind|apt-get update -q
apt-get install -y -q valgrind"
  "check changes nothing, even as root|0|none|cmake|check|1|$told
$(line '' check)|"
)

failed=0
for row in "${rows[@]}"; do
  IFS='|' read -r -d '' name uid how installed args status output log <<<"$row" || true
  log=${log%$'\n'}
  # shellcheck disable=SC2086 # one package a word
  if [ "$installed" != = ]; then printf '%s\n' $installed >"$box/installed"; fi
  rm -f "$box/bin/sudo" "$box/log" && touch "$box/log"
  if [ "$how" != none ]; then fake sudo "${sudo[$how]}"; fi
  got_status=0
  # shellcheck disable=SC2086 # the arguments split into words
  got_output=$(cd "$box" && PATH=$box/bin BOX=$box FAKE_UID=$uid \
    "$bash" project/run $args </dev/null 2>&1) || got_status=$?
  got_log=$(<"$box/log")
  if [ "$got_status|$got_output|$got_log" != "$status|$output|$log" ]; then
    printf 'FAILED: %s\n  status %s, expected %s\n  output:\n%s\n  expected:\n%s\n  log:\n%s\n  expected:\n%s\n' \
      "$name" "$got_status" "$status" "$got_output" "$output" "$got_log" "$log"
    failed=$((failed + 1))
  fi
done
echo "$((${#rows[@]} - failed)) passed, $failed failed"
[ "$failed" = 0 ]
