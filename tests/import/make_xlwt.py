#!/usr/bin/python3
"""Writes sample rosters with xlwt: make_xlwt.py FOLDER [ROWS-FOR-LARGE]"""
import datetime
import sys

import xlwt

folder = sys.argv[1]

book = xlwt.Workbook(encoding="utf-8")
sheet = book.add_sheet("员工")
rows = [
    ["一厂", "财务部", "张三", "A001"],
    ["一厂", "生产部", "李四", 12],          # 0012 typed as a number
    ["二厂", "", "", ""],
    ["二厂", "质检部", "O'Neil", 1001.5],
    ["三厂", "'; delete from EmpNo --", "王五", -3],
    [" 前后空格 ", "  ", "赵六\t", 123456789],
    ["大数", 1e20, 1.5e-7, 0.1],
    ["真假", True, False, xlwt.Formula("1/0")],
    ["日期", datetime.date(2024, 2, 29), datetime.datetime(2024, 1, 1, 12, 30), 2741],
]
date_style = xlwt.easyxf(num_format_str="YYYY-MM-DD")
for r, row in enumerate(rows):
    for c, value in enumerate(row):
        if isinstance(value, (datetime.date, datetime.datetime)):
            sheet.write(r, c, value, date_style)
        else:
            sheet.write(r, c, value)
# Enough distinct strings that the shared string table spills into CONTINUE records.
for i in range(3000):
    sheet.write(len(rows) + i, 0, "厂%04d" % i)
    sheet.write(len(rows) + i, 1, "部门名称较长的一个部门%05d" % i)
    sheet.write(len(rows) + i, 2, "Name-%d-" % i + "x" * (i % 40))
    sheet.write(len(rows) + i, 3, i * 7 + 0.25 if i % 3 else i)
book.add_sheet("第二页").write(0, 0, "not read")
book.save(folder + "/xlwt_mixed.xls")

# Values left under merged ranges (MERGEDCELLS): only a range's first cell counts.
book = xlwt.Workbook(encoding="utf-8")
sheet = book.add_sheet("合并", cell_overwrite_ok=True)
for r in range(4):
    sheet.row(r)  # xlwt writes the rows in the order they were first touched
sheet.merge(1, 1, 1, 2)
sheet.merge(1, 2, 3, 3)
sheet.merge(2, 3, 1, 2)
# Written after the merges, which blank the cells they cover.
for r, row in enumerate([["一厂", "部门", "张三", 1], ["一厂", "合并", "藏", 2], ["二厂", "三", "藏", "藏"],
                         ["二厂", "藏", "藏", 4]]):
    for c, value in enumerate(row):
        sheet.write(r, c, value)
book.save(folder + "/merged.xls")

if len(sys.argv) > 2:
    big = xlwt.Workbook(encoding="utf-8")
    s = big.add_sheet("roster")
    for i in range(int(sys.argv[2])):
        s.write(i, 0, "第%d工厂" % (i % 7 + 1))
        s.write(i, 1, "部门%d" % (i % 31))
        s.write(i, 2, "员工%d" % i)
        s.write(i, 3, 100000 + i)
    big.save(folder + "/xlwt_large.xls")
