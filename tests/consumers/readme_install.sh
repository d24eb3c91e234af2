#!/usr/bin/env bash
# Installs the libraries by the README's install lines, as a user does:
#   readme_install.sh PREFIX [CMAKE_ARGUMENTS...]
# run in the source tree.  PREFIX takes the place of $HOME/pdferr, and the
# arguments (such as -DBUILD_SHARED_LIBS=ON, which the README names) are
# added to the configuring line.
set -euo pipefail
cd "$(dirname "$0")/../.."
mkdir -p "$1"
prefix=$(cd "$1" && pwd)
shift
# The code block that holds the README's configuring line.
block=$(awk '/^```/ { if (on) { if (found) exit; on = 0; text = "" } else on = 1; next }
             on { text = text $0 "\n"; if ($0 ~ /^cmake --preset release -DCMAKE_INSTALL_PREFIX=/) found = 1 }
             END { if (found) printf "%s", text }' README.md)
if [ -z "$block" ]; then
  echo "README.md has no install block" >&2
  exit 1
fi
while IFS= read -r line; do
  line=${line//'$HOME/pdferr'/$prefix}
  case $line in
    "cmake --preset "*) line+=$(printf ' %q' "$@") ;;
  esac
  echo "+ $line"
  eval "$line" >/dev/null
done <<<"$block"
