#!/usr/bin/env bash
# Starts a page host on the vocabulary as it stands in pagehost/data, without building the whole
# project: the terminology base, senses, glossaries and label rules are compiled into DIR, beside
# a copy of the built veltrano-pagehost, which finds them there (share/ above its folder).
#
#   tools/vocabulary/tuning-host.sh DIR PORT &    # then tests/pagehost/score_labels.py PORT ...
#
# Problems in the data are printed as the build would print them. The host runs in the
# foreground until it is stopped (it also stops when the shell that started it ends).
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
dir=$1 port=$2
pair=${VELTRANO_APERTIUM_PAIR_DIR:-/usr/share/apertium/apertium-eng-spa}
data=$top/pagehost/data
share=$dir/share/veltrano-pagehost
mkdir -p "$dir/bin" "$share"
for mode in eng-spa spa-eng; do
  python3 "$data/build_vocabulary.py" --quick --mode "$mode" --pair "$pair" --data "$data" --out "$share" --work "$dir/work/$mode"
  python3 "$data/cg_case_forms.py" "$data/$mode.cg.rlx" "$dir/work/$mode/cg.rlx" "$dir/work/$mode/fields.rlx"
  cg-comp "$dir/work/$mode/cg.rlx" "$share/$mode.cg.bin" >/dev/null 2>&1 || cg-comp "$dir/work/$mode/cg.rlx" "$share/$mode.cg.bin"
  apertium-preprocess-transfer "$share/$mode.source.t1x" "$share/$mode.source.bin" >/dev/null
  cp "$data/$mode.target.t1x" "$share/"
  apertium-preprocess-transfer "$data/$mode.target.t1x" "$share/$mode.target.bin" >/dev/null
done
cp "$data/given-names.txt" "$share/"
cp "$top/build/bin/veltrano-pagehost" "$dir/bin/"
exec "$dir/bin/veltrano-pagehost" --port "$port" --jobs 1
