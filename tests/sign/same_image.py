#!/usr/bin/python3
"""Signing changes a PE file only where it must: the certificate table appended at its end (after
zeros up to an 8-byte boundary), the data-directory entry that points to it, and the header's
checksum.  Compares a signed file with the same build unsigned; exits 1 when anything else
differs.  usage: same_image.py SIGNED UNSIGNED"""
import struct
import sys


def fields(data):
    """Offsets of the checksum and of the certificate table's entry in the optional header."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    return optional + 64, directories + 4 * 8


def blank(data):
    data = bytearray(data)
    checksum, certificates = fields(data)
    data[checksum:checksum + 4] = bytes(4)
    data[certificates:certificates + 8] = bytes(8)
    return data


def main(signed_path, unsigned_path):
    signed, unsigned = open(signed_path, "rb").read(), open(unsigned_path, "rb").read()
    table = struct.unpack_from("<I", signed, fields(signed)[1])[0]
    problems = []
    if not 0 < table <= len(signed) or table < len(unsigned):
        problems.append(f"the certificate table ({table:#x}) does not lie after the unsigned file's {len(unsigned)} bytes")
    else:
        if blank(signed[:len(unsigned)]) != blank(unsigned):
            first = next(i for i, (a, b) in enumerate(zip(blank(signed), blank(unsigned))) if a != b)
            problems.append(f"the images differ at offset {first:#x}")
        if any(signed[len(unsigned):table]):
            problems.append("more than zeros between the image and the certificate table")
    for p in problems:
        print(f"{signed_path}: {p}")
    if not problems:
        print(f"{signed_path}: the unsigned file's {len(unsigned)} bytes, then the certificate table "
              f"({len(signed) - table} bytes at {table:#x})")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:3]) if len(sys.argv) == 3 else __doc__)
