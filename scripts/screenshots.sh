#!/usr/bin/env bash
# Takes the pictures of the windows in docs/ on a real X server (Xvfb) with
# a window manager (openbox), the way a user sees them: the review window
# with a kept hidden file, the wizard's steps (step 2 with its mask lines)
# and its question before a purge, and the settings editor with its glyph
# buttons. Installs xvfb and openbox when they are missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh xvfb xauth openbox
bash scripts/build.sh build
export QT_QPA_PLATFORM=xcb TIDEWASH_BUILD_OUT="$root/build/out"
# One X server per program, with openbox managing its windows (placement,
# focus, stacking of owned windows) as on a desktop; the manager ends with
# the program.
x() {
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    openbox >/dev/null 2>&1 & wm=$!
    trap "kill $wm 2>/dev/null" EXIT
    sleep 1
    "$@"' managed "$@"
}
x build/out/review_bench --screenshot docs/review-window.png
x env WIZARD_SCREENSHOT_DIR="$root/docs" build/out/wizard_Main_test --gtest_brief=1
x env TWS_SCREENSHOT="$root/docs/configurator.png" build/out/configurator_Main_test \
  --gtest_brief=1 --gtest_filter='MainTest.TheWindowAsAUserFirstSeesItDraws'
echo "Pictures written to docs/"
