#!/usr/bin/env bash
# A long run of the purge racing a second process that swaps folders and
# files for links and other files, and of scans and purges racing one that
# swaps the volume folder itself for a link to a folder outside (the
# handler tests that the normal suite runs for a few rounds). Prints, per purge mode, how many files were
# deleted and how many refused; any failure is a file touched that must
# not have been.
#   scripts/race.sh [ROUNDS] [BUILD_DIR]     (50 rounds, build/ by default)
set -euo pipefail

rounds=${1:-50}
build=${2:-build}
cd "$(dirname "$0")/.."
cmake --build "$build" --target handler_TidewashCtrlImpl_test Tidewash twsregsvr -- -j2 >/dev/null
cd "$build/out"
TWS_RACE_ROUNDS=$rounds ./handler_TidewashCtrlImpl_test \
  --gtest_filter='HandlerTest.PurgesRacingASwappingProcessTouchNothingElse:HandlerTest.AVolumeSwappedForALinkDuringScanAndPurgeTouchesNothingOutside'
