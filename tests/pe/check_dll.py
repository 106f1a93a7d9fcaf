#!/usr/bin/python3
"""Reads a built legalprompt.dll, 32-bit (PE32, i386) or 64-bit (PE32+, x64), and checks it
field by field: the headers, the sections, the exports with their ordinals, the exact import
list, every byte of the dialog template, the version resource, and for x64 the unwind table.
Both widths must agree on everything but the machine.  A signed DLL (signed: the build's
signing on) carries an Authenticode certificate table at its end, which signing appends by
design: its image before the table must pass every check.  Prints what it found; exits 1 if any
check failed.  usage: check_dll.py DLL VERSION [signed]"""
import struct
import sys

import pefile

from pe_checks import check, check_version, summary

# Per machine: the file header's machine, the optional header's magic, the largest size.
# Each has 512 bytes for its version resource.
MACHINES = {0x14C: ("i386", 0x10B, 4608), 0x8664: ("x64", 0x20B, 5120)}

IMPORTS = {
    "kernel32.dll": {"OpenFile", "_lread", "_lclose"},
    "user32.dll": {"DialogBoxParamA", "GetDlgItem", "SetWindowTextA", "SetFocus", "EndDialog",
                   "GetWindowRect", "GetDC", "ReleaseDC", "SetWindowPos"},
    "gdi32.dll": {"GetDeviceCaps"},
}
EXPORTS = {2: "DisplayLegalBullshit", 3: "ShowLegal"}

RT_DIALOG, RT_VERSION = 5, 16
DIALOG = {
    "style": 0x80C800C0, "exstyle": 0, "x": 0, "y": 0, "cx": 283, "cy": 177,
    "menu": "", "class": "", "caption": "License Agreement",
    "pointsize": 8, "typeface": "MS Sans Serif",
    "items": [
        {"style": 0x50000000, "exstyle": 0, "x": 182, "y": 153, "cx": 58, "cy": 14, "id": 2,
         "class": 0x0080, "text": "Do Not Accept", "extra": b""},
        {"style": 0x50010001, "exstyle": 0, "x": 41, "y": 153, "cx": 58, "cy": 14, "id": 1,
         "class": 0x0080, "text": "&Accept", "extra": b""},
        {"style": 0x50A10804, "exstyle": 0, "x": 15, "y": 17, "cx": 242, "cy": 115, "id": 1000,
         "class": 0x0081, "text": "", "extra": b""},
    ],
}


def show(key, value):
    return f"{value:#010x}" if "style" in key and isinstance(value, int) else repr(value)


class Reader:
    def __init__(self, data):
        self.data, self.at = data, 0

    def take(self, fmt):
        values = struct.unpack_from("<" + fmt, self.data, self.at)
        self.at += struct.calcsize("<" + fmt)
        return values if len(values) > 1 else values[0]

    def sz_or_ord(self):
        first = self.take("H")
        if first == 0xFFFF:
            return self.take("H")
        chars = []
        while first:
            chars.append(chr(first))
            first = self.take("H")
        return "".join(chars)

    def align(self):
        self.at = (self.at + 3) & ~3


def parse_dialog(data):
    r = Reader(data)
    d = {}
    d["style"], d["exstyle"], count, d["x"], d["y"], d["cx"], d["cy"] = r.take("IIHhhHH")
    d["menu"], d["class"], d["caption"] = r.sz_or_ord(), r.sz_or_ord(), r.sz_or_ord()
    if d["style"] & 0x40:  # DS_SETFONT
        d["pointsize"], d["typeface"] = r.take("H"), r.sz_or_ord()
    d["items"] = []
    for _ in range(count):
        r.align()
        item = {}
        item["style"], item["exstyle"], item["x"], item["y"], item["cx"], item["cy"], item["id"] = \
            r.take("IIhhHHH")
        item["class"], item["text"] = r.sz_or_ord(), r.sz_or_ord()
        extra = r.take("H")
        item["extra"] = data[r.at:r.at + extra]
        r.at += extra
        d["items"].append(item)
    return d, data[r.at:]


