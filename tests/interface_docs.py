#!/usr/bin/env python3
"""The header documents what the library does: every export has its comment,
every error text an export records is named there, and the blend-mode
table in the header is the engine's.

usage: interface_docs.py SOURCE_DIR
"""
import glob
import os
import re
import sys

from script_checks import Checks

SOURCE = sys.argv[1]
check = Checks()

header = open(os.path.join(SOURCE, "include", "paintcore.h"), encoding="utf-8").read()

DECLARATION = re.compile(r"^PTE_API\b[^;]*?PTE_CALL\s+(\w+)\(", re.M | re.S)
SECTION = re.compile(r"^/\* ---- (.*?) ----(.*?)\*/", re.M | re.S)


def documented():
    """name -> (its comment, the comment of its section) for every declaration."""
    found = {}
    sections = [(m.start(), m.group(2)) for m in SECTION.finditer(header)]
    for m in DECLARATION.finditer(header):
        before = header[:m.start()].rstrip()
        comment = before[before.rfind("/*"):] if before.endswith("*/") else ""
        section = next((text for start, text in reversed(sections) if start < m.start()), "")
        found[m.group(1)] = (comment, section)
    return found


docs = documented()
check(len(docs) >= 300, f"{len(docs)} declarations found")
for name, (comment, _) in docs.items():
    check(len(comment) > len("/*  */") + 10, f"{name} has a comment above its declaration")

# Every "... Excpt" text an export records is in its comment, or its
# section states the rule its text follows.
RULE = '"<name without PTE_> Excpt"'
DEFINITION = re.compile(r"^PTE_API\b[^;{]*?PTE_CALL\s+(\w+)\([^;{]*\)\s*\{", re.M | re.S)
recorded = 0
for path in sorted(glob.glob(os.path.join(SOURCE, "exports", "*.cpp"))):
    text = open(path, encoding="utf-8").read()
    starts = list(DEFINITION.finditer(text))
    for k, m in enumerate(starts):
        body = text[m.end():starts[k + 1].start() if k + 1 < len(starts) else len(text)]
        name = m.group(1)
        for error in re.findall(r'"([^"]* Excpt)"', body):
            recorded += 1
            comment, section = docs.get(name, ("", ""))
            by_rule = RULE in section and error == name[len("PTE_"):] + " Excpt"
            check(f'"{error}"' in comment or by_rule, f"{name}: its comment names \"{error}\"")
check(recorded >= 100, f"{recorded} error texts found in exports/")

# The header's blend-mode table against the engine's own.
source = open(os.path.join(SOURCE, "engine", "blend_modes.cpp"), encoding="utf-8").read()
table = source[source.index("kNames"):]
engine_names = re.findall(r'"([^"]*)"', table[:table.index("};")])
check(len(engine_names) == 41, f"the engine has {len(engine_names)} mode numbers")
block = header[header.index("---- Blend modes ----"):]
block = block[:block.index("*/")]
named = {int(number): name for number, name in re.findall(r'(\d+) "([^"]+)"', block)}
check(len(named) == 40, f"the header names {len(named)} modes")
for number, name in enumerate(engine_names):
    if name:
        check(named.get(number) == name, f"mode {number} is \"{name}\" in the header (it says {named.get(number)!r})")
    else:
        check(number not in named and re.search(rf"\b{number} \(no name", block) is not None,
              f"mode {number} is named as having no name")
check.finish()
