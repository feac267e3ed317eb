// Identifiers of recordings, groups, alerts and editing requests: 128-bit UUIDs written as
// their canonical upper-case string with hyphens ("E621E1F8-C36C-495A-93FC-0C247A3E6E5F").
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace bw {

class Uuid {
public:
    Uuid() = default; // the nil UUID

    // A new random (version 4) identifier. Thread-safe.
    static Uuid random();

    // Accepts the canonical 8-4-4-4-12 form in either case; anything else gives nothing.
    static std::optional<Uuid> parse(std::string_view text);

    // The canonical upper-case form.
    std::string string() const;

    const std::array<std::uint8_t, 16>& bytes() const { return m_bytes; }

    friend bool operator==(const Uuid&, const Uuid&) = default;
    // Byte order, which is also the order of the canonical strings.
    friend bool operator<(const Uuid& a, const Uuid& b) { return a.m_bytes < b.m_bytes; }
    friend bool operator>(const Uuid& a, const Uuid& b) { return b < a; }

private:
    std::array<std::uint8_t, 16> m_bytes{};
};

} // namespace bw

template <> struct std::hash<bw::Uuid> {
    std::size_t operator()(const bw::Uuid& id) const noexcept;
};
