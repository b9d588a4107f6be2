#!/usr/bin/env bash
# Runs a Windows executable of the cross build under Wine; ctest calls it as
# the cross-compiling emulator, and the demo and scripts go through it too.
# The Wine prefix lives in the build folder (beside CMakeCache.txt) and is
# made on first use; a wineserver started with -p by the caller keeps later
# starts fast.
#   wine-run.sh PROGRAM.exe [ARGS...]
#   wine-run.sh --check            exit 0 when Windows programs can run here;
#                                  else the reason on stdout and exit 3
#   wine-run.sh --init DIR         make the prefix of that build folder
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=../scripts/wine-env.sh
. "$here/scripts/wine-env.sh"

build_dir_of() {
  local dir
  dir=$(cd "$(dirname "$1")" && pwd)
  while [ "$dir" != / ]; do
    [ -f "$dir/CMakeCache.txt" ] && { echo "$dir"; return; }
    dir=$(dirname "$dir")
  done
  pwd
}

# Answers 3 with the reason when this machine cannot run Windows programs.
require_32bit() {
  zarn_probe_32bit && return 0
  echo "$ZARN_32BIT_REASON"
  exit 3
}

init_prefix() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  # ctest may start several tests at once; one of them makes the prefix.
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/.zarn-ready" ]; then
    if ! wineboot -i >/dev/null 2>&1; then
      # A half-made prefix would be taken for a ready one next time.
      rm -rf "$WINEPREFIX"
      echo "wine-run: could not make $WINEPREFIX (wineboot failed)" >&2
      exit 1
    fi
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
  --check)
    require_32bit
    exit 0
    ;;
  --init)
    require_32bit >&2
    zarn_wine_env "$2"
    init_prefix
    exit 0
    ;;
  "")
    echo "usage: wine-run.sh PROGRAM.exe [ARGS...]" >&2
    exit 2
    ;;
esac

require_32bit >&2
zarn_wine_env "$(build_dir_of "$1")"
init_prefix
exec wine "$@"
