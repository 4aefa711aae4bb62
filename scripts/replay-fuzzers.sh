#!/usr/bin/env bash
# Builds the fuzz preset's libFuzzer entry points into build-fuzz/, replays the seed inputs made
# from the engine's test workbooks through each, then gives each a short bounded run of new
# inputs. A crash, leak, undefined behaviour or timeout exits non-zero with libFuzzer's report.
# Usage: scripts/replay-fuzzers.sh [SECONDS per fuzzer, default 20]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"${VELTRANO_JOBS:-2}"

bin=build-fuzz/bin
corpus=build-fuzz/corpus
# Leaks inside the compound-file library on damaged input are not ours (fuzz/lsan.supp); the
# full stack of each allocation is what lets the suppression see that library in it.
export LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export ASAN_OPTIONS="fast_unwind_on_malloc=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
rm -rf "$corpus"
mkdir -p "$corpus"/{package,xls,numfmt,cell,new-package,new-xls,new-numfmt,new-cell}
python3 fuzz/make_corpus.py "$corpus/package" tests/spreadsheet/data/*.xlsx
python3 fuzz/make_xls_corpus.py "$corpus/xls" tests/spreadsheet/data/*.xls tests/spreadsheet/data/xls/*.xls
# Every format code of the renderer's tables, one a file.
cut -f1 tests/spreadsheet/numfmt/data/cases*.tsv | sort -u | split -l 1 - "$corpus/numfmt/code-"
# Cells' texts: a sample of the development labels in both languages, one a file.
grep -hv '^#' tests/pagehost/data/labels/dev.*.tsv | cut -f2 | awk 'NR % 8 == 1' | split -l 1 - "$corpus/cell/label-"

# fuzz NAME SEED_DIR OPTIONS...: the seeds once each (-runs=0), then a bounded run whose new
# inputs go to a scratch folder, never into the seeds.
fuzz() {
  local name=$1 seeds=$2
  shift 2
  echo "-- $name: replaying $(find "$corpus/$seeds" -type f | wc -l) seeds"
  "$bin/$name" -runs=0 -timeout=10 "$@" "$corpus/$seeds" 2>"$corpus/$name.replay.log" ||
    { cat "$corpus/$name.replay.log" >&2; return 1; }
  echo "-- $name: ${seconds} s of new inputs"
  "$bin/$name" -max_total_time="$seconds" -timeout=10 "$@" "$corpus/new-$seeds" "$corpus/$seeds" \
    2>"$corpus/$name.run.log" || { tail -n 60 "$corpus/$name.run.log" >&2; return 1; }
  grep -E '^Done|^#[0-9]+.*DONE' "$corpus/$name.run.log" | tail -n 1 || true
}
fuzz numfmt_parser_fuzz numfmt -dict=fuzz/numfmt.dict -max_len=512
fuzz package_loader_fuzz package -max_len=40000
fuzz xls_loader_fuzz xls -max_len=300000
fuzz cell_text_fuzz cell -max_len=400
