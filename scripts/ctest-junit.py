#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""What scripts/test.sh reads from CTest, from its machine-readable output
rather than its screen text.

  ctest-junit.py count JUNIT.xml
      prints "PASSED FAILED SKIPPED", then "failed NAME" or "passed NAME" for
      each test that failed or passed. A
      test that did not run for any reason but its own skip code (a missing
      program, a failed fixture) counts as failed, as ctest counts it.
  ctest-junit.py labels BUILD_DIR
      fails, naming them, when a test has no harness label.
"""
import json
import subprocess
import sys
import xml.etree.ElementTree as ET

HARNESSES = {"unit", "window", "dbus", "audio", "xvfb", "render", "manual", "packaging", "wayland"}


def count(path):
    passed, failed, skipped = 0, 0, 0
    names = []
    for case in ET.parse(path).getroot().iter("testcase"):
        status = case.get("status")
        skip = case.find("skipped")
        if status == "run":
            passed += 1
            names.append("passed " + case.get("name"))
        elif status == "disabled" or (status == "notrun" and skip is not None
                                      and skip.get("message", "").startswith("SKIP_")):
            skipped += 1
        else:
            failed += 1
            names.append("failed " + case.get("name"))
    print(passed, failed, skipped)
    for name in names:
        print(name)


def labels(build_dir):
    shown = subprocess.run(["ctest", "--show-only=json-v1"], cwd=build_dir, check=True,
                           capture_output=True, text=True).stdout
    bare = []
    for test in json.loads(shown)["tests"]:
        named = set()
        for prop in test.get("properties", []):
            if prop["name"] == "LABELS":
                named.update(prop["value"])
        if not named & HARNESSES:
            bare.append(test["name"])
    for name in bare:
        print(f"FAIL: {name} has no harness label (one of {', '.join(sorted(HARNESSES))})")
    return 1 if bare else 0


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "count":
        count(sys.argv[2])
    elif len(sys.argv) == 3 and sys.argv[1] == "labels":
        sys.exit(labels(sys.argv[2]))
    else:
        sys.exit(__doc__)
