#!/usr/bin/python3
"""Builds texts.xlsx, a workbook with text outside its cells: a note, a threaded comment with the
note that mirrors it, a chart with titles and a series named by hand, a text box, and a page
header and footer with codes. openpyxl (Debian's python3-openpyxl) writes the workbook; the text
box and the threaded comment, which it cannot write, are added to its zip here as hand-written
parts. LibreOffice headless then saves texts.xls from it.

    /usr/bin/python3 tests/spreadsheet/data/make_texts.py
"""
import os
import shutil
import subprocess
import tempfile
import zipfile

from openpyxl import Workbook
from openpyxl.chart import BarChart, Reference, Series
from openpyxl.comments import Comment

HERE = os.path.dirname(os.path.abspath(__file__))

MIRROR = ("[Threaded comment]\n\nYour version of Excel allows you to read this threaded comment; however, "
          "any edits to it will get removed if the file is opened in a newer version of Excel.\n\n"
          "Comment:\n    Please check the price")

TEXT_BOX = (
    '<xdr:twoCellAnchor xmlns:xdr="http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing" '
    'xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main"><xdr:from><xdr:col>8</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>1</xdr:row>'
    '<xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:to><xdr:col>11</xdr:col><xdr:colOff>0</xdr:colOff>'
    '<xdr:row>5</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:to>'
    '<xdr:sp macro="" textlink=""><xdr:nvSpPr><xdr:cNvPr id="20" name="TextBox 1"/>'
    '<xdr:cNvSpPr txBox="1"/></xdr:nvSpPr><xdr:spPr><a:xfrm><a:off x="0" y="0"/><a:ext cx="1828800" cy="762000"/>'
    '</a:xfrm><a:prstGeom prst="rect"><a:avLst/></a:prstGeom></xdr:spPr>'
    '<xdr:txBody><a:bodyPr/><a:lstStyle/><a:p><a:r><a:rPr lang="en-US" b="1"/><a:t>Important:</a:t></a:r>'
    '<a:r><a:rPr lang="en-US"/><a:t> the prices include tax</a:t></a:r></a:p></xdr:txBody></xdr:sp>'
    '<xdr:clientData/></xdr:twoCellAnchor>')

THREADED = (
    '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
    '<ThreadedComments xmlns="http://schemas.microsoft.com/office/spreadsheetml/2018/threadedcomments" '
    'xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
    '<threadedComment ref="B2" dT="2024-03-01T10:00:00.00" personId="{5A1D0C1E-0000-4000-8000-000000000001}" '
    'id="{5A1D0C1E-0000-4000-8000-0000000000A1}"><text>Please check the price</text></threadedComment>'
    '</ThreadedComments>')

PERSONS = (
    '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
    '<personList xmlns="http://schemas.microsoft.com/office/spreadsheetml/2018/threadedcomments" '
    'xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
    '<person displayName="Ana Ruiz" id="{5A1D0C1E-0000-4000-8000-000000000001}" userId="Ana Ruiz" '
    'providerId="None"/></personList>')

THREADED_TYPE = "http://schemas.microsoft.com/office/2017/10/relationships/threadedComment"
PERSON_TYPE = "http://schemas.microsoft.com/office/2017/10/relationships/person"


def openpyxl_workbook(path):
    wb = Workbook()
    ws = wb.active
    ws.title = "Sales"
    ws.append(["Month", "Revenue", "Forecast"])
    for row in [("January", 120, 110), ("February", 135, 140), ("March", 150, 150)]:
        ws.append(row)
    ws["A1"].comment = Comment("Check the monthly total", "Ana Ruiz")
    ws["B2"].comment = Comment(MIRROR, "tc={5A1D0C1E-0000-4000-8000-0000000000A1}")
    ws.oddHeader.left.text = "Page &P of &N"
    ws.oddHeader.center.text = "Monthly sales report"
    ws.oddHeader.center.font = "Arial,Bold"
    ws.oddHeader.center.size = 12
    ws.oddFooter.right.text = "Profit && loss printed &D"
    chart = BarChart()
    chart.title = "Quarterly revenue"
    chart.x_axis.title = "Month"
    chart.y_axis.title = "Amount"
    chart.add_data(Reference(ws, min_col=2, min_row=1, max_row=4), titles_from_data=True)
    chart.series.append(Series(Reference(ws, min_col=3, min_row=2, max_row=4), title="Sales goal"))
    chart.set_categories(Reference(ws, min_col=1, min_row=2, max_row=4))
    ws.add_chart(chart, "E2")
    wb.save(path)


def add_parts(source, target):
    with zipfile.ZipFile(source) as zin, zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as zout:
        for item in zin.infolist():
            data = zin.read(item.filename).decode("utf-8")
            if item.filename == "xl/drawings/drawing1.xml":
                data = data.replace("</wsDr>", TEXT_BOX + "</wsDr>")
            elif item.filename == "xl/worksheets/_rels/sheet1.xml.rels":
                data = data.replace("</Relationships>", '<Relationship Id="rIdTc1" Type="%s" '
                                    'Target="../threadedComments/threadedComment1.xml"/></Relationships>'
                                    % THREADED_TYPE)
            elif item.filename == "xl/_rels/workbook.xml.rels":
                data = data.replace("</Relationships>", '<Relationship Id="rIdPs1" Type="%s" '
                                    'Target="persons/person.xml"/></Relationships>' % PERSON_TYPE)
            elif item.filename == "[Content_Types].xml":
                data = data.replace("</Types>",
                                    '<Override PartName="/xl/threadedComments/threadedComment1.xml" '
                                    'ContentType="application/vnd.ms-excel.threadedcomments+xml"/>'
                                    '<Override PartName="/xl/persons/person.xml" '
                                    'ContentType="application/vnd.ms-excel.person+xml"/></Types>')
            zout.writestr(item, data)
        zout.writestr("xl/threadedComments/threadedComment1.xml", THREADED)
        zout.writestr("xl/persons/person.xml", PERSONS)


def libreoffice_xls(source, target):
    with tempfile.TemporaryDirectory() as work:
        profile = "file://" + os.path.join(work, "profile")
        subprocess.run(["soffice", "-env:UserInstallation=" + profile, "--headless", "--convert-to",
                        "xls:MS Excel 97", "--outdir", work, source],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=180)
        shutil.copy(os.path.join(work, os.path.splitext(os.path.basename(source))[0] + ".xls"), target)


if __name__ == "__main__":
    with tempfile.TemporaryDirectory() as work:
        plain = os.path.join(work, "plain.xlsx")
        openpyxl_workbook(plain)
        add_parts(plain, os.path.join(HERE, "texts.xlsx"))
    libreoffice_xls(os.path.join(HERE, "texts.xlsx"), os.path.join(HERE, "texts.xls"))
