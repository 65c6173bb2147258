#!/usr/bin/env bash
# Mutation check: applies each deliberate fault of a list (default tests/mutants.txt:
# name, file, perl substitution, tab-separated) in turn to a scratch tree, rebuilds its
# configured build folder and runs the plain suite there; prints "caught" or
# "NOT CAUGHT" per fault. The tree's file is restored after each fault.
#   tests/mutants.sh TREE BUILD [LIST [NAME...]]
set -uo pipefail
tree=$(realpath "$1") build=$(realpath "$2")
list=$(realpath "${3:-$(dirname "$0")/mutants.txt}")
shift $(($# < 3 ? $# : 3))
log=$build/mutants
mkdir -p "$log"
# The test programs load the library at run time: a fault in it needs no new links.
cmake -DCMAKE_LINK_DEPENDS_NO_SHARED=ON "$build" >/dev/null
while IFS=$'\t' read -r name file expression <&3; do  # the list on its own descriptor: no test can read it
  [[ -z $name || $name == \#* ]] && continue
  [[ $# -gt 0 && " $* " != *" $name "* ]] && continue
  cp "$tree/$file" "$log/original"
  perl -0pi -e "$expression" "$tree/$file"
  if cmp -s "$tree/$file" "$log/original"; then
    result="NOT APPLIED"
  elif ! cmake --build "$build" -j2 >"$log/$name.build" 2>&1; then
    result="does not build"
  elif ctest --test-dir "$build" -j2 --timeout 300 --stop-on-failure >"$log/$name.test" 2>&1; then
    result="NOT CAUGHT"
  else
    result="caught by $(grep -m1 -oP '(?<=\*\*\*Failed  |Failed  )\S+|\d+ - \S+ \(Failed\)' "$log/$name.test" | head -1)"
  fi
  cat "$log/original" >"$tree/$file"  # a new time stamp: the next build compiles it again
  echo "$name: $result"
done 3<"$list"
cmake --build "$build" -j2 >/dev/null 2>&1
