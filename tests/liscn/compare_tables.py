#!/usr/bin/python3
"""Compares liscn's code-page tables, both ways, with Python's codecs (an implementation of
Windows' published tables that shares no code with liscn or the platform's converter).
usage: compare_tables.py TABLE_DUMP_PROGRAM"""
import subprocess
import sys

PAGES = [874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258]
CODEC = {936: "gbk"}  # Python's cp936 is GBK; Windows' 936 adds the euro at 0x80


def deliberate(cp, way, key, ours, theirs):
    """Why liscn differs from the codec here, or None.  The one list of deliberate differences."""
    codec = CODEC.get(cp, "cp%d" % cp)
    if way == "d" and ours is None and theirs is not None:
        c = int(theirs, 16)
        if 0xE000 <= c <= 0xF8FF:
            return "user-defined character (private use): no font shows it, so it counts as none"
        if 0x80 <= c <= 0x9F:
            return "C1 control: Windows gives undefined bytes these, and they show as nothing"
        if cp == 950 and 0xC6A1 <= int(key, 16) <= 0xC8FE:
            return "C6A1-C8FE: user-defined on Windows; Python reads ETen's kana and Cyrillic there"
    if cp == 936 and key in ("80", "20AC"):
        return "Windows' 936 has the euro sign at 0x80, which GBK lacks"
    if way == "e" and theirs is not None:
        c = int(key, 16)
        back = bytes.fromhex(theirs).decode(codec)
        if ours is None and back != chr(c):
            return "best fit: Python writes a look-alike that reads back as another character; liscn refuses"
        if ours is None and (0xE000 <= c <= 0xF8FF or 0x80 <= c <= 0x9F or
                             (cp == 950 and 0xC6A1 <= int(theirs, 16) <= 0xC8FE)):
            return "the character counts as none (see decoding)"
        if (cp == 932 and ours is not None and 0xFA40 <= int(ours, 16) <= 0xFC4B and
                0xED40 <= int(theirs, 16) <= 0xEEFC and bytes.fromhex(ours).decode(codec) == chr(c)):
            return ("IBM extensions, held twice: Windows writes IBM's rows FA40-FC4B, Python NEC's "
                    "selection ED40-EEFC; both read back alike")
    return None


def codec_tables(cp):
    codec = CODEC.get(cp, "cp%d" % cp)
    dec, enc = {}, {}
    for b in range(0x80, 0x100):
        try:
            dec["%02X" % b] = "%04X" % ord(bytes([b]).decode(codec))
        except UnicodeDecodeError:
            pass
        for t in range(0x40, 0xFF):
            try:
                s = bytes([b, t]).decode(codec)
            except UnicodeDecodeError:
                continue
            if len(s) == 1:
                dec["%02X%02X" % (b, t)] = "%04X" % ord(s)
    for c in range(0x80, 0x10000):
        if 0xD800 <= c <= 0xDFFF:
            continue
        try:
            enc["%04X" % c] = chr(c).encode(codec).hex().upper()
        except UnicodeEncodeError:
            pass
    return dec, enc


def main(dump):
    failures = 0
    for cp in PAGES:
        ours = {"d": {}, "e": {}}
        out = subprocess.run([dump, str(cp)], capture_output=True, text=True, check=True).stdout
        for line in out.splitlines():
            way, key, value = line.split()
            ours[way][key] = None if value == "-" else value
        dec, enc = codec_tables(cp)
        theirs = {"d": dec, "e": enc}
        noted = {}
        for way in "de":
            keys = set(ours[way]) | set(theirs[way]) if way == "e" else set(ours[way])
            for key in sorted(keys):
                a, b = ours[way].get(key), theirs[way].get(key)
                if a == b:
                    continue
                why = deliberate(cp, way, key, a, b)
                if why:
                    noted[why] = noted.get(why, 0) + 1
                    continue
                failures += 1
                if failures <= 20:
                    print(f"FAIL {cp} {'decode' if way == 'd' else 'encode'} {key}: liscn {a}, Python {b}")
        print(f"code page {cp}: agrees" + "".join(f"; {n} x {why}" for why, n in sorted(noted.items())))
    if failures:
        print(f"{failures} difference(s) that are not deliberate")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
