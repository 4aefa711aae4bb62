#!/usr/bin/python3
"""Writes seed inputs for package_loader_fuzz: each given .xlsx as is, and as the "#part"
text form that the fuzzer zips itself.

    /usr/bin/python3 fuzz/make_corpus.py OUT_DIR tests/spreadsheet/data/*.xlsx
"""
import os
import shutil
import sys
import zipfile

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
for path in sys.argv[2:]:
    base = os.path.basename(path)
    shutil.copy(path, os.path.join(out, base))
    with zipfile.ZipFile(path) as z, open(os.path.join(out, base + ".parts"), "wb") as parts:
        for info in z.infolist():
            parts.write(b"#part " + info.filename.encode() + b"\n" + z.read(info) + b"\n")
