// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/main_view.h"

namespace zm::app {

std::vector<PanelGroup> SummaryGroups(const MainView& view) {
    const CpuView& c = view.cpu;
    const MotherboardView& b = view.motherboard;
    const MemoryView& m = view.memory;
    return {
        {"CPU",
         "cpu",
         {
             {"Model", "Panel1", "model", c.model},
             {"CPUID", "Panel6", "cpuid", c.cpuid},
             {"Rev.", "Panel2", "revision", c.revision},
             {"Socket", "Panel12", "socket", c.socket},
             {"Technology", "Panel14", "technology", c.technology},
             {"Cores/Threads", "Panel17", "cores_threads", c.coresThreads},
         }},
        {"MotherBoard",
         "motherboard",
         {
             {"Vendor", "Panel13", "vendor", b.vendor},
             {"Model", "Panel15", "model", b.model},
             {"Chipset", "Panel7", "chipset", b.chipset},
             {"BIOS version", "Panel16", "bios_version", b.biosVersion},
             {"Date", "Panel11", "bios_date", b.biosDate},
         }},
        {"Memory",
         "memory",
         {
             {"Type", "Panel3", "type", m.type},
             {"Manufacturer", "Panel8", "manufacturer", m.manufacturer},
             {"Part Nb.", "Panel9", "part_number", m.partNumber, m.partNumberEnabled},
             {"Size", "Panel4", "size", m.size},
             {"Speed", "Panel10", "speed", m.speed},
             {"Chan.", "Panel5", "channels", m.channelMode},
         }},
    };
}

PanelGroup FrequencyGroup(const FrequencyView& f) {
    return {
        "System Frequency",
        "frequency",
        {
            {"BCLK", "PanelBclk", "bclk", f.bclk},
            {"Cores", "PanelCores", "cores", f.cores},
            {"Multiplier", "PanelCoreMultiplier", "core_multiplier", f.coreMultiplier},
            {"UnCore", "PanelUncore", "uncore", f.uncore},
            {"UnCore multiplier", "PanelUncoreMultiplier", "uncore_multiplier", f.uncoreMultiplier},
            {f.linkCaption, "PanelLink", "link", f.link},
            {"Link multiplier", "PanelLinkMultiplier", "link_multiplier", f.linkMultiplier},
            {"RAM", "PanelRam", "ram", f.ram},
            {"RAM multiplier", "PanelRamMultiplier", "ram_multiplier", f.ramMultiplier},
        }};
}

}  // namespace zm::app
