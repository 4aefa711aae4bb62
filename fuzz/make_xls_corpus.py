#!/usr/bin/python3
"""Writes seed inputs for xls_loader_fuzz: the workbook stream of each given .xls, which the
fuzzer puts into a compound file itself, and each file as it is.

    /usr/bin/python3 fuzz/make_xls_corpus.py OUT_DIR tests/spreadsheet/data/*.xls
"""
import os
import shutil
import struct
import sys


def workbook_stream(data):
    """The "Workbook" stream of a compound file (regular sectors only), or None."""
    if data[:8] != b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1":
        return None
    sector = 1 << struct.unpack_from("<H", data, 0x1E)[0]
    cutoff = struct.unpack_from("<I", data, 0x38)[0]
    difat = [s for s in struct.unpack_from("<109I", data, 0x4C) if s < 0xFFFFFFFA]
    fat = []
    for s in difat:
        fat += struct.unpack_from("<%dI" % (sector // 4), data, (s + 1) * sector)

    def chain(start, limit):
        out, s = b"", start
        while s < len(fat) and len(out) < limit:
            out += data[(s + 1) * sector:(s + 2) * sector]
            s = fat[s]
        return out[:limit]

    directory = chain(struct.unpack_from("<I", data, 0x30)[0], len(data))
    for at in range(0, len(directory) - 127, 128):
        length = struct.unpack_from("<H", directory, at + 0x40)[0]
        name = directory[at:at + max(length - 2, 0)].decode("utf-16-le", "replace")
        start, size = struct.unpack_from("<II", directory, at + 0x74)
        if name == "Workbook" and size >= cutoff:
            return chain(start, size)
    return None


out = sys.argv[1]
os.makedirs(out, exist_ok=True)
for path in sys.argv[2:]:
    base = os.path.basename(path)
    shutil.copy(path, os.path.join(out, base))
    with open(path, "rb") as f:
        stream = workbook_stream(f.read())
    if stream:
        with open(os.path.join(out, base + ".stream"), "wb") as f:
            f.write(stream)
