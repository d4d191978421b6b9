// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the start-up learns about the machine from PCI identities before any platform code runs,
// and what it changed in the hardware that the shutdown must undo. Fixed once the start-up is
// over (app::Session keeps it; what changes later is app::LiveState's).

#include <cstdint>
#include <optional>

#include "ident/cpu_identification.h"
#include "timings/model/timing_model.h"

namespace zm::app {

// PCI vendor/device dwords (device << 16 | vendor) the start-up compares against.
namespace pci_id {
// AMD family 10h north bridge, function 2 (DRAM controller).
constexpr std::uint32_t kK10DramController = 0x12021022;
// AMD family 0Fh (K8) DRAM controller: memory controller on die, but not one this program drives.
constexpr std::uint32_t kK8DramController = 0x11021022;
// Intel uncore device 3, function 4, per processor package.
constexpr std::uint32_t kLynnfieldUncore = 0x2C9C8086;
constexpr std::uint32_t kBloomfieldUncore = 0x2C1C8086;
constexpr std::uint32_t kGulftownUncore = 0x2D9C8086;
// Intel host bridges of the 32 nm LGA 1156 processors whose memory controller sits behind a
// memory-mapped register window.
constexpr std::uint32_t kHostBridge0040 = 0x00408086;
constexpr std::uint32_t kHostBridge0044 = 0x00448086;
constexpr std::uint16_t kVendorIntel = 0x8086;
}  // namespace pci_id

struct PlatformFacts {
    bool libraryInitialised = false;

    // Intel uncore probe (device 3, function 4 on bus 0x3F, 0x7F, 0xFF).
    std::uint32_t uncoreDeviceId = 0;
    // The id as the probe read it, before a single answer is forced to 0x2C1C8086: the
    // memory-controller lock check differs for the Lynnfield uncore.
    std::uint32_t probedUncoreDeviceId = 0;
    std::uint32_t busOffset = 0;  // 0, 0x400000 or 0xC00000: added to bus-0x3F addresses
    int uncoreAnswers = 0;        // probes that answered with Intel's vendor id
    ident::PackageFlags package;

    std::uint32_t northBridgeDramId = 0;  // bus 0, device 24, function 2, register 0
    std::uint32_t hostBridgeId = 0;       // bus 0, device 0, function 0, register 0
    bool dualChannelUncore = false;       // host bridge 0x0040 / 0x0044

    // Set by the platform branch taken.
    std::optional<timings::ControllerKind> controller;
    int intelPlatform = 0;
    int amdPlatform = 0;

    // AMD K10: F3x8C bit 14 (extended configuration access) as found at start, and whether the
    // start-up set it, so the shutdown knows what to put back.
    int savedExtendedConfigBit = 0;
    bool extendedConfigOpened = false;
};

}  // namespace zm::app
