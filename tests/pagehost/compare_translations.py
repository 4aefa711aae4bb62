#!/usr/bin/env python3
"""Translates the general sentences through two running page hosts and lists where they differ.

    tests/pagehost/compare_translations.py BEFORE_PORT AFTER_PORT [sentences file]
"""
import json
import sys
import urllib.request
from pathlib import Path


def translate(port, direction, texts, per_request=5000):
    """In requests of at most per_request texts, below the host's limit per request."""
    translations = []
    for start in range(0, len(texts), per_request):
        body = json.dumps({"sl": direction[:2], "tl": direction[3:], "q": texts[start:start + per_request]}).encode()
        request = urllib.request.Request(f"http://127.0.0.1:{port}/api/translate", data=body,
                                         headers={"Content-Type": "application/json"})
        translations += json.load(urllib.request.urlopen(request, timeout=600))["translations"]
    return translations


def read_sentences(path):
    by_direction, direction = {}, None
    for line in Path(path).read_text(encoding="utf-8").splitlines():
        if not line or line.startswith("#"):
            continue
        if line in ("en-es", "es-en"):
            direction = line
            by_direction[direction] = []
        else:
            by_direction[direction].append(line)
    return by_direction


def main():
    before, after = sys.argv[1], sys.argv[2]
    path = sys.argv[3] if len(sys.argv) > 3 else Path(__file__).parent / "data" / "general_sentences.txt"
    total = changed = 0
    for direction, sentences in read_sentences(path).items():
        old, new = translate(before, direction, sentences), translate(after, direction, sentences)
        for source, a, b in zip(sentences, old, new):
            total += 1
            if a != b:
                changed += 1
                print(f"{direction}: {source}\n  before: {a}\n  after:  {b}")
    print(f"{changed} of {total} sentences translated differently")


if __name__ == "__main__":
    main()
