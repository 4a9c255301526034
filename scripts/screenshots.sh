#!/usr/bin/env bash
# Remakes docs/screenshots/: the main dialog, the password prompt and the overwrite question of
# the demo archive (samples/demo, encrypted with the password "demo"), taken on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/demo-lib.sh

if [ "${1:-}" != --on-display ]; then
  build_windows sfx sfx_driver mksfx
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash scripts/screenshots.sh --on-display
fi

shots=docs/screenshots
work=$DEMO_DIR/screenshots
rm -rf "$work"
DEMO_EXE_NAME=demo-encrypted.exe
make_demo_exe "$work/$DEMO_EXE_NAME" --password=demo
(cd "$work" && exec ../../../scripts/wine-run.sh "$DEMO_EXE_NAME") &
demo=$!

# A first run into a fresh folder asks for the password; a second one asks about overwriting.
rm -rf "$WINEPREFIX/drive_c/kvx-demo"
drive wait "$MAIN_CAPTION" 20000 -- set-text 101 'C:\kvx-demo' >/dev/null
capture_window "$MAIN_CAPTION" "$shots/main-dialog.png"
drive click 1 >/dev/null
capture_window "Enter Password..." "$shots/password-prompt.png"
drive password demo -- message-box 20000 -- click 121 -- click 1 >/dev/null
capture_window "Confirm overwrite of..." "$shots/overwrite-question.png"
drive overwrite no dont-ask -- message-box 20000 -- click 2 >/dev/null
wait "$demo"
wait_for_wine
ls -l "$shots"
