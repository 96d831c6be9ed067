#include "model/MarkdownCoding.h"

#include <algorithm>
#include <vector>

namespace brivet {

namespace {

const std::string_view tasksHeading = "## 任务";

std::string_view priorityName(NotePriority priority)
{
    switch (priority) {
    case NotePriority::high: return "high";
    case NotePriority::low: return "low";
    case NotePriority::normal: return "normal";
    }
    return "normal";
}

std::optional<NotePriority> priorityNamed(std::string_view name)
{
    for (NotePriority priority : allCases<NotePriority>())
        if (priorityName(priority) == name)
            return priority;
    return std::nullopt;
}

bool isUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == 0)
            return false;
        std::size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2
            : (c >> 4) == 0xE                               ? 3
            : (c >> 3) == 0x1E                              ? 4
                                                            : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return true;
}

std::vector<std::string_view> splitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

std::optional<NoteTask> taskLine(std::string_view line)
{
    line = trimmed(line);
    bool done;
    if (line.starts_with("- [ ] ") || line == "- [ ]")
        done = false;
    else if (line.starts_with("- [x] ") || line.starts_with("- [X] ") || line == "- [x]" || line == "- [X]")
        done = true;
    else
        return std::nullopt;
    NoteTask task;
    task.id = Uuid::random();
    task.title = std::string(trimmed(line.substr(std::min<std::size_t>(line.size(), 6))));
    task.isCompleted = done;
    return task;
}

} // namespace

std::string encodeMarkdownNote(const StickyNote& note)
{
    std::string out = "---\n";
    out += "id: " + note.id.toString() + "\n";
    if (note.dueDate)
        out += "due: " + formatIsoDate(*note.dueDate) + "\n";
    out += "priority: " + std::string(priorityName(note.priority)) + "\n";
    out += std::string("completed: ") + (note.isCompleted ? "true" : "false") + "\n";
    out += "source: " + std::string(rawValue(note.source)) + "\n";
    out += "theme: " + std::string(rawValue(note.style.theme)) + "\n";
    out += "---\n\n";
    std::string title = note.title;
    std::replace(title.begin(), title.end(), '\n', ' ');
    out += "# " + title + "\n";
    if (!note.details.empty())
        out += "\n" + note.details + "\n";
    if (!note.tasks.empty()) {
        out += "\n" + std::string(tasksHeading) + "\n\n";
        for (const NoteTask& task : note.tasks) {
            std::string line = task.title;
            std::replace(line.begin(), line.end(), '\n', ' ');
            out += (task.isCompleted ? "- [x] " : "- [ ] ") + line + "\n";
        }
    }
    return out;
}

