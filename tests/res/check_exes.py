#!/usr/bin/env python3
"""check_exes.py - the product's programs are 32-bit i686 Windows GUI executables, each
build importing its own Windows Sockets library, with no time stamp and no source path.

usage: check_exes.py OBJDUMP PAYLOAD_DIR SOURCE_DIR
"""
import struct
import subprocess
import sys

# (file, WinSock library it must import, the one it must not)
EXES = [
    ("qelt_ws1.exe", "wsock32.dll", "ws2_32.dll"),
    ("qelt_ws2.exe", "ws2_32.dll", "wsock32.dll"),
    ("tessmorw_ws1.exe", "wsock32.dll", "ws2_32.dll"),
    ("tessmorw_ws2.exe", "ws2_32.dll", "wsock32.dll"),
]


def check(objdump, path, wanted, unwanted, source_dir):
    faults = []
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[:2] != b"MZ" or data[pe:pe + 4] != b"PE\0\0":
        return [f"{path}: expected an MZ/PE image, found neither"]
    machine, _, stamp = struct.unpack_from("<HHI", data, pe + 4)
    magic = struct.unpack_from("<H", data, pe + 24)[0]
    subsystem = struct.unpack_from("<H", data, pe + 24 + 68)[0]
    if machine != 0x14C:
        faults.append(f"expected machine 0x14c (i386), found {machine:#x}")
    if magic != 0x10B:
        faults.append(f"expected a PE32 optional header (0x10b), found {magic:#x}")
    if subsystem != 2:
        faults.append(f"expected subsystem 2 (Windows GUI), found {subsystem}")
    if stamp != 0:
        faults.append(f"expected time stamp 0, found {stamp:#x}")
    if source_dir.encode() in data:
        faults.append(f"expected no source path, found {source_dir}")

    dump = subprocess.run([objdump, "-p", path], capture_output=True, text=True, check=True).stdout
    dlls = [line.split(":", 1)[1].strip().lower() for line in dump.splitlines() if "DLL Name:" in line]
    if "file format pei-i386" not in dump:
        faults.append("expected objdump to see pei-i386")
    if wanted not in dlls:
        faults.append(f"expected an import of {wanted}, found {dlls}")
    if unwanted in dlls:
        faults.append(f"expected no import of {unwanted}, found {dlls}")
    return [f"{path}: {f}" for f in faults]


def main():
    objdump, payload_dir, source_dir = sys.argv[1:4]
    faults = []
    for name, wanted, unwanted in EXES:
        faults += check(objdump, f"{payload_dir}/{name}", wanted, unwanted, source_dir)
    for f in faults:
        print(f)
    if not faults:
        print(f"{len(EXES)} executables checked")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
