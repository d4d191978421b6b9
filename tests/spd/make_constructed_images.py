#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the SPD images built here from the JEDEC, XMP and EXPO layouts (no dump of a module
with these profiles is at hand under a licence that allows shipping it):

  constructed-ddr4-sodimm-micron-16ATF1G64HZ-xmp20.bin
      the Micron DDR4 SO-DIMM dump of tests/data/spd with an XMP 2.0 block written into its
      end-user area (bytes 384..486); nothing else changes, so both CRCs stay good.
  constructed-ddr5-udimm-4800-xmp30-expo.bin
      a 1,024-byte DDR5-4800 16 GB UDIMM (one rank of x8 16 Gbit dies on two 32-bit
      sub-channels) with two XMP 3.0 profiles, named, and two EXPO profiles.

Every byte set is listed below with what it means; bytes not named are 0. Run from anywhere:
    python3 tests/spd/make_constructed_images.py
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "data", "spd")
sys.path.insert(0, os.path.join(HERE, "..", "data"))
from make_images import crc16_xmodem as crc16  # noqa: E402  (the one SPD CRC-16)



def put16(image, offset, value):
    image[offset] = value & 0xFF
    image[offset + 1] = value >> 8


def put_text(image, offset, length, text, pad=0x20):
    raw = text.encode("ascii")
    image[offset:offset + length] = raw + bytes([pad]) * (length - len(raw))


def put_crc(image, first, last, at):
    put16(image, at, crc16(image[first:last + 1]))


# ---------------------------------------------------------------- DDR4 with XMP 2.0

def ddr4_xmp_profile(image, p, volts, tck_mtb, cas, taa, trcd, trp, tras, trc, trfc, tfaw,
                     trrd_s, trrd_l, trrd_l_fine):
    """One XMP 2.0 profile at p; times in 125 ps units (tRFC too), fine parts in ps."""
    image[p + 0] = 0x80 | round((volts - 1) * 100)  # bit 7: 1 V, bits 6..0: hundredths
    image[p + 3] = tck_mtb                          # tCKmin
    mask = sum(1 << (cl - 7) for cl in cas)         # bit 0 = CL 7
    image[p + 4:p + 8] = mask.to_bytes(4, "little")
    image[p + 8] = taa                              # tAAmin
    image[p + 9] = trcd                             # tRCDmin
    image[p + 10] = trp                             # tRPmin
    image[p + 11] = (tras >> 8) | (trc >> 8) << 4   # upper nibbles of tRAS and tRC
    image[p + 12] = tras & 0xFF                     # tRASmin
    image[p + 13] = trc & 0xFF                      # tRCmin
    put16(image, p + 14, trfc[0])                   # tRFC1min
    put16(image, p + 16, trfc[1])                   # tRFC2min
    put16(image, p + 18, trfc[2])                   # tRFC4min
    image[p + 20] = tfaw >> 8                       # tFAWmin upper nibble
    image[p + 21] = tfaw & 0xFF                     # tFAWmin
    image[p + 22] = trrd_s                          # tRRD_Smin
    image[p + 23] = trrd_l                          # tRRD_Lmin
    image[p + 32] = trrd_l_fine & 0xFF              # tRRD_Lmin fine correction (signed ps)


def make_ddr4_xmp():
    with open(os.path.join(DATA, "ddr4-sodimm-micron-16ATF1G64HZ-2G1A2.bin"), "rb") as f:
        image = bytearray(f.read())
    assert len(image) == 512 and image[2] == 0x0C
    image[384:385 + 1] = b"\x0C\x4A"  # XMP identifier
    image[386] = 0x03                 # profiles 1 and 2 enabled, one DIMM per channel each
    image[387] = 0x20                 # XMP revision 2.0
    # Profile 1: DDR4-3200 (0.625 ns) 16-18-18-38, tRC 56 clocks, 1.35 V.
    ddr4_xmp_profile(image, 393, 1.35, 5, range(10, 23), 80, 90, 90, 190, 280,
                     (2800, 2080, 1280), 168, 20, 39, 25)
    # Profile 2: DDR4-2666 (0.75 ns) 16-18-18-36, tRC 54 clocks, 1.20 V.
    ddr4_xmp_profile(image, 440, 1.20, 6, range(10, 23), 96, 108, 108, 216, 324,
                     (2800, 2080, 1280), 168, 24, 39, 25)
    return image


