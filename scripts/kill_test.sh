#!/usr/bin/env bash
# Kills twscleanup purges with SIGKILL at random points, in trash and in
# delete mode, many times, and checks after each kill that every file is in
# place (or deleted, in delete mode) or in the trash with its information,
# that --history shows the interrupted run, that --undo of it restores
# every file it moved, and that no stray .trashinfo is left after it. The
# suite runs the same test (CleanupHost.AKilledPurgeIsRecordedAndUndone)
# for a few kills. Prints where the kills fell.
#   scripts/kill_test.sh [KILLS_PER_MODE] [BUILD_DIR]     (300, build/ by default)
set -euo pipefail
rounds=${1:-300}
build=${2:-build}
[[ $rounds =~ ^[0-9]+$ ]] || { echo "usage: $0 [kills per mode] [build dir]" >&2; exit 2; }
cd "$(dirname "$0")/.."
cmake --build "$build" --target twscleanup_tests twscleanup twsregsvr Tidewash -- -j2 >/dev/null
out=$(cd "$build/out" && pwd)
echo "== $rounds killed purges per mode"
TIDEWASH_BUILD_OUT=$out TWS_KILL_ROUNDS=$rounds "$out/twscleanup_tests" --gtest_brief=1 \
  --gtest_filter='CleanupHost.AKilledPurgeIsRecordedAndUndone'
