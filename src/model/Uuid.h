#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace brivet {

// A 128-bit identifier. Text form is upper-case and hyphenated, as the
// stored files and the log use it; parsing also accepts lower case.
class Uuid {
public:
    Uuid() = default;
    explicit Uuid(const std::array<std::uint8_t, 16>& bytes) : m_bytes(bytes) { }

    // A fresh random (version 4) identifier.
    static Uuid random();
    // The identifier written as text, or nothing when the text is not one.
    static std::optional<Uuid> fromString(std::string_view text);

    std::string toString() const;
    void appendTo(std::string& out) const;
    bool isNull() const;
    const std::array<std::uint8_t, 16>& bytes() const { return m_bytes; }

    friend bool operator==(const Uuid&, const Uuid&) = default;
    friend auto operator<=>(const Uuid&, const Uuid&) = default;

private:
    std::array<std::uint8_t, 16> m_bytes {};
};

} // namespace brivet

template<>
struct std::hash<brivet::Uuid> {
    std::size_t operator()(const brivet::Uuid& id) const noexcept
    {
        std::uint64_t a = 0, b = 0;
        for (int i = 0; i < 8; ++i) {
            a = (a << 8) | id.bytes()[i];
            b = (b << 8) | id.bytes()[i + 8];
        }
        return static_cast<std::size_t>(a ^ (b * 0x9E3779B97F4A7C15ULL));
    }
};
