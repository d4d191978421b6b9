#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the test images the project builds itself, from the published layouts.

No dump under a free licence exists for these cases, so each image is put together field by
field: SPD EEPROMs of DDR2 and DDR3 modules (JEDEC SPD layout, with an Intel XMP 1.3 block or
NVIDIA EPP profiles where named), a display's EDID read by mistake from an SPD address, and the
PCI configuration space of an AMD K8 north bridge and an ATI SB600 SMBus function in the text
layout of `lspci -xxx`. Every value below is a plausible setting for such a part, chosen here;
none is copied from a real module or machine. Checksums and CRCs are computed, never typed in.
The SPD images decode as intended with i2c-tools' decode-dimms (fed the bytes as a hex dump),
and the EDID passes edid-decode's conformity check.

Run from anywhere; the files are (re)written in tests/data/spd and tests/data/pci:
    python3 tests/data/make_images.py
"""

import pathlib

HERE = pathlib.Path(__file__).resolve().parent
SPD_DIR = HERE / "spd"
PCI_DIR = HERE / "pci"


# ---------------------------------------------------------------------------------------------
# Helpers


def ascii_field(text, length, pad=b" "):
    """A fixed-width ASCII field, padded on the right (part numbers, monitor names)."""
    data = text.encode("ascii")
    assert len(data) <= length, text
    return data + pad * (length - len(data))


def put(image, offset, data):
    """Writes bytes at an offset; refuses to overwrite a field already set (catches typos)."""
    for i, value in enumerate(data):
        assert image[offset + i] is None, f"byte {offset + i} set twice"
        assert 0 <= value <= 0xFF, f"byte {offset + i} = {value}"
        image[offset + i] = value


def finish(image):
    """Bytes no field named stay 0, as in an erased-then-programmed EEPROM."""
    return bytes(0 if b is None else b for b in image)


def quarter_ns(ns):
    """DDR2 timing byte in quarter nanoseconds: bits 7..2 whole ns, bits 1..0 the quarters."""
    quarters = round(ns * 4)
    assert quarters / 4 == ns, ns
    return quarters


def ddr2_cycle_time(ns):
    """DDR2 cycle-time byte: high nibble whole ns, low nibble tenths, or 0xA..0xE for the
    fractions 0.25, 0.33, 0.66, 0.75 and 0.875 that tenths cannot express."""
    whole = int(ns)
    fraction = round(ns - whole, 3)
    special = {0.25: 0xA, 0.33: 0xB, 0.66: 0xC, 0.75: 0xD, 0.875: 0xE}
    if fraction in special:
        return whole << 4 | special[fraction]
    tenths = round(fraction * 10)
    assert abs(tenths / 10 - fraction) < 1e-9, ns
    return whole << 4 | tenths


def bcd(value):
    return (value // 10) << 4 | value % 10


def crc16_xmodem(data):
    """CRC-16 with polynomial x^16 + x^12 + x^5 + 1, initial value 0, MSB first: the check
    word of a DDR3 SPD (JEDEC Annex K, bytes 126..127, low byte first)."""
    crc = 0
    for byte in data:
        crc ^= byte << 8
        for _ in range(8):
            crc = ((crc << 1) ^ 0x1021) if crc & 0x8000 else crc << 1
            crc &= 0xFFFF
    return crc


def mtb(ns, base=0.125):
    """A time as a count of medium time-base units; must be exact."""
    units = round(ns / base)
    assert abs(units * base - ns) < 1e-9, ns
    return units


def mtb_with_fine(ns, base=0.125):
    """A DDR3 time as a medium-time-base count plus a signed fine correction in 1 ps units:
    the count is rounded up and the correction (-128..0 ps) brings it back down, as JEDEC
    asks for tCKmin, tAAmin, tRCDmin, tRPmin and tRCmin."""
    ps = round(ns * 1000)
    base_ps = round(base * 1000)
    units = -(-ps // base_ps)
    fine = ps - units * base_ps
    assert -128 <= fine <= 0, ns
    return units, fine & 0xFF


# ---------------------------------------------------------------------------------------------
# DDR2 SPD (JEDEC SPD for DDR2 SDRAM, bytes 0..63 fixed layout, 64..98 identity,
# 99..127 manufacturer's data, 128..255 open for the customer)


def ddr2_base(speed, module_type, ranks, rank_density_code, maker, part, serial):
    """The JEDEC part of a DDR2 module of 64-bit x8 devices, no ECC.

    speed: "800" (5-5-5, 2.5 ns) or "667" (5-5-5, 3.0 ns)
    module_type: byte 20, 0x02 unbuffered DIMM, 0x04 SO-DIMM
    rank_density_code: byte 31, 0x80 512 MB, 0x01 1 GB per rank
    maker: JEDEC JEP106 bytes, continuation codes 0x7F first
    """
    image = [None] * 256
    gb_devices = rank_density_code == 0x01  # 1 Gbit devices: 8 banks, 14 rows
    put(image, 0, [0x80])  # bytes the module maker wrote: 128
    put(image, 1, [0x08])  # EEPROM size: 2^8 = 256 bytes
    put(image, 2, [0x08])  # memory type: DDR2 SDRAM
    put(image, 3, [0x0E])  # row address bits: 14
    put(image, 4, [0x0A])  # column address bits: 10
    # ranks - 1 in bits 2..0; module height in bits 7..5 (011: 30 mm)
    put(image, 5, [0x60 | (ranks - 1)])
    put(image, 6, [64])  # data width: 64 bits
    put(image, 8, [0x05])  # interface voltage: SSTL 1.8 V
    if speed == "800":
        # tCK at CL 5 / CL 4 / CL 3 with the matching access times (tAC, 0.01 ns units in
        # BCD-like nibbles: 0x40 = 0.40 ns)
        cycle = [(2.5, 0x40), (3.0, 0x45), (3.75, 0x50)]
        trp = trcd = 12.5
        tras, trc = 45, 57.5
    else:
        cycle = [(3.0, 0x45), (3.75, 0x50), (5.0, 0x60)]
        trp = trcd = 15.0
        tras, trc = 45, 60
    put(image, 9, [ddr2_cycle_time(cycle[0][0]), cycle[0][1]])  # bytes 9, 10
    put(image, 11, [0x00])  # no parity, no ECC
    put(image, 12, [0x82])  # refresh 7.8 us, self refresh supported (bit 7)
    put(image, 13, [0x08])  # primary device width: x8
    put(image, 14, [0x00])  # no ECC devices
    put(image, 16, [0x0C])  # burst lengths 4 and 8
    put(image, 17, [0x08 if gb_devices else 0x04])  # banks per device
    put(image, 18, [0x38])  # CAS latencies 3, 4 and 5 (bits 3..5)
    put(image, 19, [0x01])  # module thickness code
    put(image, 20, [module_type])
    put(image, 21, [0x00])  # module attributes: none
    put(image, 22, [0x03])  # device attributes: weak driver, 50 ohm ODT
    put(image, 23, [ddr2_cycle_time(cycle[1][0]), cycle[1][1]])  # CL - 1: bytes 23, 24
    put(image, 25, [ddr2_cycle_time(cycle[2][0]), cycle[2][1]])  # CL - 2: bytes 25, 26
    put(image, 27, [quarter_ns(trp)])
    put(image, 28, [quarter_ns(7.5)])  # tRRD, 1 KB page
    put(image, 29, [quarter_ns(trcd)])
    put(image, 30, [tras])  # tRAS in whole ns
    put(image, 31, [rank_density_code])
    put(image, 32, [0x17, 0x25, 0x05, 0x12])  # tIS, tIH, tDS, tDH (0.01 ns BCD-like)
    put(image, 36, [quarter_ns(15.0)])  # tWR
    put(image, 37, [quarter_ns(7.5)])  # tWTR
    put(image, 38, [quarter_ns(7.5)])  # tRTP
    # Byte 40 extends bytes 41 (tRC) and 42 (tRFC) by fractions: bits 6..4 for tRC and
    # bits 3..1 for tRFC, code 011 = +0.5 ns. tRFC: 127.5 ns for 1 Gbit, 105 ns for 512 Mbit.
    trfc = 127.5 if gb_devices else 105.0
    trc_half = 0x30 if trc % 1 else 0
    trfc_half = 0x06 if trfc % 1 else 0
    put(image, 40, [trc_half | trfc_half, int(trc), int(trfc)])  # bytes 40, 41, 42
    put(image, 43, [0x80])  # tCK max: 8 ns
    put(image, 44, [0x14 if speed == "800" else 0x18])  # tDQSQ
    put(image, 45, [0x1E if speed == "800" else 0x22])  # tQHS
    put(image, 62, [0x12])  # SPD revision 1.2
    put(image, 63, [sum(b or 0 for b in image[:63]) & 0xFF])  # checksum of bytes 0..62
    put(image, 64, maker + [0x00] * (8 - len(maker)))  # JEP106 maker, bytes 64..71
    put(image, 72, [0x01])  # manufacturing location
    put(image, 73, ascii_field(part, 18))  # part number, bytes 73..90
    put(image, 91, [0x00, 0x00])  # module revision
    put(image, 93, [bcd(9), bcd(14)])  # made in 2009, week 14
    put(image, 95, serial.to_bytes(4, "big"))  # serial number, bytes 95..98
    return image


def ddr2_epp_udimm():
    """A DDR2-800 UDIMM with two full NVIDIA EPP profiles in the manufacturer's area.

    EPP block: byte 99 holds the id byte 0x6D, followed by 'N' 'V'; byte 102 the profile
    type (0xB1: two full profiles of 12 bytes), byte 103 the flags (bit 4 and bit 5: profile
    0 and profile 1 are valid). A full profile (at 104 and 116):
      +0 voltage and command rate: bit 7 set = 2T, bits 6..0 25 mV steps above 1.8 V
      +1..+4 address/command drive and timing fine tuning (left 0)
      +5 cycle time (DDR2 cycle-time byte), +6 CAS latency as a one-bit map,
      +7 tRCD, +8 tRP (quarter ns), +9 tRAS (ns), +10 tWR (quarter ns), +11 tRC (ns)
    """
    image = ddr2_base("800", 0x02, 2, 0x01, [0x7F, 0x7F, 0x9E], "CONSTRUCTED-EPP", 0x00A1B2C3)
    put(image, 99, [0x6D, ord("N"), ord("V")])  # EPP id
    put(image, 102, [0xB1])  # two full profiles
    put(image, 103, [0x30])  # profiles 0 and 1 valid
    # Profile 0: DDR2-1000 (2.0 ns) at CL 5, tRCD/tRP 10 ns, tRAS 30 ns, tWR 15 ns, tRC 40 ns,
    # 2.1 V (12 steps of 25 mV), 2T.
    put(image, 104, [0x80 | 12, 0, 0, 0, 0, ddr2_cycle_time(2.0), 1 << 5, quarter_ns(10.0),
                     quarter_ns(10.0), 30, quarter_ns(15.0), 40])
    # Profile 1: DDR2-800 (2.5 ns) at CL 4, tRCD/tRP 10 ns, tRAS 30 ns, tWR 15 ns, tRC 42 ns,
    # 1.9 V (4 steps), 1T.
    put(image, 116, [4, 0, 0, 0, 0, ddr2_cycle_time(2.5), 1 << 4, quarter_ns(10.0),
                     quarter_ns(10.0), 30, quarter_ns(15.0), 42])
    return image


def ddr2_sodimm():
    """A DDR2-667 SO-DIMM (byte 20 = 0x04), one rank of 512 Mbit x8 devices: 512 MB."""
    return ddr2_base("667", 0x04, 1, 0x80, [0x2C], "CONSTRUCTED-SODIMM", 0x00000000)


def ddr2_udimm_vendor_ascii():
    """A DDR2-667 UDIMM, two ranks of 512 Mbit devices (1 GB), whose maker wrote ASCII text
    into the bytes from 0x80 on (the area open for the customer): no EPP id at byte 99, and
    no field the decoder reads lies there."""
    image = ddr2_base("667", 0x02, 2, 0x80, [0x4F], "CONSTRUCTED-ASCII", 0x0002C4E1)
    put(image, 0x80, ascii_field("VENDOR DATA AREA", 16, b"\0"))
    return image


# ---------------------------------------------------------------------------------------------
# DDR3 SPD (JEDEC SPD Annex K for DDR3 SDRAM) with an Intel XMP 1.3 block at 176..254


def ddr3_sodimm_1866_xmp13():
    """A DDR3-1866 SO-DIMM, two ranks of 4 Gbit x8 devices (8 GB), whose owner wrote an XMP
    1.3 block with two profiles into the free bytes of a module that came without one.

    DDR3-1866 needs the fine time base: 1.071 ns is no multiple of the 1/8 ns medium time
    base, so tCKmin, tAAmin, tRCDmin, tRPmin and tRCmin are a rounded-up count plus a
    negative correction in 1 ps units (bytes 34..38).
    """
    image = [None] * 256
    # Byte 0: bit 7 = CRC covers bytes 0..116; bits 6..4 = 001 (256-byte EEPROM); bits 3..0 =
    # 0010 (176 bytes used by the JEDEC part).
    put(image, 0, [0x92])
    put(image, 1, [0x11])  # SPD revision 1.1
    put(image, 2, [0x0B])  # DDR3 SDRAM
    put(image, 3, [0x03])  # module type: SO-DIMM
    put(image, 4, [0x04])  # 8 banks (bits 6..4 = 0), 4 Gbit per device (bits 3..0 = 4)
    put(image, 5, [0x21])  # 16 row address bits (bits 5..3 = 100), 10 column bits (001)
    put(image, 6, [0x00])  # nominal voltage: 1.5 V operable, no 1.35 V / 1.25 V
    put(image, 7, [0x09])  # 2 ranks (bits 5..3 = 001), x8 devices (bits 2..0 = 001)
    put(image, 8, [0x03])  # 64-bit primary bus, no ECC extension
    put(image, 9, [0x11])  # fine time base: 1 ps / 1
    put(image, 10, [0x01, 0x08])  # medium time base: 1 / 8 ns
    tck, tck_fine = mtb_with_fine(1.071)
    put(image, 12, [tck])
    # CAS latencies 5..11 in byte 14 (bit 0 = CL 4), 12 and 13 in byte 15
    put(image, 14, [0xFE, 0x03])
    taa, taa_fine = mtb_with_fine(12.84)  # DDR3-1866 CL 12 (1866L)
    put(image, 16, [taa])
    put(image, 17, [mtb(15.0)])  # tWRmin
    put(image, 18, [taa])  # tRCDmin = tAAmin
    put(image, 19, [mtb(5.0)])  # tRRDmin, 1 KB page
    put(image, 20, [taa])  # tRPmin = tAAmin
    tras = mtb(34.0)
    trc, trc_fine = mtb_with_fine(34.0 + 12.84)  # tRC = tRAS + tRP
    put(image, 21, [(trc >> 8) << 4 | (tras >> 8)])  # upper nibbles of tRC and tRAS
    put(image, 22, [tras & 0xFF, trc & 0xFF])  # bytes 22, 23
    put(image, 24, list(mtb(260.0).to_bytes(2, "little")))  # tRFCmin, 4 Gbit: 260 ns
    put(image, 26, [mtb(7.5), mtb(7.5)])  # tWTRmin, tRTPmin
    tfaw = mtb(27.0)  # 1 KB page at DDR3-1866
    put(image, 28, [tfaw >> 8, tfaw & 0xFF])
    put(image, 30, [0x83])  # RZQ/6 and RZQ/7 drivers, DLL-off mode
    put(image, 31, [0x05])  # extended temperature range, auto self refresh
    put(image, 32, [0x00])  # no thermal sensor
    put(image, 33, [0x00])  # standard monolithic devices
    put(image, 34, [tck_fine, taa_fine, taa_fine, taa_fine, trc_fine])  # bytes 34..38
    put(image, 60, [0x0F])  # module height: 29 < h <= 30 mm
    put(image, 61, [0x11])  # thickness: front and back 1 < t <= 2 mm
    put(image, 62, [0x05])  # reference raw card F
    put(image, 63, [0x01])  # rank 1 address lines mirrored
    put(image, 117, [0x04, 0xCD])  # maker: 4 continuation codes (odd parity in bit 7), 0xCD
    put(image, 119, [0x01])  # manufacturing location
    put(image, 120, [bcd(14), bcd(10)])  # made in 2014, week 10
    put(image, 122, (0x1D2C3B4A).to_bytes(4, "big"))  # serial number, bytes 122..125
    crc = crc16_xmodem(finish(image)[:117])
    put(image, 126, [crc & 0xFF, crc >> 8])
    put(image, 128, ascii_field("CONSTRUCTED-1866", 18))  # part number, bytes 128..145
    put(image, 146, [0x00, 0x00])  # module revision
    put(image, 148, [0x80, 0xAD])  # DRAM maker: bank 1 (parity bit only), 0xAD

    # XMP header
    put(image, 176, [0x0C, 0x4A])  # XMP id
    # Byte 178: bit 0 / bit 1 = profile 1 / 2 enabled; bits 3..2 and 5..4 = DIMMs per channel
    # the profile is meant for, minus one (0: one DIMM).
    put(image, 178, [0x03])
    put(image, 179, [0x13])  # XMP revision 1.3
    put(image, 180, [0x01, 0x08])  # medium time base of profile 1: 1 / 8 ns
    put(image, 182, [0x01, 0x08])  # medium time base of profile 2: 1 / 8 ns
    # Profile 1 at 185: DDR3-2000 (1.0 ns) at CL 10, 11-11-30, 1.65 V, 2T.
    xmp_profile(image, 185, volts=(1, 13), tck=1.0, cl=10, taa=10.0, tcwl=9.0, trp=11.0,
                trcd=11.0, twr=15.0, tras=30.0, trc=41.0, trfc=260.0, trtp=7.5,
                trrd=6.0, tfaw=30.0, twtr=7.5, command_rate=2.0)
    # Profile 2 at 220: DDR3-1600 (1.25 ns) at CL 9, 9-9-28, 1.50 V, the controller's
    # command rate.
    xmp_profile(image, 220, volts=(1, 10), tck=1.25, cl=9, taa=11.25, tcwl=10.0, trp=11.25,
                trcd=11.25, twr=15.0, tras=35.0, trc=46.25, trfc=260.0, trtp=7.5,
                trrd=6.0, tfaw=30.0, twtr=7.5, command_rate=0.0)
    return image


def xmp_profile(image, base, volts, tck, cl, taa, tcwl, trp, trcd, twr, tras, trc, trfc,
                trtp, trrd, tfaw, twtr, command_rate):
    """One 35-byte XMP 1.3 profile, every time in units of the profile's 1/8 ns time base:
      +0  module voltage: bits 6..5 whole volts, bits 4..0 twentieths of a volt
      +1  tCKmin, +2 tAAmin, +3/+4 CAS latencies (bit 0 = CL 4), +5 tCWLmin
      +6  tRPmin, +7 tRCDmin, +8 tWRmin
      +9  upper nibbles: bits 7..4 tRC, bits 3..0 tRAS; +10 tRAS, +11 tRC low bytes
      +12/+13 tREFI (the average refresh interval in microseconds, in time-base units)
      +14/+15 tRFCmin, +16 tRTPmin, +17 tRRDmin, +18/+19 tFAW (upper nibble, low byte)
      +20 tWTRmin, +21/+22 write-to-read / read-to-write turnaround tuning (0: none)
      +23 command rate (0: the controller's choice)
    The rest of the profile (turnaround and voltage tuning) stays 0.
    """
    whole, twentieths = volts
    put(image, base + 0, [whole << 5 | twentieths])
    put(image, base + 1, [mtb(tck), mtb(taa)])
    put(image, base + 3, list((1 << (cl - 4)).to_bytes(2, "little")))
    put(image, base + 5, [mtb(tcwl), mtb(trp), mtb(trcd), mtb(twr)])
    put(image, base + 9, [(mtb(trc) >> 8) << 4 | (mtb(tras) >> 8)])
    put(image, base + 10, [mtb(tras) & 0xFF, mtb(trc) & 0xFF])
    put(image, base + 12, list(mtb(7.75).to_bytes(2, "little")))  # 7.8 us, as 62 units
    put(image, base + 14, list(mtb(trfc).to_bytes(2, "little")))
    put(image, base + 16, [mtb(trtp), mtb(trrd)])
    put(image, base + 18, [mtb(tfaw) >> 8, mtb(tfaw) & 0xFF])
    put(image, base + 20, [mtb(twtr), 0, 0])
    put(image, base + 23, [mtb(command_rate)])


def i2cdump_text(data, readable):
    """The text `i2cdump` prints for a byte-mode dump: a header row of column numbers, then
    16 bytes a row with the bytes as characters after them; bytes it could not read show as
    XX."""
    lines = ["    " + " ".join(f"{c:2x}" for c in range(16)) + "    0123456789abcdef"]
    for row in range(0, 256, 16):
        cells, chars = [], []
        for offset in range(row, row + 16):
            if offset < readable:
                value = data[offset]
                cells.append(f"{value:02x}")
                chars.append(chr(value) if 0x20 <= value < 0x7F else ".")
            else:
                cells.append("XX")
                chars.append("X")
        lines.append(f"{row:02x}: " + " ".join(cells) + "    " + "".join(chars))
    return "\n".join(lines) + "\n"


# ---------------------------------------------------------------------------------------------
# EDID (VESA E-EDID 1.3 base block and one CEA-861 extension): what an SPD read finds when the
# address belongs to a display's DDC EEPROM instead of a memory module. Byte 2 is 0xFF.


def detailed_timing(pixel_khz10, h_active, h_blank, v_active, v_blank, h_front, h_sync,
                    v_front, v_sync, size_mm):
    """An 18-byte detailed timing descriptor, digital separate sync, both polarities +."""
    h_mm, v_mm = size_mm
    return list(pixel_khz10.to_bytes(2, "little")) + [
        h_active & 0xFF, h_blank & 0xFF, (h_active >> 8) << 4 | (h_blank >> 8),
        v_active & 0xFF, v_blank & 0xFF, (v_active >> 8) << 4 | (v_blank >> 8),
        h_front & 0xFF, h_sync & 0xFF, (v_front & 0xF) << 4 | (v_sync & 0xF),
        (h_front >> 8) << 6 | (h_sync >> 8) << 4 | (v_front >> 4) << 2 | (v_sync >> 4),
        h_mm & 0xFF, v_mm & 0xFF, (h_mm >> 8) << 4 | (v_mm >> 8),
        0, 0,  # no borders
        0x1E,  # non-interlaced, digital separate sync, +vsync, +hsync
    ]


def edid_256():
    image = [None] * 256
    put(image, 0, [0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00])  # header
    # Maker id: three letters of 5 bits ('A' = 1), big-endian: "ZMO", a made-up maker.
    letters = [ord(c) - ord("A") + 1 for c in "ZMO"]
    put(image, 8, list((letters[0] << 10 | letters[1] << 5 | letters[2]).to_bytes(2, "big")))
    put(image, 10, [0x38, 0x02])  # product code 0x0238
    put(image, 12, [0, 0, 0, 0])  # no serial number
    put(image, 16, [10, 2012 - 1990])  # made in week 10 of 2012
    put(image, 18, [1, 3])  # EDID 1.3
    put(image, 20, [0x80])  # digital input
    put(image, 21, [52, 29])  # 52 x 29 cm
    put(image, 23, [round(2.2 * 100) - 100])  # gamma 2.2
    put(image, 24, [0x2E])  # active-off supported, RGB colour, sRGB, preferred timing first
    # Chromaticity (sRGB primaries, D65 white) as 10-bit fractions of 1024: the two low bits
    # of each packed into bytes 25..26, the high eight bits in 27..34.
    xy = [round(v * 1024) for v in (0.640, 0.330, 0.300, 0.600, 0.150, 0.060, 0.3127, 0.3290)]
    low = [v & 3 for v in xy]
    put(image, 25, [low[0] << 6 | low[1] << 4 | low[2] << 2 | low[3],
                    low[4] << 6 | low[5] << 4 | low[6] << 2 | low[7]])
    put(image, 27, [v >> 2 for v in xy])
    put(image, 35, [0x21, 0x08, 0x00])  # 640x480@60, 800x600@60, 1024x768@60
    # Standard timings: 1920x1080@60 as (1920 / 8 - 31, aspect 16:9 in bits 7..6 | 60 - 60),
    # the other seven slots unused (01 01).
    put(image, 38, [1920 // 8 - 31, 0xC0] + [0x01, 0x01] * 7)
    # Descriptor 1: the preferred mode, 1920x1080 at 60 Hz, 148.5 MHz.
    put(image, 54, detailed_timing(14850, 1920, 280, 1080, 45, 88, 44, 4, 5, (521, 293)))
    # Descriptor 2: range limits 56..76 Hz, 30..83 kHz, 170 MHz.
    put(image, 72, [0, 0, 0, 0xFD, 0, 56, 76, 30, 83, 170 // 10, 0x00, 0x0A] + [0x20] * 6)
    # Descriptor 3: monitor name, ended by a line feed and padded with spaces.
    put(image, 90, [0, 0, 0, 0xFC, 0] + list(ascii_field("CONSTRUCTED\n", 13)))
    # Descriptor 4: dummy.
    put(image, 108, [0, 0, 0, 0x10, 0] + [0] * 13)
    put(image, 126, [1])  # one extension block
    put(image, 127, [-sum(finish(image)[:127]) & 0xFF])  # block sums to 0

    # CEA-861 extension: tag 2, revision 3, then the offset of its first detailed timing.
    # Data blocks: video (tag 2) with VIC 16 (1080p60) and VIC 4 (720p60); video capability
    # (tag 7, extended tag 0): RGB quantization range selectable (bit 6), IT formats always
    # underscanned (bits 3..2 = 10), CE formats both over- and underscanned (bits 1..0 = 11).
    blocks = [2 << 5 | 2, 16, 4] + [7 << 5 | 2, 0x00, 0x4B]
    # Underscanned IT formats (bit 7), basic audio (bit 6), one native detailed timing.
    put(image, 128, [0x02, 0x03, 4 + len(blocks), 0x80 | 0x40 | 1])
    put(image, 132, blocks)
    dtd = 132 + len(blocks)
    put(image, dtd, detailed_timing(7425, 1280, 370, 720, 30, 110, 40, 5, 5, (521, 293)))
    put(image, dtd + 18, [0] * (255 - dtd - 18))
    put(image, 255, [-sum(finish(image)[128:255]) & 0xFF])
    return image


# ---------------------------------------------------------------------------------------------
# PCI configuration space in `lspci -xxx` text: one line naming the function, then 16 rows of
# 16 bytes. Registers not named stay 0; the dumps hold what the program and its tests read,
# not every register a real chip would show.


def config_space(registers):
    space = bytearray(256)
    for offset, value in registers.items():
        assert offset % 4 == 0
        space[offset:offset + 4] = value.to_bytes(4, "little")
    return space


def lspci_text(functions):
    blocks = []
    for header, registers in functions:
        space = config_space(registers)
        rows = [f"{row:02x}: " + " ".join(f"{b:02x}" for b in space[row:row + 16])
                for row in range(0, 256, 16)]
        blocks.append("\n".join([header] + rows))
    return "\n\n".join(blocks) + "\n"


def field(value, shift, width=1):
    assert 0 <= value < 1 << width, (value, width)
    return value << shift


def k8_northbridge():
    """Node 0 of an AMD family 0Fh (K8, revision F/G, socket AM2) processor: functions
    0..3 at 00:18.0..3. The DRAM controller runs two DDR2-800 DIMMs, one per channel, as a
    128-bit pair at CL 5, 5-5-18."""
    common = {0x08: 0x06000000, 0x0C: 0x00800000}  # host bridge class, multi-function
    ht = dict(common)
    ht[0x00] = 0x11001022
    for node in range(8):  # routing table: requests, responses, broadcasts to node 0 itself
        ht[0x40 + 4 * node] = 0x00010101
    ht[0x60] = 0x00000000  # node id 0, one node
    address_map = dict(common)
    address_map[0x00] = 0x11011022
    address_map[0x40] = 0x00000003  # DRAM base 0: read and write enabled, base 0
    address_map[0x44] = 0x007F0000  # DRAM limit 0: bits 39..24 = 0x7F (2 GB), node 0
    dram = dict(common)
    dram[0x00] = 0x11021022
    # F2x88 DRAM timing low: Tcl 2..0 (CL - 1), Trcd 5..4 (- 3), Trp 9..8 (- 3), Trtp 11
    # (- 2), Tras 15..12 (- 3), Trc 19..16 (- 11), Twr 21..20 (- 3), Trrd 23..22 (- 2),
    # MemClkDis 31..24 (0: every memory clock output enabled).
    dram[0x88] = (field(5 - 1, 0, 3) | field(5 - 3, 4, 2) | field(5 - 3, 8, 2)
                  | field(3 - 2, 11) | field(18 - 3, 12, 4) | field(23 - 11, 16, 4)
                  | field(6 - 3, 20, 2) | field(3 - 2, 22, 2))
    # F2x8C DRAM timing high: TrwtTO 6..4 (- 2), Twtr 9..8, Twrrd 11..10, Twrwr 13..12 (- 1),
    # Trdrd 15..14 (- 2), Tref 17..16 (2: 7.8 us), Trfc of logical DIMM 0 and 1 at 22..20 and
    # 25..23 (2: 127.5 ns, 1 Gbit devices).
    dram[0x8C] = (field(4 - 2, 4, 3) | field(3, 8, 2) | field(1, 10, 2) | field(1 - 1, 12, 2)
                  | field(2 - 2, 14, 2) | field(2, 16, 2) | field(2, 20, 3) | field(2, 23, 3))
    # F2x90 DRAM configuration low: DramTerm 5..4 (1: 75 ohm), Width128 11, UnBuffDimm 16.
    dram[0x90] = field(1, 4, 2) | field(1, 11) | field(1, 16)
    # F2x94 DRAM configuration high: MemClkFreq 2..0 (3: 400 MHz), MemClkFreqVal 3,
    # MaxAsyncLat 7..4 (5 ns), PowerDownEn 15, FourActWindow 31..28 (15 clocks - 7).
    dram[0x94] = (field(3, 0, 3) | field(1, 3) | field(5, 4, 4) | field(1, 15)
                  | field(15 - 7, 28, 4))
    misc = dict(common)
    misc[0x00] = 0x11031022
    # F3xE8 north-bridge capabilities: 128-bit DRAM interface (bit 0), memory controller
    # (bit 8), two cores (CmpCap 13..12 = 1), no memory clock limit (6..5 = 0).
    misc[0xE8] = field(1, 0) | field(1, 8) | field(1, 12, 2)
    return lspci_text([
        ("00:18.0 Host bridge: AMD family 0Fh HyperTransport configuration [1022:1100]", ht),
        ("00:18.1 Host bridge: AMD family 0Fh address map [1022:1101]", address_map),
        ("00:18.2 Host bridge: AMD family 0Fh DRAM controller [1022:1102]", dram),
        ("00:18.3 Host bridge: AMD family 0Fh miscellaneous control [1022:1103]", misc),
    ])


def sb600_smbus():
    """Device 20 function 0 of an ATI SB600 south bridge, the SMBus host (revision 0x14):
    the I/O base 0x0B00 with its enable bit in register 0x90 (where the firmware sets it) and
    the same in the I/O BAR at 0x10."""
    registers = {
        0x00: 0x43851002,  # device 0x4385, vendor 0x1002
        0x04: 0x02300403,  # status: 66 MHz, capabilities, medium DEVSEL; command: I/O,
                           # memory, interrupts disabled
        0x08: 0x0C050014,  # class SMBus (0C 05 00), revision 0x14
        0x0C: 0x00800000,  # multi-function device
        0x10: 0x00000B01,  # I/O BAR: 0x0B00, I/O space
        0x90: 0x00000B01,  # SMBus base address: 0x0B00, enabled (bit 0)
    }
    return lspci_text([("00:14.0 SMBus: ATI SB600 SMBus controller [1002:4385] (rev 14)",
                        registers)])


# ---------------------------------------------------------------------------------------------


def main():
    spd = {
        "constructed-ddr2-udimm-800-epp.bin": finish(ddr2_epp_udimm()),
        "constructed-ddr2-sodimm-667.bin": finish(ddr2_sodimm()),
        "constructed-ddr2-udimm-667-vendor-ascii.bin": finish(ddr2_udimm_vendor_ascii()),
        "constructed-ddr3-sodimm-1866-userxmp13.bin": finish(ddr3_sodimm_1866_xmp13()),
        "constructed-notspd-edid-256.bin": finish(edid_256()),
    }
    xmp = spd["constructed-ddr3-sodimm-1866-userxmp13.bin"]
    # A read that stopped after byte 116, the last byte the CRC covers.
    spd["constructed-truncated117-ddr3-sodimm-1866.bin"] = xmp[:117]
    for name, data in spd.items():
        (SPD_DIR / name).write_bytes(data)
    # The same module read with i2cdump where every byte from 0x80 on failed.
    (SPD_DIR / "constructed-i2cdump-readfailed128-ddr3-sodimm-1866.txt").write_text(
        i2cdump_text(xmp, 128))
    (PCI_DIR / "constructed-k8-northbridge-00-18.0-3.lspci-xxx.txt").write_text(
        k8_northbridge())
    (PCI_DIR / "constructed-sb600-smbus-1002-4385.lspci-xxx.txt").write_text(sb600_smbus())


if __name__ == "__main__":
    main()
