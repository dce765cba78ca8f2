#!/usr/bin/env python3
"""Prints the first worksheet of an .xlsx as openpyxl reads it (cached formula
results), each value as Excel shows it: numbers in shortest form, TRUE/FALSE,
dates as their serial number in the workbook's own date system."""
import datetime
import json
import sys

import openpyxl
from openpyxl.utils.datetime import to_excel


def text(value, epoch):
    if value is None:
        return ""
    if isinstance(value, bool):
        return "TRUE" if value else "FALSE"
    if isinstance(value, (datetime.datetime, datetime.date, datetime.time, datetime.timedelta)):
        value = to_excel(value, epoch)
    if isinstance(value, int):
        return str(value)
    if isinstance(value, float):
        if value.is_integer() and abs(value) < 1e16:
            return str(int(value))
        return repr(value)
    return str(value)


book = openpyxl.load_workbook(sys.argv[1], data_only=True)
sheet = book.worksheets[0]
rows = [[text(v, book.epoch) for v in row] for row in sheet.iter_rows(values_only=True)]
print(json.dumps(rows, ensure_ascii=False))
