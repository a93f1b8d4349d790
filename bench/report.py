#!/usr/bin/env python3
"""Pairs our benchmarks with libgcrypt's and prints how fast ours are.

Naming: every compared benchmark is registered as "<Primitive>/ours" or "<Primitive>/gcrypt",
e.g. BENCHMARK(Fn)->Name("Hash3411CP/ours"). Google Benchmark may append arguments
("Hash3411CP/ours/65536"); the pair key is the name without the "ours"/"gcrypt" part.

Throughput benchmarks (those that call SetBytesProcessed) are shown in MB/s with
ratio = our speed / libgcrypt's; the others (sign, verify) in ms per operation with
ratio = libgcrypt's time / our time. Either way a ratio above 1 means ours is faster.

The provider stand-in's benchmarks come in pairs "<Operation>/provider" (through ccom.dll's
entry points) and "<Operation>/library" (the GOST library's own figure in the same run); they are
shown in a table of their own per Windows tree, with provider time / library time.

The engine's benchmarks come in pairs "<Operation>/engine" (sigcore.dll through its exports)
and "<Operation>/direct" (the same cryptography with the GOST library in the same run), shown
with engine time / direct time against the engine's goal.

A primitive may also have a constant-time variant for key material, "<Primitive>/secret": it
is shown beside ours with the slowdown = our speed / its speed, and in the Windows columns as
"ours (ct: secret)".

Usage: bench/report.py result.json [more.json ...] [--windows TREE result.json ...]...
  where each file comes from --benchmark_out=<file> --benchmark_out_format=json. Files after
  --windows TREE hold our figures from that Windows build (win32 or win64) under Wine, shown in
  a column of their own (no libgcrypt there, so no ratio).
With repetitions, the median aggregate is used.
"""

import json
import sys

IMPLEMENTATIONS = ("ours", "gcrypt")
PROVIDER = ("library", "provider")
# sigcore.dll through its exports, and the same cryptography done directly in the same run; the
# engine's goal as the most engine time per direct time.
ENGINE = ("direct", "engine")
ENGINE_GOALS = {"SignData1KB": 1.2, "VerifyData1KB": 1.2, "EncodeData1MB": 1.25,
                "DecodeData1MB": 1.25}
SECRET = "secret"


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
    for impl in IMPLEMENTATIONS + (SECRET,) + PROVIDER + ENGINE:
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


def speed(entry):
    """Operations per millisecond or MB/s: larger is faster either way."""
    if "bytes_per_second" in entry:
        return entry["bytes_per_second"]
    return 1.0 / ms_per_op(entry)


def main(paths, windows):
    pairs = {}
    for name, entry in load(paths).items():
        key, impl = split(name)
        if key is not None:
            pairs.setdefault(key, {})[impl] = entry
    columns = {}
    provider_rows = []
    engine_rows = []
    for tree, tree_paths in windows:
        figures = columns.setdefault(tree, {})
        entries = {}
        for name, entry in load(tree_paths).items():
            key, impl = split(name)
            if impl in ("ours", SECRET) + PROVIDER + ENGINE:
                entries.setdefault(key, {})[impl] = entry
        for key, pair in sorted(entries.items()):
            if set(PROVIDER) <= set(pair):
                library, provider = pair["library"], pair["provider"]
                provider_rows.append((f"{key} ({tree})", figure(library), figure(provider),
                                      f"{speed(library) / speed(provider):.2f}"))
            if set(ENGINE) <= set(pair):
                direct, engine = pair["direct"], pair["engine"]
                ratio = speed(direct) / speed(engine)
                goal = ENGINE_GOALS.get(key)
                verdict = "-" if goal is None else f"<= {goal:.2f} {'met' if ratio <= goal else 'NOT MET'}"
                engine_rows.append((f"{key} ({tree})", figure(direct), figure(engine),
                                    f"{ratio:.2f}", verdict))
            if "ours" in pair:
                figures[key] = figure(pair["ours"])
                if SECRET in pair:
                    figures[key] += f" (ct: {figure(pair[SECRET])})"

    rows = []
    for key in sorted(pairs):
        pair = pairs[key]
        if not set(IMPLEMENTATIONS) <= set(pair):
            continue
        ours, gcrypt = pair["ours"], pair["gcrypt"]
        if "bytes_per_second" in ours and "bytes_per_second" in gcrypt:
            a, b = ours["bytes_per_second"] / 1e6, gcrypt["bytes_per_second"] / 1e6
            ratio = a / b
        else:
            a, b = ms_per_op(ours), ms_per_op(gcrypt)
            ratio = b / a
        secret = pair.get(SECRET)
        constant_time = ("-", "-")
        if secret:
            constant_time = (figure(secret), f"{speed(ours) / speed(secret):.1f}x")
        rows.append((key, figure(ours), figure(gcrypt), f"{ratio:.2f}", *constant_time,
                     *(columns[tree].get(key, "-") for tree in columns)))

    header = ("primitive", "ours", "libgcrypt", "ratio", "ours, constant time", "slowdown",
              *(f"ours, {tree} under Wine" for tree in columns))
    print_table(header, rows)
    if provider_rows:
        print()
        print_table(("through ccom.dll", "library", "provider", "provider time / library time"),
                    provider_rows)
    if engine_rows:
        print()
        print_table(("through sigcore.dll", "cryptography alone", "engine",
                     "engine time / direct time", "goal"), engine_rows)
    return 0 if rows else 1


def print_table(header, rows):
    widths = [max(len(r[i]) for r in rows + [header]) for i in range(len(header))]
    line = lambda r: "| " + " | ".join(c.ljust(w) for c, w in zip(r, widths)) + " |"
    print(line(header))
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for row in rows:
        print(line(row))


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
