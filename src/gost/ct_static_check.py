#!/usr/bin/env python3
"""Static constant-time check of the GOST objects that a Windows build ships.

Disassembles the objects with the build's own objdump (with line numbers) and, in every
function on a secret path, looks at each instruction whose timing or cache footprint could
follow the data it works on:
  - a conditional jump, or an indirect jump or call;
  - a memory access through an index register (a table lookup);
  - a division;
  - a call to anything but the functions checked here and a few plain helpers.
Such an instruction passes only when the source line it comes from is listed in the rules file
(loop counters, the curve or parameter dispatch, results made public on purpose). Control
functions, variable time by design, must show at least one finding, so a check that has stopped
seeing anything fails. The library must also refer to no allocation and no exception throwing.

Usage: ct_static_check.py RULES MANIFEST SOURCE_ROOT
  RULES        the rules file (ct_static_rules.txt)
  MANIFEST     written by a Windows build tree: "objdump PATH", "nm PATH", then "object PATH"
               lines
  SOURCE_ROOT  the checkout whose sources the lines are read from: an object a compiler cache
               brought from another checkout names that checkout's files, which may have gone
Exits 0 when everything holds, 1 on a finding, 77 (skip) when the tree is not built.
"""

import os
import re
import subprocess
import sys

FUNCTION = re.compile(r"^[0-9a-f]+ <(.*)>:$")
LOCATION = re.compile(r"^(/.*|[A-Za-z]:.*):(\d+)( \(discriminator \d+\))?$")
INSTRUCTION = re.compile(r"^\s+[0-9a-f]+:\t(\S+)\s*(.*)$")
RELOCATION = re.compile(r"^\s+[0-9a-f]+: \S+\t(.*)$")
INDEXED = re.compile(r"\((%\w+)?,%\w+(,\d)?\)")
FORBIDDEN_SYMBOLS = re.compile(r"operator new|operator delete|__cxa_throw|__cxa_allocate_exception|"
                               r"^_?_?Znw|^_?_?Zna|^_?_?Zdl|^_?_?Zda|^_?malloc$|^_?free$")


def read_rules(path):
    rules = {"check": [], "maybe": [], "control": [], "call": [], "line": set()}
    with open(path, encoding="utf-8") as f:
        for raw in f:
            line = raw.strip()
            if not line or line.startswith("#"):
                continue
            kind, _, rest = line.partition(" ")
            rest = rest.strip()
            if kind in ("check", "maybe", "control", "call"):
                rules[kind].append(re.compile(rest))
            elif kind == "line":
                name, _, text = rest.partition(": ")
                rules["line"].add((name, text.strip()))
            else:
                raise SystemExit(f"{path}: unknown rule kind '{kind}'")
    return rules


source_cache = {}


def local_source(path, root):
    """The file of this checkout that a debug-information path names."""
    normal = os.path.normpath(path.replace("\\", "/"))
    if normal.startswith(root + os.sep):
        return normal
    at = normal.rfind(os.sep + "src" + os.sep)
    return os.path.join(root, normal[at + 1:]) if at >= 0 else normal


def source_line(path, number):
    if path not in source_cache:
        try:
            with open(path, encoding="utf-8", errors="replace") as f:
                source_cache[path] = f.read().split("\n")
        except OSError:
            source_cache[path] = []
    lines = source_cache[path]
    return lines[number - 1].strip() if 0 < number <= len(lines) else ""


def findings(instruction, operands, target):
    """What in one instruction could follow the data, as short descriptions."""
    found = []
    if instruction.startswith("j") and instruction != "jmp":
        found.append("conditional jump")
    if instruction in ("jmp", "call") and operands.startswith("*"):
        found.append("indirect " + instruction)
    if instruction in ("div", "divl", "idiv", "idivl", "divq", "idivq"):
        found.append("division")
    padding = "nop" in instruction or "nop" in operands
    if not instruction.startswith("lea") and not padding and INDEXED.search(operands):
        found.append("indexed access")
    if instruction == "call" and target is not None:
        found.append("call " + target)
    return found


