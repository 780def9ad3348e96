"""Windows files the thumbnail tests and benchmarks need, made from others.

moved_resources(module, out, offset): a copy of the PE module `module` whose resource
section's bytes lie at `offset` (rounded up to the file alignment) and end the file; the
gap before them is a hole, so a module of gigabytes costs no disk. A reader that reads
the whole file pays for every byte; one that reads only the resource section does not.

shortcut(target, out): a shell link whose local base path is `target`, as Windows
writes one for a file on a local drive.

wine_module(name): Wine's own copy of a Windows module (notepad.exe, shell32.dll), or None.
"""
import glob
import os
import struct


def moved_resources(module, out, offset):
    data = bytearray(open(module, "rb").read())
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError(f"{module} is no PE module")
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    file_alignment = struct.unpack_from("<I", data, pe + 24 + 36)[0]
    table = pe + 24 + optional_size
    for i in range(sections):
        header = table + 40 * i
        if data[header:header + 8].rstrip(b"\0") == b".rsrc":
            raw_size, raw_at = struct.unpack_from("<II", data, header + 16)
            break
    else:
        raise ValueError(f"{module} has no .rsrc section")
    at = -(-offset // file_alignment) * file_alignment
    resources = bytes(data[raw_at:raw_at + raw_size])
    struct.pack_into("<I", data, header + 20, at)
    with open(out, "wb") as f:
        f.write(data)
        f.seek(at)
        f.write(resources)


def shortcut(target, out):
    # The header: its size, the link's CLSID, HasLinkInfo, then times, size and show mode.
    header = struct.pack("<I16sII", 0x4C, bytes.fromhex("0114020000000000c000000000000046"), 0x02, 0x20)
    header += bytes(0x4C - len(header))
    base = target.encode() + b"\0"
    volume = struct.pack("<IIII", 16 + 1, 3, 0x12345678, 16) + b"\0"  # fixed drive, empty label
    info_header = 28
    volume_at = info_header
    base_at = volume_at + len(volume)
    suffix_at = base_at + len(base)
    size = suffix_at + 1
    info = struct.pack("<IIIIIII", size, info_header, 0x01, volume_at, base_at, 0, suffix_at)
    with open(out, "wb") as f:
        f.write(header + info + volume + base + b"\0")


def wine_module(name):
    for pattern in ("/usr/lib/*/wine/*-windows/", "/usr/lib/wine/*-windows/"):
        found = sorted(glob.glob(pattern + name))
        if found:
            return found[0]
    return None
