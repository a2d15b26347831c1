#!/usr/bin/env python3
"""Mutation check: how many small faults in the portable core the native
test suite catches.

Each mutation makes one small change in one source file: a comparison
flipped (== and !=, < and <=, > and >=), "+ 1" made "- 1" and back, a
number bumped by one, true made false and back, && made ||. The script
applies it, rebuilds the native tree, runs the native suite, and puts the
file back. A mutation that the suite fails on is caught; one that it
passes survived; one that does not compile counts for neither.

    scripts/mutation_check.py sample [--count N] [--seed S] [--skip TEXT] [--out FILE] [DIR...]
        picks N mutations (default 80) at random from the .cpp files of
        DIRs (default: conversion/codec conversion/files) whose names do
        not hold TEXT, and writes them to FILE (default
        build/mutations/sample.json)
    scripts/mutation_check.py run [--sample FILE]
        runs every mutation of the sample and prints the score and the
        survivors

The same sample, run before and after a change to the tests, shows
whether the suite caught as much as before. A sample names each mutation
by its file, line and the text of that line, and refuses to run where the
line no longer reads so."""
import argparse
import json
import os
import random
import re
import signal
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build", "mutations")
DEFAULT_SAMPLE = os.path.join(BUILD, "sample.json")
DEFAULT_DIRS = ["conversion/codec", "conversion/files"]
TEST_TIMEOUT = 120  # seconds; the suite takes a few
FIRST_TEST_TIMEOUT = 900  # the first run also makes the fixtures

# (pattern, replacement) pairs; a pattern is tried at every place it
# matches outside comments, strings, includes and template brackets.
OPERATORS = [
    (r"==", "!="),
    (r"!=", "=="),
    (r"<=", "<"),
    (r"(?<![<\-])<(?![<=])", "<="),
    (r">=", ">"),
    (r"(?<![>\-])>(?![>=])", ">="),
    (r"\+ 1\b", "- 1"),
    (r"- 1\b", "+ 1"),
    (r"\btrue\b", "false"),
    (r"\bfalse\b", "true"),
    (r"&&", "||"),
]
NUMBER = re.compile(r"(?<![\w.])(\d+)(u|ull|ll)?\b(?!\.)")


def code_part(line):
    """The line with comments and string and character literals blanked,
    so that positions stay where they are."""
    out = []
    i = 0
    quote = None
    while i < len(line):
        c = line[i]
        if quote:
            out.append(" ")
            if c == "\\":
                out.append(" ")
                i += 2
                continue
            if c == quote:
                quote = None
        elif c in "\"'":
            quote = c
            out.append(" ")
        elif line.startswith("//", i):
            break
        else:
            out.append(c)
        i += 1
    return "".join(out).ljust(len(line))


def template_brackets(code):
    """Positions of < and > that belong to casts and templates."""
    spans = set()
    for m in re.finditer(r"(static_cast|reinterpret_cast|const_cast|std::\w+|numeric_limits)\s*<[^;()]*?>", code):
        for i in range(m.start(), m.end()):
            if code[i] in "<>":
                spans.add(i)
    return spans


def candidates(path):
    with open(os.path.join(ROOT, path), encoding="utf-8") as f:
        lines = f.read().split("\n")
    in_block_comment = False
    for number, line in enumerate(lines, 1):
        stripped = line.strip()
        if in_block_comment:
            if "*/" in line:
                in_block_comment = False
            continue
        if stripped.startswith("/*"):
            in_block_comment = "*/" not in stripped
            continue
        if stripped.startswith("#"):
            continue
        code = code_part(line)
        skip = template_brackets(code)
        for pattern, replacement in OPERATORS:
            for m in re.finditer(pattern, code):
                if m.start() in skip:
                    continue
                yield {"file": path, "line": number, "column": m.start(), "original": m.group(0),
                       "replacement": replacement, "text": line}
        for m in NUMBER.finditer(code):
            if code[max(0, m.start() - 1)] in "[" and "]" in code[m.end():m.end() + 1]:
                continue  # an array's size
            value = int(m.group(1))
            yield {"file": path, "line": number, "column": m.start(1), "original": m.group(1),
                   "replacement": str(value + 1), "text": line}


