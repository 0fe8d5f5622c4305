#!/usr/bin/env bash
# The main job: builds Tidewash, then runs the disk-cleanup host with the
# cleanup handler on the built-in demo volume, or on the folder given
# (see scripts/demo.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
bash scripts/build.sh build
exec bash scripts/demo.sh "$@"
