#include "model/JsonWriter.h"

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

void twoDigits(std::string& out, unsigned value)
{
    out.push_back(static_cast<char>('0' + value / 10));
    out.push_back(static_cast<char>('0' + value % 10));
}

} // namespace

void appendIsoDate(std::string& out, Instant instant)
{
    long long seconds = secondsSinceEpoch(instant);
    long long days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
    long long rest = seconds - days * 86400;
    int year;
    unsigned month, day;
    civilFromDays(days, year, month, day);
    char buffer[8];
    if (year >= 0 && year <= 9999) {
        buffer[0] = static_cast<char>('0' + year / 1000);
        buffer[1] = static_cast<char>('0' + year / 100 % 10);
        buffer[2] = static_cast<char>('0' + year / 10 % 10);
        buffer[3] = static_cast<char>('0' + year % 10);
        out.append(buffer, 4);
    } else {
        auto result = std::to_chars(buffer, buffer + sizeof buffer, year);
        out.append(buffer, result.ptr);
    }
    out.push_back('-');
    twoDigits(out, month);
    out.push_back('-');
    twoDigits(out, day);
    out.push_back('T');
    twoDigits(out, static_cast<unsigned>(rest / 3600));
    out.push_back(':');
    twoDigits(out, static_cast<unsigned>(rest / 60 % 60));
    out.push_back(':');
    twoDigits(out, static_cast<unsigned>(rest % 60));
    out.push_back('Z');
}

void JsonWriter::newline()
{
    m_out.push_back('\n');
    m_out.append(static_cast<std::size_t>(m_depth) * 2, ' ');
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
    if (!m_first)
        m_out.push_back(',');
    m_first = false;
    newline();
    appendJsonString(m_out, name);
    m_out.append(" : ");
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
    auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
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
    m_out.push_back('"');
    id.appendTo(m_out);
    m_out.push_back('"');
}

void JsonWriter::date(Instant instant)
{
    beforeValue();
    m_out.push_back('"');
    appendIsoDate(m_out, instant);
    m_out.push_back('"');
}

} // namespace brivet
