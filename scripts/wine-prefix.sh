#!/usr/bin/env bash
# Makes the Wine prefix $WINEPREFIX for programs of bitness BITS (32 or 64) once: no window
# manager decorations (a managed window stalls every dialog close) and no crash dialog (a crash
# ends the process at once). The prefix remembers its bitness in .kvx-bits.
set -euo pipefail
source "$(dirname "$0")/wine-lib.sh"
bits=${1:?usage: wine-prefix.sh 32|64}
use_wine "$bits"
[ -f "$WINEPREFIX/.kvx-ready" ] && exit 0
mkdir -p "$WINEPREFIX"
exec 9>"$WINEPREFIX.lock"
flock 9
[ -f "$WINEPREFIX/.kvx-ready" ] && exit 0
"$WINELOADER" wineboot -i >/dev/null 2>&1 || true
"$WINELOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
"$WINELOADER" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
"$WINESERVER" -w
echo "$bits" >"$WINEPREFIX/.kvx-bits"
touch "$WINEPREFIX/.kvx-ready"
