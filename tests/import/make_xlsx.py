#!/usr/bin/env python3
"""Writes .xlsx rosters with XlsxWriter and openpyxl, two programs independent
of ours: text, numbers, formulas with cached results, booleans, errors,
dates in both date systems, rich and escaped text, merged and styled blank
cells, a second sheet. With a row count, also a large roster for the
benchmark (xlsxwriter_large.xlsx). Then packages made from those parts: damaged
ones (one only after thousands of rows), values under merged ranges, part names
in another case, line ends written into the XML, shared-string cells without a
value, missing parts, and an Excel binary workbook and a Word document to be
refused."""
import datetime
import sys

import openpyxl
import xlsxwriter

folder = sys.argv[1]


def mixed(path, options):
    book = xlsxwriter.Workbook(path, options)
    sheet = book.add_worksheet("名单")
    bold = book.add_format({"bold": True})
    day = book.add_format({"num_format": "yyyy-mm-dd"})
    sheet.write_row(0, 0, ["一厂", "财务部", "张三"])
    sheet.write_number(0, 3, 12)  # a code typed as 0012
    sheet.write_string(1, 0, "一厂")
    sheet.write_formula(1, 1, '="生产"&"部"', None, "生产部")
    sheet.write_rich_string(1, 2, "李", bold, "四")
    sheet.write_formula(1, 3, "=1/0", None, "#DIV/0!")
    sheet.write_formula(2, 0, "=A1", None, "一厂")
    sheet.write_boolean(2, 1, True)
    sheet.write_formula(2, 2, "=1=2", None, False)
    sheet.write_formula(2, 3, "=D1+1000", None, 1012)
    sheet.write_datetime(3, 0, datetime.datetime(2020, 1, 2, 12, 0), day)
    sheet.write_string(3, 1, "a_x000D_b")
    sheet.write_string(3, 2, "O'Neil\r\n\"Jr\"")
    sheet.write_number(3, 3, 1001.5)
    sheet.merge_range(4, 0, 4, 2, "合并", bold)
    sheet.write_number(4, 3, -0.001)
    sheet.write_string(5, 0, " 二厂 ")
    sheet.write_blank(5, 1, None, bold)
    sheet.write_number(5, 3, 1e20)
    sheet.write_string(5, 5, "第六列")
    sheet.write_string(7, 0, "空行之后")
    book.add_worksheet("第二页").write_string(0, 0, "不是名单")
    book.close()


mixed(folder + "/xlsxwriter_mixed.xlsx", {})
mixed(folder + "/xlsxwriter_inline.xlsx", {"constant_memory": True})

book = xlsxwriter.Workbook(folder + "/xlsxwriter_1904.xlsx", {"date_1904": True})
sheet = book.add_worksheet()
day = book.add_format({"num_format": "yyyy-mm-dd hh:mm"})
sheet.write_datetime(0, 0, datetime.datetime(2020, 1, 2, 6, 0), day)
sheet.write_datetime(1, 0, datetime.date(1904, 1, 2), day)
book.close()

book = openpyxl.Workbook()
sheet = book.active
sheet.title = "员工"
sheet.append(["一厂", "财务部", "王五", "0012"])
sheet.append(["二厂", 3.25, True, datetime.date(1900, 1, 1)])
sheet.append(["三厂", "=1+1", None, datetime.datetime(1900, 3, 1, 18, 0)])
sheet.append(["四厂", "tab\there", "x_x005F_x000D_y", -7])
book.create_sheet("第二页").append(["不是名单"])
book.save(folder + "/openpyxl_mixed.xlsx")

if len(sys.argv) > 2:
    rows = int(sys.argv[2])
    book = xlsxwriter.Workbook(folder + "/xlsxwriter_large.xlsx", {"constant_memory": False})
    sheet = book.add_worksheet()
    for i in range(rows):
        sheet.write_string(i, 0, "第%d工厂" % (i % 7 + 1))
        sheet.write_string(i, 1, "部门%d" % (i % 31))
        sheet.write_string(i, 2, "员工%d" % i)
        sheet.write_number(i, 3, 100000 + i)
    book.close()

