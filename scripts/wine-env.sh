# Sourced, never run: the one place that knows how Windows programs are run
# here. Every script, the ctest launcher and the ./zarn wrapper use it.
#
#   zarn_probe_32bit          0 when this machine can execute 32-bit x86
#                             programs, 1 when it cannot, 2 when the probe
#                             itself is missing; the reason in ZARN_32BIT_REASON
#   zarn_wine_env BUILD_DIR   exports Wine's settings for that build folder
#
# The probe runs the 32-bit loader that the Wine packages install; tests
# point ZARN_32BIT_PROBE at a file that cannot execute to take the other path.

zarn_probe_32bit() {
  local probe=${ZARN_32BIT_PROBE:-/usr/lib/wine/wine}
  local said rc
  ZARN_32BIT_REASON=
  if [ ! -e "$probe" ]; then
    ZARN_32BIT_REASON="no 32-bit program to probe with ($probe is missing; run scripts/setup)"
    return 2
  fi
  said=$("$probe" --version 2>&1 >/dev/null </dev/null) && return 0
  rc=$?
  # The kernel refuses the format itself: 126 from the shell, with the
  # system's reason at the end of its message.
  if [ $rc -eq 126 ]; then
    ZARN_32BIT_REASON="this machine cannot execute 32-bit programs (${said##*: })"
    return 1
  fi
  return 0
}

zarn_wine_env() {
  export WINEDEBUG=-all
  # No Mono or Gecko installer prompts in a fresh prefix.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEARCH=win32
  export WINEPREFIX
  WINEPREFIX=${ZARN_WINEPREFIX:-$(cd "$1" && pwd)/wine-prefix}
}
