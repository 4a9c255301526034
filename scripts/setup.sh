#!/usr/bin/env bash
# Installs every Debian package the project needs, on anything from a minimal Debian 12 on. Safe
# to run again: packages already present are left alone, and the i386 architecture is added
# only once.
#
# A package mirror caught in mid-sync may serve an index that does not match its Release file.
# The update is then tried a few times and the indexes it did fetch are used. The native and
# 64-bit set is installed first (it needs no i386 index), the i386 set (32-bit Wine) after it.
# An i386 library must be at the very version of its amd64 twin (Multi-Arch: same), so when a
# suite's i386 index is missing, both installs leave that suite out (its updates come with the
# next upgrade, once the mirror is whole).
# If 32-bit Wine still cannot be installed, the set-up goes on without it: SKIPPED_FILE says why,
# and the scripts skip what needs it, with that reason.
#
# Everything said about the mirror is one line starting with "setup:". For its tests:
# KVX_SETUP_PAUSE (seconds between update tries) and KVX_SETUP_SKIPPED_FILE.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
SKIPPED_FILE=${KVX_SETUP_SKIPPED_FILE:-$root/build/setup-skipped.txt}
UPDATE_TRIES=3
PAUSE=${KVX_SETUP_PAUSE:-5}

native_packages=(
  build-essential cmake ninja-build clang libclang-rt-14-dev llvm
  googletest zlib1g-dev libssl-dev  # libssl-dev: OpenSSL's libcrypto, AES entries natively
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 libz-mingw-w64-dev
  wine wine64 qemu-user-static xvfb xauth x11-apps imagemagick xdotool
  zip unzip p7zip-full libarchive-tools python3 git
  osslsigncode openssl  # mksfx --sign, and the throw-away certificates of its tests
  fonts-wqy-microhei  # Chinese, Japanese and Korean glyphs for the screenshots under Wine
)
i386_packages=(wine32:i386)

say() { echo "setup: $*"; }

# missing PACKAGE...: those of the packages that are not installed.
missing() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

# What apt-get update could not fetch, one line each, from its messages on standard input: "SUITE
# ARCH" for a package index (SUITE is the name under dists/), else the URL.
failed_fetches() {
  sed -n 's|.*Failed to fetch \([^ ]*\).*|\1|p' |
    sed 's|.*/dists/\([^ ]*\)/[^ /]*/binary-\([^ /]*\)/.*|\1 \2|' | sort -u
}

# update_indexes: apt-get update, tried a few times. Fills FAILED_I386_SUITES with the suites
# whose i386 index could not be had.
FAILED_I386_SUITES=()
update_indexes() {
  local try log failed
  log=$PRIVATE/update.log
  for ((try = 1; try <= UPDATE_TRIES; try++)); do
    apt-get update -qq >"$log" 2>&1 && return 0
    [ "$try" -eq "$UPDATE_TRIES" ] || sleep "$((PAUSE * try))"
  done
  failed=$(failed_fetches <"$log")
  if [ -z "$failed" ]; then
    cat "$log" >&2
    say "apt-get update failed $UPDATE_TRIES times; going on with the indexes there are"
    return 0
  fi
  say "after $UPDATE_TRIES tries apt still cannot fetch $(echo "$failed" | sed 's/ / for /' | paste -sd, |
      sed 's/,/, /g') (a mirror in mid-sync?); going on with the indexes it did fetch"
  mapfile -t FAILED_I386_SUITES < <(echo "$failed" | sed -n 's/ i386$//p')
}

# preferences NAME PACKAGES: writes a private apt preferences file, so that the machine's own
# configuration stays as it is: the machine's pins, then one that keeps PACKAGES ("*" for all)
# off the suites whose i386 index is missing. Prints its path.
preferences() {
  local file=$PRIVATE/$1.pref suite
  cat /etc/apt/preferences >"$file" 2>/dev/null || true
  for suite in "${FAILED_I386_SUITES[@]}"; do
    # The name under dists/ is a codename (n=) or a suite name (a=).
    printf '\nPackage: %s\nPin: release n=%s\nPin-Priority: -1\n' "$2" "$suite" >>"$file"
    printf '\nPackage: %s\nPin: release a=%s\nPin-Priority: -1\n' "$2" "$suite" >>"$file"
  done
  echo "$file"
}

# install [APT-OPTION...] -- PACKAGE...: apt-get install, quiet; its messages are kept in
# INSTALL_LOG, whose last error gives the reason in one line.
INSTALL_LOG=
install() {
  local options=()
  while [ "$1" != -- ]; do options+=("$1"); shift; done
  shift
  INSTALL_LOG=$PRIVATE/install.log
  DEBIAN_FRONTEND=noninteractive apt-get "${options[@]}" install -y -qq --no-install-recommends "$@" \
    >"$INSTALL_LOG" 2>&1
}
last_error() { { grep '^E:' "$INSTALL_LOG" || echo "E: apt-get install failed"; } | tail -n 1 | sed 's/^E: //'; }

install_native_set() {
  [ "${#missing_native[@]}" -gt 0 ] || return 0
  if [ "${#missing_i386[@]}" -gt 0 ] && [ "${#FAILED_I386_SUITES[@]}" -gt 0 ]; then
    # Were the amd64 libraries taken from a suite without an i386 index, no i386 build of
    # their version could be had for 32-bit Wine.
    say "installing without ${FAILED_I386_SUITES[*]}, whose i386 index is missing, so that the i386" \
        "libraries 32-bit Wine needs can match their amd64 twins; 'apt-get upgrade' brings its updates" \
        "once the mirror is whole"
    install -o "Dir::Etc::Preferences=$(preferences all '*')" -- "${missing_native[@]}" && return 0
    say "that could not be resolved ($(last_error)); installing from every suite instead"
  fi
  install -- "${missing_native[@]}" && return 0
  cat "$INSTALL_LOG" >&2
  say "the native and 64-bit toolchain could not be installed: $(last_error)"
  exit 1
}

# install_i386_set: 32-bit Wine, or a line in SKIPPED_FILE that says why it is not there.
install_i386_set() {
  [ "${#missing_i386[@]}" -gt 0 ] || return 0
  install -- "${missing_i386[@]}" && return 0
  local reason
  reason=$(last_error)
  if [ "${#FAILED_I386_SUITES[@]}" -gt 0 ]; then
    say "${missing_i386[*]} could not be resolved ($reason); trying once more without" \
        "${FAILED_I386_SUITES[*]}, whose i386 index is missing"
    install -o "Dir::Etc::Preferences=$(preferences all '*')" -- "${missing_i386[@]}" && return 0
    reason=$(last_error)
  fi
  reason=${reason%.}
  say "32-bit Wine (${missing_i386[*]}) is not installed: $reason." \
      "The 32-bit Windows suites will be skipped; the 64-bit ones run as always."
  mkdir -p "$(dirname "$SKIPPED_FILE")"
  echo "32-bit Wine could not be installed by scripts/setup.sh: $reason" >"$SKIPPED_FILE"
}

PRIVATE=$(mktemp -d)
trap 'rm -rf "$PRIVATE"' EXIT
rm -f "$SKIPPED_FILE"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  stale_lists=1
fi
mapfile -t missing_native < <(missing "${native_packages[@]}")
mapfile -t missing_i386 < <(missing "${i386_packages[@]}")
if [ "${#missing_native[@]}" -eq 0 ] && [ "${#missing_i386[@]}" -eq 0 ] && [ -z "${stale_lists:-}" ]; then
  exit 0
fi
update_indexes
install_native_set
install_i386_set
