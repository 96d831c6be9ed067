#include "model/NoteTransfer.h"

#include "model/AtomicFile.h"
#include "model/ICalendarCoding.h"
#include "model/MarkdownCoding.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <unordered_set>

#include <stdlib.h>

namespace brivet {

namespace {

Status cannotWrite(const std::filesystem::path& target, const std::string& why)
{
    return Status::failure("导出失败：无法写入「" + target.string() + "」（" + why + "）");
}

Status exportMarkdownFolder(const std::vector<StickyNote>& notes, const std::filesystem::path& target)
{
    std::error_code error;
    if (std::filesystem::exists(target, error))
        return cannotWrite(target, "已有同名的文件或文件夹");
    std::filesystem::path parent = target.parent_path();
    std::string pattern = (parent / ("." + target.filename().string() + ".XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
        return cannotWrite(target, std::strerror(errno));
    const std::filesystem::path partial = pattern;
    std::set<std::string> taken;
    Status status = Status::success();
    for (const StickyNote& note : notes) {
        status = writeFileAtomically(partial / markdownFileName(note, taken), encodeMarkdownNote(note));
        if (!status.ok())
            break;
    }
    if (status.ok()) {
        syncFolder(partial);
        std::filesystem::rename(partial, target, error);
        if (error)
            status = Status::failure(error.message());
    }
    if (!status.ok()) {
        std::error_code ignored;
        std::filesystem::remove_all(partial, ignored);
        return cannotWrite(target, status.message());
    }
    syncFolder(parent);
    return status;
}

std::string lowerExtension(const std::filesystem::path& path)
{
    std::string extension = path.extension().string();
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return extension;
}

std::variant<std::string, DecodeError> readSource(const std::filesystem::path& path)
{
    auto bytes = readFileUpTo(path, largestImportFile);
    if (auto* text = std::get_if<std::string>(&bytes))
        return std::move(*text);
    switch (std::get<ReadFailure>(bytes)) {
    case ReadFailure::missing: return DecodeError { "找不到「" + path.string() + "」" };
    case ReadFailure::tooLarge:
        return DecodeError { "「" + path.filename().string() + "」超过 "
            + std::to_string(largestImportFile >> 20) + " MB，不像是便签的导出文件，没有读取" };
    case ReadFailure::unreadable: return DecodeError { "无法读取「" + path.string() + "」" };
    }
    return DecodeError { "无法读取「" + path.string() + "」" };
}

Decoded<std::vector<StickyNote>> readMarkdownFolder(const std::filesystem::path& folder, Instant now)
{
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(folder, error)) {
        std::error_code typeError;
        const std::string extension = lowerExtension(item.path());
        if (item.is_regular_file(typeError) && (extension == ".md" || extension == ".markdown"))
            files.push_back(item.path());
        if (files.size() > mostImportedMarkdownFiles)
            return DecodeError { "文件夹里的 Markdown 文件超过 " + std::to_string(mostImportedMarkdownFiles) + " 个，没有读取" };
    }
    if (error)
        return DecodeError { "无法读取文件夹「" + folder.string() + "」（" + error.message() + "）" };
    if (files.empty())
        return DecodeError { "文件夹「" + folder.filename().string() + "」里没有 Markdown 文件" };
    std::sort(files.begin(), files.end());
    std::vector<StickyNote> notes;
    std::uintmax_t total = 0;
    for (const std::filesystem::path& file : files) {
        auto bytes = readSource(file);
        if (auto* failure = std::get_if<DecodeError>(&bytes))
            return *failure;
        total += std::get<std::string>(bytes).size();
        if (total > largestImportFile)
            return DecodeError { "文件夹里的文件合计超过 " + std::to_string(largestImportFile >> 20) + " MB，没有读取" };
        auto note = decodeMarkdownNote(std::get<std::string>(bytes), file.stem().string(), now);
        if (auto* failure = std::get_if<DecodeError>(&note))
            return DecodeError { "「" + file.filename().string() + "」：" + failure->message };
        notes.push_back(std::move(std::get<StickyNote>(note)));
    }
    return notes;
}

} // namespace

Status exportNotes(const std::vector<StickyNote>& notes, ExportFormat format, const std::filesystem::path& target, Instant now)
{
    switch (format) {
    case ExportFormat::markdown: return exportMarkdownFolder(notes, target);
    case ExportFormat::json:
    case ExportFormat::iCalendar: {
        std::string bytes = format == ExportFormat::json ? encodeNotesFile(notes) : encodeICalendar(notes, now);
        if (Status status = writeFileAtomically(target, bytes); !status.ok())
            return cannotWrite(target, status.message());
        return Status::success();
    }
    }
    return Status::failure("导出失败：未知的格式");
}

std::string fileUrl(const std::filesystem::path& path)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path.string()) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
            || std::string_view("/-._~").find(static_cast<char>(c)) != std::string_view::npos;
        if (plain) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 0xF];
        }
    }
    return url;
}

Decoded<std::vector<StickyNote>> readImport(const std::filesystem::path& source, const UserCalendar& calendar, Instant now)
{
    std::error_code error;
    if (std::filesystem::is_directory(source, error))
        return readMarkdownFolder(source, now);
    auto bytes = readSource(source);
    if (auto* failure = std::get_if<DecodeError>(&bytes))
        return *failure;
    const std::string& text = std::get<std::string>(bytes);
    std::string extension = lowerExtension(source);
    if (extension != ".json" && extension != ".ics" && extension != ".md" && extension != ".markdown") {
        std::string_view start = text;
        while (!start.empty() && (start.front() == ' ' || start.front() == '\n' || start.front() == '\r' || start.front() == '\t'))
            start.remove_prefix(1);
        extension = start.starts_with("{") ? ".json" : start.starts_with("BEGIN:VCALENDAR") ? ".ics"
                                                                                            : ".md";
    }
    const std::string name = source.filename().string();
    if (extension == ".json") {
        auto notes = decodeNotesFile(text, now);
        if (auto* failure = std::get_if<DecodeError>(&notes))
            return DecodeError { "「" + name + "」不是悬笺导出的 JSON 文件（" + failure->message + "）" };
        return notes;
    }
    if (extension == ".ics") {
        auto notes = decodeICalendar(text, calendar, now);
        if (auto* failure = std::get_if<DecodeError>(&notes))
            return DecodeError { "「" + name + "」：" + failure->message };
        return notes;
    }
    auto note = decodeMarkdownNote(text, source.stem().string(), now);
    if (auto* failure = std::get_if<DecodeError>(&note))
        return DecodeError { "「" + name + "」：" + failure->message };
    return std::vector<StickyNote> { std::move(std::get<StickyNote>(note)) };
}

ImportPlan planImport(std::vector<StickyNote> incoming, const std::vector<StickyNote>& existing)
{
    std::unordered_set<Uuid> seen;
    for (const StickyNote& note : existing)
        seen.insert(note.id);
    ImportPlan plan;
    for (StickyNote& note : incoming) {
        const bool generated = note.surfaceRole == NoteSurfaceRole::todayBoard || note.surfaceRole == NoteSurfaceRole::upcomingBoard;
        if (generated || !seen.insert(note.id).second) {
            ++plan.skipped;
            continue;
        }
        plan.added.push_back(std::move(note));
    }
    return plan;
}

} // namespace brivet
