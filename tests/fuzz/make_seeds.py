#!/usr/bin/env python3
"""Writes the fuzzer's seed tables: small valid tables of each version the
engine reads, plus the oddities real writers produce."""
import os
import struct
import sys


def table(version, fields, records, *, backlink=False, extra=b"", end=True,
          wide=False, deleted=()):
    """fields: (name, type, length, decimals); records: lists of texts."""
    record_length = 1 + sum(f[2] for f in fields)
    header_length = 32 + 32 * len(fields) + 1 + (263 if backlink else 0) + len(extra)
    head = struct.pack("<B3BIHH", version, 124, 5, 17, len(records), header_length,
                       record_length) + bytes(17) + b"\x57" + bytes(2)
    offset = 1
    for name, kind, length, decimals in fields:
        d = bytearray(32)
        d[0:len(name)] = name.encode()
        d[11] = ord(kind)
        struct.pack_into("<I", d, 12, offset)  # FoxPro keeps the offset here
        if wide and kind == "C":
            d[16], d[17] = length & 0xFF, length >> 8
        else:
            d[16], d[17] = length, decimals
        head += bytes(d)
        offset += length
    head += b"\x0d" + (bytes(263) if backlink else b"") + extra
    body = b""
    for i, values in enumerate(records):
        body += b"*" if i in deleted else b" "
        for (name, kind, length, decimals), value in zip(fields, values):
            text = value.encode()
            body += text.rjust(length) if kind in "NF" else text.ljust(length)
    return head + body + (b"\x1a" if end else b"")


MIXED = [("NAME", "C", 12, 0), ("COUNT", "N", 5, 0), ("RATE", "F", 8, 2),
         ("WHEN", "D", 8, 0), ("DONE", "L", 1, 0)]
ROWS = [["first", "12", "3.25", "20240131", "T"],
        ["second", "-7", "-0.50", "19991231", "F"],
        ["", "", "", "", " "]]
MEMO = [("JOB", "C", 20, 0), ("LINE", "N", 3, 0), ("NOTES", "M", 10, 0)]
MEMO_ROWS = [["copy files", "1", "         1"], ["print", "2", "          "]]

SEEDS = {
    "dbase3.dbf": table(0x03, MIXED, ROWS, deleted={1}),
    "dbase3-memo.dbf": table(0x83, MEMO, MEMO_ROWS),
    "dbase4-memo.dbf": table(0x8B, MEMO, MEMO_ROWS),
    "foxpro-backlink.dbf": table(0x30, MIXED, ROWS, backlink=True),
    "foxpro-autoinc.dbf": table(0x31, MIXED, ROWS[:1], backlink=True),
    "foxpro-memo.dbf": table(0xF5, MEMO, MEMO_ROWS),
    "wide-character.dbf": table(0x03, [("ID", "N", 4, 0), ("TEXT", "C", 300, 0)],
                                [["1", "x" * 300], ["2", "short"]], wide=True),
    "zero-after-terminator.dbf": table(0x03, MIXED, ROWS, extra=b"\x00"),
    "no-end-marker.dbf": table(0x03, MIXED, ROWS, end=False),
    "empty.dbf": table(0x03, MIXED, []),
    "truncated.dbf": table(0x03, MIXED, ROWS)[:-20],
}

folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "seeds")
os.makedirs(folder, exist_ok=True)
for name, data in SEEDS.items():
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)
