#!/usr/bin/env python3
"""Checks the example's time functions export against its sales lines export from outside.

Both files were written by qeb.exe (app_program_tests). The per-month sums are formed here from
the lines themselves: the month from each line's card id (yymmdd-n, two-digit years 1970 to
2069), the value from the line's value cell. The table must show them as "Utfall", the same month
a year earlier as "Ifjol", their difference as "Skillnad", a zero "Before" row and "Totals".
Usage: tfunc_outside.py tfunc_export.txt lines_export.txt
"""
import calendar
import re
import sys
from collections import defaultdict

MONTHS = {name: number for number, name in enumerate(calendar.month_name) if name}


def read(path):
    with open(path, encoding="utf-8-sig") as f:
        return [line.rstrip("\r\n").split("\t") for line in f.read().split("\n") if line.strip()]


def number(text):
    return float(text) if text.strip() else 0.0


def main():
    table, lines = read(sys.argv[1]), read(sys.argv[2])
    sums = defaultdict(float)
    card = re.compile(r"^(\d\d)(\d\d)(\d\d)-\d+$")
    count = 0
    for fields in lines:
        m = card.match(fields[0])
        if not m:
            continue
        yy, mm = int(m.group(1)), int(m.group(2))
        year = 2000 + yy if yy < 70 else 1900 + yy
        sums[(year, mm)] += number(fields[-2])
        count += 1
    failures = []

    def expect(label, got, want):
        # The table shows whole numbers: half a unit of display rounding, plus float noise.
        if abs(got - want) > 0.5 + 1e-9 * abs(want):
            failures.append(f"{label}: table {got}, lines {want}")

    periods = 0
    totals = [0.0, 0.0, 0.0]
    for fields in table:
        label, values = fields[0], [number(v) for v in fields[1:4]]
        if label.startswith("Before "):
            for v in values:
                expect(label, v, 0.0)
            continue
        if label == "Totals":
            for i, name in enumerate(("Utfall", "Ifjol", "Skillnad")):
                expect(f"Totals {name}", values[i], totals[i])
            continue
        year_text, month_name = label.split(" ", 1)
        year, month = int(year_text), MONTHS[month_name]
        now, before = sums.get((year, month), 0.0), sums.get((year - 1, month), 0.0)
        expect(f"{label} Utfall", values[0], now)
        expect(f"{label} Ifjol", values[1], before)
        expect(f"{label} Skillnad", values[2], now - before)
        totals = [totals[0] + now, totals[1] + before, totals[2] + now - before]
        periods += 1
    if periods < 12 or count < 100:
        failures.append(f"too little to compare: {periods} months, {count} lines")
    missing = [k for k in sums if not any(
        f[0] == f"{k[0]} {calendar.month_name[k[1]]}" for f in table)]
    if missing:
        failures.append(f"months with lines but no row: {sorted(missing)[:5]}")
    for failure in failures[:20]:
        print(failure)
    print(f"{periods} months, {count} lines, {len(failures)} differences")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
