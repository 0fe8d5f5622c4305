#!/usr/bin/env bash
# fuzz.sh [seconds]: builds the libFuzzer targets of the HTML builder and the
# buffer parsers with clang (AddressSanitizer and UndefinedBehaviorSanitizer
# on) and runs each for the given time, 60 seconds by default. Builds and the
# growing corpora go to build-fuzz/. Exits non-zero when a target fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-60}
[[ $seconds =~ ^[0-9]+$ ]] || { echo "usage: $0 [seconds]" >&2; exit 2; }

bash scripts/setup.sh clang libclang-rt-14-dev

out=build-fuzz
mkdir -p "$out/obj" "$out/corpus"
cxx=(clang++ -std=c++20 -g -O1 -fno-omit-frame-pointer -fsanitize=address,undefined
     -fno-sanitize-recover=undefined
     -Iplatform/vcl/include -Iplatform/winsdk/include -Ilib/runtime/core
     -Ilib/htmlbuilder -Ilib/utils)

# The code under test, compiled once with coverage for the fuzzer.
objects() {
  local objs=()
  for src in "$@"; do
    local obj=$out/obj/$(echo "$src" | tr / _).o
    if [[ ! -f $obj || $src -nt $obj ]]; then
      "${cxx[@]}" -fsanitize=fuzzer-no-link -c "$src" -o "$obj"
    fi
    objs+=("$obj")
  done
  echo "${objs[@]}"
}
runtime=(platform/vcl/*.cpp lib/runtime/core/Zelstreams.cpp)
builder=(lib/htmlbuilder/Zel*.cpp)
parsers=(lib/utils/Zelbasebufferparser.cpp lib/utils/Zelbufferpattern.cpp
         lib/utils/Zelexplicitbufferparser.cpp lib/utils/Zelfixedsizebufferparser.cpp
         lib/utils/Zelvarsizebufferparser.cpp)

declare -A targets=(
  [Zelhtmlbuilder_fuzz]="lib/htmlbuilder/fuzz/Zelhtmlbuilder_fuzz.cpp ${builder[*]} ${runtime[*]}"
  [Zelexplicitbufferparser_fuzz]="lib/utils/fuzz/Zelexplicitbufferparser_fuzz.cpp ${parsers[*]} ${runtime[*]}"
  [Zelfixedsizebufferparser_fuzz]="lib/utils/fuzz/Zelfixedsizebufferparser_fuzz.cpp ${parsers[*]} ${runtime[*]}"
  [Zelvarsizebufferparser_fuzz]="lib/utils/fuzz/Zelvarsizebufferparser_fuzz.cpp ${parsers[*]} ${runtime[*]}"
)

failed=()
for name in $(printf '%s\n' "${!targets[@]}" | sort); do
  echo "== $name: build"
  # shellcheck disable=SC2086
  objs=$(objects ${targets[$name]})
  # shellcheck disable=SC2086
  "${cxx[@]}" -fsanitize=fuzzer $objs -o "$out/$name"
  echo "== $name: run for ${seconds}s"
  mkdir -p "$out/corpus/$name"
  if ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
     "$out/$name" -max_total_time="$seconds" -print_final_stats=1 \
       -artifact_prefix="$out/$name-" "$out/corpus/$name" 2>"$out/$name.log"; then
    grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$out/$name.log" || true
    grep -E '^#[0-9]+.*DONE' "$out/$name.log" | tail -1 || true
  else
    echo "!! $name failed; see $out/$name.log and the $out/$name-* artifacts"
    tail -30 "$out/$name.log"
    failed+=("$name")
  fi
done

if ((${#failed[@]})); then
  echo "== failed: ${failed[*]}"
  exit 1
fi
echo "== all fuzzers ran ${seconds}s without a failure"
