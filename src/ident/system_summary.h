// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two identification steps of start-up that fill the main window's "MotherBoard" and
// "Memory" groups (and the report):
//   1. after the platform gate: chipset name and spd button, SMBus discovery, and the memory
//      summary from the first module's SPD;
//   2. after cpuid: motherboard and BIOS from SMBIOS, and the memory size.
// "Type" and "Chan." of the memory group belong to the memory-controller code.

#include <array>
#include <cstdint>
#include <string>

#include "hw/hardware_access.h"
#include "ident/smbios_scan.h"
#include "ident/spd_summary.h"
#include "os/system_info.h"
#include "settings/settings.h"

namespace zm::ident {

struct MotherboardSummary {
    std::string vendor;
    std::string model;
    std::string chipset;
    std::string biosVersion;
    std::string biosDate;
    bool spdButtonVisible = false;
};

struct MemorySummary {
    std::string type;  // set by the memory-controller code
    std::string manufacturer;
    std::string partNumber;
    bool partNumberEnabled = true;  // cleared only by a decoded module without part number
    std::string size;
    std::string speed;
    std::string channels;  // set by the memory-controller code

    bool smbusFound = false;
    unsigned clockMhz = 0;  // from the first module's SPD; 0 when unknown
    std::array<unsigned, kSmbiosMemorySlots> slotSizesMb{};
    unsigned devicesAccepted = 0;
    unsigned totalMb = 0;  // sum of the slot sizes; the Monitor scales its memory graph by it
};

// Step 1. hostBridgeId: dword at 0:0.0 register 0; spdSlaveAddress: the module to summarise
// (0x50 at start-up). Sets the SMBus base in hw when a controller is found.
void IdentifyChipsetAndFirstModule(hw::HardwareAccess& hw, std::uint32_t hostBridgeId,
                                   std::uint8_t spdSlaveAddress, MotherboardSummary& board,
                                   MemorySummary& memory);

// Step 2. uncoreDeviceId: the Intel uncore identity start-up found (0x2C1C8086 selects the
// three-channel size rules). Reads and maintains the SMBIOS cache in settings; asks the
// operating system for its memory total only when SMBIOS gave no sizes.
void IdentifyBoardAndMemorySize(hw::HardwareAccess& hw, settings::Settings& settings,
                                os::SystemInfo& system, std::uint32_t uncoreDeviceId,
                                MotherboardSummary& board, MemorySummary& memory);

}  // namespace zm::ident
