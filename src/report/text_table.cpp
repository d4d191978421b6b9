// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/text_table.h"

#include <algorithm>

namespace zm::app {

void TextTable::AddRow(std::vector<std::string> cells) {
    cells.resize(columns_.size());
    rows_.push_back(std::move(cells));
}

std::string TextTable::Render(std::string_view indent) const {
    std::vector<std::size_t> widths(columns_.size(), 0);
    const bool headed = std::any_of(columns_.begin(), columns_.end(),
                                    [](const TextColumn& c) { return !c.header.empty(); });
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        if (headed) widths[c] = DisplayWidth(columns_[c].header);
        for (const auto& row : rows_) widths[c] = std::max(widths[c], DisplayWidth(row[c]));
    }

    std::string out;
    const auto line = [&](const auto& cellAt) {
        std::string text(indent);
        for (std::size_t c = 0; c < columns_.size(); ++c) {
            const std::string cell = cellAt(c);
            const std::string pad(widths[c] - DisplayWidth(cell), ' ');
            if (c > 0) text += "  ";
            text += columns_[c].align == Align::Right ? pad + cell : cell + pad;
        }
        text.erase(text.find_last_not_of(' ') + 1);
        out += text + "\n";
    };
    if (headed) {
        line([&](std::size_t c) { return columns_[c].header; });
        line([&](std::size_t c) { return std::string(widths[c], '-'); });
    }
    for (const auto& row : rows_) line([&](std::size_t c) { return row[c]; });
    return out;
}

std::size_t DisplayWidth(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char ch) {
        return (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
    }));
}

std::string_view PlainCaption(std::string_view caption) {
    std::size_t end = caption.find_last_not_of(' ');
    if (end == std::string_view::npos) return {};
    // A leader is a run of two or more dots, or one dot after a blank.
    if (end >= 1 && caption[end] == '.' && (caption[end - 1] == '.' || caption[end - 1] == ' ')) {
        end = caption.find_last_not_of(". ", end);
        if (end == std::string_view::npos) return {};
    }
    return caption.substr(0, end + 1);
}

}  // namespace zm::app
