#!/usr/bin/env bash
# The main job on the built Tidewash (scripts/tidewash.sh builds first).
#
# With no argument: a demonstration on a built-in demo "volume". Everything
# it writes stays under demo/ in the project folder:
#   demo/registry   the registry the handler is registered in
#   demo/install    the installed handler, its TWS.cfg and Reports/
#   demo/volume     a few small IDE projects with their temporary files
#   demo/trash      where purged files go (demo/trash/Trash/files)
# Each run starts from a fresh demo tree.
#
# With a folder or volume: the handler is installed, with the default
# settings, under $XDG_DATA_HOME/tidewash (~/.local/share/tidewash), outside
# demo/, which the plain demo rebuilds; the runs and their reports are kept
# under $XDG_STATE_HOME/tidewash/runs. It scans that folder and asks before
# purging.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build/out"
demo="$root/demo"

install_handler() {  # <folder>
  mkdir -p "$1"
  cp "$out/Tidewash.so" "$1/Tidewash.so"
  cp "$out/TidewashReview.so" "$1/TidewashReview.so"  # the review window, loaded beside it
  cp "$out/TWSRES.so" "$1/TWSRES.so"  # the images; the registration's DefaultIcon names it
  "$out/twsregsvr" "$1/Tidewash.so"
  # The settings editor works through the configuration server: registered
  # wherever the handler is.
  cp "$out/TWSConfig.so" "$1/TWSConfig.so"
  "$out/twsregsvr" "$1/TWSConfig.so"
}

if (($# > 0)); then
  target=$1
  if [[ ! -d $target ]]; then
    echo "tidewash: \"$target\" is not a folder. Give an existing folder or volume." >&2
    exit 64
  fi
  data=${XDG_DATA_HOME:-$HOME/.local/share}/tidewash
  export TIDEWASH_REGISTRY="$data/registry"
  install_handler "$data/install" >/dev/null
  echo "Handler and settings  $data/install (TWS.cfg, Reports/)"
  echo "Registry              $TIDEWASH_REGISTRY"
  echo "History of the runs   ${XDG_STATE_HOME:-$HOME/.local/state}/tidewash/runs (twscleanup --history)"
  echo "Scanning $target with the default settings."
  echo "Nothing is deleted unless you answer yes; purged files go to your trash"
  echo "(to put them back: $out/twscleanup --undo)."
  exec "$out/twscleanup" "$target"
fi

export TIDEWASH_REGISTRY="$demo/registry"
export XDG_STATE_HOME="$demo/state"

rm -rf "$demo"
mkdir -p "$demo/install" "$demo/trash"
vol="$demo/volume"

# project <folder> <file>...: sources and temporary files, a few bytes each.
project() {
  local dir="$vol/$1"; shift
  mkdir -p "$dir"
  for f in "$@"; do
    mkdir -p "$(dirname "$dir/$f")"
    head -c $((RANDOM % 4000 + 200)) /dev/urandom > "$dir/$f"
  done
}
project Projects/Calculator main.cpp calc.cpp calc.h Calculator.cbproj \
  main.obj calc.obj Calculator.map Calculator.tds Calculator.ilc Calculator.ild \
  Calculator.ilf Calculator.ils Calculator.dsk Calculator.csm main.~cpp calc.#01 calc.h.bak
project Projects/Inventory Inventory.dpr Unit1.pas Unit1.dfm Unit1.~pas Unit1.~dfm \
  Inventory.dsk Inventory.map Inventory.bak Unit1.obj
project "Projects/Report Viewer" viewer.cpp viewer.obj "Report Viewer.map" "Report Viewer.tds" \
  .viewer.dsk .cache/viewer.obj
project Projects/Vendor/lib zlib.obj png.obj README.txt
chmod a-w "$vol/Projects/Inventory/Inventory.map"

cat > "$demo/install/TWS.cfg" <<CFG
[Files]
ActiveMasks="*.map,*.dsk,*.obj,*.csm,*.tds,*.il*,*.~*,*.#*,*.bak"
DeleteHidden=0
DeleteReadOnly=0
UseRecycleBin=1

[Files/Excluded]
*.obj="$vol/Projects/Vendor=1"

[Volumes]
Excluded=""
CFG

install_handler "$demo/install" >/dev/null
cat <<TEXT
Tidewash demo
  volume      $vol
              three IDE projects plus Projects/Vendor, whose *.obj files the
              demo settings exclude; "Report Viewer/.viewer.dsk" is hidden and
              Inventory/Inventory.map read-only, so both stay; the hidden
              folder .cache is not entered.
  settings    $demo/install/TWS.cfg
  registry    $TIDEWASH_REGISTRY

TEXT

status=0
XDG_DATA_HOME="$demo/trash" "$out/twscleanup" --yes "$vol" || status=$?

cat <<TEXT

Purge report  $demo/install/Reports/FilePurge.html
Demo trash    $demo/trash/Trash/files
TEXT
# The run is recorded under the demo's own state folder and its files went
# to the demo's trash: the undo needs both, and the program's full path.
printf 'To put the purged files back (works as printed):\n  XDG_STATE_HOME=%q XDG_DATA_HOME=%q %q --undo\n' \
  "$XDG_STATE_HOME" "$demo/trash" "$out/twscleanup"
ls "$demo/trash/Trash/files" 2>/dev/null | sed 's/^/  /' || true
echo "Temporary files the settings kept in the volume:"
(cd "$vol" && find . -type f \( -iname '*.map' -o -iname '*.dsk' -o -iname '*.obj' -o -iname '*.csm' \
  -o -iname '*.tds' -o -iname '*.il*' -o -iname '*.~*' -o -iname '*.#*' -o -iname '*.bak' \) | sort |
  sed 's|^\./|  |')
exit $status
