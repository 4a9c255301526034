# Shared by scripts/run.sh and scripts/screenshots.sh (sourced, not run): builds the stub, packs
# samples/demo into a self-extracting archive, and drives and photographs its windows.
# Expects the repository root as the current directory.
#
# The demo uses the 32-bit product where 32-bit Windows programs run natively here, else the
# 64-bit build (stub, mksfx and driver alike); DEMO_BITS says which.

source scripts/wine-lib.sh
MAIN_CAPTION="Self-Extracting Archive, Quorvane Archive Manager"
DEMO_DIR=build/demo
if no_32bit=$(why_no_32bit_wine); then
  DEMO_BITS=64 DEMO_PRESET=windows64 DEMO_STUB_OPTION=(--64)
else
  DEMO_BITS=32 DEMO_PRESET=windows DEMO_STUB_OPTION=()
fi
export KVX_WINE_BITS=$DEMO_BITS
use_wine "$DEMO_BITS"
DRIVER=build/$DEMO_PRESET/tests/e2e/sfx_driver.exe

# say_which_stub: one line for the user about the build the demo uses.
say_which_stub() {
  if [ "$DEMO_BITS" = 64 ]; then
    echo "The demo uses the 64-bit stub (build/windows64/sfx.exe): $no_32bit."
  else
    echo "The demo uses the 32-bit stub, the product (build/windows/sfx.exe)."
  fi
}

# build_windows [TARGET...]: the demo's Windows preset, everything or just the targets named.
build_windows() {
  cmake --preset "$DEMO_PRESET" >/dev/null
  cmake --build --preset "$DEMO_PRESET" ${1:+--target "$@"}
}

# make_demo_exe OUT.exe [mksfx options...]: samples/demo (or the folder DEMO_SOURCE names)
# packed behind the stub by our own builder (its Windows build, run under Wine beside the stub it
# picks up).
make_demo_exe() {
  local exe=$1
  shift
  mkdir -p "$(dirname "$exe")"
  (cd "${DEMO_SOURCE:-samples/demo}" && "$OLDPWD/scripts/wine-run.sh" "$OLDPWD/build/$DEMO_PRESET/mksfx.exe" -q \
     "${DEMO_STUB_OPTION[@]}" "$@" \
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
  scripts/wine-run.sh --server -w
}
