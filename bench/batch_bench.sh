#!/usr/bin/env bash
# veltrano-batch against `apertium -f xlsx eng-spa` on two engine_bench workbooks, in the same
# run, rounds alternating so that all meet the same machine load: the templated one (texts that
# differ mostly in numbers, which number templates join) and the varied one (free-text
# descriptions, nearly all distinct). Each is timed as a whole process tree by GNU time: wall
# seconds, CPU seconds (user + system, children included) and the largest resident memory of
# one process; then the medians of wall and CPU.
#   bench/batch_bench.sh [ROWS] [ROUNDS]            (default 20000 rows, 3 rounds)
#   bench/batch_bench.sh --scaling [ROWS] [ROUNDS]  apertium and --no-memory under taskset -c 0 and -c 0,1
# With VELTRANO_BENCH_BEFORE=DIR (a bin/ folder of an earlier build, its share/ beside it), that
# build's --no-memory run joins the rounds too, with VELTRANO_BENCH_BEFORE_ARGS added.
set -euo pipefail
scaling=false
if [[ ${1:-} == --scaling ]]; then
  scaling=true
  shift
fi
rows=${1:-20000}
rounds=${2:-3}
bin=$(cd "$(dirname "$0")/../build/bin" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/veltrano-batch-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_CACHE_HOME="$work/cache"
cores=$(nproc)

"$bin/engine_bench" --generate "$rows" "$work/templated.xlsx" >/dev/null
"$bin/engine_bench" --generate-varied "$work/varied.xlsx" "$rows" >/dev/null
for book in templated varied; do
  "$bin/xlcell" dump "$work/$book.xlsx" | awk -F'\t' '$3 == "text" { print $5 }' > "$work/$book.texts"
  echo "$book: $rows rows, $(wc -l < "$work/$book.texts") text cells, $(sort -u "$work/$book.texts" | wc -l) distinct" \
    "texts, $(sort -u "$work/$book.texts" | wc -w) words in the distinct texts"
done
echo "$cores usable cores; load $(cut -d' ' -f1-3 /proc/loadavg)"

measure() { # book, name, command...
  local book=$1 name=$2; shift 2
  cp "$work/$book.xlsx" "$work/book.xlsx"
  /usr/bin/time -f "$book $name %e %U %S %M" -o "$work/time" "$@" >/dev/null 2>"$work/err" || { cat "$work/err"; exit 1; }
  awk '{ printf "%-10s %-22s %7.2f s wall %7.2f s CPU %6.0f MB\n", $1, $2, $3, $4 + $5, $6 / 1024 }' "$work/time"
  cat "$work/time" >> "$work/all"
}

batch() { # book, name, arguments... (the memory is emptied first unless the name says warm)
  local book=$1 name=$2; shift 2
  [[ $name == *warm* ]] || rm -f "$XDG_CACHE_HOME/veltrano/translations.sqlite"*
  measure "$book" "$name" "${pin[@]}" "$bin/veltrano-batch" --no-backup "$@" "$work/book.xlsx"
}

for ((round = 1; round <= rounds; round++)); do
  for book in templated varied; do
    if $scaling; then
      for cpus in 0 0,1; do
        pin=(taskset -c "$cpus")
        measure "$book" "apertium@$cpus" "${pin[@]}" apertium -f xlsx eng-spa "$work/book.xlsx" "$work/apertium-out.xlsx"
        batch "$book" "batch-no-memory@$cpus" --no-memory
      done
      continue
    fi
    pin=()
    measure "$book" apertium apertium -f xlsx eng-spa "$work/book.xlsx" "$work/apertium-out.xlsx"
    batch "$book" batch-no-memory --no-memory
    batch "$book" batch-jobs-1 --no-memory --jobs 1
    # One pipeline per core, the default before the pool was sized by what a pipeline uses.
    ((cores > 1)) && batch "$book" "batch-jobs-$cores" --no-memory --jobs "$cores"
    if [[ -n ${VELTRANO_BENCH_BEFORE:-} ]]; then
      rm -f "$XDG_CACHE_HOME/veltrano/translations.sqlite"*
      # shellcheck disable=SC2086
      measure "$book" before-no-memory "$VELTRANO_BENCH_BEFORE/veltrano-batch" --no-backup --no-memory \
        ${VELTRANO_BENCH_BEFORE_ARGS:-} "$work/book.xlsx"
    fi
    batch "$book" batch-cold
    batch "$book" batch-warm
  done
done
echo "load at the end $(cut -d' ' -f1-3 /proc/loadavg)"

echo "medians of $rounds (wall, CPU):"
awk '{ print $1, $2 }' "$work/all" | awk '!seen[$0]++' | while read -r book name; do
  awk -v b="$book" -v n="$name" '$1 == b && $2 == n { print $3, $4 + $5 }' "$work/all" > "$work/runs"
  wall=$(cut -d' ' -f1 "$work/runs" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
  cpu=$(cut -d' ' -f2 "$work/runs" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
  printf "  %-10s %-22s %7.2f s wall %7.2f s CPU\n" "$book" "$name" "$wall" "$cpu"
done
