#!/usr/bin/env bash
# veltrano-batch against `apertium -f xlsx eng-spa` on engine_bench's workbook, in the same run,
# rounds alternating so that both meet the same machine load. Each is timed as a whole process
# tree by GNU time: wall seconds, CPU seconds (user + system, children included) and the largest
# resident memory of one process.
#   bench/batch_bench.sh [ROWS] [ROUNDS]        (default 20000 rows, 3 rounds)
set -euo pipefail
rows=${1:-20000}
rounds=${2:-3}
bin=$(cd "$(dirname "$0")/../build/bin" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/veltrano-batch-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_CACHE_HOME="$work/cache"

"$bin/engine_bench" --generate "$rows" "$work/pristine.xlsx" >/dev/null
cells=$("$bin/xlcell" dump "$work/pristine.xlsx" | awk -F'\t' '$3 == "text"' | wc -l)
distinct=$("$bin/xlcell" dump "$work/pristine.xlsx" | awk -F'\t' '$3 == "text" { print $5 }' | sort -u | wc -l)
echo "$rows rows: $cells text cells, $distinct distinct texts; $(nproc) cores; load $(cut -d' ' -f1-3 /proc/loadavg)"

measure() { # name, command...
  local name=$1; shift
  cp "$work/pristine.xlsx" "$work/book.xlsx"
  /usr/bin/time -f "$name %e %U %S %M" -o "$work/time" "$@" >/dev/null 2>"$work/err" || { cat "$work/err"; exit 1; }
  awk '{ printf "%-16s %7.2f s wall %7.2f s CPU %6.0f MB\n", $1, $2, $3 + $4, $5 / 1024 }' "$work/time"
  cat "$work/time" >> "$work/all"
}

for ((round = 1; round <= rounds; round++)); do
  measure apertium apertium -f xlsx eng-spa "$work/book.xlsx" "$work/apertium-out.xlsx"
  rm -f "$XDG_CACHE_HOME/veltrano/translations.sqlite"*
  measure batch-cold "$bin/veltrano-batch" --no-backup "$work/book.xlsx"
  measure batch-warm "$bin/veltrano-batch" --no-backup "$work/book.xlsx"
  measure batch-no-memory "$bin/veltrano-batch" --no-backup --no-memory "$work/book.xlsx"
done

untranslated=$("$bin/xlcell" dump "$work/apertium-out.xlsx" | awk -F'\t' '$3 == "text"' | sort > "$work/a"; \
  "$bin/xlcell" dump "$work/pristine.xlsx" | awk -F'\t' '$3 == "text"' | sort > "$work/p"; comm -12 "$work/a" "$work/p" | wc -l)
echo "text cells apertium -f xlsx left as they were: $untranslated"
echo "medians:"
for name in apertium batch-no-memory batch-cold batch-warm; do
  awk -v n=$name '$1 == n { print $2 }' "$work/all" | sort -g | awk -v n=$name '{ v[NR] = $1 } END { printf "  %-16s %7.2f s\n", n, v[int((NR + 1) / 2)] }'
done
