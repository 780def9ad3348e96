#!/usr/bin/env python3
"""scripts/test-summary.py PHASE_DIR...: the closing summary of ./test.sh.

Each PHASE_DIR holds one CTest run: ctest.xml (CTest's JUnit report) and one GoogleTest
XML report per test program (GTEST_OUTPUT). A program that wrote a GoogleTest report
counts by its test cases; any other CTest test (fuzz replays, scripts) counts as one case.
Prints, per phase, passed, failed and skipped with the name and reason of each skipped
or failed case, then one closing line 'N passed, M failed' over all phases. Exits 1 when
any case failed, a phase has no CTest report, or a phase ran no test at all.
"""
import os
import re
import sys
import xml.etree.ElementTree as ET


def reason_of(message):
    """GoogleTest's message without the leading 'file:line' line, on one line."""
    lines = [l.strip() for l in message.splitlines() if l.strip()]
    if lines and re.match(r"^.+:\d+$", lines[0]):
        lines = lines[1:]
    return " ".join(lines)


def gtest_cases(path):
    """(name, outcome, reason) for each case of one GoogleTest XML report."""
    for case in ET.parse(path).getroot().iter("testcase"):
        name = f"{case.get('classname')}.{case.get('name')}"
        failure = case.find("failure")
        skipped = case.find("skipped")
        if failure is not None:
            yield name, "failed", reason_of(failure.get("message") or "")
        elif skipped is not None or case.get("result") == "skipped":
            message = (skipped.get("message") if skipped is not None else "") or ""
            yield name, "skipped", reason_of(message)
        elif case.get("status") == "notrun" or case.get("result") == "suppressed":
            continue  # a DISABLED_ case: not part of the run
        else:
            yield name, "passed", ""


def last_line(text):
    lines = [l.strip() for l in (text or "").splitlines() if l.strip()]
    return lines[-1] if lines else ""


def phase_cases(folder):
    report = os.path.join(folder, "ctest.xml")
    if not os.path.exists(report):
        return None
    cases = []
    for test in ET.parse(report).getroot().iter("testcase"):
        name = test.get("name")
        status = test.get("status")  # run, fail, notrun (skipped or not runnable)
        output = test.findtext("system-out") or ""
        gtest = os.path.join(folder, name + ".xml")
        if os.path.exists(gtest):
            program = list(gtest_cases(gtest))
            cases += program
            if status == "fail" and not any(o == "failed" for _, o, _ in program):
                cases.append((name, "failed", "the program failed after its tests: " + last_line(output)))
        elif status == "run":
            cases.append((name, "passed", ""))
        elif status == "notrun" and test.find("skipped") is not None:
            cases.append((name, "skipped", last_line(output) or "skipped by the test itself"))
        else:
            cases.append((name, "failed", last_line(output) or status))
    return cases


def main(folders):
    total_passed = total_failed = 0
    ok = True
    print("== summary")
    for folder in folders:
        phase = os.path.basename(folder.rstrip("/"))
        cases = phase_cases(folder)
        if cases is None:
            print(f"{phase}: no test report (the phase did not run its tests)")
            total_failed += 1
            ok = False
            continue
        counts = {o: sum(1 for _, x, _ in cases if x == o) for o in ("passed", "failed", "skipped")}
        print(f"{phase}: {counts['passed']} passed, {counts['failed']} failed, {counts['skipped']} skipped")
        for name, outcome, reason in cases:
            if outcome != "passed":
                print(f"  {outcome}: {name}: {reason or 'no reason given'}")
        if not cases:
            print(f"  {phase} ran no test")
            ok = False
        total_passed += counts["passed"]
        total_failed += counts["failed"]
    print(f"{total_passed} passed, {total_failed} failed")
    return 0 if ok and total_failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
