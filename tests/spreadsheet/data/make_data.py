#!/usr/bin/python3
"""Builds the committed test workbooks with openpyxl (Debian's python3-openpyxl), then lets
LibreOffice headless save a copy of the first, so the tests see both writers' output.

    /usr/bin/python3 tests/spreadsheet/data/make_data.py
"""
import datetime
import os
import shutil
import subprocess
import tempfile

from openpyxl import Workbook
from openpyxl.chart import BarChart, Reference
from openpyxl.comments import Comment
from openpyxl.formatting.rule import CellIsRule
from openpyxl.styles import Font, PatternFill, Protection
from openpyxl.worksheet.datavalidation import DataValidation
from openpyxl.worksheet.table import Table, TableStyleInfo

HERE = os.path.dirname(os.path.abspath(__file__))


def features_workbook(path):
    wb = Workbook()
    ws = wb.active
    ws.title = "Datos"
    ws.append(["Product", "Amount", "Date", "Note"])
    rows = [("Red apples", 1234.5, datetime.date(2024, 3, 1), "Fresh from the farm"),
            ("Green pears", 99.25, datetime.date(2024, 3, 2), "  padded  "),
            ("Dark plums", 7, datetime.date(2024, 3, 3), "two\nlines")]
    for row in rows:
        ws.append(row)
    for r in range(2, 5):
        ws.cell(r, 2).number_format = "#,##0.00"
        ws.cell(r, 3).number_format = "m/d/yyyy"
    ws["A1"].font = Font(bold=True)
    ws["B6"] = "=SUM(B2:B4)"
    ws["A6"] = "Total"
    ws["A8"] = "Merged heading"
    ws.merge_cells("A8:C8")
    ws["A9"] = "Visit the site"
    ws["A9"].hyperlink = "https://example.invalid/"
    ws["D9"] = "Has a note"
    ws["D9"].comment = Comment("A note on the cell", "Tester")
    ws["F1"] = "Status"
    ws["F2"] = "Yes"
    dv = DataValidation(type="list", formula1='"Yes,No"', allow_blank=True)
    ws.add_data_validation(dv)
    dv.add("F2:F4")
    ws.conditional_formatting.add("B2:B4", CellIsRule(operator="greaterThan", formula=["100"],
                                                        fill=PatternFill("solid", start_color="FFFF00")))
    ws.freeze_panes = "A2"

    other = wb.create_sheet("Tabla")
    other.append(["Name", "Team", "Score"])
    for row in [("Ana", "Blue", 10), ("Luis", "Red", 12), ("Marta", "Blue", 9)]:
        other.append(row)
    table = Table(displayName="Scores", ref="A1:C4")
    table.tableStyleInfo = TableStyleInfo(name="TableStyleMedium9", showRowStripes=True)
    other.add_table(table)
    chart = BarChart()
    chart.add_data(Reference(other, min_col=3, min_row=1, max_row=4), titles_from_data=True)
    other.add_chart(chart, "E2")
    wb.create_sheet("Empty")
    wb.save(path)


def legacy_workbook(path):
    """What the real .xls files lack: a shared string table longer than one record (strings
    cross CONTINUE records, some in 16-bit characters), a protected sheet, an array formula."""
    wb = Workbook()
    ws = wb.active
    ws.title = "Long"
    for i in range(1, 2001):
        ws.cell(row=i, column=1, value="Row text number %d of the long table" % i)
        ws.cell(row=i, column=2, value="Fila %d: año, niño, 東京" % i if i % 7 == 0 else i)
    locked = wb.create_sheet("Locked")
    locked["A1"] = "Locked text"
    locked["B1"] = "Open text"
    locked["B1"].protection = Protection(locked=False)
    locked.protection.sheet = True
    array = wb.create_sheet("Array")
    for row in range(1, 4):
        array.cell(row=row, column=2, value=row)
    array["A1"] = "=B1:B3*2"
    array.formula_attributes["A1"] = {"t": "array", "ref": "A1:A3"}
    array["C1"] = "Plain text"
    wb.save(path)


def libreoffice_copy(source, target, filter_name="xlsx:Calc MS Excel 2007 XML"):
    with tempfile.TemporaryDirectory() as work:
        profile = "file://" + os.path.join(work, "profile")
        subprocess.run(["soffice", "-env:UserInstallation=" + profile, "--headless", "--convert-to",
                        filter_name, "--outdir", work, source],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=180)
        made = os.path.splitext(os.path.basename(source))[0] + os.path.splitext(target)[1]
        shutil.copy(os.path.join(work, made), target)


if __name__ == "__main__":
    features = os.path.join(HERE, "openpyxl_features.xlsx")
    features_workbook(features)
    libreoffice_copy(features, os.path.join(HERE, "libreoffice_features.xlsx"))
    with tempfile.TemporaryDirectory() as work:
        legacy = os.path.join(work, "legacy.xlsx")
        legacy_workbook(legacy)
        libreoffice_copy(legacy, os.path.join(HERE, "libreoffice_legacy.xls"), "xls:MS Excel 97")
