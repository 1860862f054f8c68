#!/usr/bin/env python3
"""Recomputes every entry of every case of the time functions case table with the standard
library alone and compares it with what the calculation wrote (ends exactly, values to 1e-9
relative).

The periods come from the calendar itself: month ends from calendar.monthrange, week ends from
the weekday (Sunday). The program's calendar counts 1900 as a leap year (day 59 is a 29 February
1900 that never was), so its day numbers from 1 March 1900 on are one more than the plain count,
and before that day its week ends (day numbers that are multiples of 7) fall on Mondays.

Each entry of a calendar or Active Days period holds the lines whose cards lie after the
previous entry's end and not after its own, each selection's window moved back by its time
shift; Active Cards, Groups and Lines hold the lines of one card, group or line.
"""
import calendar
import datetime
import math
import statistics
import sys

DAY = datetime.timedelta(days=1)
FIRST = datetime.date(1900, 1, 1)
MARCH_1900 = datetime.date(1900, 3, 1)
NO_DATE = datetime.date(1899, 12, 31)  # the empty date: before every date
OPEN = 0x7FFFFFFF
MEASURES = "CKcSsPAGDTRMNFL"


def day_number(d):
    n = (d - FIRST).days
    return n + 1 if d >= MARCH_1900 else n


def date_of_day_number(n):
    return FIRST + datetime.timedelta(days=n - 1 if n >= 60 else n)


def is_week_end(d):
    return d.weekday() == 6 if d >= MARCH_1900 else d.weekday() == 0


def month_end(year, month):
    return datetime.date(year, month, calendar.monthrange(year, month)[1])


def prev_id(cid):
    d, n = cid
    if n < 2:
        return (d - DAY if d > FIRST else NO_DATE, OPEN)
    return (d, n - 1)


def next_id(cid):
    d, n = cid
    if n >= 999:
        return (d + DAY, 1)
    return (d, n + 1)


def iso_date(text):
    return datetime.date.fromisoformat(text)


def card_id(text):
    parts = text.split("-")
    return (datetime.date(int(parts[0]), int(parts[1]), int(parts[2])),
            int(parts[3]) if len(parts) > 3 else 1)


# --- The case table ------------------------------------------------------------------------------

def read_cases(path):
    cases = []
    for raw in open(path, encoding="utf-8"):
        w = raw.split()
        if not w or w[0].startswith("#"):
            continue
        if w[0] == "case":
            cases.append({"name": w[1], "before": True, "scale": [], "lines": [], "sels": [],
                          "formulas": []})
            continue
        c = cases[-1]
        if w[0] == "period":
            c["type"], c["from"], c["to"] = int(w[1]), iso_date(w[2]), iso_date(w[3])
        elif w[0] == "before":
            c["before"] = w[1] != "off"
        elif w[0] == "scale":
            c["scale"].append(card_id(w[1]))
        elif w[0] == "line":
            value = lambda t: float("nan") if t == "nan" else float(t)
            c["lines"].append({"date": iso_date(w[1]), "card": int(w[2]), "account": w[3],
                               "values": [value(w[4]), value(w[5]) if len(w) > 5 else 0.0]})
        elif w[0] == "lines-of":
            c["lines"] = [dict(l) for l in next(x for x in cases if x["name"] == w[1])["lines"]]
        elif w[0] == "sel":
            s = {"name": w[1], "measure": w[2], "by_period": w[3] == "P", "totals": False,
                 "shift": "", "column": 0, "from": None, "to": None}
            for option in w[4:]:
                if option == "totals":
                    s["totals"] = True
                elif option.startswith("shift="):
                    s["shift"] = option[6:]
                elif option.startswith("column="):
                    s["column"] = int(option[7:])
                elif option.startswith("from="):
                    s["from"] = (iso_date(option[5:]), 1)
                elif option.startswith("to="):
                    s["to"] = (iso_date(option[3:]), OPEN)
            if s["measure"] == "c":
                s["measure"] = "S"
            c["sels"].append(s)
        elif w[0] == "formula":
            c["formulas"].append({"name": w[1], "op": w[2], "text": w[3],
                                  "totals": len(w) > 4 and w[4] == "totals"})
    return cases


def walk_order(lines):
    """The lines as the card walk meets them: by card id, then by group (accounts in the order
    they first appear on the card), then in order."""
    groups = {}
    keyed = []
    for i, l in enumerate(lines):
        cid = (l["date"], l["card"])
        order = groups.setdefault(cid, [])
        if l["account"] not in order:
            order.append(l["account"])
        keyed.append((cid, order.index(l["account"]), i, l))
    keyed.sort(key=lambda k: (k[0], k[1], k[2]))
    return [dict(k[3], id=k[0], group=k[1]) for k in keyed]


