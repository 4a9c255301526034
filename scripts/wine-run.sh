#!/usr/bin/env bash
# Runs a Windows program under Wine of its own bitness, in the project's private prefix for that
# bitness (made on first use, with the settings a headless run needs).
#   wine-run.sh PROGRAM.exe [ARGS...]   the bitness is read from the program's header
#   wine-run.sh --server [ARGS...]      the Wine server of the prefix in WINEPREFIX (or of
#                                       KVX_WINE_BITS, default 64), e.g. --server -w
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-lib.sh"

if [ "${1:-}" = --server ]; then
  shift
  bits=${KVX_WINE_BITS:-}
  [ -n "$bits" ] || bits=$(cat "${WINEPREFIX:-/nonexistent}/.kvx-bits" 2>/dev/null || echo 64)
  use_wine "$bits"
  exec "$WINESERVER" "$@"
fi

bits=${KVX_WINE_BITS:-}
[ -n "$bits" ] || bits=$(pe_bits "${1:?usage: wine-run.sh PROGRAM.exe [ARGS...]}") ||
  { echo "wine-run.sh: $1 is not a 32-bit or 64-bit Windows program" >&2; exit 2; }
use_wine "$bits"
"$here/wine-prefix.sh" "$bits"
exec "$WINELOADER" "$@"
