#!/usr/bin/env python3
"""Recomputes the lines statistics of every case in the case table with the standard library
alone and compares them with what the calculation wrote (relative difference 1e-9).

Day numbers follow the program's calendar: day 0 is 1 January 1900 and 1900 counts as a leap
year, so every date from 1 March 1900 on is one day later than the plain calendar gives.
Balances are summed day by day; compound interest multiplies the balance of each day by its
growth to the period's end.
"""
import datetime
import math
import statistics
import sys

FIRST = datetime.date(1900, 1, 1)
NAMES = ["before", "positive", "negative", "period", "after", "linecount", "cardcount",
         "average", "median", "max", "min", "turnovertime", "turnoverrate", "variance",
         "stddeviation", "posinterest", "neginterest"]


def day_number(d):
    n = (d - FIRST).days
    return n + 1 if d >= datetime.date(1900, 3, 1) else n


def read_cases(path):
    cases = []
    for raw in open(path, encoding="utf-8"):
        words = raw.split()
        if not words or words[0].startswith("#"):
            continue
        key = words[0]
        if key == "case":
            cases.append({"name": words[1], "rates": (0.0, 0.0), "method": "L", "off": set(),
                          "accumulated": 0, "lines": []})
            continue
        c = cases[-1]
        if key == "period":
            c["from"] = datetime.date.fromisoformat(words[1])
            c["to"] = datetime.date.fromisoformat(words[2])
        elif key == "rates":
            c["rates"] = (float(words[1]), float(words[2]))
        elif key == "method":
            c["method"] = words[1]
        elif key == "off":
            c["off"].add(words[1])
        elif key == "accumulated":
            c["accumulated"] = int(words[1])
        elif key == "line":
            date = datetime.date.fromisoformat(words[1])
            c["lines"].append((date, int(words[2]), [float(w) for w in words[3:5]]))
    return cases


def finite(x):
    return x is not None and math.isfinite(x)


def compute(c):
    """The statistics of one case: {(column, name): value}, rows: [balance]."""
    first, last = day_number(c["from"]), day_number(c["to"])
    before_on = "B" not in c["off"]
    after_on = "F" not in c["off"]
    rp, rn = c["rates"]
    out = {}
    inside = [l for l in c["lines"] if c["from"] <= l[0] <= c["to"]]
    earlier = [l for l in c["lines"] if l[0] < c["from"]]
    later = [l for l in c["lines"] if l[0] > c["to"]]
    cards = {(l[0], l[1]) for l in inside}
    rows = []
    for col in range(2):
        values = [l[2][col] for l in inside]
        before = math.fsum(v for v in (l[2][col] for l in earlier) if finite(v)) if before_on else 0.0
        after = math.fsum(v for v in (l[2][col] for l in later) if finite(v)) if after_on else 0.0
        positive = math.fsum(v for v in values if finite(v) and v > 0)
        negative = math.fsum(v for v in values if finite(v) and v < 0)
        period = positive + negative
        # Balance held at the end of each day of the period, day by day.
        balance_days = {1: 0.0, -1: 0.0}
        interest_exp = {1: 0.0, -1: 0.0}
        growth = {1: 1 + rp / 100, -1: 1 + rn / 100}
        end = last + 1
        balance = before
        running = []
        by_day = {}
        for l in inside:
            by_day.setdefault(day_number(l[0]), []).append(l[2][col])
        for day in range(first, last + 1):
            for v in by_day.get(day, []):
                balance += v
                running.append(balance)
            if finite(balance) and balance != 0:
                sign = 1 if balance > 0 else -1
                balance_days[sign] += balance
                f = growth[sign]
                interest_exp[sign] += balance * (f ** ((end - day) / 365) - f ** ((end - day - 1) / 365))
        if col == c["accumulated"]:
            rows = running
        n = len(values)
        if c["method"] == "L":
            pos_interest = balance_days[1] * rp / 36500
            neg_interest = balance_days[-1] * rn / 36500
        else:
            pos_interest, neg_interest = interest_exp[1], interest_exp[-1]
        total_days = balance_days[1] + balance_days[-1]
        flow = max(positive, -negative)
        turnover_time = abs(total_days) / flow if flow else None
        numbers = [v for v in values if not math.isnan(v)]
        median = statistics.median(numbers) if numbers else None
        average = period / n if n else None
        variance = statistics.pvariance(values, mu=average) if n else None
        balances = [before] + running
        days = last - first + 1
        stats = {
            "before": before, "positive": positive, "negative": negative, "period": period,
            "after": after, "linecount": float(n), "cardcount": float(len(cards)),
            "average": average, "median": median,
            "max": max(values) if values else None, "min": min(values) if values else None,
            "turnovertime": turnover_time,
            # Without flows the time is infinite (rate 0), or not a number when no balance
            # was held either.
            "turnoverrate": (365 / turnover_time if turnover_time else None) if flow
            else (0.0 if total_days else None),
            "variance": variance,
            "stddeviation": math.sqrt(variance) if finite(variance) else None,
            "posinterest": pos_interest, "neginterest": neg_interest,
        }
        for name, value in stats.items():
            out[(str(col), name)] = value
        if col == c["accumulated"]:
            acc = {name: None for name in NAMES}
            if before_on:
                acc["period"] = balance
                acc["after"] = balance + after
            acc["average"] = total_days / days if days >= 1 else None
            acc["max"] = max(balances)
            acc["min"] = min(balances)
            for name, value in acc.items():
                out[("S", name)] = value
    return out, rows


def close(a, b):
    if a is None or not math.isfinite(a):
        return b is None
    if b is None:
        return False
    return a == b or abs(a - b) <= 1e-9 * max(abs(a), abs(b), 1e-300) or abs(a - b) < 1e-9


def main():
    cases = read_cases(sys.argv[1])
    written = {}
    for raw in open(sys.argv[2], encoding="utf-8"):
        name, column, stat, value = raw.rstrip("\n").split("\t")
        written[(name, column, stat)] = float(value) if value else None
    failures = 0
    for c in cases:
        expected, rows = compute(c)
        for (column, stat), value in expected.items():
            key = (c["name"], column, stat)
            if key not in written:
                print("missing", key)
                failures += 1
            elif not close(value, written[key]):
                print("%s %s %s: oracle %r, calculation %r" % (key + (value, written[key])))
                failures += 1
        for i, balance in enumerate(rows):
            key = (c["name"], "row", str(i))
            if not close(balance, written.get(key)):
                print("%s row %d: oracle %r, calculation %r" % (c["name"], i, balance, written.get(key)))
                failures += 1
    print("%d cases, %d differences" % (len(cases), failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
