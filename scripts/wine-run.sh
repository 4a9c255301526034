#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's private prefix (build/wineprefix unless
# WINEPREFIX is set). The prefix is made on first use, with the settings a headless run needs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/../build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
"$here/wine-prefix.sh"
exec wine "$@"
