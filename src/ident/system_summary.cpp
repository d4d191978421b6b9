// SPDX-License-Identifier: GPL-3.0-or-later
#include "ident/system_summary.h"

#include "ident/chipset_name.h"
#include "ident/memory_size.h"
#include "spd/smbus_discovery.h"

namespace zm::ident {

void IdentifyChipsetAndFirstModule(hw::HardwareAccess& hw, std::uint32_t hostBridgeId,
                                   std::uint8_t spdSlaveAddress, MotherboardSummary& board,
                                   MemorySummary& memory) {
    ChipsetIdentity chipset = IdentifyChipset(hw, hostBridgeId);
    board.chipset = std::move(chipset.name);
    board.spdButtonVisible = chipset.spdButtonVisible;

    // The host's reach writes travel with the reads after them (one request each behind a pipe).
    hw::HardwareAccess::WriteBatch batch(hw);
    memory.smbusFound = spd::DiscoverSmbusController(hw);
    if (!memory.smbusFound) return;
    SpdMemorySummary spd = ReadModuleSummary(hw, spdSlaveAddress);
    memory.manufacturer = std::move(spd.manufacturer);
    memory.partNumber = std::move(spd.partNumber);
    memory.partNumberEnabled = spd.partNumberEnabled;
    memory.speed = std::move(spd.speed);
    memory.clockMhz = spd.clockMhz;
}

void IdentifyBoardAndMemorySize(hw::HardwareAccess& hw, settings::Settings& settings,
                                os::SystemInfo& system, std::uint32_t uncoreDeviceId,
                                MotherboardSummary& board, MemorySummary& memory) {
    SmbiosFacts facts = ReadSmbios(hw, settings);
    board.vendor = std::move(facts.boardVendor);
    board.model = std::move(facts.boardModel);
    board.biosVersion = std::move(facts.biosVersion);
    board.biosDate = std::move(facts.biosDate);

    memory.slotSizesMb = facts.slotSizesMb;
    memory.devicesAccepted = facts.devicesAccepted;
    memory.totalMb = TotalMb(facts.slotSizesMb);
    memory.size = SlotSizeText(facts.slotSizesMb, uncoreDeviceId == kTripleChannelUncoreId);
    if (memory.size == "0 Mb")
        memory.size = OsMemorySizeText(system.GlobalMemoryStatus().totalPhys);
}

}  // namespace zm::ident
