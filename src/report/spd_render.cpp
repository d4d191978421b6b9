// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/spd_render.h"

#include "report/text_table.h"

namespace zm::app {
namespace {

// A value as a cell: without the blanks a panel pads it with (the JSON keeps them).
std::string Cell(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return "";
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

}  // namespace

std::string RenderSpdSlotText(const spd::SpdSlotReport& slot, std::string_view indent,
                              const std::vector<CaptionValue>& leading) {
    TextTable facts({{}, {}, {}});
    for (const auto& [caption, value] : leading) facts.AddRow({caption, Cell(value)});
    for (const auto& [caption, value] : slot.fields) facts.AddRow({caption, Cell(value)});
    if (!slot.checksum.empty())
        facts.AddRow({"Checksum", slot.checksum, slot.checksumMismatch ? "warning" : ""});
    std::string out = facts.Render(indent);
    if (slot.headers.empty()) return out;

    std::vector<TextColumn> columns = {{""}};
    for (const std::string& header : slot.headers) columns.push_back({Cell(header), Align::Right});
    TextTable grid(std::move(columns));
    for (const auto& [row, cells] : slot.rows) {
        std::vector<std::string> line = {row};
        for (const std::string& cell : cells) line.push_back(Cell(cell));
        grid.AddRow(std::move(line));
    }
    out.append("\n").append(grid.Render(indent));
    if (slot.minimumTimes.empty()) return out;
    TextTable times({{"JEDEC minimum"}, {"time", Align::Right}});
    for (const auto& [name, value] : slot.minimumTimes) times.AddRow({name, value});
    return out + "\n" + times.Render(indent);
}

nlohmann::json SpdSlotJson(const spd::SpdSlotReport& slot) {
    nlohmann::json fields = nlohmann::json::object();
    for (const auto& [caption, value] : slot.fields) fields[caption] = value;
    nlohmann::json grid = nlohmann::json::object();
    for (const auto& [row, cells] : slot.rows) grid[row] = cells;
    nlohmann::json module = {
        {"decoded", slot.decoded},   {"fields", fields},
        {"checksum", slot.checksum}, {"checksum_mismatch", slot.checksumMismatch},
        {"columns", slot.headers},   {"timings", grid}};
    if (!slot.minimumTimes.empty()) {
        nlohmann::json times = nlohmann::json::object();
        for (const auto& [name, value] : slot.minimumTimes) times[name] = value;
        module["minimum_times"] = times;
    }
    return module;
}

}  // namespace zm::app
