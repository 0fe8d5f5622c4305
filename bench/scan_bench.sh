#!/usr/bin/env bash
# scan_bench.sh: the host's dry run (twscleanup --dry-run, the Tidewash
# handler's nine default masks) against fd (one thread and its default) and
# GNU find with the same nine name tests, on a tree filesearch_bench
# generates; warm, and cold when this process may drop the page cache; and
# how the scan's time and peak memory grow with excluded folders and files.
#
#   bench/scan_bench.sh [--out DIR] [--base DIR] [--entries N] [--runs R]
#                       [--work DIR] [--only compare|scaling|exclusions|matching]
#                       [--threads N]
#                       [--limit S] [--no-cold] [--realtime]
#
#   --out      the build's out folder (default build/out): twscleanup,
#              Tidewash.so, TidewashReview.so, twsregsvr, filesearch_bench
#   --base     the out folder of another build, measured as "base" beside
#              it (today's host, for before and after in one session)
#   --entries  entries of the compared tree (default 170000)
#   --runs     measured runs of each side (default 7); medians are printed
#   --work     where trees and registries go (default a temporary folder,
#              removed at the end; an existing tree there is reused)
#   --threads  also measure the host with --threads N
#   --limit    seconds after which a scaling run is stopped (default 120)
#   --no-cold  leave the cold part out even where the page cache may be
#              dropped (dropping it slows every other program on the machine)
#   --realtime run each measured command at a real-time
#              priority (chrt -f 50; root only), so that other programs
#              running on the machine do not take its cores meanwhile: on a
#              loaded machine the only way to see what threads gain
#
# The sides of one run go in turn, the first moving by one from run to run,
# so that none always follows the same other. Cold: the page cache is
# dropped (echo 3 > /proc/sys/vm/drop_caches) before every measured command;
# that needs root and a writable file, otherwise the cold part says so and
# is left out. fd is Debian's fd-find (bash scripts/setup.sh fd-find).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build/out base="" entries=170000 runs=7 work="" only="" threads="" limit=120 nocold=0 realtime=0
while (($#)); do
  case $1 in
    --out) out=$(cd "$2" && pwd); shift 2 ;;
    --base) base=$(cd "$2" && pwd); shift 2 ;;
    --entries) entries=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --only) only=$2; shift 2 ;;
    --threads) threads=$2; shift 2 ;;
    --limit) limit=$2; shift 2 ;;
    --no-cold) nocold=1; shift ;;
    --realtime) realtime=1; shift ;;
    -h|--help) sed -n '2,30p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "scan_bench: unknown option $1" >&2; exit 64 ;;
  esac
done
temporary=0
if [[ -z $work ]]; then work=$(mktemp -d /tmp/scan_bench.XXXXXX); temporary=1; fi
mkdir -p "$work"
cleanup() { ((temporary)) && rm -rf "$work"; return 0; }
trap cleanup EXIT

fd=$(command -v fdfind || command -v fd || true)
masks='*.map,*.dsk,*.obj,*.csm,*.tds,*.il*,*.~*,*.#*,*.bak'
# The same names as a regular expression on the file name, for fd.
fd_regex='\.(map|dsk|obj|csm|tds|bak)$|\.(il|~|#)[^/]*$'

cold=0
if ((!nocold)) && [[ $EUID -eq 0 && -w /proc/sys/vm/drop_caches ]] && sync && echo 3 >/proc/sys/vm/drop_caches 2>/dev/null; then
  cold=1
fi
drop() { ((!dropping)) || { sync; echo 3 >/proc/sys/vm/drop_caches; }; }

# A handler registered for one build: its own registry, settings, state.
# $1 name, $2 out folder, $3 extra settings lines.
install_host() {
  local dir=$work/host-$1
  rm -rf "$dir"; mkdir -p "$dir/install" "$dir/data" "$dir/state"
  cp "$2/Tidewash.so" "$dir/install/"
  # The review window's module belongs to the installation (an out folder
  # from before it was split off has none).
  [[ ! -e $2/TidewashReview.so ]] || cp "$2/TidewashReview.so" "$dir/install/"
  # A settings file holds every key (one without them is refused as cut short).
  printf '[Files]\nActiveMasks="%s"\nDeleteHidden=0\nDeleteReadOnly=0\nUseRecycleBin=1\n\n%s\n[Volumes]\nExcluded=""\n' \
    "$masks" "${3:-[Files/Excluded]}" >"$dir/install/TWS.cfg"
  LD_LIBRARY_PATH=$2 TIDEWASH_REGISTRY=$dir/registry "$2/twsregsvr" /s "$dir/install/Tidewash.so"
}
# $1 name, $2 out folder, then twscleanup's arguments.
host() {
  local dir=$work/host-$1 bin=$2; shift 2
  LD_LIBRARY_PATH=$bin TIDEWASH_REGISTRY=$dir/registry XDG_DATA_HOME=$dir/data XDG_STATE_HOME=$dir/state "$bin/twscleanup" "$@"
}

