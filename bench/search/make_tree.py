#!/usr/bin/env python3
"""Writes the benchmark tree: many small text files in nested folders and a few large ones.

usage: make_tree.py ROOT [SMALL_COUNT] [LARGE_COUNT] [LARGE_MB]
The keyword "needle42" is put into every 97th small file and into some of the large files (one
near its end, one in its middle, the rest none); "草稿" (UTF-8) into every 89th small file.
"""
import os
import random
import sys

root = sys.argv[1]
small = int(sys.argv[2]) if len(sys.argv) > 2 else 20000
large = int(sys.argv[3]) if len(sys.argv) > 3 else 3
large_mb = int(sys.argv[4]) if len(sys.argv) > 4 else 100

rnd = random.Random(42)
words = [w.encode() for w in
         "lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor incididunt ut labore "
         "et dolore magna aliqua report budget quarter summary needle needles haystack 文本 搜索 报告 数据".split()]


def text(n):
    out = bytearray()
    while len(out) < n:
        out += b" ".join(rnd.choice(words) for _ in range(12)) + b"\n"
    return bytes(out[:n]).decode("utf-8", "ignore").encode()


os.makedirs(root, exist_ok=True)
for i in range(small):
    d = os.path.join(root, "d%02d" % (i % 50), "e%02d" % (i % 7))
    os.makedirs(d, exist_ok=True)
    body = text(rnd.randint(200, 6000))
    if i % 97 == 0:
        body += b" needle42\n"
    if i % 89 == 0:
        body += "草稿\n".encode()
    with open(os.path.join(d, "f%05d.txt" % i), "wb") as f:
        f.write(body)

chunk = text(1 << 20)
for k in range(large):
    with open(os.path.join(root, "large%d.txt" % k), "wb") as f:
        for m in range(large_mb):
            f.write(chunk)
            if k == 1 and m == large_mb // 2:
                f.write(b" needle42 ")
        if k == 0:
            f.write(b" needle42\n")
