// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ini_text.h"

#include <cstddef>
#include <vector>

namespace zm::settings {
namespace {

// What the profile reader strips around names and values: blanks, tabs, stray carriage returns
// and form feeds, and the old end-of-file character 0x1A that some editors leave behind.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\x1A';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    }
    return true;
}

bool HasLineBreakOrNul(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

enum class LineKind { Blank, Section, Key, Other };

struct Line {
    std::size_t begin = 0;       // first byte of the line
    std::size_t contentEnd = 0;  // end of the content: before "\n" or "\r\n"
    std::size_t end = 0;         // after the line end (or the end of the text)
    LineKind kind = LineKind::Blank;
    std::string_view name;       // section name or key, trimmed
    std::size_t valueBegin = 0;  // Key: first byte after the '='
};

Line ClassifyLine(std::string_view text, std::size_t begin, std::size_t contentEnd,
                  std::size_t end) {
    Line line;
    line.begin = begin;
    line.contentEnd = contentEnd;
    line.end = end;
    const std::string_view content = text.substr(begin, contentEnd - begin);
    const std::string_view trimmed = Trim(content);
    if (trimmed.empty()) return line;

    line.kind = LineKind::Other;
    if (trimmed.front() == '[') {
        const std::size_t close = trimmed.rfind(']');
        if (close != std::string_view::npos && close > 0) {
            line.kind = LineKind::Section;
            line.name = Trim(trimmed.substr(1, close - 1));
        }
        return line;
    }
    if (trimmed.front() == ';' || trimmed.front() == '#') return line;

    const std::size_t equals = content.find('=');
    if (equals == std::string_view::npos) return line;
    const std::string_view key = Trim(content.substr(0, equals));
    if (key.empty()) return line;
    line.kind = LineKind::Key;
    line.name = key;
    line.valueBegin = begin + equals + 1;
    return line;
}

std::vector<Line> SplitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t newline = text.find('\n', begin);
        std::size_t contentEnd, end;
        if (newline == std::string_view::npos) {
            contentEnd = end = text.size();
        } else {
            end = newline + 1;
            contentEnd = (newline > begin && text[newline - 1] == '\r') ? newline - 1 : newline;
        }
        lines.push_back(ClassifyLine(text, begin, contentEnd, end));
        begin = end;
    }
    return lines;
}

// The lines of the first section named `section`: [header, end) as indexes into lines, or
// nullopt when there is no such section.
struct SectionRange {
    std::size_t header;
    std::size_t end;
};

std::optional<SectionRange> FindSection(const std::vector<Line>& lines, std::string_view section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind != LineKind::Section || !SameName(lines[i].name, section)) continue;
        std::size_t end = i + 1;
        while (end < lines.size() && lines[end].kind != LineKind::Section) ++end;
        return SectionRange{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> FindKey(const std::vector<Line>& lines, SectionRange range,
                                   std::string_view key) {
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        if (lines[i].kind == LineKind::Key && SameName(lines[i].name, key)) return i;
    }
    return std::nullopt;
}

std::string_view LineEndOf(std::string_view text, std::string_view fallback) {
    const std::size_t newline = text.find('\n');
    if (newline == std::string_view::npos) return fallback;
    return (newline > 0 && text[newline - 1] == '\r') ? std::string_view("\r\n")
                                                      : std::string_view("\n");
}

}  // namespace

std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key) {
    const std::vector<Line> lines = SplitLines(text);
    const auto range = FindSection(lines, section);
    if (!range) return std::nullopt;
    const auto index = FindKey(lines, *range, key);
    if (!index) return std::nullopt;

    const Line& line = lines[*index];
    std::string_view value = text.substr(line.valueBegin, line.contentEnd - line.valueBegin);
    value = value.substr(0, value.find('\0'));
    value = Trim(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

bool IsStorableSection(std::string_view section) {
    return !section.empty() && !HasLineBreakOrNul(section) &&
           section.find(']') == std::string_view::npos && Trim(section) == section;
}

bool IsStorableKey(std::string_view key) {
    return !key.empty() && !HasLineBreakOrNul(key) && key.find('=') == std::string_view::npos &&
           Trim(key) == key && key.front() != '[' && key.front() != ';' && key.front() != '#';
}

bool IsStorableValue(std::string_view value) {
    return !HasLineBreakOrNul(value);
}

std::optional<std::string> WithIniValue(std::string_view text, std::string_view section,
                                        std::string_view key, std::string_view value,
                                        std::string_view newline) {
    if (!IsStorableSection(section) || !IsStorableKey(key) || !IsStorableValue(value)) {
        return std::nullopt;
    }
    const std::string_view eol = LineEndOf(text, newline);
    const std::vector<Line> lines = SplitLines(text);
    std::string result;
    result.reserve(text.size() + section.size() + key.size() + value.size() + 8);

    const auto range = FindSection(lines, section);
    if (range) {
        if (const auto index = FindKey(lines, *range, key)) {
            // Replace the value in place; the key as it was spelt and the line end stay.
            const Line& line = lines[*index];
            result.append(text.substr(0, line.valueBegin));
            result.append(value);
            result.append(text.substr(line.contentEnd));
            return result;
        }
        // Add the key after the section's last non-blank line, so that blank lines separating
        // it from the next section stay where they are.
        std::size_t last = range->header;
        for (std::size_t i = range->header + 1; i < range->end; ++i) {
            if (lines[i].kind != LineKind::Blank) last = i;
        }
        const std::size_t at = lines[last].end;
        result.append(text.substr(0, at));
        if (at == 0 || text[at - 1] != '\n') result.append(eol);
        result.append(key).append("=").append(value).append(eol);
        result.append(text.substr(at));
        return result;
    }

    result.append(text);
    if (!text.empty() && text.back() != '\n') result.append(eol);
    result.append("[").append(section).append("]").append(eol);
    result.append(key).append("=").append(value).append(eol);
    return result;
}

}  // namespace zm::settings
