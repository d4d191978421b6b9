// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/platform_gate.h"

#include <algorithm>
#include <array>

namespace zm::app {
namespace {

constexpr std::array<std::uint32_t, 40> kChipsetControllerHostBridges{
    0x25808086, 0x25908086, 0x25848086, 0x27708086, 0x27A08086, 0x27748086, 0x277C8086, 0x25788086,
    0x25708086, 0x25608086, 0x2A408086, 0x1A308086, 0x33408086, 0x35808086, 0x29708086, 0x29908086,
    0x29A08086, 0x2A008086, 0x27AC8086, 0x01E010DE, 0x03A310DE, 0x03A110DE, 0x03A210DE, 0x080010DE,
    0x31161106, 0x30991106, 0x31891106, 0x11308086, 0x40038086, 0x29808086, 0x29C08086, 0x29B08086,
    0x29D08086, 0x29E08086, 0x2A108086, 0x07C110DE, 0x080210DE, 0x2E208086, 0x2E108086, 0x2E308086,
};

bool HasIntegratedController(const PlatformFacts& facts) {
    const ident::PackageFlags& p = facts.package;
    return facts.northBridgeDramId == pci_id::kK10DramController || facts.dualChannelUncore ||
           p.lynnfield || p.bloomfield || p.gulftown;
}

bool HasChipsetController(const PlatformFacts& facts) {
    const auto& list = kChipsetControllerHostBridges;
    return std::find(list.begin(), list.end(), facts.hostBridgeId) != list.end() ||
           facts.northBridgeDramId == pci_id::kK8DramController;
}

}  // namespace

std::span<const std::uint32_t> ChipsetControllerHostBridges() {
    return kChipsetControllerHostBridges;
}

std::string ChipsetControllerWarningText() {
    return std::string("Zentrimo is only for CPU\r\n") + "with Integrated Memory Controller!\r\n" +
           "For your system, go on:   " + kMakerWebAddress + "\r\n" +
           "and download Hollin latest version.";
}

GateDecision ApplyPlatformGate(const PlatformFacts& facts) {
    if (HasIntegratedController(facts)) return {GateOutcome::Pass, std::nullopt};
    if (HasChipsetController(facts))
        return {GateOutcome::Warning, Message{kCaptionWarning, ChipsetControllerWarningText()}};
    return {GateOutcome::Refused, Message{kCaptionError, kNotForThisSystem}};
}

}  // namespace zm::app
