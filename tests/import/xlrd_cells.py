#!/usr/bin/python3
"""Prints the first worksheet of a workbook as xlrd reads it, one row per line,
cells separated by tabs, each cell as the roster reader should give it."""
import json
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


book = xlrd.open_workbook(sys.argv[1], logfile=open("/dev/null", "w"))
sheet = book.sheet_by_index(0)
rows = [[text(sheet.cell(r, c)) for c in range(sheet.row_len(r))] for r in range(sheet.nrows)]
json.dump(rows, sys.stdout, ensure_ascii=False)
