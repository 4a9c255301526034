#!/usr/bin/env bash
# Makes the Wine prefix $WINEPREFIX for programs of bitness BITS (32 or 64) once, with the
# settings of wine-settings.reg: no window manager decorations (a managed window stalls every
# dialog close) and no crash dialog (a crash ends the process at once). The prefix remembers its
# bitness in .kvx-bits. The import is the prefix's first program, so Wine sets the prefix up on
# the way: one Wine start instead of three, which counts under an emulator.
set -euo pipefail
source "$(dirname "$0")/wine-lib.sh"
bits=${1:?usage: wine-prefix.sh 32|64}
use_wine "$bits"
[ -f "$WINEPREFIX/.kvx-ready" ] && exit 0
mkdir -p "$WINEPREFIX"
exec 9>"$WINEPREFIX.lock"
flock 9
[ -f "$WINEPREFIX/.kvx-ready" ] && exit 0
settings="Z:$(realpath "$KVX_ROOT/scripts/wine-settings.reg" | tr / '\\')"
"$WINELOADER" reg import "$settings" >/dev/null 2>&1
"$WINESERVER" -w
echo "$bits" >"$WINEPREFIX/.kvx-bits"
touch "$WINEPREFIX/.kvx-ready"
