#!/usr/bin/env python3
"""Writes the kor_*.tab golden files of tests/data once; they are committed, so the tests
never depend on this script. Records carry non-zero padding and bytes behind the counted
strings on purpose: a load and save must give them back unchanged."""

import os
import struct
import sys

DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data")
RECORD = 264


def record(method, slope, offset, low, real_low, high, real_high, name,
           name_length=None, pad1=b"\xCC" * 4, pad2=b"\xDD" * 6, name_fill=0x00,
           reserved_fill=0x00):
    encoded = name.encode("cp1251")
    length = len(encoded) if name_length is None else name_length
    name_area = bytes([length]) + encoded + bytes([name_fill]) * (50 - len(encoded))
    reserved = b"\x00" + bytes([reserved_fill]) * 150
    data = (struct.pack("<i", method) + pad1
            + struct.pack("<6d", slope, offset, low, real_low, high, real_high)
            + name_area + reserved + pad2)
    assert len(data) == RECORD
    return data


def entry(data, length=None):
    return struct.pack("<i", len(data) if length is None else length) + data


def write(name, content):
    with open(os.path.join(DATA, name), "wb") as f:
        f.write(content)


first = record(2, 0.98, 1.5, 84.1, 83.0, 93.7, 92.0, "АИ-92 летний", name_fill=0x41)
second = record(1, 1.02, -0.5, 80.0, 81.1, 95.0, 96.4, "Эталон-95 зимний",
                reserved_fill=0x7E)
odd = record(7, 2.5, 0.25, 1.0, 2.0, 3.0, 4.0, "X" * 50, name_length=200,
             pad1=b"\x01\x02\x03\x04", pad2=b"\x05\x06\x07\x08\x09\x0A")

write("kor_empty.tab", b"")
write("kor_two_records.tab", entry(first) + entry(second))
write("kor_odd_method.tab", entry(odd))

# The file ends 40 bytes into the second entry, before the name.
write("kor_truncated_entry.tab", entry(first) + entry(second)[:4 + 40])
write("kor_truncated_entry_saved.tab",
      entry(first) + entry(second[:40] + bytes(RECORD - 40)))

# A length over 264: the record is filled, the rest of the entry skipped.
write("kor_oversized_entry.tab", entry(first + b"\xEE" * 36) + entry(second))
write("kor_oversized_entry_saved.tab", entry(first) + entry(second))

# A length under 264: the bytes it doesn't reach are zero, the next entry follows.
write("kor_short_entry.tab", entry(first[:100]) + entry(second))
write("kor_short_entry_saved.tab", entry(first[:100] + bytes(RECORD - 100)) + entry(second))

# A negative length or a fragment under 4 bytes ends the list.
write("kor_negative_length.tab", entry(first) + struct.pack("<i", -1) + second)
write("kor_tail_fragment.tab", entry(first) + b"\x08\x01\x00")
write("kor_one_record.tab", entry(first))

sys.exit(0)
