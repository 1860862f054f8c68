#!/usr/bin/env python3
"""Writes Huffman-coded database files as the older program wrote them, from the format's
description: a 16-byte header dated within the Huffman range, a table of symbol weights, and
blocks of at most 65,504 code bits. The code tree is built by the heap rules of the format, so the
files test the reader's tree against an independent one.

Usage: make_huffman.py FOLDER   writes the committed fixtures into FOLDER
"""
import os
import sys

MAX_BITS = 65504


def sift_down(heap, m, i):
    sinking = heap[i]
    while True:
        child = 2 * i + 1
        if child >= m:
            break
        if child + 1 < m and heap[child + 1][0] < heap[child][0]:
            child += 1
        if sinking[0] < heap[child][0]:
            break
        heap[i] = heap[child]
        i = child
    heap[i] = sinking


def wrap(weight):
    weight &= 0xFFFFFFFF
    return weight - (1 << 32) if weight >= 1 << 31 else weight


def codes(table):
    """The code of each symbol of the table [(symbol, weight)], as a text of 0 and 1."""
    nodes = [("leaf", s) for s, _ in table]
    heap = [(wrap(w), i) for i, (_, w) in enumerate(table)]
    n = m = len(heap)
    for i in range(n // 2, -1, -1):
        sift_down(heap, n, i)
    while True:
        a = heap[0]
        heap[0] = heap[m - 1]
        m -= 1
        sift_down(heap, m, 0)
        b = heap[0]
        nodes.append(("inner", a[1], b[1]))
        heap[0] = (wrap(a[0] + b[0]), len(nodes) - 1)
        sift_down(heap, m, 0)
        if m <= 1:
            break
    result = {}

    def walk(node, prefix):
        if nodes[node][0] == "leaf":
            result.setdefault(nodes[node][1], prefix or "0")
            return
        walk(nodes[node][1], prefix + "0")
        walk(nodes[node][2], prefix + "1")

    walk(heap[0][1], "")
    return result


def encode(text, word_padded=True, little_endian=False, date=b"970101", table=None):
    """The file of the text (bytes). The table defaults to the text's bytes by their counts, in
    byte order."""
    if table is None:
        table = sorted((s, text.count(bytes([s]))) for s in set(text))
    big = not (word_padded and little_endian)
    order = "big" if big else "little"
    code = codes(table)
    if word_padded:
        header = bytearray(b"##Qbx" + date + b"o" + (b"i" if little_endian else b"m") + b"N--")
    else:
        header = bytearray(b"\x05\x13Qbx" + date + b"oxN--")
    header[14:16] = len(table).to_bytes(2, order)
    out = bytearray(header)
    for symbol, weight in table:
        out += (weight & 0xFFFFFFFF).to_bytes(4, order) + symbol.to_bytes(2, order)
    blocks, bits = [], ""
    for byte in text:
        c = code[byte]
        if len(bits) + len(c) > MAX_BITS:
            blocks.append(bits)
            bits = ""
        bits += c
    if bits:
        blocks.append(bits)
    for bits in blocks:
        b = len(bits)
        out += b.to_bytes(4, order)
        if word_padded:
            n = ((b + 31) // 8) & ~3
        else:
            n = (b + 7) // 8
        padded = bits.ljust(n * 8, "0")
        data = bytearray(int(padded[i:i + 8], 2) for i in range(0, n * 8, 8))
        if word_padded and not big:
            for w in range(0, n, 4):
                data[w:w + 4] = data[w:w + 4][::-1]
        out += data
    return bytes(out)


def sections():
    """A small database in the system code page: dimensions, cards and a time scale."""
    lines = [
        "##BaseOptions", "CN\t3", "LN\t2", "",
        "##Dimension\t1", "-N\tKonto\tKonton", "1910\tKassa\t1910", "1930\tF\xf6retagskonto\t1930",
        "3010\tF\xf6rs\xe4ljning\t3010", "",
        "##Dimension\t2", "-N\tProjekt\tProjekt", "P1\tProjekt \xe5tta", "",
        "##Cards", "-LN\t2", "",
    ]
    for day in range(1, 29):
        lines += ["C9702%02d-1\tVerifikation %d" % (day, day), "G1910",
                  "L%d.25\t%d\tRad %d\tP1" % (day * 100, day, day), "G3010", "L-%d.25\t0\t\t" % (day * 100), ""]
    lines += ["##End", ""]
    return "\r\n".join(lines).encode("latin-1")


def many_rows():
    return b"".join(b"Rad %d\t%d\r\n" % (i, i * 7919 % 100000) for i in range(6000))


def main():
    folder = sys.argv[1]
    # The format's examples.
    assert codes([(ord("A"), 1), (ord("B"), 1)]) == {ord("B"): "0", ord("A"): "1"}
    assert codes([(ord("A"), 1), (ord("B"), 1), (ord("C"), 2)]) == \
        {ord("C"): "0", ord("B"): "10", ord("A"): "11"}
    body = sections()
    twin = b"##QEB-Text\t970101\r\n\r\n" + body
    files = {
        "one_symbol.qeb": encode(b"a" * 100, table=[(ord("a"), 5)]),
        # Two symbols of one bit each: 65,504 bits make one full block, one more a second.
        "full_block.qeb": encode(b"ab" * (MAX_BITS // 2) + b"b"),
        # About 90,000 characters: several blocks, little-endian words.
        "several_blocks.qeb": encode(many_rows(), little_endian=True),
        "sections_le.qeb": encode(body, little_endian=True),
        "sections_be.qeb": encode(body),
        "sections_bytes.qeb": encode(body, word_padded=False),
        "sections.qex": twin,
    }
    # For the real program: the stream ends with commands that save a text form and quit.
    commands = body.replace(b"##End\r\n", b"##Commands\r\nsave saved.qex\r\nquit\r\n##End\r\n")
    files["commands.qeb"] = encode(commands)
    files["commands.qex"] = b"##QEB-Text\t970101\r\n\r\n" + commands
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
