#!/usr/bin/env bash
# Builds Tidewash and runs every test twice: once in a normal build, once in a
# build with AddressSanitizer and UndefinedBehaviorSanitizer; builds the
# Debian package and tries it in a throw-away root (scripts/package_test.sh);
# builds the Windows deliverables and their installer with mingw-w64 and runs
# their tests under Wine (the installer's in a throw-away prefix); then
# runs every fuzz target for a short time under both sanitizers
# (build-fuzz/, clang).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# The Windows build: mingw-w64 (posix threads), widl for type libraries,
# and Wine to run its tests. Wine's preloader reserves the addresses Windows
# fixes (the shared user data at 0x7ffe0000 among them) before anything
# else is mapped: without it, about one Wine process in a few thousand
# finds its loader's randomised heap there and exits at once, silently
# under WINEDEBUG=-all.
# dpkg-dev: dpkg-shlibdeps, which finds the Debian package's dependencies;
# lintian, man-db (man, lexgrog; groff) and desktop-file-utils check that
# package. wixl builds the Windows installer, msitools (msiinfo) reads its
# tables back in its test.
bash scripts/setup.sh g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 wine64-preloader dpkg-dev lintian \
  man-db desktop-file-utils wixl msitools

jobs=$(nproc)
# The tests work in a temporary folder of their own ($tests_tmp, their
# TMPDIR), which every user may enter (tests hand parts of it to an
# unprivileged user) and which must be empty when they end; and they must
# leave nothing in the user's home or on the system. Both are checked at
# the end. The builds keep the usual TMPDIR. Qt's runtime folder and Wine's
# server folder are the programs' own, not the tests': each gets a folder
# that is removed unchecked.
tests_tmp=$(mktemp -d /tmp/tidewash-tests.XXXXXX)
chmod 0755 "$tests_tmp"
runtime=$(mktemp -d /tmp/tidewash-runtime.XXXXXX)
mkdir -m 0700 "$runtime/xdg" "$runtime/wine"
trap 'rm -rf "$tests_tmp" "$runtime"' EXIT
export XDG_RUNTIME_DIR="$runtime/xdg"
footprint_before=$(bash scripts/footprint.sh)
check_left_behind() {
  local left after
  left=$(find "$tests_tmp" -mindepth 1 -maxdepth 1 2>/dev/null)
  after=$(bash scripts/footprint.sh)
  if [[ -n $left ]]; then
    echo "error: the tests left these in their temporary folder $tests_tmp:" >&2
    printf '%s\n' "$left" >&2
    return 1
  fi
  if [[ $after != "$footprint_before" ]]; then
    echo "error: the tests left these in the user's home or on the system:" >&2
    comm -13 <(printf '%s\n' "$footprint_before") <(printf '%s\n' "$after") >&2
    return 1
  fi
}

echo "== build (build/)"
bash scripts/build.sh build
echo "== tests"
TMPDIR=$tests_tmp ctest --test-dir build --output-on-failure -j"$jobs"
echo "== Debian package: built, installed into a throw-away root, used, removed"
TMPDIR=$tests_tmp bash scripts/package_test.sh build

echo "== Windows build (build-win/, mingw-w64)"
bash scripts/build.sh build-win -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake"
echo "== Windows tests under Wine (the prefix is build-win/wineprefix)"
# Wine keeps its server's socket in a folder of TMPDIR while it runs: the
# drive trees of the tests go to $tests_tmp, Wine's own folder to $runtime.
TMPDIR=$runtime/wine TIDEWASH_TEST_TMPDIR=$tests_tmp ctest --test-dir build-win --output-on-failure -j"$jobs"

echo "== build with ASan+UBSan (build-asan/)"
bash scripts/build.sh build-asan -DTIDEWASH_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
echo "== tests under ASan+UBSan"
# A test runs once: a test that fails once is a failing test.
TMPDIR=$tests_tmp ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions="$root/scripts/lsan.supp" \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"
echo "== fuzz targets under ASan+UBSan (build-fuzz/), a few seconds each"
bash scripts/fuzz.sh --ci
echo "== nothing left behind"
check_left_behind
echo "== all tests passed"
