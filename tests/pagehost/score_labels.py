#!/usr/bin/env python3
"""Scores a page host's translations of the label lists: the share of labels that come out as one
of their accepted translations, by field and in all, for each direction.

    tests/pagehost/score_labels.py PORT LIST.tsv [LIST.tsv ...] [--misses] [--field NAME] [--by-field]
    tests/pagehost/score_labels.py PORT LIST.tsv [LIST.tsv ...] --as-target


A list is named SET.SL-TL.tsv (dev.en-es.tsv) and holds lines "field<TAB>source<TAB>accepted|
accepted|..."; a translation is compared with the accepted ones without regard to letter case or
surrounding spaces. --misses prints each label that missed with what the host gave: use it on the
development lists only, never on the held-out ones, which measure what the tuning did not see.
--by-field sends each field's labels as a request of their own, as a workbook of that field would
be sent, and prints the field the host took them for; otherwise all go in one request.
--as-target sends each label the other way, as text already in the target language that a
workbook in both languages holds, and counts those that come back changed.
"""
import argparse
import re
import json
import sys
import time
import urllib.error
import urllib.request
from collections import defaultdict
from pathlib import Path


def answer(port, source, target, texts):
    body = json.dumps({"sl": source, "tl": target, "q": texts}).encode()
    request = urllib.request.Request(f"http://127.0.0.1:{port}/api/translate", data=body,
                                     headers={"Content-Type": "application/json"})
    for attempt in range(60):  # a host just started may not listen yet
        try:
            return json.load(urllib.request.urlopen(request, timeout=600))
        except urllib.error.URLError as error:
            if attempt == 59 or not isinstance(error.reason, ConnectionRefusedError):
                raise
            time.sleep(0.5)


def translate(port, source, target, texts):
    return answer(port, source, target, texts)["translations"]


def fold(text):
    return " ".join(text.split()).casefold()


def read_list(path):
    rows = []
    for number, line in enumerate(Path(path).read_text(encoding="utf-8").splitlines(), start=1):
        if not line or line.startswith("#"):
            continue
        field, source, accepted = line.split("\t")
        rows.append((field, source, accepted.split("|")))
    return rows


def direction_of(path):
    """The languages a list's name gives, as in dev.en-es.tsv or a.en-es.check.tsv."""
    for part in reversed(Path(path).name.split(".")):
        if re.fullmatch(r"[a-z]{2}-[a-z]{2}", part):
            return part.split("-")
    raise SystemExit(f"{path}: no direction (such as en-es) in the name")


def translations_by_field(port, source, target, rows):
    """Each field's labels as one request; the field the host took each for, by field."""
    translations, taken = [None] * len(rows), {}
    for field in sorted({r[0] for r in rows}):
        indexes = [i for i, r in enumerate(rows) if r[0] == field]
        answered = answer(port, source, target, [rows[i][1] for i in indexes])
        taken[field] = answered.get("field", "")
        for i, translation in zip(indexes, answered["translations"]):
            translations[i] = translation
    return translations, taken


def score(port, path, show_misses, only_field, by_field=False):
    source, target = direction_of(path)
    rows = [r for r in read_list(path) if not only_field or r[0] == only_field]
    if by_field:
        translations, taken = translations_by_field(port, source, target, rows)
    else:
        translations, taken = translate(port, source, target, [r[1] for r in rows]), {}
    hits, totals = defaultdict(int), defaultdict(int)
    for (field, text, accepted), translation in zip(rows, translations):
        totals[field] += 1
        if fold(translation) in {fold(a) for a in accepted}:
            hits[field] += 1
        elif show_misses:
            print(f"MISS\t{field}\t{text}\t{translation}\t{'|'.join(accepted)}")
    print(f"{Path(path).name}: {sum(hits.values())}/{len(rows)} = {100 * sum(hits.values()) / max(len(rows), 1):.1f}%")
    for field in sorted(totals):
        print(f"  {field:28} {hits[field]:4}/{totals[field]:<4} {100 * hits[field] / totals[field]:5.1f}%"
              + (f"   taken for: {taken[field] or '(none)'}" if by_field else ""))
    return sum(hits.values()), len(rows)


def score_as_target(port, path):
    source, target = direction_of(path)
    texts = [r[1] for r in read_list(path)]
    changed = [(t, u) for t, u in zip(texts, translate(port, target, source, texts)) if fold(t) != fold(u)]
    print(f"{Path(path).name} sent {target}-{source}: {len(changed)}/{len(texts)} changed")
    for text, translation in changed:
        print(f"CHANGED\t{text}\t{translation}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("port")
    parser.add_argument("lists", nargs="+")
    parser.add_argument("--misses", action="store_true")
    parser.add_argument("--field")
    parser.add_argument("--by-field", action="store_true")
    parser.add_argument("--as-target", action="store_true")
    args = parser.parse_args()
    for path in args.lists:
        if args.as_target:
            score_as_target(args.port, path)
        else:
            score(args.port, path, args.misses, args.field, args.by_field)


if __name__ == "__main__":
    sys.exit(main())
