#!/usr/bin/python3
# The lookup benchmark's peer for full-text search: Debian's python3-chm (pychm) opening a help
# file, searching its full-text index and closing it, RUNS times in this one process.
# Usage: pychm-search.py FILE.chm WORD whole|prefix RUNS
# Prints: median CPU ms, median wall ms, pages found (pychm keys them by title).
import struct
import sys
import time

import chm.chm
import chm.extra

chm.extra.struct = struct  # pychm 0.8.6 uses it without importing it

path, word, kind, runs = sys.argv[1], sys.argv[2].encode("cp1252"), sys.argv[3], int(sys.argv[4])
cpu, wall, found = [], [], 0
for _ in range(runs):
    c0, w0 = time.process_time(), time.perf_counter()
    f = chm.chm.CHMFile()
    f.LoadCHM(path)
    result = f.Search(word, 1 if kind == "whole" else 0, 0)
    f.CloseCHM()
    cpu.append((time.process_time() - c0) * 1e3)
    wall.append((time.perf_counter() - w0) * 1e3)
    found = len(result[1]) if result else 0
cpu.sort()
wall.sort()
print("%.3f %.3f %d" % (cpu[len(cpu) // 2], wall[len(wall) // 2], found))
