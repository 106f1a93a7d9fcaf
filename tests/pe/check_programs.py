#!/usr/bin/python3
"""Reads the kit's programs as built: the two prompt programs (no C runtime: 10 KB at most,
kernel32 and user32 only, both known DLLs, the console and the GUI subsystem) and the text tool, each of the
build's width, without a time stamp, with ASLR and NX, and with its version resource.
usage: check_programs.py VERSION win32|win64 DIRECTORY; exits 1 if any check failed."""
import os
import sys

import pefile

from pe_checks import check, check_version, summary

MACHINES = {"win32": 0x14C, "win64": 0x8664}
# The prompt programs: their subsystem (3 console, 2 GUI) and every call they import.
PROMPTS = {"legalprompt.exe": 3, "legalpromptw.exe": 2}
PROMPT_IMPORTS = {
    "kernel32.dll": {"AttachConsole", "CloseHandle", "CreateFileW", "ExitProcess", "FormatMessageW",
                     "GetACP", "GetCommandLineW", "GetConsoleMode", "GetCurrentDirectoryW",
                     "GetFileAttributesW", "GetFileType", "GetLastError", "GetModuleFileNameW",
                     "GetModuleHandleW", "GetProcAddress", "GetStdHandle", "LoadLibraryExW", "ReadFile",
                     "SetFilePointer", "WideCharToMultiByte", "WriteConsoleW", "WriteFile", "lstrcmpiW"},
    # No shell32: a DLL that it needs and Windows does not hold among its known DLLs (shcore)
    # would be looked for beside the program first.
    "user32.dll": {"GetProcessWindowStation", "GetUserObjectInformationW"},
}
PROMPT_SIZE = 10240


def main(version, arch, directory):
    for name in sorted(PROMPTS) + ["liscn.exe"]:
        path = os.path.join(directory, name)
        raw = open(path, "rb").read()
        pe = pefile.PE(data=raw)
        fh, oh = pe.FILE_HEADER, pe.OPTIONAL_HEADER
        print(f"{name}: {len(raw)} bytes")
        check(fh.Machine == MACHINES[arch], f"{name}: machine {MACHINES[arch]:#x} of {arch} ({fh.Machine:#x})")
        check(fh.TimeDateStamp == 0, f"{name}: no time stamp")
        check(oh.DllCharacteristics & 0x0140 == 0x0140, f"{name}: DYNAMIC_BASE and NX_COMPAT")
        check(not hasattr(pe, "DIRECTORY_ENTRY_DEBUG"), f"{name}: stripped, no debug directory")
        if name in PROMPTS:
            check(len(raw) <= PROMPT_SIZE, f"{name}: size {len(raw)} <= {PROMPT_SIZE}")
            check(oh.Subsystem == PROMPTS[name],
                  f"{name}: {'console' if PROMPTS[name] == 3 else 'GUI'} subsystem ({oh.Subsystem})")
            imports = {e.dll.decode().lower(): {i.name.decode() for i in e.imports}
                       for e in pe.DIRECTORY_ENTRY_IMPORT}
            check(imports == PROMPT_IMPORTS, f"{name}: imports only the kernel32 and user32 calls it makes"
                  + ("" if imports == PROMPT_IMPORTS else f" (found {imports})"))
        check_version(pe, name, version)
    return summary()


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
