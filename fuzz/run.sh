#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for the given number of seconds
# (default 60), seeded from samples/ and, where present, ../shared.
#   fuzz/run.sh [seconds] [target...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
build="$root/build/fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTESSARO_BUILD_FUZZ=ON -DTESSARO_BUILD_TESTS=OFF -DTESSARO_BUILD_CLI=OFF >/dev/null
cmake --build "$build"

targets=("$@")
if ((${#targets[@]} == 0)); then
  for exe in "$build"/fuzz/fuzz_*; do targets+=("$(basename "$exe" | sed 's/^fuzz_//')"); done
fi

for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  if [[ "$target" == store_selection ]]; then
    # Seeds: whole device databases, byte for byte.
    for f in "$build/samples/KorvoDEV.dbr" "$root/../shared/fixtures/jet4/KorvoDEV.dbr"; do
      [[ -f "$f" ]] && cp "$f" "$corpus/seed-$(basename "$(dirname "$f")")-$(basename "$f")"
    done
  else
    # Seeds: the project's samples and the shared real-world files, with CR LF line ends.
    for f in "$root"/samples/*/* "$root"/../shared/samples/realworld/*.{asc,awl,AWL} "$root"/fuzz/seeds/"$target"/*; do
      [[ -f "$f" ]] || continue
      sed 's/\r\{0,1\}$/\r/' "$f" > "$corpus/seed-$(basename "$f")" 2>/dev/null || true
    done
  fi
  dict=()
  [[ -f "$root/fuzz/$target.dict" ]] && dict=(-dict="$root/fuzz/$target.dict")
  echo "== fuzz_$target for ${seconds}s"
  artifacts="$build/artifacts/$target"
  mkdir -p "$artifacts"
  ASAN_OPTIONS=detect_leaks=1 "$build/fuzz/fuzz_$target" "$corpus" "${dict[@]}" -artifact_prefix="$artifacts/" \
    -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 2>&1 |
    grep -E 'stat::number_of_executed_units|ERROR|invariant|SUMMARY|Done' || true
  if compgen -G "$artifacts/*" >/dev/null; then
    echo "fuzz_$target found a failure: $(ls "$artifacts")" >&2
    exit 1
  fi
done
