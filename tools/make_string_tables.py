#!/usr/bin/env python3
"""Compiles the readable string sources into the program's string-table resources.

Usage: make_string_tables.py OUT_RC SOURCE.txt...

Each source is named by its language (en.txt, sv.txt, ...) and holds one text per line:
the text id, a TAB and the UTF-8 text; "#" starts a comment line. Escapes in texts: \\n a
line break (stored as CR, the byte the alert handlers and logs turn into a blank), \\t a TAB,
\\\\ a backslash.

Text id N lives in table N / 100 at index N % 100; the table of language L is RCDATA
resource table * 100 + L. A table resource is its entries in index order, entry 0 first:

    offset  size  meaning
    0       2     L, the text's length in bytes, little-endian
    2       L     the UTF-8 text
    2 + L   1     NUL
    (the next entry starts at L + 3)

Indexes without a text are empty entries (L = 0); a table ends after its last text. Table 0
would be resource 0 to 12, and resource id 0 does not exist, so ids below 100 are refused.

Writes one .bin file per table beside OUT_RC, and OUT_RC with one "id RCDATA file" line per
table. OUT_RC names a digest of all the data, so that it changes whenever any table does and
the resource compiler (which does not track the .bin files) runs again.
"""

import hashlib
import os
import sys

LANGUAGES = {"en": 0, "da": 2, "nl": 3, "fi": 5, "fr": 6, "de": 7, "no": 9, "sk": 10, "sv": 12}
ID_MIN, ID_MAX = 100, 65599  # table * 100 + 12 must stay a 16-bit resource id
TEXT_MAX = 65535  # the length is 16 bits


class SourceError(Exception):
    pass


def unescape(text, where):
    out = []
    i = 0
    while i < len(text):
        c = text[i]
        if c == "\\":
            following = text[i + 1:i + 2]
            if following == "n":
                out.append("\r")
            elif following == "t":
                out.append("\t")
            elif following == "\\":
                out.append("\\")
            else:
                raise SourceError("%s: unknown escape \\%s" % (where, following))
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


def read_source(path):
    """The texts of one source as {id: bytes}."""
    texts = {}
    with open(path, encoding="utf-8", newline="") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\r\n")
            where = "%s:%d" % (path, number)
            if not line or line.startswith("#"):
                continue
            key, tab, text = line.partition("\t")
            if not tab or not key.isdigit():
                raise SourceError("%s: expected a text id, a TAB and the text" % where)
            text_id = int(key)
            if not ID_MIN <= text_id <= ID_MAX:
                raise SourceError("%s: text id %d outside %d..%d" % (where, text_id, ID_MIN, ID_MAX))
            if text_id in texts:
                raise SourceError("%s: text id %d given twice" % (where, text_id))
            data = unescape(text, where).encode("utf-8")
            if len(data) > TEXT_MAX or b"\0" in data:
                raise SourceError("%s: text too long or holding a NUL" % where)
            texts[text_id] = data
    return texts


def build_tables(texts):
    """{table: bytes of its resource}."""
    tables = {}
    for text_id in sorted(texts):
        tables.setdefault(text_id // 100, {})[text_id % 100] = texts[text_id]
    result = {}
    for table, entries in tables.items():
        data = bytearray()
        for index in range(max(entries) + 1):
            text = entries.get(index, b"")
            data += len(text).to_bytes(2, "little") + text + b"\0"
        result[table] = bytes(data)
    return result


def write_if_changed(path, data):
    try:
        with open(path, "rb") as f:
            if f.read() == data:
                return
    except OSError:
        pass
    with open(path, "wb") as f:
        f.write(data)


def main(argv):
    if len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    out_rc, sources = argv[0], argv[1:]
    out_dir = os.path.dirname(os.path.abspath(out_rc))
    resources = {}
    try:
        for source in sources:
            code = os.path.splitext(os.path.basename(source))[0]
            if code not in LANGUAGES:
                raise SourceError("%s: unknown language %r" % (source, code))
            for table, data in build_tables(read_source(source)).items():
                resources[table * 100 + LANGUAGES[code]] = data
    except (SourceError, UnicodeDecodeError, OSError) as error:
        print("make_string_tables: %s" % error, file=sys.stderr)
        return 1
    os.makedirs(out_dir, exist_ok=True)
    digest = hashlib.sha256()
    lines = []
    for resource_id in sorted(resources):
        data = resources[resource_id]
        bin_path = os.path.join(out_dir, "string_table_%d.bin" % resource_id)
        write_if_changed(bin_path, data)
        digest.update(resource_id.to_bytes(4, "little") + len(data).to_bytes(4, "little") + data)
        lines.append('%d RCDATA "%s"\n' % (resource_id, bin_path.replace("\\", "/")))
    header = ("// Generated by tools/make_string_tables.py; do not edit.\n"
              "// Data digest %s\n" % digest.hexdigest())
    write_if_changed(out_rc, (header + "".join(lines)).encode("utf-8"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
