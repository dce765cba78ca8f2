#!/usr/bin/env python3
"""Writes .xlsx rosters with XlsxWriter and openpyxl, two programs independent
of ours: text, numbers, formulas with cached results, booleans, errors,
dates in both date systems, rich and escaped text, merged and styled blank
cells, a second sheet. With a row count, also a large roster for the
benchmark (xlsxwriter_large.xlsx)."""
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
