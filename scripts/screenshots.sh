#!/usr/bin/env bash
# Takes the pictures of the windows in docs/ on a real X server (Xvfb), the
# way a user sees them: the review window, the wizard's three steps, its
# question before a purge, and the settings editor; and the run page of the
# demo's purge in headless Chromium. Installs xvfb and chromium when missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh xvfb xauth chromium
bash scripts/build.sh build
export QT_QPA_PLATFORM=xcb TIDEWASH_BUILD_OUT="$root/build/out"
x() { xvfb-run -a -s "-screen 0 1280x1024x24" "$@"; }
x build/out/review_bench --screenshot docs/review-window.png
x env WIZARD_SCREENSHOT_DIR="$root/docs" build/out/wizard_Main_test --gtest_brief=1
x env TWS_SCREENSHOT="$root/docs/configurator.png" build/out/configurator_Main_test \
  --gtest_brief=1 --gtest_filter='MainTest.TheWindowAsAUserFirstSeesItDraws'
# The demo purges into its own trash; its run page is the one pictured.
bash scripts/demo.sh >/dev/null
page=$(ls -d "$root"/demo/state/tidewash/runs/*/run.html | tail -1)
chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=1100,1300 \
  --screenshot="$root/docs/run-page.png" "file://$page" 2>/dev/null
echo "Pictures written to docs/"
