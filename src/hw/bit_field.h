// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Named bit fields of a register: Field{hi, lo} covers bits hi..lo inclusive. Register maps are
// tables of these, so a reader can check them against a datasheet line by line.

#include <cstdint>

namespace zm::hw {

template <typename Word>
struct BasicField {
    unsigned hi;
    unsigned lo;

    constexpr unsigned Width() const { return hi - lo + 1; }
    // The field's bits in place.
    constexpr Word Mask() const {
        const Word ones = Width() >= sizeof(Word) * 8 ? ~Word{0} : ((Word{1} << Width()) - 1);
        return static_cast<Word>(ones << lo);
    }
    // Largest value the field holds.
    constexpr Word Max() const { return static_cast<Word>(Mask() >> lo); }
    constexpr bool Fits(std::uint64_t value) const { return value <= Max(); }
    constexpr Word Get(Word reg) const { return static_cast<Word>((reg & Mask()) >> lo); }
    // reg with the field replaced by value. Bits of value beyond the field's width are dropped,
    // never spilled into the neighbours; callers that must refuse such values check Fits first.
    constexpr Word Set(Word reg, Word value) const {
        return static_cast<Word>((reg & ~Mask()) | ((value << lo) & Mask()));
    }
};

using Field = BasicField<std::uint32_t>;
using Field64 = BasicField<std::uint64_t>;

constexpr Field Bit(unsigned n) { return Field{n, n}; }
constexpr Field64 Bit64(unsigned n) { return Field64{n, n}; }

}  // namespace zm::hw
