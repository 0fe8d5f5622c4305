#!/usr/bin/env bash
# Takes the pictures of the windows in docs/ on a real X server (Xvfb) with
# a window manager (openbox), the way a user sees them: the review window
# with a kept hidden file, the wizard's steps (step 2 with its mask lines)
# and its question before a purge, and the settings editor with its glyph
# buttons; the run page of the demo's purge in headless Chromium; and the
# Windows build's review window and settings editor under Wine
# (docs/review-window-win32.png, docs/configurator-windows.png). Installs
# what it needs when missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh xvfb xauth openbox chromium python3 imagemagick
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
# The demo purges into its own trash; its run page is the one pictured.
bash scripts/demo.sh >/dev/null
page=$(ls -d "$root"/demo/state/tidewash/runs/*/run.html | tail -1)
chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=1100,1300 \
  --screenshot="$root/docs/run-page.png" "file://$page" 2>/dev/null
# The Windows build's windows under Wine (Z: is the Unix root).
bash scripts/build.sh build-win -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake"
x bash -c 'build-win/wine-run build-win/out/review_bench_win32.exe --screenshot "Z:${0//\//\\}"' \
  "$root/docs/review-window-win32.png"
python3 scripts/pngsquash.py docs/review-window-win32.png
cmake --build build-win --target TWSConfigurator TWSConfig TWSRES
# The server registered in the build's prefix; the settings are the
# TWS.cfg of the folder it starts in (no handler is registered there).
(cd build-win/out && ../wine-run regsvr32 /s TWSConfig.dll)
shot=$(mktemp -d)
trap 'rm -rf "$shot"' EXIT
printf '%s\n' '[Files]' 'ActiveMasks="*.map,*.dsk,*.obj,*.tds,*.~*,*.bak"' 'DeleteHidden=0' \
  'DeleteReadOnly=0' 'UseRecycleBin=1' '' '[Files/Excluded]' \
  '*.map=""C:\Projects\Legacy\Build=0","C:\Projects\Vendor=1""' '' '[Volumes]' 'Excluded=""' \
  >"$shot/TWS.cfg"
x bash -c '
  (cd "$1" && "$2/build-win/wine-run" "$2/build-win/out/TWSConfigurator.exe" >/dev/null 2>&1) &
  sleep 12
  import -frame -window "TWS Configurator" "$2/docs/configurator-windows.png"
' _ "$shot" "$root"
echo "Pictures written to docs/"