# --- Shifts --------------------------------------------------------------------------------------

def move_months(d, months, year_move, keep_end):
    last = d.day == calendar.monthrange(d.year, d.month)[1] and (not year_move or d.month == 2)
    index = d.year * 12 + d.month - 1 + months
    y, m = divmod(index, 12)
    length = calendar.monthrange(y, m + 1)[1]
    day = length if d.day > length or (keep_end and last) else d.day
    return datetime.date(y, m + 1, day)


def shift_id(cid, text, keep_end, direction=1):
    """The id moved back by the shift ("+" moves back, "-" forward)."""
    d = cid[0]
    if not text or d == NO_DATE:
        return cid
    if text[0] in "YQM":
        months = {"Y": 12, "Q": 3, "M": 1}[text[0]] * (-1 if text[1] == "+" else 1)
        d = move_months(d, months, text[0] == "Y", keep_end)
    else:
        count, unit = int(text[:-1]), text[-1]
        if unit in "YM":
            d = move_months(d, -count * (12 if unit == "Y" else 1), unit == "Y", keep_end)
        else:
            d = date_of_day_number(day_number(d) - count * (7 if unit == "W" else 1))
    return (d, OPEN if direction > 0 else 1)


# --- Periods -------------------------------------------------------------------------------------

def calendar_ends(c):
    """The period ends of types 0 to 11 and 16 as card ids."""
    t, start, end = c["type"], c["from"], c["to"]
    last = (end, OPEN)
    if t == 16:
        starts = sorted(c["scale"])
        ends, cur = [], prev_id((start, 1))
        while cur < last:
            probe = (start, 1) if cur[0] == NO_DATE else next_id(cur)
            before = [i for i, s in enumerate(starts) if s <= probe]
            if not before:
                e = prev_id(starts[0])
            elif before[-1] == len(starts) - 1:
                e = last
            else:
                e = prev_id(starts[before[-1] + 1])
            e = min(e, last)
            if e <= cur:
                e = last
            ends.append(e)
            cur = e
        return ends
    candidates = []
    if t <= 6:
        months = {0: (12,), 1: (6, 12), 2: (4, 8, 12), 3: (3, 6, 9, 12), 4: (2, 4, 6, 8, 10, 12),
                  5: tuple(range(1, 13)), 6: tuple(range(1, 13))}[t]
        for y in range(start.year, end.year + 1):
            for m in months:
                if t == 6:
                    candidates.append(datetime.date(y, m, 15))
                candidates.append(month_end(y, m))
    elif t == 10:
        d = start
        while d <= end:
            if is_week_end(d):
                candidates.append(d)
            d += DAY
    elif t <= 9:
        length = (11 - t) * 7
        d = date_of_day_number(day_number(start) - 1 + length)
        while not is_week_end(d):
            d -= DAY
        while d <= end:
            candidates.append(d)
            d += datetime.timedelta(days=length)
    else:
        d = start
        while d <= end:
            candidates.append(d)
            d += DAY
    ends = [(d, OPEN) for d in sorted(candidates) if start <= d < end]
    return ends + [last]


# --- Measures ------------------------------------------------------------------------------------

def fdiv(a, b):
    if b == 0:
        if a == 0 or math.isnan(a):
            return float("nan")
        return math.copysign(float("inf"), a)
    return a / b


def rounded(x):
    if not math.isfinite(x):
        return x
    return 0.0 if abs(x) < 0.5 else x


