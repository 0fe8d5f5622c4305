#!/usr/bin/env bash
# build.sh <build-dir> [cmake options...]: configures (once, and again when
# options are given) and builds.
# Shows ninja's progress: on one updating line at a terminal, otherwise
# every 10th step, so that a first build on a fresh machine is not silent.
# Compiler messages pass through as they come.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1; shift
if [[ ! -f $dir/build.ninja ]]; then
  echo "Configuring $dir"
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
elif (($# > 0)); then
  # Options given to a folder configured before are applied, never ignored.
  cmake -S "$root" -B "$dir" "$@" >/dev/null
fi
tty=0 cols=80
if [[ -t 1 ]]; then tty=1; cols=$(tput cols 2>/dev/null || echo 80); fi
export NINJA_STATUS="[%f/%t] "
cmake --build "$dir" -- -j"$(nproc)" | awk -v tty="$tty" -v cols="$cols" -v dir="$dir" '
  /^\[[0-9]+\/[0-9]+\] / {
    split(substr($1, 2, length($1) - 2), n, "/")
    if (tty) { printf "\r\033[K%s", substr(dir " " $0, 1, cols - 1); fflush(); shown = 1 }
    else if (n[1] % 10 == 0 || n[1] == n[2]) { print dir " " $1 " " $NF; fflush() }
    next
  }
  { if (shown) { printf "\n"; shown = 0 } print; fflush() }
  END { if (shown) printf "\n" }'
test "${PIPESTATUS[0]}" -eq 0