def sample(arguments):
    pool = []
    for folder in arguments.dirs or DEFAULT_DIRS:
        for name in sorted(os.listdir(os.path.join(ROOT, folder))):
            if name.endswith(".cpp") and not any(text in name for text in arguments.skip):
                pool.extend(candidates(os.path.join(folder, name)))
    chosen = random.Random(arguments.seed).sample(pool, min(arguments.count, len(pool)))
    chosen.sort(key=lambda m: (m["file"], m["line"], m["column"]))
    os.makedirs(os.path.dirname(arguments.out), exist_ok=True)
    with open(arguments.out, "w", encoding="utf-8") as f:
        json.dump(chosen, f, indent=1, ensure_ascii=False)
    print(f"{len(chosen)} mutations of {len(pool)} places written to {arguments.out}")


def run_quietly(command, timeout=None):
    """True when command succeeds. One still running after timeout seconds
    (a mutation can make a loop endless) is ended with every process it
    started, and fails."""
    process = subprocess.Popen(command, cwd=ROOT, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                               start_new_session=True)
    try:
        return process.wait(timeout=timeout) == 0
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.wait()
        return False


def build():
    return run_quietly(["cmake", "--build", BUILD, "-j", str(os.cpu_count() or 1)])


def run(arguments):
    # Ended from outside, the script still puts the mutated file back.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("ended"))
    with open(arguments.sample, encoding="utf-8") as f:
        mutations = json.load(f)
    if not run_quietly(["cmake", "-S", ROOT, "-B", BUILD, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                        "-DVELKMAR_WERROR=OFF"]) or not build():
        sys.exit("the unchanged tree does not build")
    if not run_quietly(["ctest", "--test-dir", BUILD, "-j", str(os.cpu_count() or 1)], FIRST_TEST_TIMEOUT):
        sys.exit("the unchanged tree fails its tests")
    caught, survived, broken = [], [], []
    for index, m in enumerate(mutations, 1):
        path = os.path.join(ROOT, m["file"])
        with open(path, encoding="utf-8") as f:
            original = f.read()
        lines = original.split("\n")
        line = lines[m["line"] - 1]
        if line != m["text"]:
            sys.exit(f"{m['file']}:{m['line']} no longer reads as sampled")
        column = m["column"]
        lines[m["line"] - 1] = line[:column] + m["replacement"] + line[column + len(m["original"]):]
        try:
            with open(path, "w", encoding="utf-8") as f:
                f.write("\n".join(lines))
            if not build():
                outcome, bucket = "does not compile", broken
            else:
                passed = run_quietly(["ctest", "--test-dir", BUILD, "-j", str(os.cpu_count() or 1)], TEST_TIMEOUT)
                outcome, bucket = ("SURVIVED", survived) if passed else ("caught", caught)
        finally:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original)
        bucket.append(m)
        print(f"[{index}/{len(mutations)}] {m['file']}:{m['line']} {m['original']} -> {m['replacement']}: {outcome}",
              flush=True)
    build()
    scored = len(caught) + len(survived)
    print(f"\nscore: {len(caught)} of {scored} caught ({100.0 * len(caught) / max(scored, 1):.1f} %);"
          f" {len(broken)} did not compile")
    for m in survived:
        print(f"survived: {m['file']}:{m['line']}: {m['original']} -> {m['replacement']}:  {m['text'].strip()}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    commands = parser.add_subparsers(dest="command", required=True)
    pick = commands.add_parser("sample")
    pick.add_argument("--count", type=int, default=80)
    pick.add_argument("--seed", type=int, default=1)
    pick.add_argument("--out", default=DEFAULT_SAMPLE)
    pick.add_argument("--skip", action="append", default=[])
    pick.add_argument("dirs", nargs="*")
    replay = commands.add_parser("run")
    replay.add_argument("--sample", default=DEFAULT_SAMPLE)
    arguments = parser.parse_args()
    sample(arguments) if arguments.command == "sample" else run(arguments)


if __name__ == "__main__":
    main()
