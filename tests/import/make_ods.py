#!/usr/bin/env python3
"""Writes OpenDocument spreadsheets with odfpy, independent of our reader:
text with spaces, tabs and line breaks, numbers, a formula with its value,
booleans, dates, times, repeated cells and rows, a covered (merged) cell, a
comment, a second table; one whose null date is 1904-01-01; and, written by
hand as LibreOffice writes them, formula errors, covered cells that still hold
values, pictures and shapes anchored to cells, one without its mimetype, and
one row repeated over a whole sheet."""
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


# Documents written by hand the way LibreOffice Calc writes them, for what
# odfpy does not make.
def raw(path, rows_xml):
    content = ('<?xml version="1.0" encoding="UTF-8"?>\n<office:document-content '
               'xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
               'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
               'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
               'xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2" '
               'xmlns:calcext="urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0" '
               'xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" '
               'xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" '
               'xmlns:xlink="http://www.w3.org/1999/xlink" '
               'office:version="1.3"><office:body><office:spreadsheet><table:table table:name="Sheet1">'
               '<table:table-column table:number-columns-repeated="4"/>'
               + rows_xml + "</table:table></office:spreadsheet></office:body></office:document-content>")
    manifest = ('<?xml version="1.0" encoding="UTF-8"?>\n<manifest:manifest '
                'xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.3">'
                '<manifest:file-entry manifest:full-path="/" manifest:version="1.3" '
                'manifest:media-type="application/vnd.oasis.opendocument.spreadsheet"/>'
                '<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/>'
                "</manifest:manifest>")
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "application/vnd.oasis.opendocument.spreadsheet")
        z.writestr("META-INF/manifest.xml", manifest)
        z.writestr("content.xml", content)


def text(value, kind="string", tag="table-cell", extra=""):
    return ('<table:%s office:value-type="%s" calcext:value-type="%s"%s><text:p>%s</text:p></table:%s>'
            % (tag, kind, kind, extra, value, tag))


def error(shown, formula):
    return ('<table:table-cell table:formula="%s" office:value-type="string" office:string-value="" '
            'calcext:value-type="error"><text:p>%s</text:p></table:table-cell>' % (formula, shown))


def number(value):
    return ('<table:table-cell office:value-type="float" office:value="%s" calcext:value-type="float">'
            "<text:p>%s</text:p></table:table-cell>" % (value, value))


def row(*cells, repeat=None):
    head = '<table:table-row table:number-rows-repeated="%d">' % repeat if repeat else "<table:table-row>"
    return head + "".join(cells) + "</table:table-row>"


# Formula errors: the text shows them, the string value is empty.
raw(folder + "/errors.ods",
    row(error("#DIV/0!", "of:=1/0"), text("部门"), text("张三"), error("#N/A", "of:=NA()"))
    + row(text("二厂"), error("#NAME?", "of:=NOSUCH()"), text("李四"), number("2")))

# Covered cells keep what they held before the merge; it is hidden.
raw(folder + "/covered.ods",
    row(text("合并", extra=' table:number-columns-spanned="2" table:number-rows-spanned="1"'),
        text("藏", tag="covered-table-cell"), text("张三"), number("1"))
    + row(text("二厂"), text("部门", extra=' table:number-columns-spanned="1" table:number-rows-spanned="2"'),
          text("李四"), number("2"))
    + row(text("三厂"), text("藏", tag="covered-table-cell"), text("王五"), number("3"))
    + row(text("四厂", extra=' table:number-columns-spanned="3" table:number-rows-spanned="1"'),
          '<table:covered-table-cell table:number-columns-repeated="2" office:value-type="string">'
          "<text:p>藏</text:p></table:covered-table-cell>", number("4")))

# One person repeated over every row of a sheet: a file of about a kilobyte.
raw(folder + "/repeated.ods", row(text("一厂"), text("部门"), text("张三"), number("1001"), repeat=1048576))

# Pictures anchored to cells, as LibreOffice writes them: the frame inside the
# cell, before or after its text, with an empty paragraph in the image and the
# picture's title and description; a shape with text of its own. None of it is
# the cell's text.
def picture(title, desc):
    return ('<draw:frame draw:z-index="0" draw:name="Image 1" svg:width="2cm" svg:height="2cm" svg:x="0cm" '
            'svg:y="0cm" table:end-cell-address="Sheet1.C2" table:end-x="1cm" table:end-y="0.2cm">'
            '<draw:image xlink:href="Pictures/1.png" xlink:type="simple" xlink:show="embed" '
            'xlink:actuate="onLoad" draw:mime-type="image/png"><text:p/></draw:image>'
            '<svg:title>%s</svg:title><svg:desc>%s</svg:desc></draw:frame>' % (title, desc))


shape = ('<draw:custom-shape draw:name="Shape 1" svg:width="1cm" svg:height="1cm" svg:x="0cm" svg:y="0cm">'
         '<text:p>形状文字</text:p><draw:enhanced-geometry draw:type="rectangle"/></draw:custom-shape>')
raw(folder + "/pictures.ods",
    row(text("一厂"), text("财务部"),
        '<table:table-cell office:value-type="string" calcext:value-type="string"><text:p>李四</text:p>'
        + picture("Picture", "photo.jpg") + "</table:table-cell>", number("7"))
    + row('<table:table-cell office:value-type="string" calcext:value-type="string">' + shape
          + "<text:p>二厂</text:p></table:table-cell>", text("部门"), text("王五"), number("8"))
    + row("<table:table-cell>" + picture("", "blue.png") + "</table:table-cell>", text("部门"), text("赵六"),
          number("9"))
    + row(text("三厂"), text("部门"), text("钱七"), number("10")))

# A package that lost its mimetype part: its manifest still says what it is.
with zipfile.ZipFile(folder + "/nomimetype.ods", "w", zipfile.ZIP_DEFLATED) as z:
    for name, data in parts.items():
        if name != "mimetype":
            z.writestr(name, data)
