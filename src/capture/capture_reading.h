// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The reads of a capture, one part of the machine each: after the start-up has shown which
// PCI functions, MSRs and memory the program depends on, these read them whole, as the machine
// holds them, into a sim::MachineCapture. Values the start-up changed on its way (to reach the
// SMBus or the controllers) are written down as they were before it changed them.
//
// Nothing here writes to the hardware except the SMBus read transactions of the SPD reads.
// What cannot be read is left out and named in `missed`.

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "capture/profile_writer.h"
#include "capture/recording_library.h"
#include "hw/cpuid.h"
#include "hw/hardware_access.h"

namespace zm::app::capture {

using Missed = std::vector<std::string>;

// What the privacy masking changed, for the profile's comment.
struct Masking {
    unsigned spdSerials = 0;
    unsigned spdCrcRecomputed = 0;
    unsigned spdCrcLeftWrong = 0;
    unsigned smbiosFields = 0;
};

// Every standard and extended leaf up to the highest the processor reports, sub-leaves where
// the leaf has them; leaves that answer all zeros are left out. The brand string as text when
// it is plain printable ASCII, else as its three leaves.
void ReadCpuid(hw::Cpuid& cpuid, sim::MachineCapture& out);

// MSRs the windows read beyond the start-up, by processor vendor: the Monitor's thermal status
// on Intel, the P-state registers the K10 CPU settings window changes.
std::set<std::uint32_t> WindowMsrs(hw::Cpuid& cpuid);

// Each index on every processor; equal values go to "all", the rest per processor. A register
// no processor can read is taken as absent; one readable on some processors only is named.
void ReadMsrs(hw::HardwareAccess& hw, const std::set<std::uint32_t>& indices, unsigned processors,
              const std::vector<hw::OriginalValue>& originals, sim::MachineCapture& out,
              Missed& missed);

// Each function's whole configuration space: 4096 bytes while the AMD north bridge lets the
// configuration address reach the extended registers, else 256. Functions answering all ones are
// absent.
void ReadPciFunctions(hw::HardwareAccess& hw, const std::set<hw::PciFunctionAddress>& functions,
                      const std::vector<hw::OriginalValue>& originals, sim::MachineCapture& out);

// Memory the program read: the SMBIOS entry point and table where the scan finds them (serials
// masked unless keepSerials), the chipset configuration block's registers that were read, and
// the host bridge's memory-controller window (16 KiB) when the program read inside it.
void ReadMemory(hw::HardwareAccess& hw, const std::set<std::uint64_t>& reads,
                const std::vector<hw::OriginalValue>& originals, bool keepSerials,
                sim::MachineCapture& out, Missed& missed, Masking& masking);

// 256 bytes of every SPD slot the program knows that answers, through the SMBus host the
// start-up found (hw.SmbusBase()); serials masked unless keepSerials.
void ReadSpd(hw::HardwareAccess& hw, bool keepSerials, sim::MachineCapture& out, Missed& missed,
             Masking& masking);

}  // namespace zm::app::capture
