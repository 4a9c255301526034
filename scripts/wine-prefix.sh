#!/usr/bin/env bash
# Makes the Wine prefix $WINEPREFIX once: no window manager decorations (a managed window stalls
# every dialog close) and no crash dialog (a crash ends the process at once).
set -euo pipefail
: "${WINEPREFIX:?}"
export WINEDEBUG=-all WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
[ -f "$WINEPREFIX/.kvx-ready" ] && exit 0
mkdir -p "$WINEPREFIX"
exec 9>"$WINEPREFIX.lock"
flock 9
[ -f "$WINEPREFIX/.kvx-ready" ] && exit 0
wineboot -i >/dev/null 2>&1 || true
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
wineserver -w
touch "$WINEPREFIX/.kvx-ready"
