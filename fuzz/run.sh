#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for the given number of seconds
# (default 60), seeded from samples/, fuzz/seeds/<target>/ and, where present, ../shared.
# The corpus of each target is kept in build/fuzz/corpus/<target> and grows run by run.
#   fuzz/run.sh [seconds] [target...]
# Exits non-zero when a target finds a failure; its input is in build/fuzz/artifacts/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
build="$root/build/fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSARO_WERROR=ON \
  -DTESSARO_BUILD_FUZZ=ON -DTESSARO_BUILD_TESTS=OFF -DTESSARO_BUILD_CLI=OFF >/dev/null
cmake --build "$build" -j "${TESSARO_FUZZ_JOBS:-2}"

targets=("$@")
if ((${#targets[@]} == 0)); then
  for exe in "$build"/fuzz/fuzz_*; do targets+=("$(basename "$exe" | sed 's/^fuzz_//')"); done
fi

# A seed file with CR LF line ends (and CR LF lines left as they are).
crlf() { sed 's/\r\{0,1\}$/\r/' "$1"; }

status=0
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  case "$target" in
  store_selection)
    # Whole device databases, byte for byte.
    for f in "$build/samples/KorvoDEV.dbr" "$root/../shared/fixtures/jet4/KorvoDEV.dbr"; do
      [[ -f "$f" ]] && cp "$f" "$corpus/seed-$(basename "$(dirname "$f")")-$(basename "$f")"
    done ;;
  hive | regkeys) ;;
  sdf_rows | dif_rows)
    # The format's files of the corpus and the shared real-world exports.
    ext=${target%_rows}
    for f in "$root"/tests/corpus/*/*.{$ext,${ext^^}} "$root"/../shared/samples/realworld/*.$ext; do
      [[ -f "$f" ]] && crlf "$f" > "$corpus/seed-$(basename "$(dirname "$f")")-$(basename "$f")"
    done ;;
  *)
    # The project's samples and the shared real-world files.
    for f in "$root"/samples/*/* "$root"/../shared/samples/realworld/*.{asc,ASC,awl,AWL}; do
      [[ -f "$f" ]] && crlf "$f" > "$corpus/seed-$(basename "$f")"
    done ;;
  esac
  if [[ "$target" == data_block ]]; then
    # A symbol table and a data-block source in one input, "%%" between them.
    { crlf "$root/samples/plant/Plant.ASC"; printf '%%%%\r\n'; crlf "$root/samples/plant/Plant.AWL"; } \
      > "$corpus/seed-plant-both"
  fi
  for f in "$root"/fuzz/seeds/"$target"/*; do
    [[ -f "$f" ]] && cp "$f" "$corpus/seed-$(basename "$f")"
  done
  dict=()
  [[ -f "$root/fuzz/$target.dict" ]] && dict=(-dict="$root/fuzz/$target.dict")
  artifacts="$build/artifacts/$target"
  mkdir -p "$artifacts"
  # Whole files are kept small so that mutations stay quick; the line reader gets inputs
  # longer than its 64 KiB buffer so that lines and CR LF pairs cross its edge.
  max_len=16384
  [[ "$target" == line_reader ]] && max_len=140000
  log="$build/fuzz_$target.log"
  echo "== fuzz_$target for ${seconds}s"
  rc=0
  ASAN_OPTIONS=detect_leaks=1 "$build/fuzz/fuzz_$target" "$corpus" "${dict[@]}" -artifact_prefix="$artifacts/" \
    -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 >"$log" 2>&1 || rc=$?
  grep -E 'stat::number_of_executed_units|invariant broken|ERROR|SUMMARY' "$log" || true
  if ((rc != 0)) || compgen -G "$artifacts/*" >/dev/null; then
    echo "fuzz_$target found a failure (exit $rc): $(ls "$artifacts"); log: $log" >&2
    tail -40 "$log" >&2
    status=1
  fi
done
exit $status
