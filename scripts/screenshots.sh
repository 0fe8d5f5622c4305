#!/usr/bin/env bash
# Takes the pictures of the windows in docs/ on a real X server (Xvfb), the
# way a user sees them: the review window, the wizard's three steps, its
# question before a purge, and the settings editor; and the Windows review
# window under Wine, with openbox drawing its frame. Installs xvfb and
# openbox when they are missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh xvfb xauth openbox python3
bash scripts/build.sh build
export QT_QPA_PLATFORM=xcb TIDEWASH_BUILD_OUT="$root/build/out"
x() { xvfb-run -a -s "-screen 0 1280x1024x24" "$@"; }
x build/out/review_bench --screenshot docs/review-window.png
x env WIZARD_SCREENSHOT_DIR="$root/docs" build/out/wizard_Main_test --gtest_brief=1
x env TWS_SCREENSHOT="$root/docs/configurator.png" build/out/configurator_Main_test \
  --gtest_brief=1 --gtest_filter='MainTest.TheWindowAsAUserFirstSeesItDraws'
# The Windows build's review window under Wine (Z: is the Unix root).
bash scripts/build.sh build-win -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake"
x bash -c 'openbox >/dev/null 2>&1 & sleep 1; build-win/wine-run build-win/out/review_bench_win32.exe --screenshot "Z:${0//\//\\}"' \
  "$root/docs/review-window-win32.png"
python3 scripts/pngsquash.py docs/review-window-win32.png
echo "Pictures written to docs/"
