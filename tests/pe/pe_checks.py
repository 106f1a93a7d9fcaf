"""What the byte checks share: one check that prints its verdict and remembers a failure, the
summary, and the version resource of a built binary, read as Windows' version API reads it
(fixed file info, the strings of the US English Unicode table, the translation), checked
against what the kit promises: the project's version, the product name, the file's own name
and description."""

DESCRIPTIONS = {
    "legalprompt.dll": "Licence agreement prompt",
    "legalprompt.exe": "Licence agreement prompt",
    "legalpromptw.exe": "Licence agreement prompt, no console window",
    "liscn.exe": "Licence agreement text checker",
}
failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures.append(what)
    return ok


def summary():
    """Prints how the checks went; the exit code: 1 if any failed."""
    if failures:
        print(f"{len(failures)} check(s) failed")
        return 1
    print("all checks passed")
    return 0


VFT_APP, VFT_DLL, VOS_NT_WINDOWS32, RT_VERSION = 1, 2, 0x40004, 16


def check_version(pe, name, version):
    """Checks the version resource of pe, the file called name."""
    if not check(hasattr(pe, "VS_FIXEDFILEINFO") and hasattr(pe, "FileInfo"), f"{name}: a version resource"):
        return
    fixed = pe.VS_FIXEDFILEINFO[0]
    number = tuple(int(n) for n in version.split(".")) + (0,)
    as_words = (number[0] << 16 | number[1], number[2] << 16 | number[3])
    check((fixed.FileVersionMS, fixed.FileVersionLS) == as_words, f"{name}: file version {version}.0")
    check((fixed.ProductVersionMS, fixed.ProductVersionLS) == as_words, f"{name}: product version {version}.0")
    fields = (fixed.Signature, fixed.StrucVersion, fixed.FileFlagsMask, fixed.FileFlags, fixed.FileOS,
              fixed.FileType, fixed.FileSubtype, fixed.FileDateMS, fixed.FileDateLS)
    want_fields = (0xFEEF04BD, 0x10000, 0x3F, 0, VOS_NT_WINDOWS32,
                   VFT_DLL if name.endswith(".dll") else VFT_APP, 0, 0, 0)
    check(fields == want_fields, f"{name}: fixed file info {[hex(f) for f in want_fields]}"
          + ("" if fields == want_fields else f" (found {[hex(f) for f in fields]})"))
    languages = [(n.id, lang.id) for t in pe.DIRECTORY_ENTRY_RESOURCE.entries if t.id == RT_VERSION
                 for n in t.directory.entries for lang in n.directory.entries]
    check(languages == [(1, 1033)], f"{name}: one version resource, 1 in US English ({languages})")
    strings, translations = {}, []
    for info in pe.FileInfo[0]:
        if info.Key == b"StringFileInfo":
            for table in info.StringTable:
                strings[table.LangID.decode()] = {k.decode(): v.decode() for k, v in table.entries.items()}
        elif info.Key == b"VarFileInfo":
            translations = [v for var in info.Var for v in var.entry.values()]
    want = {
        "FileDescription": DESCRIPTIONS.get(name, "?"),
        "FileVersion": version,
        "LegalCopyright": "Copyright (C) 2026 LegalPrompt",
        "OriginalFilename": name,
        "ProductName": "LegalPrompt",
        "ProductVersion": version,
    }
    got = strings.get("040904b0", strings.get("040904B0"))
    check(list(strings) in (["040904b0"], ["040904B0"]) and got == want,
          f"{name}: strings {want}" + ("" if got == want else f" (found {strings})"))
    check(translations == ["0x0409 0x04b0"], f"{name}: translation US English, Unicode ({translations})")

