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
        # A test that says "unavailable: " lacks a tool that the machine could not be given,
        # and says which; any other skipped test (one that says "skipped: ", or whose fixture
        # failed) means that its width's programs did not all run under Wine.
        tools = [(name, out) for name, out in skipped if any(l.startswith("unavailable: ") for l in out.splitlines())]
        for name, out in tools:
            why = next(l for l in out.splitlines() if l.startswith("unavailable: "))
            print(f"{'':<10} {name} {why}")
        wine = [(name, out) for name, out in skipped if (name, out) not in tools]
        if preset in WINDOWS:
            if wine:
                why = next((l[len("skipped: "):] for _, out in wine for l in out.splitlines()
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
