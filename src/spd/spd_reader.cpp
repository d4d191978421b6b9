// SPDX-License-Identifier: GPL-3.0-or-later
#include "spd/spd_reader.h"

#include <algorithm>
#include <vector>

namespace zm::spd {

int ReadSpdByte(hw::HardwareAccess& hw, std::uint8_t spdSlaveAddress, std::uint8_t offset) {
    return hw.SmbusReadByte(spdSlaveAddress, offset);
}

std::uint8_t ReadSpdByteLow(hw::HardwareAccess& hw, std::uint8_t spdSlaveAddress,
                            std::uint8_t offset) {
    return static_cast<std::uint8_t>(ReadSpdByte(hw, spdSlaveAddress, offset) & 0xFF);
}

int SpdModuleBytes::operator()(std::uint8_t offset) {
    if (held_[offset] != kNotHeld) return held_[offset];
    if (runs_) {
        // The first request of a decode takes the module from its first byte: a decode asks for
        // nearly all of it, the bytes before the one asked first included.
        std::size_t start = offset;
        if (!started_ && offset > 0) start = 0;
        const bool first = !started_;
        started_ = true;
        std::size_t end = offset + 1u;
        while (end < held_.size() && held_[end] == kNotHeld) ++end;
        std::array<int, 256> results{};
        std::size_t read = 0;
        if (first && firstRun_) {
            // Nothing is held before the first request: it is the run from byte 0 to the end.
            results = firstRun_->results;
            read = firstRun_->read;
        } else {
            read = hw_.SmbusReadBytes(slave_, static_cast<std::uint8_t>(start),
                                      std::span<int>(results.data(), end - start));
        }
        for (std::size_t i = 0; i < read; ++i) {
            if (results[i] >= 0) held_[start + i] = results[i];
        }
        if (read > offset - start) return results[offset - start];
        // A run that failed before the byte asked for (an empty socket acknowledges none):
        // that failure is the answer; nothing failed is held, so asking again reads again.
        if (read > 0) return results[read - 1];
        runs_ = false;
    }
    return ReadSpdByte(hw_, slave_, offset);
}

std::vector<SpdFirstRun> ReadFirstRuns(hw::HardwareAccess& hw,
                                       std::span<const std::uint8_t> spdSlaveAddresses) {
    std::vector<SpdFirstRun> firstRuns(spdSlaveAddresses.size());
    std::vector<hw::HardwareAccess::SmbusRun> runs(spdSlaveAddresses.size());
    for (std::size_t i = 0; i < runs.size(); ++i) {
        runs[i].slave = spdSlaveAddresses[i];
        runs[i].results = firstRuns[i].results;
    }
    hw.SmbusReadRuns(runs);
    for (std::size_t i = 0; i < runs.size(); ++i) firstRuns[i].read = runs[i].read;
    return firstRuns;
}

void DecodeModuleBytes(hw::HardwareAccess& hw, std::uint8_t spdSlaveAddress,
                       const std::function<void(const SpdByteReader&)>& decode) {
    std::array<std::optional<int>, 256> held{};
    for (;;) {
        std::vector<std::uint8_t> wanted;
        decode([&](std::uint8_t offset) {
            if (held[offset]) return *held[offset];
            if (std::find(wanted.begin(), wanted.end(), offset) == wanted.end())
                wanted.push_back(offset);
            return int{kSpdNoModule};
        });
        if (wanted.empty()) return;
        std::vector<int> results(wanted.size());
        hw.SmbusReadList(spdSlaveAddress, wanted, results);
        for (std::size_t i = 0; i < wanted.size(); ++i) held[wanted[i]] = results[i];
    }
}

}  // namespace zm::spd
