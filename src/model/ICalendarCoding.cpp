#include "model/ICalendarCoding.h"

#include "model/NoteCoding.h"
#include "model/UserCalendar.h"

#include <cstdio>
#include <map>
#include <optional>

namespace brivet {

namespace {

constexpr std::size_t foldWidth = 75;

std::string escapeText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        switch (c) {
        case '\\': out += "\\\\"; break;
        case ';': out += "\\;"; break;
        case ',': out += "\\,"; break;
        case '\n': out += "\\n"; break;
        case '\r':
            if (i + 1 < text.size() && text[i + 1] == '\n')
                break; // CRLF is one line break
            out += "\\n";
            break;
        default:
            // Other control characters are not allowed in a TEXT value.
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
                break;
            out += c;
        }
    }
    return out;
}

// Appends one content line, folded: a continuation line starts with a
// space, which counts towards its 75 octets.
void appendLine(std::string& out, std::string_view line)
{
    std::size_t width = foldWidth;
    while (line.size() > width) {
        std::size_t cut = width;
        // Never between the bytes of one UTF-8 character.
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        out.append(line.substr(0, cut));
        out += "\r\n ";
        line.remove_prefix(cut);
        width = foldWidth - 1;
    }
    out.append(line);
    out += "\r\n";
}

std::string utcStamp(Instant instant)
{
    // 2026-12-05T10:38:12Z becomes 20261205T103812Z.
    std::string out;
    for (char c : formatIsoDate(instant))
        if (c != '-' && c != ':')
            out.push_back(c);
    return out;
}

int storePriority(NotePriority priority)
{
    switch (priority) {
    case NotePriority::high: return 1;
    case NotePriority::low: return 9;
    case NotePriority::normal: return 5;
    }
    return 5;
}

NotePriority priorityFromStore(int number)
{
    if (number >= 1 && number <= 4)
        return NotePriority::high;
    if (number >= 6 && number <= 9)
        return NotePriority::low;
    return NotePriority::normal;
}

struct Property {
    std::string name;
    std::map<std::string, std::string> parameters;
    std::string value;
};

std::string upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// "NAME;PARAM=value;P2="quoted":value"; nothing for a line without a colon.
std::optional<Property> parseProperty(std::string_view line)
{
    Property property;
    std::size_t at = 0;
    while (at < line.size() && line[at] != ';' && line[at] != ':')
        ++at;
    property.name = upper(std::string(line.substr(0, at)));
    while (at < line.size() && line[at] == ';') {
        std::size_t start = ++at;
        while (at < line.size() && line[at] != '=' && line[at] != ';' && line[at] != ':')
            ++at;
        std::string name = upper(std::string(line.substr(start, at - start)));
        std::string value;
        if (at < line.size() && line[at] == '=') {
            ++at;
            if (at < line.size() && line[at] == '"') {
                std::size_t close = line.find('"', at + 1);
                if (close == std::string_view::npos)
                    return std::nullopt;
                value = std::string(line.substr(at + 1, close - at - 1));
                at = close + 1;
            } else {
                std::size_t begin = at;
                while (at < line.size() && line[at] != ';' && line[at] != ':')
                    ++at;
                value = std::string(line.substr(begin, at - begin));
            }
        }
        property.parameters[name] = value;
    }
    if (at >= line.size() || line[at] != ':' || property.name.empty())
        return std::nullopt;
    property.value = std::string(line.substr(at + 1));
    return property;
}

std::string unescapeText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            char next = text[++i];
            out += (next == 'n' || next == 'N') ? '\n' : next;
        } else {
            out += text[i];
        }
    }
    return out;
}

// DATE-TIME in UTC ("…Z"), in a TZID zone, or floating (the user's zone);
// a DATE is the start of that day in the user's zone.
std::optional<Instant> parseTime(const Property& property, const UserCalendar& calendar)
{
    const std::string& v = property.value;
    if (v.size() < 8)
        return std::nullopt;
    auto year = parseDecimal(std::string_view(v).substr(0, 4));
    auto month = parseDecimal(std::string_view(v).substr(4, 2));
    auto day = parseDecimal(std::string_view(v).substr(6, 2));
    if (!year || !month || !day)
        return std::nullopt;
    UserCalendar::Components c { *year, *month, *day, 0, 0, 0 };
    if (v.size() == 8)
        return calendar.instant(c);
    if (v.size() < 15 || v[8] != 'T')
        return std::nullopt;
    auto hour = parseDecimal(std::string_view(v).substr(9, 2));
    auto minute = parseDecimal(std::string_view(v).substr(11, 2));
    auto second = parseDecimal(std::string_view(v).substr(13, 2));
    if (!hour || !minute || !second)
        return std::nullopt;
    c.hour = *hour;
    c.minute = *minute;
    c.second = *second;
    if (v.size() == 16 && v[15] == 'Z')
        return UserCalendar("UTC", calendar.localeId()).instant(c);
    if (v.size() != 15)
        return std::nullopt;
    if (auto zone = property.parameters.find("TZID"); zone != property.parameters.end())
        return UserCalendar(zone->second, calendar.localeId()).instant(c);
    return calendar.instant(c);
}

} // namespace

