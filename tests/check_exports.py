#!/usr/bin/env python3
"""Every function declared in the public header is exported by the library,
each is declared once, and the library exports nothing else."""
import re
import subprocess
import sys


def declared(header_path):
    text = open(header_path, encoding="utf-8").read()
    names = re.findall(r"PTE_API\s+[^;(]*?\bPTE_CALL\s+(\w+)\s*\(", text)
    return names


def exported(library_path):
    out = subprocess.run(["nm", "-D", "--defined-only", library_path],
                         check=True, capture_output=True, text=True).stdout
    names = set()
    for line in out.splitlines():
        parts = line.split()
        if len(parts) >= 3 and parts[1] in ("T", "W", "i"):
            names.add(parts[2].split("@")[0])
        elif len(parts) >= 3:
            names.add(parts[2].split("@")[0])
    return names


def main():
    header, library = sys.argv[1], sys.argv[2]
    names = declared(header)
    failures = []
    seen = set()
    for n in names:
        if n in seen:
            failures.append(f"declared twice: {n}")
        seen.add(n)
    lib = exported(library)
    for n in sorted(seen - lib):
        failures.append(f"declared but not exported: {n}")
    for n in sorted(lib - seen):
        failures.append(f"exported but not declared: {n}")
    if not names:
        failures.append("no declarations found in the header")
    for f in failures:
        print(f)
    print(f"{len(seen)} declared, {len(lib)} exported")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
