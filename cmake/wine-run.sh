#!/usr/bin/env bash
# Runs a Windows executable of the cross build under Wine; ctest calls it as
# the cross-compiling emulator. The Wine prefix lives in the build folder
# (beside CMakeCache.txt) and is made on first use; a wineserver started
# with -p by the caller keeps later starts fast.
#   wine-run.sh PROGRAM.exe [ARGS...]
#   wine-run.sh --prefix-for DIR   print the prefix for a build folder
#   wine-run.sh --init DIR         make that prefix if it is missing
set -euo pipefail

build_dir_of() {
  local dir
  dir=$(cd "$(dirname "$1")" && pwd)
  while [ "$dir" != / ]; do
    [ -f "$dir/CMakeCache.txt" ] && { echo "$dir"; return; }
    dir=$(dirname "$dir")
  done
  pwd
}

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win32

init_prefix() {
  mkdir -p "$WINEPREFIX"
  # ctest may start several tests at once; one of them makes the prefix.
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/.zarn-ready" ]; then
    wineboot -i >/dev/null 2>&1 || { echo "wine-run: could not make $WINEPREFIX" >&2; exit 1; }
    # Xvfb has no window manager: windows Wine leaves to one would wait two
    # seconds for it each time they close.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    # The registry reaches the disk when the server exits; a persistent one
    # saves it when it is shut down, so do not wait for that forever.
    timeout 20 wineserver -w >/dev/null 2>&1 || true
    touch "$WINEPREFIX/.zarn-ready"
  fi
  flock -u 9
}

case "${1:-}" in
  --prefix-for)
    echo "$(cd "$2" && pwd)/wine-prefix"
    exit 0
    ;;
  --init)
    export WINEPREFIX=${WINEPREFIX:-$(cd "$2" && pwd)/wine-prefix}
    init_prefix
    exit 0
    ;;
  "")
    echo "usage: wine-run.sh PROGRAM.exe [ARGS...]" >&2
    exit 2
    ;;
esac

export WINEPREFIX=${WINEPREFIX:-$(build_dir_of "$1")/wine-prefix}
init_prefix
exec wine "$@"
