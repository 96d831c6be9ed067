#include "dashboard/DashboardSearch.h"

#include <algorithm>

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace brivet {

namespace {

bool isSpace(UChar32 c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == 0x3000 || u_isUWhiteSpace(c);
}

bool containsAll(std::string_view text, const std::vector<std::string>& words)
{
    for (const std::string& word : words)
        if (text.find(word) == std::string_view::npos)
            return false;
    return true;
}

} // namespace

std::string DashboardSearch::folded(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = int32_t(text.size());
    int32_t i = 0;
    while (i < length) {
        uint8_t byte = bytes[i];
        if (byte < 0x80) {
            // Most text the user types into a note search is ASCII or CJK.
            result.push_back(char(byte >= 'A' && byte <= 'Z' ? byte + ('a' - 'A') : byte));
            ++i;
            continue;
        }
        int32_t start = i;
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) {
            result.append(text.substr(std::size_t(start), std::size_t(i - start)));
            continue;
        }
        c = u_foldCase(c, U_FOLD_CASE_DEFAULT);
        // A folded code point is valid and needs at most four bytes.
        uint8_t out[U8_MAX_LENGTH];
        int32_t written = 0;
        U8_APPEND_UNSAFE(out, written, c);
        result.append(reinterpret_cast<const char*>(out), std::size_t(written));
    }
    return result;
}

std::vector<std::string> DashboardSearch::words(std::string_view query)
{
    std::vector<std::string> result;
    const auto* bytes = reinterpret_cast<const uint8_t*>(query.data());
    const auto length = int32_t(query.size());
    int32_t i = 0;
    int32_t wordStart = -1;
    auto finish = [&](int32_t end) {
        if (wordStart >= 0 && end > wordStart) {
            std::string word = folded(query.substr(std::size_t(wordStart), std::size_t(end - wordStart)));
            if (std::find(result.begin(), result.end(), word) == result.end())
                result.push_back(std::move(word));
        }
        wordStart = -1;
    };
    while (i < length) {
        int32_t start = i;
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        if (c >= 0 && isSpace(c))
            finish(start);
        else if (wordStart < 0)
            wordStart = start;
    }
    finish(length);
    return result;
}

std::string DashboardSearch::searchableText(const StickyNote& note)
{
    // Fields are joined by line breaks, which no word contains, so a word
    // never matches across two fields.
    std::string text = note.title;
    text.push_back('\n');
    text += note.details;
    for (const NoteTask& task : note.tasks) {
        text.push_back('\n');
        text += task.title;
    }
    return folded(text);
}

bool DashboardSearch::matches(const StickyNote& note, const std::vector<std::string>& words)
{
    return words.empty() || containsAll(searchableText(note), words);
}

NotePositions DashboardSearch::filter(const std::vector<StickyNote>& notes, const NotePositions& list,
    const std::vector<std::string>& words)
{
    if (words.empty())
        return list;
    if (m_texts.size() != notes.size())
        m_texts.assign(notes.size(), std::nullopt);
    NotePositions result;
    for (std::uint32_t position : list) {
        if (position >= notes.size())
            continue;
        std::optional<std::string>& text = m_texts[position];
        if (!text)
            text = searchableText(notes[position]);
        if (containsAll(*text, words))
            result.push_back(position);
    }
    return result;
}

} // namespace brivet
