#include "model/Uuid.h"

#include <random>

namespace brivet {

namespace {

std::mt19937_64& generator()
{
    // One per thread: identifiers are made on the main thread and on the
    // thread that reads the notes file.
    thread_local std::mt19937_64 engine = [] {
        std::random_device device;
        std::seed_seq seed { device(), device(), device(), device(), device(), device(), device(), device() };
        return std::mt19937_64(seed);
    }();
    return engine;
}

constexpr int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

Uuid Uuid::random()
{
    std::array<std::uint8_t, 16> bytes;
    std::uint64_t high = generator()();
    std::uint64_t low = generator()();
    for (int i = 0; i < 8; ++i) {
        bytes[i] = static_cast<std::uint8_t>(high >> (56 - 8 * i));
        bytes[i + 8] = static_cast<std::uint8_t>(low >> (56 - 8 * i));
    }
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);
    return Uuid(bytes);
}

std::optional<Uuid> Uuid::fromString(std::string_view text)
{
    // Every note and task carries one; decoding a large file parses tens of
    // thousands, so this is table-driven and branch-light.
    static constexpr auto table = [] {
        std::array<std::int8_t, 256> values {};
        for (int c = 0; c < 256; ++c)
            values[c] = static_cast<std::int8_t>(hexValue(static_cast<char>(c)));
        return values;
    }();
    static constexpr std::size_t starts[16] = { 0, 2, 4, 6, 9, 11, 14, 16, 19, 21, 24, 26, 28, 30, 32, 34 };
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
        return std::nullopt;
    std::array<std::uint8_t, 16> bytes;
    int invalid = 0;
    for (std::size_t i = 0; i < 16; ++i) {
        int high = table[static_cast<unsigned char>(text[starts[i]])];
        int low = table[static_cast<unsigned char>(text[starts[i] + 1])];
        invalid |= high | low;
        bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    if (invalid < 0)
        return std::nullopt;
    return Uuid(bytes);
}

void Uuid::appendTo(std::string& out) const
{
    static constexpr char digits[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            out.push_back('-');
        out.push_back(digits[m_bytes[i] >> 4]);
        out.push_back(digits[m_bytes[i] & 0x0F]);
    }
}

std::string Uuid::toString() const
{
    std::string out;
    out.reserve(36);
    appendTo(out);
    return out;
}

bool Uuid::isNull() const
{
    for (auto byte : m_bytes)
        if (byte)
            return false;
    return true;
}

} // namespace brivet
