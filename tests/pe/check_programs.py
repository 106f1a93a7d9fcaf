#!/usr/bin/python3
"""Reads the kit's programs as built: the two prompt programs (no C runtime: 12 KB at most,
kernel32 and user32 only, both known DLLs, the console and the GUI subsystem, and an application
manifest, which it prints) and the text tool, each of the build's width, without a time stamp,
with ASLR and NX, and with its version resource.
usage: check_programs.py VERSION win32|win64 DIRECTORY; exits 1 if any check failed."""
import os
import sys
import xml.etree.ElementTree as ElementTree

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
PROMPT_SIZE = 12288

RT_MANIFEST = 24
# Each setting where Windows reads it, and nowhere else.
NAMESPACES = {"v1": "urn:schemas-microsoft-com:asm.v1", "v3": "urn:schemas-microsoft-com:asm.v3",
              "compatibility": "urn:schemas-microsoft-com:compatibility.v1",
              "s2005": "http://schemas.microsoft.com/SMI/2005/WindowsSettings",
              "s2016": "http://schemas.microsoft.com/SMI/2016/WindowsSettings"}
DEPENDENCY = "v1:dependency/v1:dependentAssembly/v1:assemblyIdentity"
EXECUTION_LEVEL = "v3:trustInfo/v3:security/v3:requestedPrivileges/v3:requestedExecutionLevel"
SYSTEMS = "compatibility:compatibility/compatibility:application/compatibility:supportedOS"
SETTINGS = "v3:application/v3:windowsSettings/"
# Windows 7, 8, 8.1, and 10 and 11 (one identifier).
SUPPORTED_OS = {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}
COMMON_CONTROLS = {"type": "win32", "name": "Microsoft.Windows.Common-Controls", "version": "6.0.0.0",
                   "processorArchitecture": "*", "publicKeyToken": "6595b64144ccf1df", "language": "*"}


def check_manifest(pe, name):
    """The application manifest: resource 1 of type RT_MANIFEST, the one Windows reads when it
    starts the program; per-monitor DPI awareness (version 2, then 1, then the older setting),
    Common Controls 6, asInvoker, Windows 7 to 11."""
    found = [(n.id, lang.id, lang.data.struct) for t in pe.DIRECTORY_ENTRY_RESOURCE.entries if t.id == RT_MANIFEST
             for n in t.directory.entries for lang in n.directory.entries]
    check([(i, lang) for i, lang, _ in found] == [(1, 1033)], f"{name}: one manifest, resource 1 in US English")
    if not found:
        return
    text = pe.get_data(found[0][2].OffsetToData, found[0][2].Size)
    print(f"{name}: manifest\n{text.decode('utf-8', 'replace')}")
    try:
        root = ElementTree.fromstring(text)
    except ElementTree.ParseError as error:
        check(False, f"{name}: the manifest is well-formed XML ({error})")
        return
    check(root.tag == "{%s}assembly" % NAMESPACES["v1"] and root.get("manifestVersion") == "1.0",
          f"{name}: an assembly, version 1.0")
    # Of its own no identity: the one assemblyIdentity is the dependency's.
    identities = [a.attrib for a in root.iter("{%s}assemblyIdentity" % NAMESPACES["v1"])]
    dependencies = [a.attrib for a in root.findall(DEPENDENCY, NAMESPACES)]
    check(dependencies == [COMMON_CONTROLS] and identities == dependencies,
          f"{name}: depends on Common Controls 6 alone ({identities})")
    levels = [e.attrib for e in root.findall(EXECUTION_LEVEL, NAMESPACES)]
    check(levels == [{"level": "asInvoker", "uiAccess": "false"}], f"{name}: asInvoker, no UI access ({levels})")
    systems = [e.get("Id") for e in root.findall(SYSTEMS, NAMESPACES)]
    check(sorted(systems) == sorted(SUPPORTED_OS), f"{name}: supports Windows 7, 8, 8.1, 10 and 11 ({systems})")
    aware = [e.text for e in root.findall(SETTINGS + "s2005:dpiAware", NAMESPACES)]
    awareness = [e.text for e in root.findall(SETTINGS + "s2016:dpiAwareness", NAMESPACES)]
    check(aware == ["true/pm"], f"{name}: dpiAware true/pm, for Windows 8.1 and early Windows 10 ({aware})")
    check(awareness == ["PerMonitorV2, PerMonitor"], f"{name}: dpiAwareness PerMonitorV2, then PerMonitor ({awareness})")


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
            check_manifest(pe, name)
        check_version(pe, name, version)
    return summary()


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
