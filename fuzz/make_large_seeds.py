#!/usr/bin/env python3
"""Writes the large and deep seeds of the fuzz corpora, built byte by byte
from the documented layouts, so that the fuzzer starts from inputs of the
sizes users have: a 1 MB outline, 10 000 levels of nesting, a 10 000-row
RTF table. Run from anywhere; the files go into fuzz/corpus."""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def out(target, name, data):
    path = os.path.join(HERE, "corpus", target, name)
    with open(path, "wb") as f:
        f.write(data)


def i32(v):
    return struct.pack("<i", v)


def string(b):
    return i32(len(b)) + b


SETTINGS = bytes([12, 1])  # current layout, no settings, end tag


def item(title, children=0, page=None):
    rec = bytes([0, 4]) + string(title)
    if children:
        rec += bytes([11]) + i32(children)
    if page is not None:
        z = zlib.compress(page, 6)
        rec += bytes([17]) + i32(len(z)) + z
    return rec + bytes([1])


def outline_seeds():
    # 10 000 levels, one item each.
    deep = bytearray(SETTINGS)
    for level in range(10000):
        deep += item(b"d", 1 if level < 9999 else 0)
    out("fuzz_outline", "large_deep_10000.wrn", bytes(deep))
    # About 1 MB: books of chapters of items with cp932 titles and pages.
    big = bytearray(SETTINGS)
    title = "項目".encode("cp932")
    n = 0
    while len(big) < 1_000_000:
        big += item(b"book %d" % n, 20)
        for c in range(20):
            page = b"{\\rtf1\\ansi " + title * (c + 1) + b"\\par}" if c % 5 == 0 else None
            big += item(title + b" %d" % c, 0, page)
        n += 1
    out("fuzz_outline", "large_1mb.wrn", bytes(big))


def lkp_seeds():
    # 500 levels: each line names the path down to its item.
    lines = []
    for level in range(1, 501):
        lines.append(b"\t".join(b"%d" % k for k in range(level)) + b"\t0\t1\t0")
    out("fuzz_lkp", "large_deep_500.lkp", b"\r\n".join(lines) + b"\r\n")
    rows = bytearray()
    k = 0
    while len(rows) < 300_000:
        rows += b"book%d\titem %d\thttp://example.com/%d\t1\t0\t0\r\n" % (k % 50, k, k)
        if k % 10 == 0:
            rows += b"\x04\r\npage text %d\r\n\r\n\x04\r\n" % k
        k += 1
    out("fuzz_lkp", "large_300k.lkp", bytes(rows))


def hiertext_seeds():
    # As deep as the import allows (1000 levels), then wide.
    text = bytearray()
    for level in range(1, 1001):
        text += b"." * level + b"h%d\r\n" % level
    out("fuzz_hiertext", "large_deep_1000.txt", bytes(text))
    wide = bytearray()
    k = 0
    while len(wide) < 300_000:
        wide += b"." * (1 + k % 4) + "見出し".encode("cp932") + b" %d\r\nbody %d\r\n" % (k, k)
        k += 1
    out("fuzz_hiertext", "large_300k.txt", bytes(wide))


def rtf_seeds():
    head = b"{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fcharset128 MS Gothic;}}\n"
    rows = bytearray(head)
    for r in range(10000):
        rows += (b"\\trowd\\trgaph108\\cellx2000\\cellx4000\\cellx6000"
                 b"\\pard\\intbl r%d a\\cell b\\cell \\'82\\'a0\\cell\\row\n" % r)
    rows += b"\\pard\\par}"
    out("fuzz_rtf", "large_table_10000_rows.rtf", bytes(rows))
    out("fuzz_rtf", "large_deep_10000_groups.rtf",
        b"{\\rtf1 " + b"{\\b " * 10000 + b"x" + b"}" * 10000 + b"}")


def text_seeds():
    # Output templates and page text for the link scanner, long and nested.
    tmpl = b"&Index(&a|&i|&1)" * 2000 + b"&Title&Content&Link\r\n" * 2000
    out("fuzz_template", "large_template.txt", tmpl)
    links = b" ".join(b"http://example.com/%d file:doc/%d.txt node:%d <cmd:x%d>" % (k, k, k, k)
                      for k in range(5000))
    out("fuzz_links", "large_links.txt", links)


if __name__ == "__main__":
    outline_seeds()
    lkp_seeds()
    hiertext_seeds()
    rtf_seeds()
    text_seeds()
