// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/main_view.h"

namespace zm::app {

std::vector<FactGroup> SummaryGroups(const MainView& view) {
    const CpuView& c = view.cpu;
    const MotherboardView& b = view.motherboard;
    const MemoryView& m = view.memory;
    return {
        {"CPU",
         "cpu",
         {
             {"Model", "model", c.model},
             {"CPUID", "cpuid", c.cpuid},
             {"Rev.", "revision", c.revision},
             {"Socket", "socket", c.socket},
             {"Technology", "technology", c.technology},
             {"Cores/Threads", "cores_threads", c.coresThreads},
         }},
        {"MotherBoard",
         "motherboard",
         {
             {"Vendor", "vendor", b.vendor},
             {"Model", "model", b.model},
             {"Chipset", "chipset", b.chipset},
             {"BIOS version", "bios_version", b.biosVersion},
             {"Date", "bios_date", b.biosDate},
         }},
        {"Memory",
         "memory",
         {
             {"Type", "type", m.type},
             {"Manufacturer", "manufacturer", m.manufacturer},
             {"Part Nb.", "part_number", m.partNumber, m.partNumberEnabled},
             {"Size", "size", m.size},
             {"Speed", "speed", m.speed},
             {"Chan.", "channels", m.channelMode},
         }},
    };
}

FactGroup FrequencyGroup(const FrequencyView& f) {
    return {"System Frequency",
            "frequency",
            {
                {"BCLK", "bclk", f.bclk},
                {"Cores", "cores", f.cores},
                {"Multiplier", "core_multiplier", f.coreMultiplier},
                {"UnCore", "uncore", f.uncore},
                {"UnCore multiplier", "uncore_multiplier", f.uncoreMultiplier},
                {f.linkCaption, "link", f.link},
                {"Link multiplier", "link_multiplier", f.linkMultiplier},
                {"RAM", "ram", f.ram},
                {"RAM multiplier", "ram_multiplier", f.ramMultiplier},
            }};
}

}  // namespace zm::app
