#!/usr/bin/python3
"""vqdf.load() from Python against the same load in C++ without Python around it (with its
findings collected, as load() does), and against a host's load (without), side by side in one
process: repetitions alternate between the three, and the medians are compared.
Usage: PYTHONPATH=build/python bench/python_load.py [FILE] [ROUNDS]"""
import os
import statistics
import sys
import time

import vqdf
from vqdf import _vqdf


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else "examples/M1_1_05.json"
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 15
    name = os.fsencode(path)
    loads = 20
    python, native, host = [], [], []
    vqdf.load(path)
    for _ in range(rounds):
        start = time.perf_counter()
        for _ in range(loads):
            vqdf.load(path)
        python.append((time.perf_counter() - start) / loads)
        native.append(_vqdf.native_load_seconds(name, loads, True) / loads)
        host.append(_vqdf.native_load_seconds(name, loads, False) / loads)
    p, n, h = (statistics.median(times) for times in (python, native, host))
    print(f"{path}: vqdf.load {p * 1e3:.3f} ms, C++ load {n * 1e3:.3f} ms (ratio {p / n:.3f}), "
          f"C++ load without findings {h * 1e3:.3f} ms (ratio {p / h:.3f}); medians of "
          f"{rounds} rounds of {loads} loads")


if __name__ == "__main__":
    main()