tree() {  # $1 folder, $2 entries
  [[ -d $1 ]] || "$out/filesearch_bench" --entries "$2" --dir "$1" --generate-only >/dev/null
}

median() { sort -g | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }

# Runs a command, prints its wall time in seconds.
timed() {
  local start=$EPOCHREALTIME
  if ((realtime)); then
    # The subshell takes the priority and its commands inherit it; the
    # bench itself keeps its own.
    (chrt -f -p 50 "$BASHPID" && "$@") >/dev/null
  else
    "$@" >/dev/null
  fi
  awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN {printf "%.4f\n", b - a}'
}

load() { cut -d' ' -f1-3 /proc/loadavg; }

compare() {
  local vol=$work/tree-$entries
  tree "$vol" "$entries"
  install_host new "$out"
  [[ -z $base ]] || install_host base "$base"
  local -a names=(host host-1) cmds=("host new $out --dry-run --quiet $vol" "host new $out --dry-run --quiet --threads 1 $vol")
  [[ -z $threads ]] || { names+=("host-$threads"); cmds+=("host new $out --dry-run --quiet --threads $threads $vol"); }
  [[ -z $base ]] || { names+=(base); cmds+=("host base $base --dry-run --quiet $vol"); }
  if [[ -n $fd ]]; then
    names+=(fd-j1 fd); cmds+=("$fd --no-ignore --hidden --type f -j1 $fd_regex $vol" "$fd --no-ignore --hidden --type f $fd_regex $vol")
  else
    echo "fd is not installed (bash scripts/setup.sh fd-find): fd left out"
  fi
  names+=(find)
  cmds+=("find $vol -type f ( -iname *.map -o -iname *.dsk -o -iname *.obj -o -iname *.csm -o -iname *.tds -o -iname *.il* -o -iname *.~* -o -iname *.#* -o -iname *.bak )")

  echo "Tree: $vol ($entries entries); found by the host: $(host new "$out" --dry-run "$vol" | awk '/found in/ {print $(NF-1); exit}'),"\
       "by find: $(set -f; ${cmds[-1]} | wc -l)${fd:+, by fd: $(set -f; $fd --no-ignore --hidden --type f "$fd_regex" "$vol" | wc -l)}"
  echo "Host default threads: $(nproc) cores (TFileSearch::ThreadCount: max(cores, 16))"
  local modes=(warm)
  if ((cold)); then modes+=(cold); elif ((nocold)); then echo "cold: left out (--no-cold)"; else echo "cold: left out (dropping the page cache needs root and a writable /proc/sys/vm/drop_caches)"; fi
  ((!realtime)) || echo "measured commands run at real-time priority (chrt -f 50)"
  for mode in "${modes[@]}"; do
    dropping=$([[ $mode == cold ]] && echo 1 || echo 0)
    local -A samples=()
    local n=${#names[@]} loads=""
    if [[ $mode == warm ]]; then for i in "${!cmds[@]}"; do (set -f; ${cmds[$i]} >/dev/null); done; fi
    for ((r = 0; r < runs; r++)); do
      loads+="$(load); "
      for ((k = 0; k < n; k++)); do
        local i=$(((r + k) % n))
        drop
        samples[$i]+="$(set -f; timed ${cmds[$i]}) "
      done
    done
    echo
    echo "$mode cache, medians of $runs interleaved runs; load (1/5/15 min) at each run: $loads"
    local -A med=()
    for i in "${!names[@]}"; do med[$i]=$(tr ' ' '\n' <<<"${samples[$i]}" | grep . | median); done
    local fdi="" base_i=1
    for i in "${!names[@]}"; do
      [[ ${names[$i]} == fd ]] && fdi=$i
      [[ ${names[$i]} == base ]] && base_i=$i
    done
    printf '  %-10s %9s %12s %12s\n' side seconds "/ ${names[$base_i]}" "/ fd"
    for i in "${!names[@]}"; do
      printf '  %-10s %9.3f %12.2f %12s\n' "${names[$i]}" "${med[$i]}" \
        "$(awk -v a="${med[$i]}" -v b="${med[$base_i]}" 'BEGIN {print a / b}')" \
        "$([[ -n $fdi ]] && awk -v a="${med[$i]}" -v b="${med[$fdi]}" 'BEGIN {printf "%.2f", a / b}' || echo -)"
    done
  done
  dropping=0
}

# The host's dry run, warm: median seconds and the largest peak memory (MB)
# over the runs (at most 3), each stopped after $limit seconds. $1 name, $2
# out folder, then twscleanup's arguments.
measure() {
  local name=$1 bin=$2; shift 2
  local times="" peak=0 f=$work/time.txt
  for ((r = 0; r < (runs < 3 ? runs : 3); r++)); do
    local -a prio=()
    ((!realtime)) || prio=(chrt -f 50)
    if ! LD_LIBRARY_PATH=$bin TIDEWASH_REGISTRY=$work/host-$name/registry XDG_DATA_HOME=$work/host-$name/data \
      XDG_STATE_HOME=$work/host-$name/state "${prio[@]}" /usr/bin/time -f '%e %M' -o "$f" \
      timeout "$limit" "$bin/twscleanup" "$@" >/dev/null; then
      printf 'not done in %d s' "$limit"
      return
    fi
    times+="$(tail -1 "$f" | cut -d' ' -f1) "
    peak=$(tail -1 "$f" | awk -v p="$peak" '{print ($2 > p) ? $2 : p}')
  done
  printf '%.3f s  %.1f MB' "$(tr ' ' '\n' <<<"$times" | grep . | median)" "$(awk -v k="$peak" 'BEGIN {print k / 1024}')"
}

# The excluded folders' part of the scaling (--only exclusions alone).
scaling() {
  local vol=$work/tree-$entries
  tree "$vol" "$entries"
  echo
  echo "Excluded folders (one mask's list, warm, $runs runs; load $(load)):"
  local -a sides=(new)
  [[ -z $base ]] || sides+=(base)
  for count in 0 1000 10000 100000; do
    # Folders on the volume's own paths that the tree does not hold, half
    # with their subfolders: every one is looked at for every folder.
    local list
    list=$(awk -v n="$count" -v v="$vol" 'BEGIN {for (i = 0; i < n; i++) printf "%s%s/home%d/none%d=%d", (i ? "," : ""), v, i % 50, i, i % 2}')
    for side in "${sides[@]}"; do
      local bin=$out; [[ $side == base ]] && bin=$base
      install_host "$side" "$bin" "$(printf '[Files/Excluded]\n*.obj="%s"\n' "$list")" >/dev/null
      printf '  %-5s %7d excluded: %s\n' "$side" "$count" "$(measure "$side" "$bin" --dry-run --quiet "$vol")"
    done
  done
}

files() {
  local -a sides=(new)
  [[ -z $base ]] || sides+=(base)
  echo
  echo "Files (warm, $runs runs; load $(load)):"
  for files in 100000 1000000; do
    local big=$work/tree-$files
    tree "$big" "$files"
    for side in "${sides[@]}"; do
      local bin=$out; [[ $side == base ]] && bin=$base
      install_host "$side" "$bin" >/dev/null
      printf '  %-5s %8d entries  --dry-run: %s   --list --json: %s\n' "$side" "$files" \
        "$(measure "$side" "$bin" --dry-run --quiet "$big")" "$(measure "$side" "$bin" --list --json "$big")"
    done
  done
}

# Every file a match (1,000,000 *.obj in 1,000 folders) and a chain of
# 5,000 nested folders holding 5 matches: the listing's peak memory, which
# must not grow with the files found nor with the depth.
matching() {
  local flat=$work/matching-1000000 chain=$work/chain-5000
  if [[ ! -d $flat ]]; then
    mkdir -p "$flat"
    for ((d = 0; d < 1000; d++)); do mkdir "$flat/p$d" && (cd "$flat/p$d" && touch unit{000..999}.obj); done
  fi
  if [[ ! -d $chain ]]; then
    mkdir -p "$chain"
    # perl (essential on Debian) goes down by relative chdir; a shell's cd
    # keeps the whole path and slows down past PATH_MAX.
    (cd "$chain" && perl -e 'for my $i (0 .. 4999) { if ($i % 1000 == 0) { open(my $f, ">", "f$i.obj") or die; close $f } mkdir "d" or die; chdir "d" or die }')
  fi
  echo
  echo "Every file a match, and a deep chain (warm, $runs runs, at most 3; load $(load)):"
  local -a sides=(new)
  [[ -z $base ]] || sides+=(base)
  for side in "${sides[@]}"; do
    local bin=$out; [[ $side == base ]] && bin=$base
    install_host "$side" "$bin" >/dev/null
    for vol in "$flat" "$chain"; do
      printf '  %-5s %-16s --dry-run: %s   --list --json: %s   --list: %s\n' "$side" "${vol##*/}" \
        "$(measure "$side" "$bin" --dry-run --quiet "$vol")" "$(measure "$side" "$bin" --list --json "$vol")" \
        "$(measure "$side" "$bin" --list "$vol")"
    done
  done
}

dropping=0
echo "scan_bench $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load $(load)"
[[ -n $only && $only != compare ]] || compare
[[ -n $only && $only != scaling && $only != exclusions ]] || scaling
[[ -n $only && $only != scaling ]] || files
[[ -n $only && $only != matching ]] || matching
