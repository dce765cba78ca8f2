"""Reads exported winner lists with readers that share no code with the
program and compares them with the database they came from.

usage: check_export.py DATABASE FILE.xls FILE.xlsx [CSV...]
"""
import csv
import sqlite3
import sys

HEADER = ["工厂名称", "中奖号码", "姓名", "奖项", "奖品"]


def expected_rows(database):
    con = sqlite3.connect(database)
    rows = con.execute(
        "select l.sCompCode, l.sNo, l.sName, i.ItemName, i.Awards"
        " from AwardList l join AwardItem i on l.sTime = i.RecNo"
        " order by l.sTime, l.RecNo").fetchall()
    con.close()
    return [HEADER] + [["" if v is None else str(v) for v in r] for r in rows]


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def compare(kind, got, want):
    if len(got) != len(want):
        fail(f"{kind}: {len(got)} rows, expected {len(want)}")
    for n, (g, w) in enumerate(zip(got, want)):
        if g != w:
            fail(f"{kind}: row {n} is {g!r}, expected {w!r}")
    print(f"{kind}: {len(got)} rows match")


def read_xls(path):
    import xlrd
    book = xlrd.open_workbook(path, formatting_info=True)
    sheet = book.sheet_by_index(0)
    if sheet.name != "中奖名单":
        fail(f"xls sheet name {sheet.name!r}")
    rows = [[str(sheet.cell_value(r, c)) for c in range(sheet.ncols)] for r in range(sheet.nrows)]
    for r, c in ((0, 0), (0, 3), (min(1, sheet.nrows - 1), 1)):
        xf = book.xf_list[sheet.cell_xf_index(r, c)]
        font = book.font_list[xf.font_index]
        fill = book.colour_map.get(xf.background.pattern_colour_index)
        text = book.colour_map.get(font.colour_index)
        if xf.background.fill_pattern != 1 or fill != (255, 0, 0):
            fail(f"xls cell {r},{c}: fill {xf.background.fill_pattern} {fill}")
        if not font.bold or text != (255, 255, 255):
            fail(f"xls cell {r},{c}: bold {font.bold} colour {text}")
    return rows


def read_xlsx(path):
    import openpyxl
    book = openpyxl.load_workbook(path)
    sheet = book.worksheets[0]
    if sheet.title != "中奖名单":
        fail(f"xlsx sheet name {sheet.title!r}")
    rows = [["" if v is None else str(v) for v in row] for row in sheet.iter_rows(values_only=True)]
    for cell in (sheet["A1"], sheet["D1"], sheet["B2"] if sheet.max_row > 1 else sheet["B1"]):
        if cell.fill.fill_type != "solid" or cell.fill.fgColor.rgb != "FFFF0000":
            fail(f"xlsx {cell.coordinate}: fill {cell.fill.fill_type} {cell.fill.fgColor.rgb}")
        if not cell.font.b or cell.font.color is None or cell.font.color.rgb != "FFFFFFFF":
            fail(f"xlsx {cell.coordinate}: bold {cell.font.b} colour {cell.font.color}")
    return rows


def read_csv(path):
    with open(path, newline="", encoding="utf-8") as f:
        return [row for row in csv.reader(f)]


def main():
    database, xls, xlsx = sys.argv[1:4]
    want = expected_rows(database)
    compare("xlrd " + xls, read_xls(xls), want)
    compare("openpyxl " + xlsx, read_xlsx(xlsx), want)
    for extra in sys.argv[4:]:
        compare("libreoffice " + extra, read_csv(extra), want)


main()
