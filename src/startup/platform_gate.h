// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The platform gate: the program drives only memory controllers that sit in the processor.
// Machines with the controller in the chipset get a pointer to the maker's tool for them; any
// other machine is refused outright.

#include <cstdint>
#include <optional>
#include <span>

#include "startup/messages.h"
#include "startup/platform_facts.h"

namespace zm::app {

inline constexpr const char* kMakerWebAddress = "https://zentrimo.example.org";

// Host bridges of chipsets that carry the memory controller themselves (Intel 9xx/3x/4x, NVIDIA
// nForce and VIA north bridges of the same generations).
std::span<const std::uint32_t> ChipsetControllerHostBridges();

enum class GateOutcome { Pass, Warning, Refused };

struct GateDecision {
    GateOutcome outcome = GateOutcome::Pass;
    std::optional<Message> message;  // set unless the machine passes
};

// The four-line warning for chipset memory controllers (lines separated by CR LF).
std::string ChipsetControllerWarningText();
inline constexpr const char* kNotForThisSystem = "NOT FOR THIS SYSTEM!";

// Passes on an AMD K10 north bridge, on host bridge 0x0040/0x0044, and on a single recognised
// Intel uncore package. Otherwise warns (known chipset controller, or an AMD K8 north bridge)
// or refuses; either way the program ends.
GateDecision ApplyPlatformGate(const PlatformFacts& facts);

}  // namespace zm::app
