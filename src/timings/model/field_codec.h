// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How one timing sits in one controller register: the bit field and the rule between the field
// value and the drop-down's item index. Reading and writing both go through the same entry, so
// the two directions cannot drift apart, and a value that does not fit its field is refused
// instead of spilling into the neighbouring bits.

#include <cstdint>
#include <optional>

#include "hw/bit_field.h"

namespace zm::timings {

struct FieldCodec {
    enum class Rule {
        // field value = index + offset
        Linear,
        // Item 0 ("Disab.") is a field of 0; field values up to offset + 0 read as item 0 too;
        // any other item is index + offset. (The uncore's back-to-back CAS delay.)
        ZeroIsDisabled,
    };

    hw::Field field;
    std::int32_t offset = 0;
    Rule rule = Rule::Linear;

    // The item index the register's field stands for (may lie outside the list).
    constexpr std::int32_t Decode(std::uint32_t reg) const {
        const auto value = static_cast<std::int32_t>(field.Get(reg));
        if (rule == Rule::ZeroIsDisabled && value <= offset) return 0;
        return value - offset;
    }

    // The field value for an item index, or nothing when it does not fit the field.
    constexpr std::optional<std::uint32_t> FieldValue(std::int32_t index) const {
        std::int64_t value = std::int64_t{index} + offset;
        if (rule == Rule::ZeroIsDisabled && index == 0) value = 0;
        if (index < 0 || value < 0 || !field.Fits(static_cast<std::uint64_t>(value))) {
            return std::nullopt;
        }
        return static_cast<std::uint32_t>(value);
    }

    // reg with the field set for the index; reg unchanged when the index does not fit.
    constexpr std::uint32_t Encode(std::uint32_t reg, std::int32_t index) const {
        const auto value = FieldValue(index);
        return value ? field.Set(reg, *value) : reg;
    }
};

constexpr FieldCodec Linear(hw::Field field, std::int32_t offset = 0) {
    return FieldCodec{field, offset, FieldCodec::Rule::Linear};
}

}  // namespace zm::timings
