// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Model-specific registers of every logical processor, with the side effects of the few
// registers whose writes the hardware reflects elsewhere:
//
//   Intel IA32_PERF_CTL (0x199): the requested performance state shows in IA32_PERF_STATUS
//     (0x198) bits 15..0 (on Nehalem the current ratio sits in bits 7..0).
//   AMD family 10h COFVID control (0xC0010070): the core takes the written FID, DID and VID
//     at once; COFVID status (0xC0010071) reports them, the north-bridge VID and DID and the
//     requested P-state as the current one.
//   AMD family 10h P-state control (0xC0010062): switching to P-state n loads FID, DID, VID,
//     north-bridge DID and VID from the P-state register 0xC0010064 + n into COFVID status.
//
// A register the profile did not define does not exist: reading it yields zero and false,
// writing it is refused, as a real processor raises a fault.

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace zm::sim {

namespace msr {
constexpr std::uint32_t kTimeStampCounter = 0x10;
constexpr std::uint32_t kPerfStatus = 0x198;
constexpr std::uint32_t kPerfControl = 0x199;
constexpr std::uint32_t kPstateControl = 0xC0010062;
constexpr std::uint32_t kPstateStatus = 0xC0010063;
constexpr std::uint32_t kPstate0 = 0xC0010064;
constexpr unsigned kPstateCount = 5;
constexpr std::uint32_t kCofvidControl = 0xC0010070;
constexpr std::uint32_t kCofvidStatus = 0xC0010071;
}  // namespace msr

class MsrFile {
public:
    void SetProcessorCount(unsigned count);
    unsigned ProcessorCount() const { return static_cast<unsigned>(processors_.size()); }

    void Set(unsigned processor, std::uint32_t index, std::uint64_t value);
    std::optional<std::uint64_t> Get(unsigned processor, std::uint32_t index) const;
    // A write from the program, with the hardware's side effects. False when the register
    // or the processor does not exist.
    bool Write(unsigned processor, std::uint32_t index, std::uint64_t value);

private:
    void ApplySideEffects(unsigned processor, std::uint32_t index, std::uint64_t value);

    std::vector<std::map<std::uint32_t, std::uint64_t>> processors_ =
        std::vector<std::map<std::uint32_t, std::uint64_t>>(1);
};

}  // namespace zm::sim