Decoded<StickyNote> decodeMarkdownNote(std::string_view text, const std::string& fallbackTitle, Instant now)
{
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    if (!isUtf8(text))
        return DecodeError { "不是 UTF-8 文本，不像 Markdown 文件" };
    StickyNote note = StickyNote::placeholder(Uuid::random(), now);
    note.title = fallbackTitle;

    // Front matter.
    if (text.starts_with("---\n") || text.starts_with("---\r\n")) {
        std::size_t close = text.find("\n---", 3);
        if (close == std::string_view::npos)
            return DecodeError { "开头的属性块（---）没有结束" };
        std::vector<std::string_view> lines = splitLines(text.substr(text.find('\n') + 1, close - text.find('\n')));
        for (std::size_t i = 0; i < lines.size(); ++i) {
            std::string_view line = trimmed(lines[i]);
            if (line.empty())
                continue;
            std::size_t colon = line.find(':');
            if (colon == std::string_view::npos)
                return DecodeError { "属性块第 " + std::to_string(i + 1) + " 行缺少冒号" };
            std::string_view key = trimmed(line.substr(0, colon));
            std::string_view value = trimmed(line.substr(colon + 1));
            auto bad = [&] { return DecodeError { "属性 " + std::string(key) + " 的值「" + std::string(value) + "」无法识别" }; };
            if (key == "id") {
                auto id = Uuid::fromString(value);
                if (!id)
                    return bad();
                note.id = *id;
            } else if (key == "due") {
                auto due = parseIsoDate(value);
                if (!due)
                    return bad();
                note.dueDate = *due;
            } else if (key == "priority") {
                auto priority = priorityNamed(value);
                if (!priority)
                    return bad();
                note.priority = *priority;
            } else if (key == "completed") {
                if (value != "true" && value != "false")
                    return bad();
                note.isCompleted = value == "true";
            } else if (key == "source") {
                auto source = fromRawValue<NoteSource>(value);
                if (!source)
                    return bad();
                note.source = *source;
            } else if (key == "theme") {
                auto theme = fromRawValue<NoteTheme>(value);
                if (!theme)
                    return bad();
                note.style.theme = *theme;
            }
        }
        std::size_t after = text.find('\n', close + 1);
        text = after == std::string_view::npos ? std::string_view() : text.substr(after + 1);
    }

    // The heading: the first line that starts with "# ", after blank lines.
    while (!text.empty() && (text.front() == '\n' || text.front() == '\r'))
        text.remove_prefix(1);
    if (text.starts_with("# ")) {
        std::size_t end = text.find('\n');
        note.title = std::string(trimmed(text.substr(2, end == std::string_view::npos ? text.size() - 2 : end - 2)));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }

    // The tasks: the last "## 任务" section, when only task lines follow it.
    std::string_view details = text;
    std::vector<NoteTask> tasks;
    bool hasTasks = false;
    for (std::size_t at = text.rfind(tasksHeading); at != std::string_view::npos;
         at = at == 0 ? std::string_view::npos : text.rfind(tasksHeading, at - 1)) {
        if (at != 0 && text[at - 1] != '\n')
            continue;
        std::size_t lineEnd = text.find('\n', at);
        if (trimmed(text.substr(at, lineEnd == std::string_view::npos ? std::string_view::npos : lineEnd - at)) != tasksHeading)
            continue;
        std::vector<NoteTask> found;
        bool onlyTasks = true;
        if (lineEnd != std::string_view::npos) {
            for (std::string_view line : splitLines(text.substr(lineEnd + 1))) {
                if (trimmed(line).empty())
                    continue;
                auto task = taskLine(line);
                if (!task) {
                    onlyTasks = false;
                    break;
                }
                found.push_back(std::move(*task));
            }
        }
        if (onlyTasks) {
            details = text.substr(0, at);
            tasks = std::move(found);
            hasTasks = true;
        }
        break;
    }
    // Undoes the blank lines the encoder puts around the details.
    if (details.starts_with("\n"))
        details.remove_prefix(1);
    if (hasTasks && details.ends_with("\n"))
        details.remove_suffix(1);
    if (details.ends_with("\n"))
        details.remove_suffix(1);
    note.details = std::string(details);
    note.tasks = std::move(tasks);
    return note;
}

std::string markdownFileName(const StickyNote& note, std::set<std::string>& taken)
{
    std::string base;
    for (char c : note.title) {
        unsigned char u = static_cast<unsigned char>(c);
        bool reserved = u < 0x20 || u == 0x7F || std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos;
        base += reserved ? '_' : c;
    }
    constexpr std::size_t longest = 80;
    if (base.size() > longest) {
        std::size_t cut = longest;
        while (cut > 0 && (static_cast<unsigned char>(base[cut]) & 0xC0) == 0x80)
            --cut;
        base.resize(cut);
    }
    std::string_view kept = base;
    while (!kept.empty() && (kept.front() == ' ' || kept.front() == '.'))
        kept.remove_prefix(1);
    while (!kept.empty() && (kept.back() == ' ' || kept.back() == '.'))
        kept.remove_suffix(1);
    base = kept.empty() ? std::string("无标题") : std::string(kept);
    auto folded = [](std::string name) {
        for (char& c : name)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return name;
    };
    std::string name = base + ".md";
    for (int n = 2; taken.count(folded(name)); ++n)
        name = base + " (" + std::to_string(n) + ").md";
    taken.insert(folded(name));
    return name;
}

} // namespace brivet
