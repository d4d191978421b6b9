// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Plain-text tables for the report: columns padded to their widest cell so a reader can scan
// down a column, cells counted in characters (UTF-8), not bytes, so "7,8µs" lines up.

#include <string>
#include <string_view>
#include <vector>

namespace zm::app {

enum class Align { Left, Right };

struct TextColumn {
    std::string header;  // empty in every column: the table has no header line
    Align align = Align::Left;
};

class TextTable {
public:
    explicit TextTable(std::vector<TextColumn> columns) : columns_(std::move(columns)) {}

    // Missing cells at the end read as empty; extra cells are ignored.
    void AddRow(std::vector<std::string> cells);

    // One line per row, each starting with indent, columns two spaces apart and no trailing
    // blanks. With headers, a header line and a line of dashes under each column come first.
    std::string Render(std::string_view indent = "") const;

private:
    std::vector<TextColumn> columns_;
    std::vector<std::vector<std::string>> rows_;
};

// Characters in a UTF-8 text (every byte but continuation bytes).
std::size_t DisplayWidth(std::string_view text);

// A window caption without its dot leader and trailing blanks: "CAS# Latency (CL) ......" ->
// "CAS# Latency (CL)", "QPI......." -> "QPI", "(tRD_WR) ." -> "(tRD_WR)". A dot right after a
// letter ends an abbreviation and stays ("Rev.").
std::string_view PlainCaption(std::string_view caption);

}  // namespace zm::app
