#include "model/JsonWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace brivet {

void appendJsonString(std::string& out, std::string_view text)
{
    static constexpr char hex[] = "0123456789abcdef";
    out.push_back('"');
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out.append(text.data() + runStart, i - runStart);
        runStart = i + 1;
        switch (c) {
        case '"': out.append("\\\""); break;
        case '\\': out.append("\\\\"); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        case '\t': out.append("\\t"); break;
        case '\b': out.append("\\b"); break;
        case '\f': out.append("\\f"); break;
        default:
            out.append("\\u00");
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 0xF]);
        }
    }
    out.append(text.data() + runStart, text.size() - runStart);
    out.push_back('"');
}

namespace {

// Civil date from days since 1970-01-01 (proleptic Gregorian).
void civilFromDays(long long z, int& year, unsigned& month, unsigned& day)
{
    z += 719468;
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    unsigned doe = static_cast<unsigned>(z - era * 146097);
    unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long y = static_cast<long long>(yoe) + era * 400;
    unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    unsigned mp = (5 * doy + 2) / 153;
    day = doy - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<int>(y + (month <= 2));
}

} // namespace

void appendIsoDate(std::string& out, Instant instant)
{
    // Four-digit years are all a reader accepts: anything outside them is
    // written at the nearest end instead of as a date no launch could read.
    long long seconds = secondsSinceEpoch(clampedToStorable(instant));
    long long days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
    long long rest = seconds - days * 86400;
    int year;
    unsigned month, day;
    civilFromDays(days, year, month, day);
    char text[32];
    char* p = text;
    *p++ = static_cast<char>('0' + year / 1000);
    *p++ = static_cast<char>('0' + year / 100 % 10);
    *p++ = static_cast<char>('0' + year / 10 % 10);
    *p++ = static_cast<char>('0' + year % 10);
    auto two = [&p](unsigned value) {
        *p++ = static_cast<char>('0' + value / 10);
        *p++ = static_cast<char>('0' + value % 10);
    };
    *p++ = '-';
    two(month);
    *p++ = '-';
    two(day);
    *p++ = 'T';
    two(static_cast<unsigned>(rest / 3600));
    *p++ = ':';
    two(static_cast<unsigned>(rest / 60 % 60));
    *p++ = ':';
    two(static_cast<unsigned>(rest % 60));
    *p++ = 'Z';
    out.append(text, static_cast<std::size_t>(p - text));
}

void JsonWriter::newline()
{
    // One append of a newline and the indentation, cut from a fixed run.
    static const std::string run = "\n" + std::string(256, ' ');
    std::size_t width = std::min<std::size_t>(static_cast<std::size_t>(m_depth) * 2, 256);
    m_out.append(run.data(), width + 1);
}

void JsonWriter::beforeValue()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_depth == 0)
        return;
    if (!m_first)
        m_out.push_back(',');
    m_first = false;
    newline();
}

void JsonWriter::beginObject()
{
    beforeValue();
    m_out.push_back('{');
    ++m_depth;
    m_first = true;
}

void JsonWriter::endObject()
{
    --m_depth;
    if (!m_first)
        newline();
    m_out.push_back('}');
    m_first = false;
}

void JsonWriter::beginArray()
{
    beforeValue();
    m_out.push_back('[');
    ++m_depth;
    m_first = true;
}

void JsonWriter::endArray()
{
    --m_depth;
    if (!m_first)
        newline();
    m_out.push_back(']');
    m_first = false;
}

void JsonWriter::key(std::string_view name)
{
    // Keys are the records' own field names: plain ASCII, never escaped.
    if (!m_first)
        m_out.push_back(',');
    m_first = false;
    newline();
    m_out.push_back('"');
    m_out.append(name);
    m_out.append("\" : ", 4);
    m_afterKey = true;
}

void JsonWriter::value(std::string_view text)
{
    beforeValue();
    appendJsonString(m_out, text);
}

void JsonWriter::value(bool flag)
{
    beforeValue();
    m_out.append(flag ? "true" : "false");
}

void JsonWriter::value(double number)
{
    beforeValue();
    if (!std::isfinite(number)) {
        // JSON has no infinities; keep the file readable.
        m_out.append("0");
        return;
    }
    char buffer[32];
    // The shortest form of a large whole number has no point or exponent
    // ("92233720368547760000"), which a reader takes for an integer and
    // refuses past 64 bits; from 1e18 on it is written with an exponent.
    const auto format = std::fabs(number) >= 1e18 ? std::chars_format::scientific : std::chars_format {};
    auto result = format == std::chars_format {} ? std::to_chars(buffer, buffer + sizeof buffer, number)
                                                 : std::to_chars(buffer, buffer + sizeof buffer, number, format);
    m_out.append(buffer, result.ptr);
}

void JsonWriter::value(long long number)
{
    beforeValue();
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
    m_out.append(buffer, result.ptr);
}

void JsonWriter::value(const Uuid& id)
{
    beforeValue();
    static constexpr char digits[] = "0123456789ABCDEF";
    char text[38];
    std::size_t at = 0;
    text[at++] = '"';
    const auto& bytes = id.bytes();
    for (std::size_t i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text[at++] = '-';
        text[at++] = digits[bytes[i] >> 4];
        text[at++] = digits[bytes[i] & 0x0F];
    }
    text[at++] = '"';
    m_out.append(text, at);
}

void JsonWriter::date(Instant instant)
{
    beforeValue();
    m_out.push_back('"');
    appendIsoDate(m_out, instant);
    m_out.push_back('"');
}

} // namespace brivet
