#!/usr/bin/python3
"""The peer's version of the engine benchmark: load a workbook with openpyxl, give every text
cell a new text, save it in place."""
import sys

import openpyxl

path = sys.argv[1]
book = openpyxl.load_workbook(path)
for sheet in book.worksheets:
    for row in sheet.iter_rows():
        for cell in row:
            if isinstance(cell.value, str) and not cell.value.startswith("="):
                cell.value = cell.value + " (es)"
book.save(path)
