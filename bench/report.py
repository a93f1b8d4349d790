#!/usr/bin/env python3
"""Pairs our benchmarks with libgcrypt's and prints how fast ours are.

Naming: every compared benchmark is registered as "<Primitive>/ours" or "<Primitive>/gcrypt",
e.g. BENCHMARK(Fn)->Name("Hash3411CP/ours"). Google Benchmark may append arguments
("Hash3411CP/ours/65536"); the pair key is the name without the "ours"/"gcrypt" part.

Throughput benchmarks (those that call SetBytesProcessed) are shown in MB/s with
ratio = our speed / libgcrypt's; the others (sign, verify) in ms per operation with
ratio = libgcrypt's time / our time. Either way a ratio above 1 means ours is faster.

Usage: bench/report.py result.json [more.json ...] [--windows TREE result.json ...]...
  where each file comes from --benchmark_out=<file> --benchmark_out_format=json. Files after
  --windows TREE hold our figures from that Windows build (win32 or win64) under Wine, shown in
  a column of their own (no libgcrypt there, so no ratio).
With repetitions, the median aggregate is used.
"""

import json
import sys

IMPLEMENTATIONS = ("ours", "gcrypt")


def load(paths):
    """Returns {name: entry}, preferring the median aggregate when repetitions were run."""
    entries = {}
    for path in paths:
        with open(path, encoding="utf-8") as f:
            data = json.load(f)
        for entry in data.get("benchmarks", []):
            if entry.get("error_occurred"):
                continue
            name = entry.get("run_name", entry["name"])
            if entry.get("run_type") == "aggregate":
                if entry.get("aggregate_name") != "median":
                    continue
            elif name in entries:
                continue
            entries[name] = entry
    return entries


def split(name):
    parts = name.split("/")
    for impl in IMPLEMENTATIONS:
        if impl in parts:
            index = parts.index(impl)
            return "/".join(parts[:index] + parts[index + 1:]), impl
    return None, None


def ms_per_op(entry):
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[entry.get("time_unit", "ns")]
    return entry["real_time"] * scale


def figure(entry):
    if "bytes_per_second" in entry:
        return f"{entry['bytes_per_second'] / 1e6:.1f} MB/s"
    return f"{ms_per_op(entry):.3f} ms"


def main(paths, windows):
    pairs = {}
    for name, entry in load(paths).items():
        key, impl = split(name)
        if key is not None:
            pairs.setdefault(key, {})[impl] = entry
    columns = {}
    for tree, tree_paths in windows:
        figures = columns.setdefault(tree, {})
        for name, entry in load(tree_paths).items():
            key, impl = split(name)
            if impl == "ours":
                figures[key] = figure(entry)

    rows = []
    for key in sorted(pairs):
        pair = pairs[key]
        if set(pair) != set(IMPLEMENTATIONS):
            continue
        ours, gcrypt = pair["ours"], pair["gcrypt"]
        if "bytes_per_second" in ours and "bytes_per_second" in gcrypt:
            a, b = ours["bytes_per_second"] / 1e6, gcrypt["bytes_per_second"] / 1e6
            ratio = a / b
        else:
            a, b = ms_per_op(ours), ms_per_op(gcrypt)
            ratio = b / a
        rows.append((key, figure(ours), figure(gcrypt), f"{ratio:.2f}",
                     *(columns[tree].get(key, "-") for tree in columns)))

    header = ("primitive", "ours", "libgcrypt", "ratio",
              *(f"ours, {tree} under Wine" for tree in columns))
    widths = [max(len(r[i]) for r in rows + [header]) for i in range(len(header))]
    line = lambda r: "| " + " | ".join(c.ljust(w) for c, w in zip(r, widths)) + " |"
    print(line(header))
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for row in rows:
        print(line(row))
    return 0 if rows else 1


if __name__ == "__main__":
    if len(sys.argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        sys.exit(2)
    native, windows = [], []
    args = iter(sys.argv[1:])
    for arg in args:
        if arg == "--windows":
            windows.append((next(args), []))
        elif windows:
            windows[-1][1].append(arg)
        else:
            native.append(arg)
    sys.exit(main(native, windows))
