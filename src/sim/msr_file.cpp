// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/msr_file.h"

#include "hw/bit_field.h"

namespace zm::sim {

namespace {
using hw::Field64;

// IA32_PERF_CTL / IA32_PERF_STATUS: the performance state value.
constexpr Field64 kPerfState{15, 0};

// Family 10h COFVID control / status and P-state register fields (BKDG for family 10h).
constexpr Field64 kCpuFidDidVid{15, 0};  // CpuFid 5..0, CpuDid 8..6, CpuVid 15..9
constexpr Field64 kPstateId{18, 16};     // control: requested P-state; status: CurPstate
constexpr Field64 kNbDid{22, 22};
constexpr Field64 kNbVid{31, 25};
constexpr Field64 kPstateCommand{2, 0};  // P-state control

constexpr Field64 kCopiedToStatus[] = {kCpuFidDidVid, kNbDid, kNbVid};

std::uint64_t CopyFields(std::uint64_t to, std::uint64_t from) {
    for (const Field64& field : kCopiedToStatus) to = field.Set(to, field.Get(from));
    return to;
}
}  // namespace

void MsrFile::SetProcessorCount(unsigned count) {
    processors_.resize(count == 0 ? 1 : count);
}

void MsrFile::Set(unsigned processor, std::uint32_t index, std::uint64_t value) {
    if (processor < processors_.size()) processors_[processor][index] = value;
}

std::optional<std::uint64_t> MsrFile::Get(unsigned processor, std::uint32_t index) const {
    if (processor >= processors_.size()) return std::nullopt;
    const auto& regs = processors_[processor];
    const auto it = regs.find(index);
    if (it == regs.end()) return std::nullopt;
    return it->second;
}

bool MsrFile::Write(unsigned processor, std::uint32_t index, std::uint64_t value) {
    if (processor >= processors_.size()) return false;
    auto& regs = processors_[processor];
    const auto it = regs.find(index);
    if (it == regs.end()) return false;
    it->second = value;
    ApplySideEffects(processor, index, value);
    return true;
}

void MsrFile::ApplySideEffects(unsigned processor, std::uint32_t index, std::uint64_t value) {
    auto& regs = processors_[processor];
    auto update = [&](std::uint32_t target, auto change) {
        const auto it = regs.find(target);
        if (it != regs.end()) it->second = change(it->second);
    };
    switch (index) {
        case msr::kPerfControl:
            update(msr::kPerfStatus, [&](std::uint64_t status) {
                return kPerfState.Set(status, kPerfState.Get(value));
            });
            break;
        case msr::kCofvidControl:
            update(msr::kCofvidStatus, [&](std::uint64_t status) {
                return kPstateId.Set(CopyFields(status, value), kPstateId.Get(value));
            });
            break;
        case msr::kPstateControl: {
            const unsigned pstate = static_cast<unsigned>(kPstateCommand.Get(value));
            if (pstate >= msr::kPstateCount) break;
            const auto definition = regs.find(msr::kPstate0 + pstate);
            if (definition == regs.end()) break;
            const std::uint64_t pstateValue = definition->second;
            update(msr::kCofvidStatus, [&](std::uint64_t status) {
                return kPstateId.Set(CopyFields(status, pstateValue), pstate);
            });
            update(msr::kPstateStatus, [&](std::uint64_t) { return std::uint64_t{pstate}; });
            break;
        }
        default:
            break;
    }
}

}  // namespace zm::sim
