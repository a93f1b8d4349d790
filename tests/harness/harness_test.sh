#!/usr/bin/env bash
# The test harness itself: which Windows trees run, and that every way Wine can fail to start
# ends with a message and a non-zero status instead of silence.
#   harness_test.sh SOURCE_DIR
set -uo pipefail
src=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# expect STATUS TEXT COMMAND...: the command exits with STATUS (or any non-zero status for
# "fail") and prints TEXT.
expect() {
  local want=$1 text=$2 output status
  shift 2
  output=$("$@" 2>&1)
  status=$?
  if { [ "$want" = fail ] && [ "$status" -eq 0 ]; } || { [ "$want" != fail ] && [ "$status" -ne "$want" ]; } ||
    [[ "$output" != *"$text"* ]]; then
    echo "FAILED: $* (exit status $status, wanted $want and \"$text\"), printed:"
    echo "$output"
    failures=$((failures + 1))
  fi
}

expect 0 "run in win64; win32 tests skipped: KIT_RUN_WIN32=0" env KIT_RUN_WIN32=0 "$src/kit" trees
expect 0 "run in win32 win64" env KIT_RUN_WIN32=1 "$src/kit" trees
expect fail "KIT_RUN_WIN32 is 'yes'" env KIT_RUN_WIN32=yes "$src/kit" trees

# A Windows tree whose prefix cannot be made: a file stands where its folder should be.
mkdir -p "$work/tree"
echo win64 >"$work/tree/wine-arch"
touch "$work/blocked"
expect fail "could not create the win64 Wine prefix" \
  env KIT_WINEPREFIX="$work/blocked/prefix" "$src/cmake/wine-env" "$work/tree" start
expect fail "could not create the win64 Wine prefix" \
  env KIT_WINEPREFIX="$work/blocked/prefix" "$src/cmake/wine-env" "$work/tree" run cmd /c exit

echo win16 >"$work/tree/wine-arch"
expect fail "unknown Windows architecture 'win16'" "$src/cmake/wine-env" "$work/tree" start
expect fail "is not a configured Windows build tree" "$src/cmake/wine-env" "$work" start
expect fail "no build tree at $work/missing" "$src/cmake/wine-env" "$work/missing" start

# A test program that fails before printing anything runs once more, and the retry is
# recorded; one that prints runs once.
if [ -f "$src/build/win64/wine-arch" ]; then
  export KIT_RETRY_LOG="$work/retries"
  expect 3 "ended with status 3 before printing anything; started again" \
    "$src/cmake/wine-env" "$src/build/win64" test cmd /c exit 3
  expect 4 "said something" "$src/cmake/wine-env" "$src/build/win64" test cmd /c "echo said something& exit 4"
  [ "$(wc -l <"$KIT_RETRY_LOG")" -eq 1 ] || {
    echo "FAILED: wanted one recorded retry, the log holds:"
    cat "$KIT_RETRY_LOG"
    failures=$((failures + 1))
  }
fi

[ "$failures" -eq 0 ] && echo "harness: all checks passed"
exit $((failures > 0))