# Damaged and odd packages, made from the mixed workbook.
import zipfile

source = folder + "/xlsxwriter_mixed.xlsx"
with zipfile.ZipFile(source) as z:
    parts = {name: z.read(name) for name in z.namelist()}


def package(path, replace=None, drop=()):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in parts.items():
            if name in drop:
                continue
            z.writestr(name, (replace or {}).get(name, data))


workbook = parts["xl/workbook.xml"].decode()
start, end = workbook.index("<sheets>"), workbook.index("</sheets>") + len("</sheets>")
package(folder + "/nosheet.xlsx", {"xl/workbook.xml": (workbook[:start] + "<sheets/>" + workbook[end:]).encode()})
sheet_xml = parts["xl/worksheets/sheet1.xml"]
cut = sheet_xml.index(b"</sheetData>") - 30
package(folder + "/badxml.xlsx", {"xl/worksheets/sheet1.xml": sheet_xml[:cut] + b"<c r=\"A9\"><v>1</v"})
# A shared string that is not there, in a column the roster does not read.
package(folder + "/badindex.xlsx",
        {"xl/worksheets/sheet1.xml": sheet_xml.replace(b'<c r="F6" t="s"><v>8</v>', b'<c r="F6" t="s"><v>999</v>')})
with zipfile.ZipFile(folder + "/notabook.xlsx", "w") as z:
    z.writestr("readme.txt", "not a workbook")
# A deflated sheet whose compressed bytes are scrambled half-way.
data = bytearray(open(source, "rb").read())
with zipfile.ZipFile(source) as z:
    info = z.getinfo("xl/worksheets/sheet1.xml")
offset = info.header_offset + 30 + len(info.filename.encode()) + len(info.extra)
for i in range(offset + 10, offset + info.compress_size - 4):
    data[i] ^= 0x55
open(folder + "/scrambled.xlsx", "wb").write(bytes(data))


# Sheets written by hand into the mixed workbook's package, for what the
# writers above never produce.
def sheet(rows_xml, tail=""):
    return ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\r\n'
            '<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
            "<sheetData>" + rows_xml + "</sheetData>" + tail + "</worksheet>").encode()


def text(ref, value):
    return '<c r="%s" t="inlineStr"><is><t>%s</t></is></c>' % (ref, value)


# Values under merged ranges, as other programs leave them: only the first
# cell of a range counts. The merge list follows the cells.
package(folder + "/merged.xlsx", {"xl/worksheets/sheet1.xml": sheet(
    '<row r="1">' + text("A1", "一厂") + text("B1", "部门") + text("C1", "张三") + '<c r="D1"><v>1</v></c></row>'
    '<row r="2">' + text("A2", "一厂") + text("B2", "合并") + text("C2", "藏") + '<c r="D2"><v>2</v></c></row>'
    '<row r="3">' + text("A3", "二厂") + text("B3", "三") + text("C3", "藏") + '<c r="D3"><v>9</v></c></row>'
    '<row r="4">' + text("A4", "二厂") + text("B4", "藏") + '<c r="C4" t="s"><v>1</v></c><c r="D4"><v>4</v></c></row>',
    '<mergeCells count="3"><mergeCell ref="B2:C2"/><mergeCell ref="D2:D3"/><mergeCell ref="$B$3:C4"/>'
    "</mergeCells>")})

# Part names that differ from the relationships' only in case.
renamed = {"xl/sharedStrings.xml": "xl/SharedStrings.xml", "xl/worksheets/sheet1.xml": "xl/Worksheets/Sheet1.XML"}
with zipfile.ZipFile(folder + "/casenames.xlsx", "w", zipfile.ZIP_DEFLATED) as z:
    for name, data in parts.items():
        z.writestr(renamed.get(name, name), data)

