#!/usr/bin/env bash
# Builds Tidewash and runs every test twice: once in a normal build, once in a
# build with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh

jobs=$(nproc)
echo "== build (build/)"
bash scripts/build.sh build
echo "== tests"
ctest --test-dir build --output-on-failure -j"$jobs"

# Root reads and writes every folder, so the tests of unreadable folders and
# unwritable files skip themselves when run as root. Run those once more as
# an unprivileged user, when the build can be reached as one.
if ((EUID == 0)) && command -v setpriv >/dev/null; then
  as_nobody() { setpriv --reuid=65534 --regid=65534 --clear-groups env HOME=/tmp TIDEWASH_BUILD_OUT="$root/build/out" "$@"; }
  if as_nobody test -x "$root/build/out/vclrt_tests"; then
    echo "== tests that need an unprivileged user (run as nobody)"
    as_nobody build/out/vclrt_tests --gtest_brief=1 --gtest_filter='IniFile.WriteErrorsReachTheCaller'
  else
    echo "== (the tests that need an unprivileged user stay skipped: nobody cannot reach $root/build)"
  fi
fi

echo "== build with ASan+UBSan (build-asan/)"
bash scripts/build.sh build-asan -DTIDEWASH_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
echo "== tests under ASan+UBSan"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"
echo "== all tests passed"
