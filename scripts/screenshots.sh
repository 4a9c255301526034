#!/usr/bin/env bash
# Remakes docs/screenshots/: the main dialog, the password prompt and the overwrite question of
# the demo archive (samples/demo, encrypted with the password "demo"), the main dialog of an
# archive of names in several scripts (samples/international), and the demo's main dialog on a
# screen of 144 DPI (150 %), taken on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/demo-lib.sh
export LC_ALL=C.UTF-8  # the names and the path reach Wine and the driver as UTF-8

if [ "${1:-}" != --on-display ]; then
  build_windows sfx sfx_driver mksfx
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash scripts/screenshots.sh --on-display
fi

shots=docs/screenshots
work=$DEMO_DIR/screenshots

# photograph_main_dialog EXTRACT_PATH PNG: starts $DEMO_EXE_NAME, photographs its main dialog
# with that extract path, and leaves.
photograph_main_dialog() {
  (cd "$work" && exec ../../../scripts/wine-run.sh "$DEMO_EXE_NAME") &
  local demo=$!
  drive wait "$MAIN_CAPTION" 20000 -- set-text 101 "$1" >/dev/null
  capture_window "$MAIN_CAPTION" "$2"
  drive click 2 >/dev/null
  wait "$demo"
}
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

# Names in several scripts, and an extract path beyond ASCII. The dialog font is a bitmap font
# without Chinese, Japanese or Korean glyphs; for this picture only it borrows them from a
# TrueType font, as a Windows of those languages links its own.
DEMO_EXE_NAME=international.exe
DEMO_SOURCE=samples/international make_demo_exe "$work/$DEMO_EXE_NAME"
font_link='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
wine_reg() { KVX_WINE_BITS=$DEMO_BITS scripts/wine-run.sh reg "$@" >/dev/null; }
wine_reg add "$font_link" /v "MS Sans Serif" /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei" /f
photograph_main_dialog 'C:\Users\Jörg\Загрузки' "$shots/international-names.png"
wine_reg delete "$font_link" /v "MS Sans Serif" /f
wait_for_wine

# 144 DPI, as Windows sets it for 150 %, in a prefix of its own so that no other run inherits
# it. The stub declares itself DPI-aware: its dialogs are laid out anew at that resolution.
export WINEPREFIX=$KVX_ROOT/build/wineprefix$DEMO_BITS-144dpi
wine_reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f
wait_for_wine
DEMO_EXE_NAME=demo.exe
make_demo_exe "$work/$DEMO_EXE_NAME"
photograph_main_dialog 'C:\kvx-demo' "$shots/main-dialog-144dpi.png"
wait_for_wine
ls -l "$shots"
