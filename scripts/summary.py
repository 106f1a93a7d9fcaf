#!/usr/bin/python3
"""The test command's summary, from what ctest wrote of each preset (--output-junit, in the
preset's build folder): the counts, the tests that failed, the tests that passed only after a
retry or a wait that they said ("retried:", "waited:" lines), and which widths of Windows programs
ran under Wine.  A preset whose build failed wrote nothing.

usage: summary.py BUILD_DIR PRESET...    exit 1 when a preset has no result or a test failed"""
import sys
import xml.etree.ElementTree as ElementTree

WINDOWS = ("win32", "win64", "msvc-win32", "msvc-win64")


def read(path):
    """The preset's test cases as (name, status, output), or None when there are none."""
    try:
        suite = ElementTree.parse(path).getroot()
    except (OSError, ElementTree.ParseError):
        return None
    cases = []
    for case in suite.iter("testcase"):
        out = case.findtext("system-out") or ""
        cases.append((case.get("name"), case.get("status"), out))
    return cases


def reason(lines):
    """Why a test skipped: the line after GoogleTest's "Skipped", else its last line."""
    for said, after in zip(lines, lines[1:]):
        if said.endswith(": Skipped") or said == "Skipped":
            return after
    return lines[-1] if lines else "no reason given"


def main(build, presets):
    good = True
    ran, not_run = [], []
    print("== summary")
    for preset in presets:
        cases = read(f"{build}/{preset}/junit.xml")
        if cases is None:
            print(f"{preset:<10} no result: the build or the test run failed (build/test-logs/{preset}.log)")
            good = False
            not_run.append(f"{preset}: no result")
            continue
        failed = [name for name, status, _ in cases if status == "fail"]
        skipped = [(name, out) for name, status, out in cases if status == "notrun"]
        line = f"{preset:<10} {len(cases) - len(failed) - len(skipped)} of {len(cases)} passed"
        if skipped:
            line += f", {len(skipped)} skipped"
        if failed:
            line += f", {len(failed)} failed: {' '.join(failed)}"
            good = False
        print(line)
        for name, status, out in cases:
            for said in out.splitlines():
                if status == "run" and said.startswith(("retried: ", "waited: ")):
                    print(f"{'':<10} {name} {said}")
        # A test that says "skipped: ", or whose fixture failed, did not run its width's
        # programs under Wine; any other skipped test is named, with the reason it gave.
        wine = []
        for name, out in skipped:
            lines = [l.strip() for l in out.splitlines() if l.strip()]
            if any(l.startswith("skipped: ") or l.startswith("Failed test dependencies") for l in lines):
                wine.append(out)
            else:
                print(f"{'':<10} {name} skipped: {reason(lines)}")
        if preset in WINDOWS:
            if wine:
                why = next((l[len("skipped: "):] for out in wine for l in out.splitlines()
                            if l.startswith("skipped: ")), "tests were skipped")
                not_run.append(f"{preset}: {why}")
            else:
                ran.append(preset)
    if any(p in WINDOWS for p in presets):
        print(f"Windows programs ran under Wine for: {' '.join(ran) or 'none'}")
        for line in not_run:
            if line.split(":")[0] in WINDOWS:
                print(f"not run under Wine: {line}")
    return 0 if good else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2:]))
