#!/usr/bin/env bash
# footprint.sh: lists what Tidewash could leave in the user's home and on the
# system: its runs, data and settings, the user's trash, the registry and the
# trash folders at the top of every mounted file system. The test command
# lists them before and after the suite; any line that appears is a test
# that did not clean up after itself (or wrote where it must not).
#   scripts/footprint.sh > before; ...; scripts/footprint.sh > after
set -uo pipefail
home=${HOME:-/root}
uid=$(id -u)
places=(
  "${XDG_STATE_HOME:-$home/.local/state}/tidewash"
  "${XDG_DATA_HOME:-$home/.local/share}/tidewash"
  "${XDG_DATA_HOME:-$home/.local/share}/Trash"
  "${XDG_CONFIG_HOME:-$home/.config}/tidewash"
  /var/lib/tidewash
  /etc/xdg/tidewash
)
# Every mounted file system's own trash folders ($topdir/.Trash/$uid and
# $topdir/.Trash-$uid), where a purge on that file system would go.
while read -r _ target _; do
  target=$(printf "%b" "${target//\\/\\0}")
  places+=("$target/.Trash/$uid" "$target/.Trash-$uid")
done < /proc/self/mounts
for place in "${places[@]}"; do
  [[ -e $place || -L $place ]] || continue
  find "$place" -xdev \( -type d -printf '%p/\n' \) -o -printf '%p\n' 2>/dev/null
done | LC_ALL=C sort -u