# Line ends written into the XML as they are (Alt+Enter in Excel 2007): CR LF
# and a lone CR read as LF, while an escaped or referenced CR stays.
strings = parts["xl/sharedStrings.xml"].replace("<t>一厂</t>".encode(), "<t>一\r\n厂</t>".encode())
package(folder + "/crlf.xlsx", {"xl/sharedStrings.xml": strings, "xl/worksheets/sheet1.xml": sheet(
    '<row r="1"><c r="A1" t="s"><v>0</v></c>' + text("B1", "a\r\nb") + text("C1", "c\rd")
    + text("D1", "e_x000D_\r\nf") + "</row>"
    '<row r="2">' + text("A2", "g&#13;h") + '<c r="B2" t="str"><f>"x"</f><v>x\r\ny</v></c></row>')})

# Shared-string cells that hold no value: empty cells.
package(folder + "/emptyshared.xlsx", {"xl/worksheets/sheet1.xml": sheet(
    '<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"/><c r="C1" t="s"><v/></c><c r="D1"><v>5</v></c></row>'
    '<row r="2"><c r="A2" t="s"><v>2</v></c><c r="B2" t="s"><v></v></c></row>')})

# Damage that shows only after thousands of good rows (a shared string that
# is not there): an import has stored rows by the time it is found.
late_rows = "".join('<row r="%d">%s%s%s<c r="D%d"><v>%d</v></c></row>'
                    % (r, text("A%d" % r, "一厂"), text("B%d" % r, "部门"), text("C%d" % r, "员工%d" % r), r, r)
                    for r in range(1, 3000))
package(folder + "/latedamage.xlsx", {"xl/worksheets/sheet1.xml": sheet(
    late_rows + '<row r="3000"><c r="A3000" t="s"><v>999</v></c></row>')})

# Part names written with backslashes, as some Windows programs write them
# (Excel opens such a file).
with zipfile.ZipFile(folder + "/backslash.xlsx", "w", zipfile.ZIP_DEFLATED) as z:
    for name, data in parts.items():
        z.writestr(zipfile.ZipInfo(name.replace("/", "\\")), data)

# Damaged copies that are still workbooks by their parts: the package's own
# descriptions lost (read all the same), the workbook part lost, its root
# element garbled, a sheet's relationship lost.
package(folder + "/lostnames.xlsx", drop=("[Content_Types].xml", "_rels/.rels"))
package(folder + "/noworkbookpart.xlsx", drop=("[Content_Types].xml", "_rels/.rels", "xl/workbook.xml"))
package(folder + "/badroot.xlsx", {"xl/workbook.xml": workbook.replace("<workbook ", "<wOrkbook ", 1)
                                   .replace("</workbook>", "</wOrkbook>").encode()})
rels = parts["xl/_rels/workbook.xml.rels"].decode()
package(folder + "/lostrel.xlsx", {"xl/_rels/workbook.xml.rels": rels.replace('Id="rId1"', 'Id="rId99"').encode()})

# Parts that the relationships name but the package lacks.
package(folder + "/nosheetpart.xlsx", drop=("xl/worksheets/sheet1.xml",))
package(folder + "/nostrings.xlsx", drop=("xl/sharedStrings.xml",))


# Other Office Open XML documents: a binary workbook and a Word document.
def office(path, main, content_type, data):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml",
                   '<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/'
                   '2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-'
                   'package.relationships+xml"/><Override PartName="/%s" ContentType="%s"/></Types>'
                   % (main, content_type))
        z.writestr("_rels/.rels",
                   '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/'
                   'package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/'
                   'officeDocument/2006/relationships/officeDocument" Target="%s"/></Relationships>' % main)
        z.writestr(main, data)


office(folder + "/book.xlsb", "xl/workbook.bin", "application/vnd.ms-excel.sheet.binary.macroEnabled.main",
       bytes([0x83, 0x01, 0x00, 0x80, 0x01, 0x00]))
office(folder + "/letter.docx", "word/document.xml",
       "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml",
       '<?xml version="1.0" encoding="UTF-8"?><w:document xmlns:w="http://schemas.openxmlformats.org/'
       'wordprocessingml/2006/main"><w:body><w:p><w:r><w:t>通知</w:t></w:r></w:p></w:body></w:document>')
