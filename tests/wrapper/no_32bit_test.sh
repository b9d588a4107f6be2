#!/usr/bin/env bash
# What the Wine launcher, the ./zarn wrapper and the demo do on a machine
# that cannot execute 32-bit programs, shown on any machine by pointing the
# probe at a file the kernel refuses to execute.
#   no_32bit_test.sh NATIVE_BUILD_DIR
set -uo pipefail
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:?native build folder}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

passed=0
failed=0
check() {  # NAME EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf 'FAILED %s\n  expected: %q\n  actual:   %q\n' "$1" "$2" "$3"
  fi
}

# ELF magic and a NUL: the kernel answers "Exec format error" on every machine.
printf '\177ELF\001\001\001\000\000\000\000\000' >"$work/not-runnable"
chmod +x "$work/not-runnable"
reason="this machine cannot execute 32-bit programs (Exec format error)"

export ZARN_32BIT_PROBE="$work/not-runnable"
out=$("$source_dir/cmake/wine-run.sh" --check 2>&1); code=$?
check "launcher --check says why" "$reason 3" "$out $code"

# A launch refused before any prefix is made: nothing is left behind.
mkdir -p "$work/build/bin"
touch "$work/build/CMakeCache.txt" "$work/build/bin/program.exe"
out=$("$source_dir/cmake/wine-run.sh" "$work/build/bin/program.exe" 2>&1); code=$?
check "launcher refuses to run" "$reason 3" "$out $code"
check "no prefix left behind" "" "$(ls -A "$work/build" | grep -v -x -e CMakeCache.txt -e bin)"

for command in "--win32 info" configure about; do
  # shellcheck disable=SC2086
  out=$("$source_dir/zarn" $command 2>&1 </dev/null); code=$?
  check "./zarn $command" "zarn: the Windows runner cannot run here: $reason 2" "$out $code"
done

out=$(ASAN_OPTIONS=detect_leaks=0 "$build/bin/zarn" demo "$work/demo" 2>&1); code=$?
check "demo exit code" 0 "$code"
check "demo says why" "  Windows build:     not run here: $reason" "$(grep 'Windows build:' <<<"$out")"
check "demo wrote the native results" 16 "$(ls "$work/demo/mirror-both" | wc -l)"

# A program that runs: the launcher lets it through.
out=$(ZARN_32BIT_PROBE=/bin/true "$source_dir/cmake/wine-run.sh" --check 2>&1); code=$?
check "launcher --check on a machine that can" " 0" "$out $code"
out=$(ZARN_32BIT_PROBE="$work/missing" "$source_dir/cmake/wine-run.sh" --check 2>&1); code=$?
check "missing probe is named" "no 32-bit program to probe with ($work/missing is missing; run scripts/setup) 3" "$out $code"

echo "no_32bit: $passed passed, $failed failed"
[ $failed -eq 0 ]
