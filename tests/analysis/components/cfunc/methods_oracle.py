#!/usr/bin/env python3
"""Works out, independently of the window's passes, the own and total value of every node of the
methods test's tree for the thirteen methods in both level modes, straight from the definitions
(sets of lines per subtree, running sets in display order). Prints the C++ table that
cfunc_methods_test.cpp holds."""
import math
from datetime import date

PARENT = [-1, 0, 1, 1, 0, 4, 4, 4]  # root, A, A1, A2, B, B1, B2, B3 (B3 has no lines)
LINES = [  # card, date, node, value
    (1, date(2024, 1, 10), 2, 10), (1, date(2024, 1, 10), 2, -4), (1, date(2024, 1, 10), 3, 0),
    (2, date(2024, 1, 20), 2, 6), (2, date(2024, 1, 20), 5, -3),
    (3, date(2024, 2, 5), 1, 2.5), (3, date(2024, 2, 5), 6, 8), (3, date(2024, 2, 5), 3, 0.3),
    (4, date(2024, 3, 1), 6, -1), (4, date(2024, 3, 1), 5, 5), (4, date(2024, 3, 1), 6, 4),
    (5, date(2024, 3, 1), 5, -2.5),
]
UPPER = date(2025, 1, 1)  # the day after the selection's upper date
N = len(PARENT)
NAN = float("nan")


def zero(v):  # zeroing with 0 decimals
    return 0.0 if not math.isfinite(v) or abs(v) < 0.5 else v


def subtree(i):
    out = {i}
    for j in range(i + 1, N):
        if PARENT[j] in out:
            out.add(j)
    return out


def lines_at(nodes):
    return [l for l in LINES if l[2] in nodes]


def median(vs):
    if not vs:
        return NAN
    s = sorted(vs)
    n = len(s)
    return s[n // 2] if n % 2 else (s[n // 2 - 1] + s[n // 2]) / 2


def geom(vs):
    if not vs:
        return NAN
    if any(v == 0 for v in vs):
        return 0.0
    r = math.exp(sum(math.log(abs(v)) for v in vs) / len(vs))
    return -r if sum(1 for v in vs if v < 0) % 2 else r


def turnover(ls, rate):
    if not ls:
        return NAN
    integral = sum(v * (UPPER - d).days for _, d, _, v in ls)
    flow = max(sum(v for *_, v in ls if v > 0), sum(-v for *_, v in ls if v <= 0))
    t = abs(integral) / flow if flow else (math.inf if integral else NAN)
    return 365 / t if rate else t


def plain(method, ls, zeroed_parts=None):
    vs = [v for *_, v in ls]
    if method == 0: return float(len(ls))
    if method == 1: return float(len({c for c, *_ in ls}))
    if method == 2: return float(len({n for _, _, n, _ in ls}))
    if method == 3: return sum(vs)
    if method == 4: return -sum(vs)
    if method == 5: return math.prod(vs) if vs else 1.0
    if method == 6: return sum(vs) / len(vs) if vs else NAN
    if method == 7: return geom(vs)
    if method == 8: return median(vs)
    if method in (9, 10): return turnover(ls, method == 10)
    if method == 11: return max(vs) if vs else NAN
    if method == 12: return min(vs) if vs else NAN


def by_component(method, i):
    own_ls, sub = lines_at({i}), subtree(i)
    if method in (3, 4, 6):
        own_sum = zero(sum(v for *_, v in own_ls))
        sub_sum = sum(zero(sum(v for *_, v in lines_at({j}))) for j in sub)
        sign = -1 if method == 4 else 1
        if method == 6:
            n_own, n_sub = len(own_ls), len(lines_at(sub))
            return (own_sum / n_own if n_own else NAN, sub_sum / n_sub if n_sub else NAN)
        return (sign * own_sum, sign * sub_sum)
    return (plain(method, own_ls), plain(method, lines_at(sub)))


def siblings_before(i):
    return [j for j in range(1, i + 1) if PARENT[j] == PARENT[i]] if i else [0]


def from_start(method, i):
    if method == 1:
        own = lines_at(set(siblings_before(i)))
        tot = lines_at(set().union(*(subtree(j) for j in siblings_before(i))))
        return (plain(1, own), plain(1, tot))
    def running(k):
        ls = lines_at(set(range(k + 1)))
        if method in (3, 4):
            return zero(plain(method, ls))
        return plain(method, ls)
    last = max(subtree(i))
    return (running(i), running(last))


def fmt(v):
    if math.isnan(v): return "kNaN"
    if math.isinf(v): return "-kInf" if v < 0 else "kInf"
    return repr(float(v))


for mode in (0, 1):
    for method in range(13):
        pairs = [(by_component if mode == 0 else from_start)(method, i) for i in range(N)]
        own = ", ".join(fmt(p[0]) for p in pairs)
        tot = ", ".join(fmt(p[1]) for p in pairs)
        print(f"    {{{method}, {mode}, {{{own}}},\n     {{{tot}}}}},")
