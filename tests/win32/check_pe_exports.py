#!/usr/bin/env python3
"""A Windows build's DLL exports every function the header declares, by its
plain name and nothing else; its import library carries, for 32-bit stdcall,
the argument size the header's parameters add up to; and a 32-bit host
linked against that import library imports the plain names.

check_pe_exports.py HEADER BUILD_DIR [HOST_SOURCE]
"""
import os
import re
import struct
import subprocess
import sys
import tempfile

# Bytes each parameter type takes on the 32-bit stack: every argument at
# least one 4-byte slot.
SLOT_SIZES = {
    "int32_t": 4, "uint32_t": 4, "int16_t": 4, "uint16_t": 4, "int8_t": 4, "uint8_t": 4, "char": 4,
    "int": 4, "float": 4, "double": 8, "int64_t": 8, "uint64_t": 8,
}


def declarations(header):
    text = open(header, encoding="utf-8").read()
    text = re.sub(r"/\*.*?\*/", "", text, flags=re.S)
    text = re.sub(r"//[^\n]*", "", text)
    return re.findall(r"PTE_API\s+[^;(]*?\bPTE_CALL\s+(\w+)\s*\(([^)]*)\)", text)


def stack_bytes(params):
    total = 0
    for p in params.split(","):
        p = " ".join(p.split())
        if p in ("", "void"):
            continue
        if "*" in p:
            total += 4
            continue
        words = [w for w in p.split() if w not in ("const", "volatile", "signed", "unsigned")]
        kind = words[0] if words else "int"
        if kind not in SLOT_SIZES:
            raise ValueError(f"parameter type not known to this check: {p!r}")
        total += SLOT_SIZES[kind]
    return total


def machine(dll):
    with open(dll, "rb") as f:
        data = f.read(4096)
    (pe,) = struct.unpack_from("<I", data, 0x3C)
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError(f"{dll} is not a PE file")
    (m,) = struct.unpack_from("<H", data, pe + 4)
    return {0x14C: "i686-w64-mingw32", 0x8664: "x86_64-w64-mingw32"}[m]


def run(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def export_names(triplet, dll):
    out = run(f"{triplet}-objdump", "-p", dll)
    table = out.split("[Ordinal/Name Pointer] Table", 1)
    if len(table) < 2:
        return []
    names = []
    for line in table[1].splitlines()[1:]:
        m = re.match(r"\s*\[\s*\d+\]\s+(\S+)\s*$", line)
        if not m:
            break
        names.append(m.group(1))
    return names


def import_symbols(triplet, implib):
    out = run(f"{triplet}-nm", implib)
    return {m.group(1) for m in re.finditer(r"\b__imp_(\S+)", out)}


def imported_by(triplet, exe, dll_name):
    out = run(f"{triplet}-objdump", "-p", exe)
    names, inside = [], False
    for line in out.splitlines():
        if "DLL Name:" in line:
            inside = line.split("DLL Name:")[1].strip().lower() == dll_name
            continue
        m = re.match(r"\s*[0-9a-f]+\s+[0-9a-f]+\s+(\S+)\s*$", line)
        if inside and m:
            names.append(m.group(1))
    return names


def main(argv):
    header, build = argv[1], argv[2]
    host = argv[3] if len(argv) > 3 else None
    dll = os.path.join(build, "paintcore.dll")
    implib = os.path.join(build, "libpaintcore.dll.a")
    failures = []
    declared = {name: stack_bytes(params) for name, params in declarations(header)}
    if len(declared) < 200:
        failures.append(f"only {len(declared)} declarations found in the header")
    triplet = machine(dll)
    stdcall = triplet.startswith("i686")

    exported = export_names(triplet, dll)
    for n in sorted(set(declared) - set(exported)):
        failures.append(f"declared but not exported: {n}")
    for n in sorted(set(exported) - set(declared)):
        failures.append(f"exported but not declared: {n}")
    if len(exported) != len(set(exported)):
        failures.append("an export is listed twice")

    # What a C caller's reference is called in the import library: the
    # 32-bit C name (leading underscore) with its stdcall size, or the plain
    # name on 64-bit.
    symbols = import_symbols(triplet, implib)
    for name, size in sorted(declared.items()):
        wanted = f"_{name}@{size}" if stdcall else name
        if wanted not in symbols:
            near = sorted(s for s in symbols if s.lstrip("_").split("@")[0] == name)
            failures.append(f"import library lacks {wanted} (has {near or 'nothing'})")

    if host and stdcall:
        with tempfile.TemporaryDirectory() as tmp:
            exe = os.path.join(tmp, "host.exe")
            include = os.path.dirname(os.path.abspath(header))
            subprocess.run([f"{triplet}-gcc-posix", "-std=c99", "-pedantic", "-Wall", "-Werror", "-I", include,
                            host, implib, "-o", exe], check=True)
            used = imported_by(triplet, exe, "paintcore.dll")
            if not used:
                failures.append("the 32-bit host imports nothing from paintcore.dll")
            for n in used:
                if n not in declared:
                    failures.append(f"the 32-bit host imports {n}, not a plain declared name")

    for f in failures:
        print(f)
    print(f"{triplet}: {len(declared)} declared, {len(exported)} exported"
          + (", stdcall sizes checked" if stdcall else ""))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
