#!/usr/bin/env bash
# Builds the Debian package from a build tree with CPack, checks its file list and dependencies,
# unpacks it into a throw-away root (dpkg-deb -x) and starts the unpacked program headless: on a
# fresh data folder, and as the desktop menu starts it (in ~/Mizorel, created on first start);
# each time until its main window shows and the help is open. Then lintian, which must report
# no errors.
#   packagecheck.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(readlink -f "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/out/mizorel_*.deb)
echo "package: $(basename "$deb")"

fail() { echo "$*"; exit 1; }

# Exactly these files, nothing more (no developer tools, no build tree paths).
expected=$(sort <<'LIST'
usr/bin/mizorel
usr/bin/mizorel-newdata
usr/libexec/mizorel/mizorel-helpunpack
usr/share/applications/mizorel.desktop
usr/share/doc/mizorel/changelog.gz
usr/share/doc/mizorel/copyright
usr/share/icons/hicolor/128x128/apps/mizorel.png
usr/share/icons/hicolor/32x32/apps/mizorel.png
usr/share/icons/hicolor/48x48/apps/mizorel.png
usr/share/icons/hicolor/scalable/apps/mizorel.svg
usr/share/man/man1/mizorel-newdata.1.gz
usr/share/man/man1/mizorel.1.gz
usr/share/mizorel/Mizorel_Help.chm
LIST
)
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./||' | sort)
if [ "$files" != "$expected" ]; then
  echo "the package's files differ from the expected list:"
  diff <(echo "$expected") <(echo "$files") || true
  exit 1
fi

# Computed library dependencies, and what the program loads without linking it.
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libqt6printsupport6 libchm1 libc6 fonts-ipafont-gothic \
         qt6-translations-l10n qt6-qpa-plugins; do
  grep -q "\b$d\b" <<<"$depends" || fail "Depends lacks $d: $depends"
done

root="$work/root"
dpkg-deb -x "$deb" "$root"
bash "$here/startcheck.sh" "$root/usr/bin/mizorel" "$root/usr/bin/mizorel-newdata" \
     "$root/usr/share/mizorel/Mizorel_Help.chm"

# As the desktop menu starts it: the command of its entry, with a home of its own.
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/mizorel.desktop")
[ "$exec_line" = "env MIZOREL_DESKTOP_START=1 mizorel" ] || fail "unexpected Exec: $exec_line"
mkdir -p "$work/home"
out=$(cd / && HOME="$work/home" PATH="$root/usr/bin:$PATH" MIZOREL_STARTUP_CHECK=help \
      QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work" timeout 120 $exec_line 2>/dev/null) ||
  fail "the program started from the menu did not pass its check: $out"
grep -qx 'main window: shown' <<<"$out" || fail "$out"
grep -qx 'help topic: /index.html' <<<"$out" || fail "$out"
[ -f "$work/home/Mizorel/Indata.DBF" ] || fail "~/Mizorel was not created with its data"
echo "started from the menu: ~/Mizorel created, main window shown, help open"

if command -v lintian >/dev/null; then
  lintian --fail-on error "$deb"
  echo "lintian: no errors"
fi
