#!/usr/bin/env bash
# Installs the build tree into a temporary prefix with cmake --install and checks that the
# installed program starts on a fresh data folder and finds its help in <prefix>/share/mizorel.
#   installcheck.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/mizorel bin/mizorel-newdata share/mizorel/Mizorel_Help.chm; do
  [ -e "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
# The build tree must not be what the installed program finds.
bash "$here/startcheck.sh" "$prefix/bin/mizorel" "$prefix/bin/mizorel-newdata" \
     "$prefix/share/mizorel/Mizorel_Help.chm"
