#!/usr/bin/env python3
"""Writes OpenDocument spreadsheets with odfpy, independent of our reader:
text with spaces, tabs and line breaks, numbers, a formula with its value,
booleans, dates, times, repeated cells and rows, a covered (merged) cell, a
comment, a second table; and one whose null date is 1904-01-01."""
import sys

from odf.office import Annotation
from odf.opendocument import OpenDocumentSpreadsheet
from odf.table import CalculationSettings, CoveredTableCell, NullDate, Table, TableCell, TableRow
from odf.text import LineBreak, P, S, Tab

folder = sys.argv[1]


def cell(kind=None, text=None, repeat=None, **values):
    args = {}
    if kind:
        args["valuetype"] = kind
    if repeat:
        args["numbercolumnsrepeated"] = repeat
    args.update(values)
    c = TableCell(**args)
    if text is not None:
        c.addElement(P(text=text))
    return c


def row(cells, repeat=None):
    r = TableRow(numberrowsrepeated=repeat) if repeat else TableRow()
    for c in cells:
        r.addElement(c)
    return r


doc = OpenDocumentSpreadsheet()
table = Table(name="名单")
table.addElement(row([cell("string", "一厂"), cell("string", "财务部"), cell("string", "张三"), cell("float", "0012", value="12")]))
spaced = cell("string")
p = P(text="a")
p.addElement(S(c=3))
p.addText("b")
p.addElement(Tab())
p.addText("c")
p.addElement(LineBreak())
p.addText("d")
spaced.addElement(p)
note = Annotation()
note.addElement(P(text="批注"))
commented = cell("string", "李四")
commented.insertBefore(note, commented.firstChild)
table.addElement(row([cell("string", "一厂"), spaced, commented, cell("float", "1001.5", value="1001.5", formula="of:=1001+0.5")]))
table.addElement(row([cell("boolean", "TRUE", booleanvalue="true"), cell("date", "2020-01-02", datevalue="2020-01-02T12:00:00"),
                      cell("time", "18:00", timevalue="PT18H00M00S"), cell("percentage", "5%", value="0.05")]))
table.addElement(row([cell("string", "重复", repeat="2"), CoveredTableCell(), cell("float", "1e20", value="1e20")], repeat="2"))
table.addElement(row([cell("string", "二段"), cell(None, "#DIV/0!", formula="of:=1/0"), cell("string", "x", stringvalue="y")]))
table.addElement(row([cell()]))
table.addElement(row([cell("string", "空行之后")]))
doc.spreadsheet.addElement(table)
second = Table(name="第二页")
second.addElement(row([cell("string", "不是名单")]))
doc.spreadsheet.addElement(second)
doc.save(folder + "/odfpy_mixed.ods")

doc = OpenDocumentSpreadsheet()
settings = CalculationSettings()
settings.addElement(NullDate(datevalue="1904-01-01"))
doc.spreadsheet.addElement(settings)
table = Table(name="1904")
table.addElement(row([cell("date", "1904-01-02", datevalue="1904-01-02")]))
doc.spreadsheet.addElement(table)
doc.save(folder + "/odfpy_1904.ods")

# The same document as a password-protected one describes itself: its parts
# are listed with their encryption in the manifest.
import zipfile

with zipfile.ZipFile(folder + "/odfpy_mixed.ods") as z:
    parts = {name: z.read(name) for name in z.namelist()}
manifest = parts["META-INF/manifest.xml"].decode().replace(
    'manifest:media-type="text/xml"/>',
    'manifest:media-type="text/xml"><manifest:encryption-data manifest:checksum-type="SHA1/1K" '
    'manifest:checksum="AAAA"><manifest:algorithm manifest:algorithm-name="Blowfish CFB" '
    'manifest:initialisation-vector="AAAA"/></manifest:encryption-data></manifest:file-entry>', 1)
with zipfile.ZipFile(folder + "/odfpy_encrypted.ods", "w", zipfile.ZIP_DEFLATED) as z:
    for name, data in parts.items():
        z.writestr(name, manifest.encode() if name == "META-INF/manifest.xml" else data)
