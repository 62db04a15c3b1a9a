#!/usr/bin/env bash
# Writes a picture of each main window of the desktop program to docs/screenshots/: builds,
# makes the demonstration home of `make run` when it is missing, and starts the program under
# Xvfb over a copy of it (the pictures change nothing in the demonstration home).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
demo_home=${DEMO_HOME:-$PWD/demo-home}
cmake --build "$build" -j "$(nproc)" --target quillstow quillstow-desktop qs_forum_sample
[ -d "$demo_home/CFG" ] || bash scripts/demo.sh "$build/quillstow" "$demo_home"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -a "$demo_home" "$work/home"
"$build/tests/desktop/qs_forum_sample" "$work/home" "Photo Forum"
mkdir -p docs/screenshots
xvfb-run -a -s "-screen 0 1280x800x24" \
    "$build/quillstow-desktop" --home "$work/home" --screenshot docs/screenshots \
    --sample samples/mail/inbox.mbox
ls docs/screenshots
