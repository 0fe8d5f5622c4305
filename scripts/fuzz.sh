#!/usr/bin/env bash
# fuzz.sh [seconds | --ci]: builds every libFuzzer target (the fuzz/ folders,
# CMake with clang and -DTIDEWASH_FUZZ=ON: AddressSanitizer and
# UndefinedBehaviorSanitizer on) in build-fuzz/ and runs each, one after the
# other, for the given time (60 seconds by default), starting from its seed
# corpus (corpus/<target>/ beside the fuzzer) and the inputs earlier runs
# kept in build-fuzz/corpus/<target>/. --ci: 20 seconds each, less when the
# whole run would pass 5 minutes. Exits non-zero when a target fails; the
# input that made it fail is kept as build-fuzz/crashes/<target>-*.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
ci=0
case ${1:-60} in
  --ci) ci=1; seconds=20 ;;
  *) seconds=${1:-60} ;;
esac
[[ $seconds =~ ^[0-9]+$ ]] || { echo "usage: $0 [seconds | --ci]" >&2; exit 2; }

bash scripts/setup.sh clang libclang-rt-14-dev

out=build-fuzz
if [[ ! -f $out/build.ninja ]]; then
  launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  fi
  echo "== configure $out (clang, TIDEWASH_FUZZ=ON)"
  cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DTIDEWASH_FUZZ=ON -DTIDEWASH_TESTS=OFF "${launcher[@]}" >/dev/null
fi
echo "== build the fuzz targets ($out)"
cmake --build "$out" --target tidewash_fuzzers -- -j"$(nproc)"

mapfile -t targets < "$out/fuzzers.list"
if ((ci)) && ((${#targets[@]} * seconds > 300)); then
  seconds=$((300 / ${#targets[@]}))
fi
mkdir -p "$out/corpus" "$out/crashes" "$out/logs"

failed=()
for line in "${targets[@]}"; do
  name=${line%% *}
  seeds=${line#* }
  echo "== $name: ${seconds}s from $seeds"
  mkdir -p "$out/corpus/$name"
  log=$out/logs/$name.log
  if ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
     "$out/out/$name" -max_total_time="$seconds" -timeout=20 -print_final_stats=1 \
       -artifact_prefix="$out/crashes/$name-" "$out/corpus/$name" "$seeds" >"$log" 2>&1; then
    grep -E '^#[0-9]+.*(DONE|pulse|NEW|REDUCE)' "$log" | tail -1 || true
    grep -E '^stat::number_of_executed_units' "$log" || true
  else
    echo "!! $name failed; its log is $log, the input that failed it:"
    ls "$out/crashes/$name-"* 2>/dev/null || echo "   (none written)"
    grep -E 'ERROR|check failed|SUMMARY|runtime error' "$log" | head -5 || true
    failed+=("$name")
  fi
done

if ((${#failed[@]})); then
  echo "== failed: ${failed[*]}"
  exit 1
fi
echo "== all ${#targets[@]} fuzz targets ran ${seconds}s each without a failure"
