#!/usr/bin/python3
"""Prints the first worksheet of a workbook as xlrd reads it, one row per line,
cells separated by tabs, each cell as the roster reader should give it."""
import json
import struct
import sys

import xlrd


def text(cell):
    if cell.ctype in (xlrd.XL_CELL_NUMBER, xlrd.XL_CELL_DATE):
        s = repr(float(cell.value))
        return s[:-2] if s.endswith(".0") else s
    if cell.ctype == xlrd.XL_CELL_BOOLEAN:
        return "TRUE" if cell.value else "FALSE"
    if cell.ctype == xlrd.XL_CELL_ERROR:
        return xlrd.error_text_from_code.get(cell.value, "#N/A")
    return cell.value


def workbook_stream(data):
    """The "Workbook" stream of a compound file, its sectors followed only as
    far as its size reaches: how the spreadsheet programs read a file whose
    other chains cross, which xlrd refuses as a whole."""
    size_shift = struct.unpack_from("<H", data, 30)[0]
    sector = 1 << size_shift
    fat = []
    for sid in struct.unpack_from("<109i", data, 76):
        if sid >= 0:
            fat += struct.unpack_from("<%di" % (sector // 4), data, 512 + sid * sector)

    def chain(sid, count):
        out = []
        while sid >= 0 and len(out) < count:
            out.append(sid)
            sid = fat[sid]
        return b"".join(data[512 + s * sector:512 + (s + 1) * sector] for s in out)

    directory = chain(struct.unpack_from("<i", data, 48)[0], len(fat))
    for at in range(0, len(directory), 128):
        length = struct.unpack_from("<H", directory, at + 64)[0]
        if directory[at:at + max(length - 2, 0)].decode("utf-16-le") == "Workbook":
            start, size = struct.unpack_from("<iI", directory, at + 116)
            return chain(start, (size + sector - 1) // sector)[:size]
    raise SystemExit("no workbook stream")


try:
    book = xlrd.open_workbook(sys.argv[1], logfile=open("/dev/null", "w"))
except xlrd.compdoc.CompDocError:
    book = xlrd.open_workbook(file_contents=workbook_stream(open(sys.argv[1], "rb").read()),
                              logfile=open("/dev/null", "w"))
sheet = book.sheet_by_index(0)
rows = [[text(sheet.cell(r, c)) for c in range(sheet.row_len(r))] for r in range(sheet.nrows)]
json.dump(rows, sys.stdout, ensure_ascii=False)
