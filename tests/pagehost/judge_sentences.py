#!/usr/bin/env python3
"""Puts the note-style sentences before a judge, blind: each sentence with two translations, the
page host's and Apertium's alone, in an order drawn at random, to be scored 0, 1 or 2.

    tests/pagehost/judge_sentences.py prepare PORT BLIND.tsv KEY.tsv
    tests/pagehost/judge_sentences.py tally BLIND.tsv KEY.tsv SCORES.tsv

prepare writes BLIND.tsv (id, direction, sentence, A, B, score A, score B: the last two empty,
for the judge) and KEY.tsv (id, which of A and B is the page host's). tally reads the judged
file and the key and writes SCORES.tsv (direction, field, sentence, Apertium, page host, their
scores), then prints the mean score of each side by direction and the sentences where the page
host scored lower. Scores: 2 correct and natural, 1 understandable with errors, 0 wrong,
misleading or unusable.
"""
import json
import random
import subprocess
import sys
import urllib.request
from pathlib import Path

SENTENCES = Path(__file__).parent / "data" / "labels" / "sentences.tsv"
MODES = {"en-es": "eng-spa", "es-en": "spa-eng"}


def host_translations(port, direction, texts):
    body = json.dumps({"sl": direction[:2], "tl": direction[3:], "q": texts}).encode()
    request = urllib.request.Request(f"http://127.0.0.1:{port}/api/translate", data=body,
                                     headers={"Content-Type": "application/json"})
    return json.load(urllib.request.urlopen(request, timeout=600))["translations"]


def apertium_alone(direction, text):
    # -u: unknown words unmarked, as the page host leaves them.
    run = subprocess.run(["apertium", "-u", MODES[direction]], input=text.encode(), capture_output=True, check=True)
    return run.stdout.decode().strip()


def read_sentences():
    rows = []
    for line in SENTENCES.read_text(encoding="utf-8").splitlines():
        direction, field, sentence = line.split("\t")
        rows.append((direction, field, sentence))
    return rows


def prepare(port, blind_path, key_path):
    rows = read_sentences()
    ours = {}
    for direction in MODES:
        texts = [s for d, _, s in rows if d == direction]
        ours.update({(direction, t): o for t, o in zip(texts, host_translations(port, direction, texts))})
    chooser = random.Random(20261207)
    blind, key = [], []
    for number, (direction, field, sentence) in enumerate(rows, start=1):
        pair = [("host", ours[(direction, sentence)]), ("apertium", apertium_alone(direction, sentence))]
        chooser.shuffle(pair)
        blind.append(f"{number}\t{direction}\t{sentence}\t{pair[0][1]}\t{pair[1][1]}\t\t")
        key.append(f"{number}\t{'A' if pair[0][0] == 'host' else 'B'}\t{field}")
    Path(blind_path).write_text("\n".join(blind) + "\n", encoding="utf-8")
    Path(key_path).write_text("\n".join(key) + "\n", encoding="utf-8")


def tally(blind_path, key_path, scores_path):
    key = {}
    for line in Path(key_path).read_text(encoding="utf-8").splitlines():
        number, host_side, field = line.split("\t")
        key[number] = (host_side, field)
    out, totals, worse = [], {}, []
    for line in Path(blind_path).read_text(encoding="utf-8").splitlines():
        number, direction, sentence, a, b, score_a, score_b = line.split("\t")
        host_side, field = key[number]
        host, apertium = (a, b) if host_side == "A" else (b, a)
        host_score, apertium_score = (int(score_a), int(score_b)) if host_side == "A" else (int(score_b), int(score_a))
        out.append(f"{direction}\t{field}\t{sentence}\t{apertium}\t{host}\t{apertium_score}\t{host_score}")
        sums = totals.setdefault(direction, [0, 0, 0])
        sums[0] += apertium_score
        sums[1] += host_score
        sums[2] += 1
        if host_score < apertium_score:
            worse.append(f"{direction}: {sentence}\n  apertium ({apertium_score}): {apertium}\n  host ({host_score}): {host}")
    header = "direction\tfield\tsentence\tapertium alone\tpage host\tscore apertium\tscore page host"
    Path(scores_path).write_text(header + "\n" + "\n".join(out) + "\n", encoding="utf-8")
    for direction, (apertium_sum, host_sum, count) in sorted(totals.items()):
        print(f"{direction}: {count} sentences, mean score Apertium alone {apertium_sum / count:.2f}, "
              f"page host {host_sum / count:.2f}")
    print(f"{len(worse)} sentences scored lower than Apertium alone")
    for line in worse:
        print(line)


def main():
    if len(sys.argv) == 5 and sys.argv[1] == "prepare":
        prepare(*sys.argv[2:])
    elif len(sys.argv) == 5 and sys.argv[1] == "tally":
        tally(*sys.argv[2:])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
