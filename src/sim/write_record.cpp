// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>

#include "sim/simulated_machine.h"

namespace zm::sim {

std::string Describe(const WriteRecord& record) {
    char text[96];
    const unsigned digits = record.width * 2;
    const auto value = static_cast<unsigned long long>(record.value);
    const auto address = static_cast<unsigned long long>(record.address);
    switch (record.kind) {
        case WriteRecord::Kind::Port:
            std::snprintf(text, sizeof text, "PORT 0x%04llX <- 0x%0*llX", address, digits, value);
            break;
        case WriteRecord::Kind::Pci:
            std::snprintf(text, sizeof text, "PCI 0x%08llX <- 0x%0*llX", address, digits, value);
            break;
        case WriteRecord::Kind::Msr:
            std::snprintf(text, sizeof text, "MSR 0x%llX cpu%u <- 0x%016llX", address,
                          record.processor, value);
            break;
        case WriteRecord::Kind::Memory:
            std::snprintf(text, sizeof text, "MEM 0x%08llX <- 0x%0*llX", address, digits, value);
            break;
    }
    return text;
}

}  // namespace zm::sim
