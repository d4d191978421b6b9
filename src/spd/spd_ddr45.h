// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// DDR4 (SPD byte 2 = 0x0C) and DDR5 (0x12) modules, decoded from a whole image: the SPD window
// reads modules byte by byte over an SMBus that reaches only 256 bytes, while these generations
// keep their maker, part number and overclocking profiles past byte 255 (DDR4: 512 bytes in two
// pages, DDR5: 1,024 bytes behind the SPD hub). They come from files or from the kernel's EEPROM
// drivers, which read every page.
//
// The result has the shape of a DDR2/DDR3 report: the facts, the checksum, one column per profile
// (the JEDEC speed and two slower standard speeds, then XMP and EXPO profiles) with one row per
// timing in clocks, and below them the module's JEDEC minimum times in nanoseconds.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "spd/spd_report.h"

namespace zm::spd {

constexpr std::uint8_t kSpdTypeDdr4 = 0x0C;
constexpr std::uint8_t kSpdTypeDdr5 = 0x12;

SpdSlotReport DecodeDdr4(std::span<const std::uint8_t> bytes, char decimalSeparator = '.');
SpdSlotReport DecodeDdr5(std::span<const std::uint8_t> bytes, char decimalSeparator = '.');

namespace ddr45 {

// Bytes of an image; a byte past its end reads 0, and Has() says whether a field is there.
class Bytes {
public:
    explicit Bytes(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    bool Has(unsigned last) const { return last < bytes_.size(); }
    unsigned operator[](unsigned offset) const {
        return offset < bytes_.size() ? bytes_[offset] : 0;
    }
    unsigned Le16(unsigned offset) const { return (*this)[offset] | (*this)[offset + 1] << 8; }
    std::size_t Size() const { return bytes_.size(); }
    std::span<const std::uint8_t> Span() const { return bytes_; }

private:
    std::span<const std::uint8_t> bytes_;
};

// One profile column: its header and, per grid row, the time in ps that the row turns into
// clocks (nullopt: the profile gives none), plus the texts of the rows that are not times.
struct ProfileColumn {
    std::string header;
    double tckPs = 0;                            // the cycle time the clocks are counted in
    std::vector<std::uint32_t> casList;          // the CAS latencies the profile allows; empty: any
    std::vector<std::optional<double>> timesPs;  // per grid row; the CL row holds tAA
    std::vector<unsigned> lowerLimits;  // per grid row: fewest clocks allowed (DDR5), 0 = none
    std::vector<std::string> texts;     // per grid row: a text instead of clocks (voltages)
};

// Grid rows of a DDR4/DDR5 report: MHz, MT/s and CL at the top, then the generation's timings
// and its voltages.
struct Grid {
    std::vector<std::string> rows;
    int Row(const std::string& name) const;
};

// Clocks a time takes at a cycle time, the way each generation's controllers round: DDR4 allows
// 2.5 % below a whole clock, DDR5 takes 0.3 % off the quotient before rounding up.
enum class Rounding { Ddr4, Ddr5 };
std::optional<long long> ClocksOf(double timePs, double tckPs, Rounding rounding);

// The lowest CAS latency in `cas` that covers tAA at tck (the clocks tAA needs when `cas` is
// empty); nullopt when none does.
std::optional<long long> CasLatency(double taaPs, double tckPs,
                                    const std::vector<std::uint32_t>& cas, Rounding rounding);

// "DDR5-6000" data rates: the transfer rate of a cycle time the SPD stores rounded to 1 ps, as
// the multiple of 100 MT/s that lies within that rounding when there is one.
long long DataRate(double tckPs);

// Fills report.headers and report.rows from the columns.
void WriteGrid(SpdSlotReport& report, const Grid& grid, const std::vector<ProfileColumn>& columns,
               Rounding rounding);

// JEP-106 maker of a two-byte identity (continuation count with parity, then the code): a
// name the project knows for bank 1, otherwise the code and its bank.
std::string MakerOf(unsigned continuation, unsigned code);

// BCD year and week, "2015-W31"; empty when the bytes are no date.
std::string ManufacturingDate(unsigned yearBcd, unsigned weekBcd);

// Printable text of a fixed-width ASCII field, ending at its first 0 byte, trailing blanks off.
std::string AsciiField(const Bytes& bytes, unsigned first, unsigned length);

// The module maker's block, laid out alike on DDR4 (from byte 320, a 20-character part number)
// and DDR5 (from byte 512, 30 characters): maker (2 bytes), location, year and week (BCD),
// serial (4), part number, revision, DRAM maker (2). Nothing when the image ends before it.
struct ManufacturingBlock {
    unsigned first;
    unsigned partNumberLength;
};
void AddManufacturingFacts(SpdSlotReport& report, const Bytes& bytes, ManufacturingBlock block);

// "CRC-16 of bytes 0..125 0x1E34 good" or the mismatch; mismatch set when it does not match.
std::string CheckCrc(const Bytes& bytes, unsigned first, unsigned last, unsigned stored,
                     bool& mismatch);

std::string Ns(double ps, char decimalSeparator);  // "13.500 ns"

}  // namespace ddr45
}  // namespace zm::spd
