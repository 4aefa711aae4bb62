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
from openpyxl.styles import Font, PatternFill
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


def libreoffice_copy(source, target):
    with tempfile.TemporaryDirectory() as work:
        profile = "file://" + os.path.join(work, "profile")
        subprocess.run(["soffice", "-env:UserInstallation=" + profile, "--headless", "--convert-to",
                        "xlsx:Calc MS Excel 2007 XML", "--outdir", work, source],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=180)
        shutil.copy(os.path.join(work, os.path.basename(source)), target)


if __name__ == "__main__":
    features = os.path.join(HERE, "openpyxl_features.xlsx")
    features_workbook(features)
    libreoffice_copy(features, os.path.join(HERE, "libreoffice_features.xlsx"))
