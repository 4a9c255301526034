# Shared by scripts/run.sh and scripts/screenshots.sh (sourced, not run): builds the stub, packs
# samples/demo into a self-extracting archive, and drives and photographs its windows.
# Expects the repository root as the current directory.

MAIN_CAPTION="Self-Extracting Archive, Quorvane Archive Manager"
DEMO_DIR=build/demo
DRIVER=build/windows/tests/e2e/sfx_driver.exe

# build_windows [TARGET...]: the Windows preset, everything or just the targets named.
build_windows() {
  cmake --preset windows >/dev/null
  cmake --build --preset windows ${1:+--target "$@"}
}

# make_demo_exe OUT.exe [mksfx options...]: samples/demo packed behind the stub by our own
# builder (its Windows build, run under Wine beside the stub it picks up).
make_demo_exe() {
  local exe=$1
  shift
  mkdir -p "$(dirname "$exe")"
  (cd samples/demo && "$OLDPWD/scripts/wine-run.sh" "$OLDPWD/build/windows/mksfx.exe" -q "$@" \
     -o "Z:$(realpath -m "$OLDPWD/$exe")" .)
  # Its Wine session started without a display; let it end before windows are opened.
  wait_for_wine
}

# drive ARGS...: one or more driver commands (separated by --) against the demo's windows.
drive() {
  scripts/wine-run.sh "$DRIVER" target "$DEMO_EXE_NAME" "$MAIN_CAPTION" -- "$@"
}

# capture_window CAPTION PNG: a picture of the program's window with that caption, frame included.
capture_window() {
  local caption=$1 png=$2 id
  drive wait "$caption" 20000 >/dev/null
  sleep 1  # let Wine finish painting
  id=$(xdotool search --onlyvisible --name "^${caption//./\\.}\$" | head -n 1)
  [ -n "$id" ] || { echo "no X window for \"$caption\"" >&2; return 1; }
  mkdir -p "$(dirname "$png")"
  import -window "$id" "$png"
}

# Wine's server outlives its last program by a few seconds; it must not outlive the display.
wait_for_wine() {
  WINEPREFIX=${WINEPREFIX:-$PWD/build/wineprefix} wineserver -w
}