# ---------------------------------------------------------------- DDR5 with XMP 3.0 and EXPO

def volts5(volts):
    """DDR5 profile voltage byte: bits 6..5 whole volts, bits 4..0 twentieths."""
    whole = int(volts)
    return whole << 5 | round((volts - whole) * 20)


def ddr5_times(image, p, t):
    """tAA .. tRFCsb as the JEDEC block, XMP 3.0 and EXPO profiles keep them from tAA at p:
    16-bit little-endian ps, the three refresh times in ns."""
    put16(image, p + 0, t["tAA"])
    put16(image, p + 2, t["tRCD"])
    put16(image, p + 4, t["tRP"])
    put16(image, p + 6, t["tRAS"])
    put16(image, p + 8, t["tRC"])
    put16(image, p + 10, t["tWR"])
    put16(image, p + 12, t["tRFC1"])  # ns
    put16(image, p + 14, t["tRFC2"])  # ns
    put16(image, p + 16, t["tRFCsb"])  # ns


def make_ddr5():
    image = bytearray(1024)
    image[0] = 0x30   # 1,024 bytes in the SPD device
    image[1] = 0x10   # SPD revision 1.0
    image[2] = 0x12   # DDR5 SDRAM
    image[3] = 0x02   # UDIMM
    image[4] = 0x04   # 16 Gbit dies, one die per package
    image[5] = 0x00   # 16 row and 10 column address bits
    image[6] = 0x20   # x8 dies
    image[7] = 0x62   # 8 bank groups (bits 7..5 = 3) of 4 banks (bits 2..0 = 2)
    image[16] = 0x00  # VDD 1.1 V nominal (as VDDQ, byte 17, and VPP 1.8 V, byte 18)
    put16(image, 20, 416)   # tCKmin 416 ps: DDR5-4800
    put16(image, 22, 1010)  # tCKmax 1,010 ps: DDR5-2000
    cas = (22, 26, 28, 30, 32, 36, 40)  # bit 0 of byte 24 = CL 20, one bit per even CL
    image[24:29] = sum(1 << ((cl - 20) // 2) for cl in cas).to_bytes(5, "little")
    jedec = {"tAA": 16000, "tRCD": 16000, "tRP": 16000, "tRAS": 32000, "tRC": 48000,
             "tWR": 30000, "tRFC1": 295, "tRFC2": 160, "tRFCsb": 130}
    ddr5_times(image, 30, jedec)  # bytes 30..47
    # Bytes 70..93: time in ps and fewest clocks: tRRD_L, tCCD_L, tCCD_L_WR, tCCD_L_WR2, tFAW,
    # tCCD_L_WTR (tWTR_L), tCCD_S_WTR (tWTR_S), tRTP.
    for offset, ps, clocks in ((70, 5000, 8), (73, 5000, 8), (76, 20000, 32), (79, 10000, 16),
                               (82, 13333, 32), (85, 10000, 16), (88, 2500, 4), (91, 7500, 12)):
        put16(image, offset, ps)
        image[offset + 2] = clocks
    image[192] = 0x10  # module block revision 1.0
    image[234] = 0x00  # one package rank per sub-channel
    image[235] = 0x22  # two sub-channels (bits 6..5 = 1) of 32 bits (bits 2..0 = 2), no ECC
    put_crc(image, 0, 509, 510)  # CRC of bytes 0..509 in 510 (low) and 511 (high)

    image[512:514] = b"\x01\x25"  # module maker: JEP-106 bank 2 (one continuation), code 0x25
    image[514] = 0x01             # manufacturing location
    image[515:517] = b"\x24\x15"  # made 2024, week 15 (BCD)
    image[517:521] = b"\xA5\x00\x12\x34"  # serial number
    put_text(image, 521, 30, "ZM-CONSTRUCTED-DDR5-4800")  # part number, blank-padded
    image[551] = 0x01             # module revision
    image[552:554] = b"\x01\x25"  # DRAM maker

    # XMP 3.0 header at 640.
    image[640:642] = b"\x0C\x4A"  # XMP identifier
    image[642] = 0x30             # revision 3.0
    image[643] = 0x03             # profiles 1 and 2 enabled (3 would sit where EXPO is)
    put_text(image, 654, 16, "ZM Fast 6000", 0)   # profile 1 name, 0-padded
    put_text(image, 670, 16, "ZM Tight 5600", 0)  # profile 2 name
    put_crc(image, 640, 701, 702)  # header CRC

    def xmp_profile(p, vdd, tck, cl_list, t):
        image[p + 0] = volts5(1.8)   # VPP
        image[p + 1] = volts5(vdd)   # VDD
        image[p + 2] = volts5(vdd)   # VDDQ
        image[p + 4] = volts5(1.1)   # memory controller voltage
        put16(image, p + 5, tck)     # tCKmin, ps
        image[p + 7:p + 12] = sum(1 << ((cl - 20) // 2) for cl in cl_list).to_bytes(5, "little")
        ddr5_times(image, p + 13, t)  # tAA .. tRFCsb at +13..+30
        # tRRD_L, tCCD_L_WR, tCCD_L_WR2, tCCD_L_WTR, tCCD_S_WTR, tCCD_L, tRTP, tFAW with their
        # fewest clocks.
        for offset, ps, clocks in ((31, 5000, 8), (34, 20000, 32), (37, 10000, 16),
                                   (40, 10000, 16), (43, 2500, 4), (46, 5000, 8),
                                   (49, 7500, 12), (52, 10666, 32)):
            put16(image, p + offset, ps)
            image[p + offset + 2] = clocks
        image[p + 61] = 0x02  # command rate 2N
        put_crc(image, p, p + 61, p + 62)

    # Profile 1: DDR5-6000 (333 ps) 30-38-38-96 at 1.35 V.
    xmp_profile(704, 1.35, 333, range(30, 50, 2),
                {"tAA": 10000, "tRCD": 12666, "tRP": 12666, "tRAS": 32000, "tRC": 44666,
                 "tWR": 30000, "tRFC1": 295, "tRFC2": 160, "tRFCsb": 130})
    # Profile 2: DDR5-5600 (357 ps) 28-36-36-90 at 1.25 V.
    xmp_profile(768, 1.25, 357, range(28, 50, 2),
                {"tAA": 10000, "tRCD": 12857, "tRP": 12857, "tRAS": 32000, "tRC": 44857,
                 "tWR": 30000, "tRFC1": 295, "tRFC2": 160, "tRFCsb": 130})

    # EXPO block at 832 (in place of XMP profiles 3 and 4).
    image[832:836] = b"EXPO"  # identifier
    image[836] = 0x10         # revision 1.0
    image[837] = 0x11         # profile 1 (bit 0) and profile 2 (bit 4) enabled

    def expo_profile(p, vdd, tck, t):
        image[p + 0] = volts5(vdd)  # VDD
        image[p + 1] = volts5(vdd)  # VDDQ
        image[p + 2] = volts5(1.8)  # VPP
        put16(image, p + 4, tck)    # tCKmin, ps
        ddr5_times(image, p + 6, t)  # tAA .. tRFCsb at +6..+23
        # tRRD_L, tCCD_L, tCCD_L_WR, tCCD_L_WR2, tFAW, tCCD_L_WTR, tCCD_S_WTR, tRTP (no fewest
        # clocks in EXPO).
        for offset, ps in ((24, 5000), (26, 5000), (28, 20000), (30, 10000), (32, 10666),
                           (34, 10000), (36, 2500), (38, 7500)):
            put16(image, p + offset, ps)

    # EXPO 1: DDR5-6000 30-36-36-96 at 1.40 V; EXPO 2: DDR5-5200 (384 ps) 28-34-34-84 at 1.25 V.
    expo_profile(842, 1.40, 333,
                 {"tAA": 10000, "tRCD": 12000, "tRP": 12000, "tRAS": 32000, "tRC": 44000,
                  "tWR": 30000, "tRFC1": 295, "tRFC2": 160, "tRFCsb": 130})
    expo_profile(882, 1.25, 384,
                 {"tAA": 10769, "tRCD": 13076, "tRP": 13076, "tRAS": 32000, "tRC": 45076,
                  "tWR": 30000, "tRFC1": 295, "tRFC2": 160, "tRFCsb": 130})
    put_crc(image, 832, 957, 958)  # EXPO block CRC
    return image


for name, image in (("constructed-ddr4-sodimm-micron-16ATF1G64HZ-xmp20.bin", make_ddr4_xmp()),
                    ("constructed-ddr5-udimm-4800-xmp30-expo.bin", make_ddr5())):
    with open(os.path.join(DATA, name), "wb") as f:
        f.write(image)
