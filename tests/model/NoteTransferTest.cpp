#include "model/ICalendarCoding.h"
#include "model/MarkdownCoding.h"
#include "model/NoteCoding.h"
#include "model/NoteTransfer.h"
#include "model/UserCalendar.h"
#include "support/FileFaults.h"
#include "support/ManualClock.h"
#include "support/NoteGenerator.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

using namespace brivet;
using namespace brivet::testing;
namespace fs = std::filesystem;

namespace {

const fs::path transferSourceDir = BRIVET_SOURCE_DIR;

struct NoteTransfer : ::testing::Test {
    TempDir temp;
    UserCalendar calendar { "Asia/Shanghai", "zh_CN" };
    Instant now = instantFromSeconds(1'796'000'000);

    // Notes that use every field the text formats carry, with the text a
    // format has to escape.
    std::vector<StickyNote> varied() const
    {
        std::vector<StickyNote> notes;
        StickyNote a = StickyNote::placeholder(*Uuid::fromString("6F1C2B1E-8E3A-4B7F-9C55-0A1B2C3D4E5F"), now);
        a.title = "季度汇报; 带逗号, 反斜杠 \\ 与一个很长很长很长很长很长很长很长很长很长很长很长的标题";
        a.details = "第一行\n- [ ] 这不是任务\n\n## 任务\n末行";
        a.tasks = { NoteTask { Uuid::random(), "准备数据", true }, NoteTask { Uuid::random(), "写结论", false } };
        a.dueDate = instantFromSeconds(1'796'100'000);
        a.priority = NotePriority::high;
        a.style.theme = NoteTheme::urgent;
        a.source = NoteSource::reminders;
        StickyNote b = StickyNote::placeholder(Uuid::random(), now);
        b.title = "Done";
        b.isCompleted = true;
        b.priority = NotePriority::low;
        b.style.theme = NoteTheme::life;
        StickyNote c = StickyNote::placeholder(Uuid::random(), now);
        c.title = "";
        c.details = "\n前后有空行\n";
        return { a, b, c };
    }
    std::vector<StickyNote> imported(const fs::path& source) const
    {
        auto result = readImport(source, calendar, now);
        if (auto* error = std::get_if<DecodeError>(&result)) {
            ADD_FAILURE() << error->message;
            return {};
        }
        return std::get<std::vector<StickyNote>>(result);
    }
    std::string importError(const fs::path& source) const
    {
        auto result = readImport(source, calendar, now);
        if (auto* error = std::get_if<DecodeError>(&result))
            return error->message;
        ADD_FAILURE() << source << " was accepted";
        return {};
    }
    std::vector<std::string> namesIn(const fs::path& dir) const
    {
        std::vector<std::string> names;
        for (auto& e : fs::directory_iterator(dir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // The golden notes file's first notes: real records with quotes, line
    // breaks, tabs, empty titles and tasks.
    std::vector<StickyNote> goldenNotes() const
    {
        auto decoded = decodeNotesFile(readFile(transferSourceDir / "tests/data/notes.json"), now);
        auto notes = std::get<std::vector<StickyNote>>(decoded);
        notes.resize(4);
        return notes;
    }
};

void expectSameTextFields(const StickyNote& got, const StickyNote& want)
{
    EXPECT_EQ(got.title, want.title);
    EXPECT_EQ(got.details, want.details);
    EXPECT_EQ(got.dueDate, want.dueDate);
    EXPECT_EQ(got.priority, want.priority);
    EXPECT_EQ(got.isCompleted, want.isCompleted);
}

} // namespace

TEST_F(NoteTransfer, JsonExportReadsBackAsTheSameRecordsByteForByte)
{
    std::vector<StickyNote> notes = generateRealisticNotes(60, now, 7);
    ASSERT_TRUE(exportNotes(notes, ExportFormat::json, temp.path() / "out.json", now).ok());
    EXPECT_EQ(readFile(temp.path() / "out.json"), encodeNotesFile(notes));
    EXPECT_EQ(encodeNotesFile(imported(temp.path() / "out.json")), encodeNotesFile(notes));
}

TEST_F(NoteTransfer, MarkdownExportReadsBackEveryExportedField)
{
    std::vector<StickyNote> notes = varied();
    const fs::path folder = temp.path() / "导出";
    ASSERT_TRUE(exportNotes(notes, ExportFormat::markdown, folder, now).ok());
    EXPECT_EQ(namesIn(folder).size(), 3u);
    EXPECT_EQ(namesIn(temp.path()), (std::vector<std::string> { "导出" })) << "no hidden folder left";

    std::vector<StickyNote> back = imported(folder);
    ASSERT_EQ(back.size(), 3u);
    for (const StickyNote& want : notes) {
        auto got = std::find_if(back.begin(), back.end(), [&](const StickyNote& n) { return n.id == want.id; });
        ASSERT_NE(got, back.end()) << want.title;
        expectSameTextFields(*got, want);
        EXPECT_EQ(got->source, want.source);
        EXPECT_EQ(got->style.theme, want.style.theme);
        ASSERT_EQ(got->tasks.size(), want.tasks.size());
        for (std::size_t i = 0; i < want.tasks.size(); ++i) {
            EXPECT_EQ(got->tasks[i].title, want.tasks[i].title);
            EXPECT_EQ(got->tasks[i].isCompleted, want.tasks[i].isCompleted);
        }
    }
    EXPECT_FALSE(exportNotes(notes, ExportFormat::markdown, folder, now).ok()) << "an existing folder is never merged into";
}

TEST_F(NoteTransfer, ICalendarExportReadsBackEveryExportedFieldAndFoldsLines)
{
    std::vector<StickyNote> notes = varied();
    ASSERT_TRUE(exportNotes(notes, ExportFormat::iCalendar, temp.path() / "out.ics", now).ok());
    const std::string text = readFile(temp.path() / "out.ics");
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find("\r\n", at);
        ASSERT_NE(end, std::string::npos) << "every line ends in CRLF";
        EXPECT_LE(end - at, 75u) << text.substr(at, end - at);
        if (end > at) {
            EXPECT_NE(static_cast<unsigned char>(text[at]) & 0xC0, 0x80) << "a fold split a character";
        }
        at = end + 2;
    }
    std::vector<StickyNote> back = imported(temp.path() / "out.ics");
    ASSERT_EQ(back.size(), notes.size());
    for (std::size_t i = 0; i < notes.size(); ++i) {
        EXPECT_EQ(back[i].id, notes[i].id);
        expectSameTextFields(back[i], notes[i]);
        EXPECT_EQ(back[i].source, NoteSource::local);
        EXPECT_FALSE(back[i].externalLink.has_value());
    }
}

TEST_F(NoteTransfer, ICalendarFromOtherProgramsReadsZonesDatesAndStatus)
{
    const std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Other//EN\r\n"
                             "BEGIN:VTODO\r\nUID:not-a-uuid@example.com\r\nSUMMARY:Berlin\r\n"
                             "DUE;TZID=Europe/Berlin:20261210T090000\r\nPRIORITY:3\r\n"
                             "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Alarm text\r\nEND:VALARM\r\n"
                             "COMPLETED:20261201T100000Z\r\nEND:VTODO\r\n"
                             "BEGIN:VTODO\r\nSUMMARY:All day\r\nDUE;VALUE=DATE:20261211\r\nDESCRIPTION:a\\, b\\nc\r\n"
                             "  continued\r\nPRIORITY:7\r\nEND:VTODO\r\nEND:VCALENDAR\r\n";
    auto result = decodeICalendar(text, calendar, now);
    ASSERT_TRUE(std::holds_alternative<std::vector<StickyNote>>(result));
    auto notes = std::get<std::vector<StickyNote>>(result);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].dueDate, instantFromSeconds(1'796'889'600)); // 08:00 UTC
    EXPECT_EQ(notes[0].priority, NotePriority::high);
    EXPECT_TRUE(notes[0].isCompleted);
    EXPECT_EQ(notes[0].details, "") << "the alarm's text is not the to-do's";
    EXPECT_EQ(notes[1].details, "a, b\nc continued");
    EXPECT_EQ(notes[1].dueDate, calendar.instant({ 2026, 12, 11 }));
    EXPECT_EQ(notes[1].priority, NotePriority::low);
}

TEST_F(NoteTransfer, MarkdownAndICalendarMatchTheGoldenFiles)
{
    std::vector<StickyNote> notes = goldenNotes();
    const fs::path golden = transferSourceDir / "tests/data/export";
    std::set<std::string> taken;
    std::vector<std::pair<std::string, std::string>> files;
    for (const StickyNote& note : notes)
        files.emplace_back(markdownFileName(note, taken), encodeMarkdownNote(note));
    files.emplace_back("notes.ics", encodeICalendar(notes, now));
    if (std::getenv("BRIVET_WRITE_GOLDEN"))
        for (const auto& [name, text] : files)
            std::ofstream(golden / name, std::ios::binary) << text;
    for (const auto& [name, text] : files)
        EXPECT_EQ(text, readFile(golden / name)) << name;
}

TEST_F(NoteTransfer, FileNamesAreSafeAndUnique)
{
    std::set<std::string> taken;
    StickyNote note = StickyNote::placeholder(Uuid::random(), now);
    note.title = "a/b:c";
    EXPECT_EQ(markdownFileName(note, taken), "a_b_c.md");
    note.title = "A/B:C";
    EXPECT_EQ(markdownFileName(note, taken), "A_B_C (2).md");
    note.title = " .. ";
    EXPECT_EQ(markdownFileName(note, taken), "无标题.md");
    note.title = "";
    for (int i = 0; i < 40; ++i)
        note.title += "长";
    std::string name = markdownFileName(note, taken);
    EXPECT_LE(name.size(), 83u);
    EXPECT_EQ(name, std::string(note.title.substr(0, 78)) + ".md") << "cut between characters";
}

TEST_F(NoteTransfer, AnImportPlanSkipsNotesAlreadyPresentAndGeneratedBoards)
{
    std::vector<StickyNote> existing = varied();
    std::vector<StickyNote> incoming = { existing[0], StickyNote::placeholder(Uuid::random(), now) };
    incoming.push_back(incoming[1]);
    StickyNote board = StickyNote::placeholder(Uuid::random(), now);
    board.surfaceRole = NoteSurfaceRole::todayBoard;
    incoming.push_back(board);
    ImportPlan plan = planImport(incoming, existing);
    ASSERT_EQ(plan.added.size(), 1u);
    EXPECT_EQ(plan.added[0], incoming[1]);
    EXPECT_EQ(plan.skipped, 3u);
}

TEST_F(NoteTransfer, ImportRefusesWhatIsNotWhatItClaims)
{
    writeFile(temp.path() / "notes.ics", "{\"notes\": []}");
    EXPECT_NE(importError(temp.path() / "notes.ics").find("BEGIN:VCALENDAR"), std::string::npos);
    writeFile(temp.path() / "cut.ics", "BEGIN:VCALENDAR\r\nBEGIN:VTODO\r\nSUMMARY:half");
    EXPECT_NE(importError(temp.path() / "cut.ics").find("截断"), std::string::npos);
    writeFile(temp.path() / "empty.ics", "BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n");
    EXPECT_NE(importError(temp.path() / "empty.ics").find("VTODO"), std::string::npos);
    writeFile(temp.path() / "other.json", "{\"name\": \"package\"}");
    EXPECT_NE(importError(temp.path() / "other.json").find("不是悬笺导出的 JSON"), std::string::npos);
    writeFile(temp.path() / "binary.md", std::string("\x89PNG\r\n\x1a\n\0\0", 10));
    EXPECT_NE(importError(temp.path() / "binary.md").find("UTF-8"), std::string::npos);
    writeFile(temp.path() / "bad.md", "---\npriority: urgent\n---\n# x\n");
    EXPECT_NE(importError(temp.path() / "bad.md").find("urgent"), std::string::npos);
    fs::create_directories(temp.path() / "nothing");
    EXPECT_NE(importError(temp.path() / "nothing").find("没有 Markdown"), std::string::npos);
    EXPECT_NE(importError(temp.path() / "missing.json").find("找不到"), std::string::npos);

    // 500 MB, sparse: refused by its size before a byte is read.
    const fs::path huge = temp.path() / "huge.json";
    int fd = ::open(huge.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t(500) << 20), 0);
    ::close(fd);
    EXPECT_NE(importError(huge).find("超过 64 MB"), std::string::npos);
}

TEST_F(NoteTransfer, AFailedExportLeavesNothingHalfAndSaysWhy)
{
    std::vector<StickyNote> notes = generateRealisticNotes(80, now, 3);
    notes[40].details = std::string(5000, 'x'); // one Markdown file outgrows the limit, after others were written
    writeFile(temp.path() / "old.json", "previous export");
    {
        FileSizeLimit limit(4096);
        Status json = exportNotes(notes, ExportFormat::json, temp.path() / "old.json", now);
        EXPECT_FALSE(json.ok());
        EXPECT_NE(json.message().find("导出失败"), std::string::npos);
        EXPECT_FALSE(exportNotes(notes, ExportFormat::markdown, temp.path() / "md", now).ok());
    }
    EXPECT_EQ(readFile(temp.path() / "old.json"), "previous export");
    EXPECT_EQ(namesIn(temp.path()), (std::vector<std::string> { "old.json" }));

    const fs::path locked = temp.path() / "locked";
    fs::create_directories(locked);
    ::chmod(locked.c_str(), 0500);
    {
        PermissionsBindThisThread bind;
        for (ExportFormat format : { ExportFormat::markdown, ExportFormat::json, ExportFormat::iCalendar }) {
            Status status = exportNotes(notes, format, locked / "out", now);
            EXPECT_FALSE(status.ok());
            if (!status.ok()) {
                EXPECT_NE(status.message().find(locked.string()), std::string::npos) << status.message();
            }
        }
    }
    ::chmod(locked.c_str(), 0700);
    EXPECT_TRUE(namesIn(locked).empty());
}

TEST_F(NoteTransfer, FileUrlsEncodeWhatAUrlCannotHold)
{
    EXPECT_EQ(fileUrl("/home/a b/导出#1"), "file:///home/a%20b/%E5%AF%BC%E5%87%BA%231");
}

// Numbers in an imported file are read without overflowing, whatever
// their length.
TEST(NoteTransferNumbers, DigitRunsTooLongForAnIntAreRefusedNotWrapped)
{
    EXPECT_EQ(parseDecimal("0042"), 42);
    EXPECT_EQ(parseDecimal("2147483647"), 2147483647);
    EXPECT_EQ(parseDecimal("2147483648"), std::nullopt);
    EXPECT_EQ(parseDecimal("99999999999999999999999"), std::nullopt);
    EXPECT_EQ(parseDecimal(""), std::nullopt);
    EXPECT_EQ(parseDecimal("4a"), std::nullopt);

    UserCalendar calendar("Asia/Shanghai", "zh_CN");
    const std::string ics = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VTODO\r\nUID:huge\r\nSUMMARY:大数\r\n"
                            "PRIORITY:99999999999999999999\r\nEND:VTODO\r\nEND:VCALENDAR\r\n";
    auto decoded = decodeICalendar(ics, calendar, instantFromSeconds(1'796'000'000));
    ASSERT_TRUE(std::holds_alternative<std::vector<StickyNote>>(decoded));
    EXPECT_EQ(std::get<std::vector<StickyNote>>(decoded).at(0).priority, NotePriority::normal);
}