std::string encodeICalendar(const std::vector<StickyNote>& notes, Instant now)
{
    std::string out;
    appendLine(out, "BEGIN:VCALENDAR");
    appendLine(out, "VERSION:2.0");
    appendLine(out, "PRODID:-//Brivet//Brivet//ZH");
    appendLine(out, "CALSCALE:GREGORIAN");
    const std::string stamp = utcStamp(now);
    for (const StickyNote& note : notes) {
        appendLine(out, "BEGIN:VTODO");
        appendLine(out, "UID:" + note.id.toString());
        appendLine(out, "DTSTAMP:" + stamp);
        appendLine(out, "CREATED:" + utcStamp(note.createdAt));
        appendLine(out, "LAST-MODIFIED:" + utcStamp(note.updatedAt));
        appendLine(out, "SUMMARY:" + escapeText(note.title));
        if (!note.details.empty())
            appendLine(out, "DESCRIPTION:" + escapeText(note.details));
        appendLine(out, "PRIORITY:" + std::to_string(storePriority(note.priority)));
        if (note.isCompleted) {
            appendLine(out, "STATUS:COMPLETED");
            appendLine(out, "COMPLETED:" + utcStamp(note.updatedAt));
            appendLine(out, "PERCENT-COMPLETE:100");
        } else {
            appendLine(out, "STATUS:NEEDS-ACTION");
        }
        if (note.dueDate)
            appendLine(out, "DUE:" + utcStamp(*note.dueDate));
        appendLine(out, "END:VTODO");
    }
    appendLine(out, "END:VCALENDAR");
    return out;
}

Decoded<std::vector<StickyNote>> decodeICalendar(std::string_view text, const UserCalendar& calendar, Instant now)
{
    // Unfolds: a line break followed by a space or a tab joins the lines.
    std::vector<std::string> lines;
    std::string current;
    bool haveLine = false;
    std::size_t at = 0;
    if (text.starts_with("\xEF\xBB\xBF"))
        at = 3;
    while (at <= text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty() && (line[0] == ' ' || line[0] == '\t') && haveLine) {
            current.append(line.substr(1));
        } else {
            if (haveLine)
                lines.push_back(std::move(current));
            current = std::string(line);
            haveLine = true;
        }
        at = end + 1;
    }
    if (haveLine)
        lines.push_back(std::move(current));

    std::vector<StickyNote> notes;
    bool inCalendar = false;
    bool sawCalendar = false;
    int nested = 0; // components inside the to-do (VALARM)
    std::optional<StickyNote> todo;
    bool completed = false;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const std::string& line = lines[index];
        if (line.empty())
            continue;
        std::optional<Property> property = parseProperty(line);
        if (!property)
            return DecodeError { "第 " + std::to_string(index + 1) + " 行不是 iCalendar 的内容行" };
        if (property->name == "BEGIN") {
            std::string kind = upper(property->value);
            if (kind == "VCALENDAR") {
                inCalendar = sawCalendar = true;
            } else if (!inCalendar) {
                return DecodeError { "文件不以 BEGIN:VCALENDAR 开始，不是 iCalendar 文件" };
            } else if (todo) {
                ++nested;
            } else if (kind == "VTODO") {
                todo = StickyNote::placeholder(Uuid::random(), now);
                todo->title.clear();
                completed = false;
            }
            continue;
        }
        if (!sawCalendar)
            return DecodeError { "文件不以 BEGIN:VCALENDAR 开始，不是 iCalendar 文件" };
        if (property->name == "END") {
            std::string kind = upper(property->value);
            if (todo && nested > 0) {
                --nested;
            } else if (todo && kind == "VTODO") {
                todo->isCompleted = completed;
                notes.push_back(std::move(*todo));
                todo.reset();
            } else if (kind == "VCALENDAR") {
                inCalendar = false;
            }
            continue;
        }
        if (!todo || nested > 0)
            continue;
        const std::string& name = property->name;
        if (name == "UID") {
            if (auto id = Uuid::fromString(property->value))
                todo->id = *id;
        } else if (name == "SUMMARY") {
            todo->title = unescapeText(property->value);
        } else if (name == "DESCRIPTION") {
            todo->details = unescapeText(property->value);
        } else if (name == "PRIORITY") {
            todo->priority = priorityFromStore(parseDecimal(property->value).value_or(0));
        } else if (name == "STATUS") {
            completed = completed || upper(property->value) == "COMPLETED";
        } else if (name == "COMPLETED") {
            completed = true;
        } else if (name == "DUE") {
            if (auto due = parseTime(*property, calendar))
                todo->dueDate = clampedToStorable(*due);
        }
    }
    if (!sawCalendar)
        return DecodeError { "文件不以 BEGIN:VCALENDAR 开始，不是 iCalendar 文件" };
    if (todo || inCalendar)
        return DecodeError { "iCalendar 文件不完整（缺少 END 行），可能被截断" };
    if (notes.empty())
        return DecodeError { "iCalendar 文件里没有待办事项（VTODO）" };
    return notes;
}

} // namespace brivet
