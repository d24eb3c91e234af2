#!/usr/bin/env bash
# The installed package imports from a fresh shell: for a user's prefix
# after the README's one export line, and for /usr/local with no line at
# all.  The package is installed from the build tree (its component
# python); /usr/local is a private mount over the real one where the
# process may make one (unshare), else only checked to be on the
# interpreter's own path.
#   installed_import.sh README BUILD_DIR PYTHON
set -euo pipefail
readme=$1
build=$2
python=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A fresh shell: no variables but the interpreter's folder on PATH.
fresh() { env -i PATH="$(dirname "$python"):/usr/bin:/bin" HOME="$work" bash -c "$1"; }
check_import='cd / && '"$(basename "$python")"' -c "import pdferr, pdferr.uncertainty; print(pdferr.__file__)"'

line=$(grep -m1 '^export PYTHONPATH=' "$readme") || {
  echo "the README has no export PYTHONPATH line" >&2
  exit 1
}
version=$("$python" -c 'import sys; print(f"python{sys.version_info[0]}.{sys.version_info[1]}")')
line=${line//python3.11/$version}

# A user's prefix, as $HOME/pdferr.
cmake --install "$build" --component python --prefix "$work/pdferr" >/dev/null
got=$(fresh "${line//'$HOME/pdferr'/$work/pdferr}; $check_import")
case $got in
  "$work"/pdferr/*) echo "user prefix: $got" ;;
  *) echo "user prefix: pdferr imported from $got" >&2; exit 1 ;;
esac
if fresh "$check_import" >/dev/null 2>&1; then
  echo "user prefix: imported without the export line" >&2
  exit 1
fi

# /usr/local.
DESTDIR=$work/root cmake --install "$build" --component python --prefix /usr/local >/dev/null
package=$(cd "$work/root/usr/local" && find . -path '*/pdferr/__init__.py' -print -quit)
site=/usr/local/${package#./}
site=${site%/pdferr/__init__.py}
on_path=$(fresh "cd / && $(basename "$python") -c 'import sys; print(\"$site\" in sys.path)'")
[ "$on_path" = True ] || { echo "$site is not on the interpreter's path" >&2; exit 1; }
if unshare -m --propagation private true 2>/dev/null; then
  got=$(unshare -m --propagation private bash -c \
    "mount --bind '$work/root/usr/local' /usr/local && $(declare -f fresh); python='$python'; work='$work'; fresh '$check_import'")
  [ "$got" = "$site/pdferr/__init__.py" ] || { echo "/usr/local: imported $got" >&2; exit 1; }
  echo "/usr/local: $got"
else
  echo "/usr/local: $site is on the interpreter's path (no private mount here to import from it)"
fi
