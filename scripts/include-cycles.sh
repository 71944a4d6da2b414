#!/usr/bin/env bash
# Prints the folder-level include graph of the program's own sources and the
# cycles in it: an edge A -> B when a file in folder A includes "B/...".
# Exits 1 when there is a cycle, so that a layer climbing back up is noticed.
#   scripts/include-cycles.sh [--edges]
set -euo pipefail
cd "$(dirname "$0")/.."

# Tests, benchmarks, fuzzers and the install helpers sit above everything and
# are left out: they may include any layer.
edges=$(git ls-files '*.cpp' '*.h' | grep -Ev '^(tests|bench|fuzz|dist)/' | while read -r file; do
  from=$(dirname "$file")
  sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file" | while read -r target; do
    [[ $target == */* ]] || continue
    to=$(dirname "$target")
    [ "$from" != "$to" ] && echo "$from $to"
  done
done | sort -u)

[ "${1:-}" = "--edges" ] && echo "$edges" | sed 's/ / -> /'

# A cycle exists between A and B when each reaches the other; print each
# strongly connected group of folders once.
echo "$edges" | awk '
  { out[$1] = out[$1] " " $2; nodes[$1]; nodes[$2] }
  function reach(from, to,    seen, queue, head, tail, n, i, parts, next_) {
    head = 0; tail = 0; queue[tail++] = from; seen[from] = 1
    while (head < tail) {
      n = split(out[queue[head++]], parts, " ")
      for (i = 1; i <= n; i++) {
        next_ = parts[i]
        if (next_ == to) return 1
        if (!(next_ in seen)) { seen[next_] = 1; queue[tail++] = next_ }
      }
    }
    return 0
  }
  END {
    found = 0
    for (a in nodes) {
      if (a in done) continue
      group = a
      for (b in nodes)
        if (b != a && !(b in done) && reach(a, b) && reach(b, a)) { group = group " <-> " b; done[b] = 1 }
      done[a] = 1
      if (group != a) { print "cycle: " group; found = 1 }
    }
    if (!found) print "no cycles"
    exit found
  }'