def median(values):
    if not values:
        return float("nan")
    ordered = sorted(values, key=lambda v: (math.isnan(v), 0 if math.isnan(v) else v))
    n = len(ordered)
    if n % 2:
        return ordered[n // 2]
    return (ordered[n // 2 - 1] + ordered[n // 2]) / 2


def measure(s, taken, all_taken, first_day, eval_day):
    """The selection's value over the taken lines (walk order); all_taken and the days are for
    the turnover measures: the balance of every line read so far, summed day by day."""
    m = s["measure"]
    vs = [l["values"][s["column"]] for l in taken]
    n = len(vs)
    if m == "C":
        return float(n)
    if m == "K":
        count, last = 0, None
        for l in taken:
            if l["id"] != last:
                count, last = count + 1, l["id"]
        return float(count)
    if m == "S":
        return rounded(math.fsum(vs) if all(map(math.isfinite, vs)) else sum(vs))
    if m == "s":
        return rounded(-(math.fsum(vs) if all(map(math.isfinite, vs)) else sum(vs)))
    if m == "P":
        p = 1.0
        for v in vs:
            p *= v
        return p
    if m == "A":
        return float("nan") if n == 0 else rounded(sum(vs)) / n
    if m == "G":
        if n == 0:
            return float("nan")
        logs, negative = 0.0, 0
        for v in vs:
            if math.isfinite(v) and v != 0:
                logs += math.log(abs(v))
                negative ^= v < 0
            else:
                logs = float("-inf")
        r = math.exp(logs / n)
        return -r if negative else r
    if m == "D":
        return median(vs)
    if m in "TR":
        balance = {}
        for l in all_taken:
            k = day_number(l["date"])
            balance[k] = balance.get(k, 0.0) + l["values"][s["column"]]
        integral, running = 0.0, 0.0
        for k in sorted(balance):
            if k < first_day:
                running += balance[k]
        for day in range(first_day, eval_day):
            running += balance.get(day, 0.0)
            integral += running
        pos = sum(v for v in vs if v > 0)
        neg = -sum(v for v in vs if v < 0)
        time = fdiv(abs(integral), max(pos, neg))
        return time if m == "T" else fdiv(365.0, time)
    if m in "MN":
        value = float("nan")
        for i, v in enumerate(vs):
            if i == 0 or (v > value if m == "M" else v < value):
                value = v
        return value
    if m == "F":
        return vs[0] if vs else float("nan")
    if m == "L":
        return vs[-1] if vs else float("nan")
    raise ValueError(m)


# --- The case --------------------------------------------------------------------------------------

def compute(c):
    t = c["type"]
    start, last = (c["from"], 1), (c["to"], OPEN)
    keep_end = t <= 6
    lines = walk_order(c["lines"])
    before_end = prev_id(start)

    def own(s, l):
        return (s["from"] is None or l["id"] >= s["from"]) and (s["to"] is None or l["id"] <= s["to"])

    def within(s, l, low, high):
        """The line lies in the selection's window (low, high], both moved by its shift."""
        lo = shift_id(low, s["shift"], keep_end) if low is not None else None
        hi = shift_id(high, s["shift"], keep_end)
        return own(s, l) and (lo is None or l["id"] > lo) and l["id"] <= hi

    sels = c["sels"]
    in_range = [l for l in lines if start <= l["id"] <= last and any(own(s, l) for s in sels)]
    any_shift = any(s["shift"] for s in sels)

    # The entries: (end, {selection index: taken lines}) after the Before entry.
    entries = []
    if t <= 11 or t == 16 or t == 12:
        if t == 12:
            days = set()
            if any_shift:
                d = c["from"]
                prev = before_end
                while d <= c["to"]:
                    e = (d, OPEN)
                    if any(within(s, l, prev, e) for s in sels for l in lines):
                        days.add(d)
                    prev = e
                    d += DAY
            else:
                days = {l["date"] for l in in_range}
            ends = [(d, OPEN) for d in sorted(days)]
        else:
            ends = calendar_ends(c)
        prev = before_end
        for e in ends:
            entries.append((e, {i: [l for l in lines if within(s, l, prev, e)]
                                for i, s in enumerate(sels)}))
            prev = e
        cumulative_end = lambda k: entries[k][0]
    else:
        groups = []
        for l in in_range:
            key = {13: l["id"], 14: (l["id"], l["group"]), 15: id(l)}[t]
            if not groups or groups[-1][0] != key:
                groups.append((key, []))
            groups[-1][1].append(l)
        for _, members in groups:
            entries.append((members[0]["id"], {i: [l for l in members if own(s, l)]
                                                for i, s in enumerate(sels)}))

    before_lines = {i: [l for l in lines if within(s, l, None, before_end)]
                    for i, s in enumerate(sels)}

    # Values entry by entry: Before first, then the periods.
    names = ["year", "month", "day", "weekday", "quarterday", "yearday", "perioddays", "T"]
    rows = []
    acc = {f["name"]: (1.0 if f["op"] in "MQ" else 0.0) for f in c["formulas"]}
    seen = {i: list(before_lines[i]) for i in range(len(sels))}
    eval_days = {i: 0 for i in range(len(sels))}
    first_day = day_number(c["from"])
    for k in range(-1, len(entries)):
        if k < 0:
            end, taken = before_end, before_lines
        else:
            end, taken = entries[k]
            for i in taken:
                seen[i] = seen[i] + [l for l in taken[i] if l not in seen[i]]
        env = {}
        if k < 0:
            s_date, pdays = date_of_day_number(first_day - 1), float("nan")
            env["T"] = 0.0
        else:
            if 11 <= t <= 15:
                s_date, pdays = end[0], 1.0
            else:
                s_date = c["from"] if k == 0 else entries[k - 1][0][0] + DAY
                pdays = float(day_number(end[0]) - day_number(s_date) + 1)
            env["T"] = (day_number(end[0]) - first_day + 1) / 365.25
        env.update(year=s_date.year, month=s_date.month, day=s_date.day,
                   weekday=s_date.weekday() + 1, perioddays=pdays,
                   quarterday=day_number(s_date) - day_number(
                       datetime.date(s_date.year, (s_date.month - 1) // 3 * 3 + 1, 1)) + 1,
                   yearday=day_number(s_date) - day_number(datetime.date(s_date.year, 1, 1)) + 1)
        values = []
        for i, s in enumerate(sels):
            lines_now = taken[i] if s["by_period"] else seen[i]
            shifted_end = shift_id(end, s["shift"], keep_end, -1)
            day = day_number(shifted_end[0]) if shifted_end[0] != NO_DATE else -1
            if s["to"] is not None:
                day = min(day, day_number(s["to"][0]))
            eval_day = day + 1
            from_day = eval_days[i] if s["by_period"] and k >= 0 else 0
            v = measure(s, lines_now, seen[i], from_day, max(eval_day, from_day))
            eval_days[i] = max(eval_day, eval_days[i])
            env[s["name"]] = v
            env["n_" + s["name"]] = float(len(taken[i] if s["by_period"] else seen[i]))
            values.append(v)
        for f in c["formulas"]:
            x = eval(f["text"].replace("#", "n_"), {"__builtins__": {}}, dict(env))
            x = float(x)
            op, name = f["op"], f["name"]
            if op == "I":
                acc[name] += x
                x = acc[name]
            elif op == "D":
                x, acc[name] = x - acc[name], x
            elif op == "M":
                acc[name] *= x
                x = acc[name]
            elif op == "Q":
                x, acc[name] = fdiv(x, acc[name]), x
            env[name] = x
            values.append(x)
        rows.append((end, values))

    variables = sels + c["formulas"]
    totals = []
    for j, v in enumerate(variables):
        if not v["totals"]:
            totals.append(float("nan"))
            continue
        chosen = rows[1:] + (rows[:1] if c["before"] else [])
        totals.append(sum(r[1][j] for r in chosen if math.isfinite(r[1][j])))
    return [rows[0], ((NO_DATE, 0), totals)] + rows[1:]


# --- Comparing -------------------------------------------------------------------------------------

def same(a, b):
    if math.isnan(a) or math.isnan(b):
        return math.isnan(a) and math.isnan(b)
    if math.isinf(a) or math.isinf(b):
        return a == b
    return abs(a - b) <= 1e-9 * max(abs(a), abs(b), 1e-300) or a == b


def read_written(path):
    written, current = {}, None
    for raw in open(path, encoding="utf-8"):
        w = raw.rstrip("\n").split("\t")
        if w[0] == "case":
            current = written.setdefault(w[1], [])
        elif w[0] == "entry":
            d = NO_DATE if w[2] == "-" else iso_date(w[2])
            current.append(((d, int(w[3])), [float(x) for x in w[4:]]))
    return written


def main():
    cases = read_cases(sys.argv[1])
    written = read_written(sys.argv[2])
    failures = 0
    for c in cases:
        got = written.get(c["name"])
        if got is None:
            print(f"{c['name']}: not written")
            failures += 1
            continue
        want = compute(c)
        if len(got) != len(want):
            print(f"{c['name']}: {len(got)} entries written, {len(want)} expected")
            for k, (e, v) in enumerate(want):
                print(f"  expected {k}: {e[0]} {e[1]} {v}")
            for k, (e, v) in enumerate(got):
                print(f"  written  {k}: {e[0]} {e[1]} {v}")
            failures += 1
            continue
        for k, ((we, wv), (ge, gv)) in enumerate(zip(want, got)):
            if we != ge or len(wv) != len(gv) or not all(same(a, b) for a, b in zip(wv, gv)):
                print(f"{c['name']} entry {k}: expected {we[0]} {we[1]} {wv}, "
                      f"written {ge[0]} {ge[1]} {gv}")
                failures += 1
    print(f"{len(cases)} cases, {failures} differences")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