def disassemble(objdump, obj):
    """[(function, [(instruction, operands, call target, file, line)])] of one object."""
    text = subprocess.run([objdump, "-d", "-l", "-C", "-r", "--no-show-raw-insn", obj],
                          check=True, capture_output=True, text=True).stdout
    functions = []
    place = ("", 0)
    for line in text.split("\n"):
        m = FUNCTION.match(line)
        if m:
            functions.append((m.group(1), []))
            place = ("", 0)
            continue
        m = LOCATION.match(line)
        if m:
            place = (m.group(1), int(m.group(2)))
            continue
        if not functions:
            continue
        m = RELOCATION.match(line)
        if m and functions[-1][1]:
            instruction, operands, _, file, number = functions[-1][1][-1]
            if instruction == "call":
                functions[-1][1][-1] = (instruction, operands, m.group(1), file, number)
            continue
        m = INSTRUCTION.match(line)
        if m:
            functions[-1][1].append((m.group(1), m.group(2), None, place[0], place[1]))
    return functions


def main(rules_path, manifest_path, source_root):
    if not os.path.exists(manifest_path):
        print(f"{manifest_path} is missing: build that Windows tree first")
        return 77
    rules = read_rules(rules_path)
    tools, objects = {}, []
    with open(manifest_path, encoding="utf-8") as f:
        for line in f:
            kind, _, value = line.strip().partition(" ")
            if kind == "object":
                objects.extend(v for v in value.split(";") if v)
            elif kind:
                tools[kind] = value
    failures = []

    all_functions = []
    for obj in objects:
        all_functions.extend(disassemble(tools["objdump"], obj))
    names = {name for name, _ in all_functions}

    def checked(name):
        return any(p.search(name) for p in rules["check"] + rules["maybe"])

    def call_allowed(target):
        base = re.sub(r"(\+0x[0-9a-f]+)$", "", target)
        return checked(base) or any(p.search(base) for p in rules["call"])

    counts = {"functions": 0, "instructions": 0, "allowed": 0}
    for name, body in all_functions:
        if not checked(name):
            continue
        counts["functions"] += 1
        for instruction, operands, target, file, number in body:
            counts["instructions"] += 1
            found = findings(instruction, operands, target)
            if target is not None and call_allowed(target):
                found = [x for x in found if not x.startswith("call ")]
            if not found:
                continue
            text = source_line(local_source(file, source_root), number)
            if (os.path.basename(file), text) in rules["line"]:
                counts["allowed"] += 1
                continue
            failures.append(f"{name}\n    {', '.join(found)}: {instruction} {operands}\n"
                            f"    from {os.path.basename(file)}:{number}: {text}")

    for pattern in rules["check"]:
        if not any(pattern.search(n) for n in names):
            failures.append(f"no function matches the checked pattern {pattern.pattern}")

    controls = []
    for pattern in rules["control"]:
        matched = [(n, b) for n, b in all_functions if pattern.search(n)]
        if not matched:
            failures.append(f"no function matches the control pattern {pattern.pattern}")
        for name, body in matched:
            seen = sum(1 for i, o, t, _, _ in body if findings(i, o, t))
            controls.append(f"{seen} in {name}")
            if seen == 0:
                failures.append(f"control {name} shows no finding: the check sees nothing")

    undefined = subprocess.run([tools["nm"], "-u", "-C"] + objects, check=True,
                               capture_output=True, text=True).stdout
    for line in undefined.split("\n"):
        symbol = line.strip().split(" ")[-1] if line.strip() else ""
        full = line.strip()[2:] if line.strip().startswith("U ") else line.strip()
        if symbol and (FORBIDDEN_SYMBOLS.search(full) or FORBIDDEN_SYMBOLS.search(symbol)):
            failures.append(f"the library refers to {full}: it must neither allocate nor throw")

    print(f"{counts['functions']} functions on secret paths, {counts['instructions']} "
          f"instructions; {counts['allowed']} branches or indexed accesses on listed lines")
    print("controls (findings that must be there): " + "; ".join(controls))
    for failure in failures:
        print("FAIL " + failure)
    print(f"{len(failures)} findings" if failures else "no data-dependent branch, index, division "
          "or call; nothing allocated or thrown")
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 4:
        print(__doc__.strip(), file=sys.stderr)
        sys.exit(2)
    sys.exit(main(sys.argv[1], sys.argv[2], os.path.normpath(os.path.abspath(sys.argv[3]))))
