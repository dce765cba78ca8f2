#!/usr/bin/python3
"""Writes bare BIFF record streams of the older formats: make_rawbiff.py FOLDER
biff2.xls and biff3.xls are standalone worksheets; biff5_gbk.xls is an Excel 95
workbook stream whose text is in code page 936; zeroed.xls a roster of 192 rows
whose rows 34 to 40 a stretch of zeros turned into empty records."""
import struct
import sys

folder = sys.argv[1]


def rec(kind, data):
    return struct.pack("<HH", kind, len(data)) + data


def rk_int(n):
    return (n << 2) | 2


def save(name, records):
    with open("%s/%s" % (folder, name), "wb") as f:
        f.write(b"".join(records))


# BIFF2: cells carry three attribute bytes.
attr = b"\0\0\0"
save("biff2.xls", [
    rec(0x0009, struct.pack("<HH", 2, 0x10)),
    rec(0x0004, struct.pack("<HH", 0, 0) + attr + bytes([5]) + b"Plant"),
    rec(0x0002, struct.pack("<HH", 0, 1) + attr + struct.pack("<H", 42)),
    rec(0x0003, struct.pack("<HH", 0, 2) + attr + struct.pack("<d", 12.5)),
    rec(0x0005, struct.pack("<HH", 0, 3) + attr + bytes([1, 0])),
    rec(0x0004, struct.pack("<HH", 1, 0) + attr + bytes([2]) + b"B2"),
    rec(0x0005, struct.pack("<HH", 1, 3) + attr + bytes([0x07, 1])),
    rec(0x000A, b""),
])

# BIFF3: XF indexes, two-byte label lengths, RK numbers.
save("biff3.xls", [
    rec(0x0209, struct.pack("<HHH", 0, 0x10, 0)),
    rec(0x0204, struct.pack("<HHHH", 0, 0, 0, 4) + b"Shop"),
    rec(0x027E, struct.pack("<HHHI", 0, 1, 0, rk_int(1001))),
    rec(0x027E, struct.pack("<HHHI", 0, 2, 0, rk_int(1250) | 1)),
    rec(0x0203, struct.pack("<HHHd", 0, 3, 0, -0.001)),
    rec(0x0204, struct.pack("<HHHH", 1, 0, 0, 3) + b"Old"),
    rec(0x0205, struct.pack("<HHHBB", 1, 1, 0, 0, 0)),
    rec(0x000A, b""),
])

# BIFF5 workbook stream, GBK text.
def label(r, c, text):
    data = text.encode("gbk")
    return rec(0x0204, struct.pack("<HHHH", r, c, 0, len(data)) + data)


sheet = [
    rec(0x0809, struct.pack("<HHHH", 0x0500, 0x10, 0, 0)),
    label(0, 0, "第一厂"), label(0, 1, "财务部"), label(0, 2, "张三"),
    rec(0x0203, struct.pack("<HHHd", 0, 3, 0, 12.0)),
    label(1, 0, "第二厂"), label(1, 2, "李四"),
    rec(0x00BD, struct.pack("<HHHIHIH", 1, 1, 0, rk_int(7), 0, rk_int(12345) | 1, 2)),
    label(2, 0, "公式"),
    rec(0x0006, struct.pack("<HHH", 2, 1, 0) + bytes([0, 0, 0, 0, 0, 0, 0xFF, 0xFF]) + b"\0\0\0\0\0\0"),
    rec(0x0207, struct.pack("<H", 6) + b"result"),
    rec(0x0006, struct.pack("<HHH", 2, 2, 0) + struct.pack("<d", 3.75) + b"\0\0\0\0\0\0"),
    rec(0x0006, struct.pack("<HHH", 2, 3, 0) + bytes([1, 0, 1, 0, 0, 0, 0xFF, 0xFF]) + b"\0\0\0\0\0\0"),
    rec(0x000A, b""),
]
name = "名单".encode("gbk")
globals_head = [
    rec(0x0809, struct.pack("<HHHH", 0x0500, 0x05, 0, 0)),
    rec(0x0042, struct.pack("<H", 936)),
]
boundsheet_len = 4 + 6 + 1 + len(name)
offset = sum(map(len, globals_head)) + boundsheet_len + 4
globals_all = globals_head + [
    rec(0x0085, struct.pack("<IBB", offset, 0, 0) + bytes([len(name)]) + name),
    rec(0x000A, b""),
]
save("biff5_gbk.xls", globals_all + sheet)

# 192 rows of four labels, each record a multiple of four bytes long, so that
# the zeros that take the place of rows 34 to 40 read as empty records and the
# rows after them as the next records.
rows = []
for r in range(192):
    cells = [label(r, 0, "F%03d" % (r % 7)), label(r, 1, "D%03d" % (r % 5)), label(r, 2, "N%07d" % r),
             label(r, 3, "C%03d" % r)]
    rows.append(b"".join(cells))
for r in range(33, 40):
    rows[r] = bytes(len(rows[r]))
save("zeroed.xls", [rec(0x0809, struct.pack("<HHHH", 0x0500, 0x10, 0, 0))] + rows + [rec(0x000A, b"")])
