#!/usr/bin/env bash
# Starts Mizorel as its users do: on a fresh data folder made by mizorel-newdata, with that
# folder as the current directory, headless; waits until the main window shows, opens the help
# as the help menu does and checks that the help file was found and shown at its default topic,
# and that Qt's Japanese translations were loaded.
#   startcheck.sh MIZOREL MIZOREL_NEWDATA [EXPECTED_HELP_FILE]
# EXPECTED_HELP_FILE, when given, is the file the program must have opened.
set -euo pipefail
program=$(readlink -f "$1")
newdata=$(readlink -f "$2")
expected=${3:-}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$newdata" "$work/data" >/dev/null

out=$(cd "$work/data" && MIZOREL_STARTUP_CHECK=help QT_QPA_PLATFORM=offscreen \
      XDG_RUNTIME_DIR="$work" timeout 120 "$program" 2>"$work/stderr") || {
  echo "mizorel did not pass its start-up check:"; echo "$out"; cat "$work/stderr"; exit 1; }
echo "$out"
grep -qx 'main window: shown' <<<"$out"
grep -qx 'help topic: /index.html' <<<"$out"
grep -q '^help title: Mizorel ヘルプ' <<<"$out"
grep -qx 'cancel button: キャンセル' <<<"$out"  # Qt's Japanese translations were found
file=$(sed -n 's/^help file: //p' <<<"$out")
if [ -n "$expected" ] && [ "$(readlink -f "$file")" != "$(readlink -f "$expected")" ]; then
  echo "the help file opened is $file, expected $expected"
  exit 1
fi
echo "start-up check passed"
