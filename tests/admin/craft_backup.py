#!/usr/bin/env python3
"""Makes damaged or hostile copies of a backup file for the restore tests.

craft_backup.py MODE SOURCE TARGET
  gbk       adds photos/<张三 in GBK>.jpg, its name stored without the UTF-8 flag,
            as a zip made on a Chinese Windows names its files
  huge      adds photos/huge.jpg whose headers claim 3 GB unpacked
  truncate  keeps the first half of the file
"""
import struct
import sys
import zipfile


def rewrite(source, target, extra):
    with zipfile.ZipFile(source) as src, zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as dst:
        for info in src.infolist():
            dst.writestr(info, src.read(info))
        extra(dst)


def patch_sizes(data, name, size):
    """Sets the unpacked size of `name` in its local header and its central entry."""
    at = data.find(b"PK\x03\x04")
    while at >= 0:
        length = struct.unpack_from("<H", data, at + 26)[0]
        if data[at + 30:at + 30 + length] == name:
            struct.pack_into("<I", data, at + 22, size)
        at = data.find(b"PK\x03\x04", at + 4)
    at = data.find(b"PK\x01\x02")
    while at >= 0:
        length = struct.unpack_from("<H", data, at + 28)[0]
        if data[at + 46:at + 46 + length] == name:
            struct.pack_into("<I", data, at + 24, size)
        at = data.find(b"PK\x01\x02", at + 4)
    return data


def main():
    mode, source, target = sys.argv[1:4]
    if mode == "truncate":
        data = open(source, "rb").read()
        open(target, "wb").write(data[: len(data) // 2])
    elif mode == "gbk":
        placeholder = b"photos/QQQQ.jpg"
        rewrite(source, target, lambda z: z.writestr(placeholder.decode(), b"gbk-named photo"))
        data = open(target, "rb").read()
        open(target, "wb").write(data.replace(placeholder, b"photos/" + "张三".encode("gbk") + b".jpg"))
    elif mode == "huge":
        name = b"photos/huge.jpg"
        rewrite(source, target, lambda z: z.writestr(name.decode(), b"\0" * 4096))
        data = bytearray(open(target, "rb").read())
        open(target, "wb").write(patch_sizes(data, name, 3 << 30))
    else:
        sys.exit("unknown mode " + mode)


if __name__ == "__main__":
    main()
