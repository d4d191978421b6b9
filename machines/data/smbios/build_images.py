#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Builds the SMBIOS images of the simulated machines from real tables in tests/data/smbios.

Each image is two files mapped into the machine's physical memory by its profile:
  <name>.entry.bin  the 31-byte SMBIOS 2.x entry point ("_SM_" ... "_DMI_"), mapped at ENTRY_AT
  <name>.table.bin  the structure table, mapped at TABLE_AT
The entry point's table address is set to TABLE_AT and both of its checksums are recomputed.

The tables are real; only the memory-device (type 17) fields listed in IMAGES are changed, so
that the firmware reports the modules the profile's SPD images describe. Run from anywhere:
    python3 machines/data/smbios/build_images.py
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCES = os.path.join(HERE, "..", "..", "..", "tests", "data", "smbios")

# Where the BIOS keeps them: the table low in the F segment, the entry point high, so that a
# scan from 0xF0000 really has to walk the segment.
TABLE_AT = 0x000F1000
ENTRY_AT = 0x000FD600

# name: (source dump, {type-17 offset in the table: {"size": MB, "handle": new handle}})
IMAGES = {
    # Six type-17s; sizes as three 4 GB DDR3 modules, one per channel (slots 1, 3, 5). The fifth
    # and sixth handles 0x1104/0x1105 are renumbered 0x1114/0x1115: a handle whose low byte is
    # 4..0x0C does not pass the program's plausibility rules.
    "poweredge1800-3x4096": ("dell-poweredge-1800-2005.dmidump", {
        0x4B6: {"size": 4096}, 0x50E: {"size": 0}, 0x566: {"size": 4096},
        0x5BE: {"size": 0}, 0x616: {"size": 4096, "handle": 0x1114},
        0x66E: {"size": 0, "handle": 0x1115}}),
    # Four slots listed DIMM_1, DIMM_3, DIMM_2, DIMM_4: two 4 GB DDR3 modules, one per channel.
    "precision390-2x4096": ("dell-precision-390-2006.dmidump", {
        0x4A8: {"size": 4096}, 0x4FF: {"size": 0}, 0x556: {"size": 4096}, 0x5AD: {"size": 0}}),
    # Four 1 GB DDR2 modules.
    "precision390-4x1024": ("dell-precision-390-2006.dmidump", {
        0x4A8: {"size": 1024}, 0x4FF: {"size": 1024}, 0x556: {"size": 1024},
        0x5AD: {"size": 1024}}),
    # Two SO-DIMM slots, one 4 GB module in the first.
    "thinkpad-t61p-1x4096": ("lenovo-thinkpad-t61p-2007.dmidump", {
        0x68C: {"size": 4096}, 0x6B8: {"size": 0}}),
}


def checksum_fix(data, start, end, at):
    data[at] = 0
    data[at] = (-sum(data[start:end])) & 0xFF


def build(name, source, patches):
    dump = bytearray(open(os.path.join(SOURCES, source), "rb").read())
    entry_length = dump[0x05]
    entry = dump[:entry_length]
    table_length = struct.unpack_from("<H", entry, 0x16)[0]
    table = dump[0x20:0x20 + table_length]
    for offset, fields in patches.items():
        assert table[offset] == 17, f"{source}: no memory device at table+{offset:#x}"
        if "size" in fields:
            struct.pack_into("<H", table, offset + 0x0C, fields["size"])
        if "handle" in fields:
            struct.pack_into("<H", table, offset + 0x02, fields["handle"])
    struct.pack_into("<I", entry, 0x18, TABLE_AT)
    checksum_fix(entry, 0x10, 0x1F, 0x15)  # intermediate ("_DMI_") checksum
    checksum_fix(entry, 0x00, entry_length, 0x04)
    with open(os.path.join(HERE, name + ".entry.bin"), "wb") as f:
        f.write(entry)
    with open(os.path.join(HERE, name + ".table.bin"), "wb") as f:
        f.write(table)


if __name__ == "__main__":
    for image, (dump, changes) in IMAGES.items():
        build(image, dump, changes)
        print(image)
