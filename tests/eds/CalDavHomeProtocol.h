#pragma once

#include <sstream>
#include <string>
#include <vector>

// The line protocol between CalDavHome and its agent: one command per line,
// fields separated by tabs; a reply is lines starting with "> " and ends
// with ">.". Line breaks and tabs inside a field travel as \n and \t.
namespace brivet::testing::caldavhome {

inline std::string escaped(const std::string& text)
{
    std::string result;
    for (char c : text) {
        if (c == '\n')
            result += "\\n";
        else if (c == '\t')
            result += "\\t";
        else
            result += c;
    }
    return result;
}

inline std::string unescaped(const std::string& text)
{
    std::string result;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '\\' && at + 1 < text.size() && (text[at + 1] == 'n' || text[at + 1] == 't'))
            result += text[++at] == 'n' ? '\n' : '\t';
        else
            result += text[at];
    }
    return result;
}

// The fields of a line, unescaped.
inline std::vector<std::string> fields(const std::string& line)
{
    std::vector<std::string> result;
    std::stringstream stream(line);
    std::string field;
    while (std::getline(stream, field, '\t'))
        result.push_back(unescaped(field));
    return result;
}

} // namespace brivet::testing::caldavhome
