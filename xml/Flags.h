#pragma once

#include <type_traits>

namespace quorvane::xml {

/// A set of bit-valued enumerators, stored as the enumerators' combined bits.
template <class E>
class Flags {
public:
    using Bits = std::underlying_type_t<E>;

    constexpr Flags() noexcept = default;
    constexpr Flags(E flag) noexcept : bits_(static_cast<Bits>(flag)) {}
    static constexpr Flags FromBits(Bits bits) noexcept
    {
        Flags f;
        f.bits_ = bits;
        return f;
    }

    constexpr Bits bits() const noexcept { return bits_; }
    constexpr bool Has(E flag) const noexcept { return (bits_ & static_cast<Bits>(flag)) != 0; }
    constexpr bool Empty() const noexcept { return bits_ == 0; }
    constexpr Flags operator|(Flags other) const noexcept { return FromBits(bits_ | other.bits_); }
    constexpr Flags Without(E flag) const noexcept { return FromBits(bits_ & ~static_cast<Bits>(flag)); }
    constexpr Flags& operator|=(Flags other) noexcept
    {
        bits_ |= other.bits_;
        return *this;
    }
    friend constexpr bool operator==(Flags a, Flags b) noexcept { return a.bits_ == b.bits_; }

private:
    Bits bits_ = 0;
};

} // namespace quorvane::xml