def main(path, version, signed=False):
    raw = open(path, "rb").read()
    pe = pefile.PE(data=raw)
    fh, oh = pe.FILE_HEADER, pe.OPTIONAL_HEADER

    machine, magic, max_size = MACHINES.get(fh.Machine, (f"machine {fh.Machine:#x}", None, 0))
    x64 = machine == "x64"
    print(f"{machine}, size {len(raw)} bytes")
    check(magic is not None and oh.Magic == magic, f"{'PE32+' if x64 else 'PE32'} for {machine}")
    # The certificate table's entry holds a file offset: the table lies after the image.
    certificates = oh.DATA_DIRECTORY[4]
    image = len(raw)
    if signed:
        image = certificates.VirtualAddress
        length, revision, kind = struct.unpack_from("<IHH", raw, image) if 0 < image < len(raw) - 8 else (0, 0, 0)
        print(f"certificate table at {image:#x}, {certificates.Size} bytes")
        check(image % 8 == 0 and image + certificates.Size == len(raw), "a certificate table at the end, 8-aligned")
        check((revision, kind) == (0x200, 2) and 8 < length <= certificates.Size,
              "an Authenticode signature (WIN_CERTIFICATE revision 2.0, PKCS#7 signed data)")
    else:
        check((certificates.VirtualAddress, certificates.Size) == (0, 0), "not signed: no certificate table")
    check(image <= max_size, f"size {image} <= {max_size}" + (" before the certificate table" if signed else ""))
    check(fh.Characteristics & 0x2000 != 0, "a DLL")
    check(fh.Characteristics & 0x0001 == 0, "relocations not stripped")
    reloc = oh.DATA_DIRECTORY[5]
    if x64:
        # Everything is addressed relative to the instruction pointer: loaded anywhere, the
        # DLL needs no fix-ups.  An absolute address would show up here.
        check(reloc.Size == 0, f"no base relocations needed ({reloc.Size} bytes)")
        check(oh.DllCharacteristics & 0x0020 != 0, "HIGH_ENTROPY_VA")
        check(oh.ImageBase > 0xFFFFFFFF, f"image base {oh.ImageBase:#x} above 4 GiB")
    else:
        check(reloc.Size > 0, f"base relocations present ({reloc.Size} bytes)")
    check((oh.MajorSubsystemVersion, oh.MinorSubsystemVersion) == (4, 0), "subsystem version 4.0")
    check(oh.Subsystem == 2, "Windows GUI subsystem")
    check(oh.DllCharacteristics & 0x0040 != 0, "DYNAMIC_BASE")
    check(oh.DllCharacteristics & 0x0100 != 0, "NX_COMPAT")
    if oh.MajorLinkerVersion >= 14:
        # The MSVC linkers with /Brepro: the header's stamp is a hash of the contents, named
        # by a debug entry of type REPRO (16); dll_reproducible shows that it holds no time.
        repro = [d.struct for d in getattr(pe, "DIRECTORY_ENTRY_DEBUG", [])]
        check([(d.Type, d.TimeDateStamp) for d in repro] == [(16, fh.TimeDateStamp)],
              f"a content hash for the time stamp ({fh.TimeDateStamp:#010x}), from /Brepro")
    else:
        check(fh.TimeDateStamp == 0, "no time stamp in the file header")
        check(not hasattr(pe, "DIRECTORY_ENTRY_DEBUG"), "no debug directory")
    for s in pe.sections:
        name = s.Name.rstrip(b"\0").decode()
        wx = s.Characteristics & 0x80000000 and s.Characteristics & 0x20000000
        check(not wx, f"section {name} not both writable and executable")
    text = next(s for s in pe.sections if s.Name.startswith(b".text"))
    check(text.contains_rva(oh.AddressOfEntryPoint), "entry point in .text")

    exported = {e.name.decode(): e.address for e in pe.DIRECTORY_ENTRY_EXPORT.symbols if e.name}
    if x64:
        # Every function that calls another needs an unwind record, or an exception raised in
        # the dialog cannot pass through it: the exports at least, sorted, records in the image.
        table = oh.DATA_DIRECTORY[3]
        rows = [struct.unpack_from("<III", pe.get_data(table.VirtualAddress + i, 12))
                for i in range(0, table.Size, 12)]
        print(f"unwind table: {len(rows)} functions")
        check(table.Size > 0 and table.Size % 12 == 0, "an exception table of whole entries")
        check(rows == sorted(rows) and all(b < e for b, e, _ in rows), "entries sorted, each a range")
        check(all(text.contains_rva(b) and text.contains_rva(u) for b, _, u in rows),
              "functions and their unwind records inside .text")
        # Each record: version 1, no handler (nothing here catches), its codes inside .text.
        records = [pe.get_data(u, 4) for _, _, u in rows]
        check(all(r[0] == 1 for r in records), "unwind records of version 1 without handlers")
        check(all(text.contains_rva(u + 4 + 2 * r[2] - 1) for (_, _, u), r in zip(rows, records)),
              "unwind codes inside .text")
        for name, rva in sorted(exported.items()):
            check(any(b == rva for b, _, _ in rows), f"{name} has an unwind record")

    exports = {e.ordinal: (e.name.decode() if e.name else None) for e in pe.DIRECTORY_ENTRY_EXPORT.symbols}
    for ordinal, name in sorted(exports.items()):
        print(f"export @{ordinal} {name}")
    check(exports == EXPORTS, "exports exactly DisplayLegalBullshit @2 and ShowLegal @3")
    check(all(text.contains_rva(e.address) for e in pe.DIRECTORY_ENTRY_EXPORT.symbols),
          "exports point into .text (none forwarded)")
    check(pe.DIRECTORY_ENTRY_EXPORT.struct.TimeDateStamp == 0, "no time stamp in the export table")

    imports = {}
    for entry in pe.DIRECTORY_ENTRY_IMPORT:
        dll = entry.dll.decode().lower()
        names = {i.name.decode() if i.name else f"#{i.ordinal}" for i in entry.imports}
        imports[dll] = names
        for n in sorted(names):
            print(f"import {entry.dll.decode()} {n}")
    check(imports == IMPORTS, "imports exactly the KERNEL32, USER32 and GDI32 calls used")

    resources = []
    for rtype in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for rname in rtype.directory.entries:
            for rlang in rname.directory.entries:
                resources.append((rtype.id, str(rname.name) if rname.name else rname.id, rlang.id, rlang.data.struct))
    print("resources " + ", ".join(f"type {t} name {n} language {l}" for t, n, l, _ in resources))
    check([r[:3] for r in resources] == [(RT_DIALOG, "ABOUTBOX", 1033), (RT_VERSION, 1, 1033)],
          "two resources: RT_DIALOG ABOUTBOX and RT_VERSION 1, language 1033")
    check_version(pe, "legalprompt.dll", version)
    if resources:
        entry = resources[0][3]
        data = pe.get_data(entry.OffsetToData, entry.Size)
        check(struct.unpack_from("<I", data)[0] >> 16 != 0xFFFF, "classic DLGTEMPLATE, not extended")
        dialog, rest = parse_dialog(data)
        for key, want in DIALOG.items():
            if key != "items":
                check(dialog.get(key) == want, f"dialog {key} {show(key, want)}"
                      + ("" if dialog.get(key) == want else f" (found {show(key, dialog.get(key))})"))
        check(len(dialog["items"]) == len(DIALOG["items"]), f"{len(DIALOG['items'])} controls")
        for n, (got, want) in enumerate(zip(dialog["items"], DIALOG["items"]), 1):
            diff = {k: (got[k], v) for k, v in want.items() if got[k] != v}
            check(not diff, f"control {n} (id {want['id']}, {want['text']!r}) "
                            + ("matches" if not diff else f"differs: {diff}"))
        check(len(rest) <= 3 and not any(rest), "nothing after the last control but padding")

    return summary()


if __name__ == "__main__":
    if len(sys.argv) not in (3, 4) or sys.argv[3:] not in ([], ["signed"]):
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2], sys.argv[3:] == ["signed"]))
