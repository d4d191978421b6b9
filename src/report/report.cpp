// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/report.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <ostream>
#include <sstream>
#include <string_view>

#include "report/spd_render.h"
#include "report/text_table.h"
#include "settings/write_notice.h"
#include "spd/spd_memory_type.h"
#include "startup/version.h"
#include "timings/model/timing_descriptors.h"

namespace zm::app {
namespace {

const char* const kChannelNames[timings::kMaxChannels] = {"A", "B", "C"};

// The legend column's mark for a control that is shown but cannot be changed.
constexpr const char* kDisabled = "disabled";

std::string Hex8(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

// A value as a cell: without the blanks a panel or a drop-down pads it with. The JSON keeps the
// texts exactly.
std::string Cell(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return "";
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// A caption or a drop-down item as a cell: the channel items are spaced out to line up in the
// list (" A  B  C"), a few captions with their neighbours ("Time  DIMM 0"); one blank between
// words reads the same.
std::string Words(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c != ' ') {
            out.push_back(c);
        } else if (!out.empty() && out.back() != ' ') {
            out.push_back(' ');
        }
    }
    return Cell(out);
}

// Caption | value | legend: the layout of every section without channels.
class CaptionTable {
public:
    void Row(std::string_view caption, std::string_view value, bool enabled = true) {
        table_.AddRow({Words(PlainCaption(caption)), Cell(value), enabled ? "" : kDisabled});
    }
    std::string Render(std::string_view indent = "") const { return table_.Render(indent); }

private:
    TextTable table_{{{}, {}, {}}};
};

void Section(std::ostringstream& out, std::string_view title, const CaptionTable& table) {
    out << "\n[" << title << "]\n" << table.Render();
}

void Group(std::ostringstream& out, const FactGroup& group) {
    CaptionTable table;
    for (const FactRow& row : group.rows) table.Row(row.caption, row.text, row.enabled);
    Section(out, group.title, table);
}

void Check(CaptionTable& table, std::string_view caption, const CheckState& state) {
    table.Row(caption, state.checked ? "checked" : "unchecked", state.enabled);
}

void Frequency(std::ostringstream& out, const FrequencyView& f) {
    const FactGroup group = FrequencyGroup(f);
    CaptionTable table;
    for (const FactRow& row : group.rows) table.Row(row.caption, row.text, row.enabled);
    Check(table, "EIST", f.eist);
    Check(table, "C1E", f.c1e);
    Check(table, "turbo", f.turbo);
    if (f.multiplierListVisible) {
        const bool listed = f.multiplierIndex >= 0 &&
                            static_cast<std::size_t>(f.multiplierIndex) < f.multiplierItems.size();
        table.Row("Core multiplier", listed ? f.multiplierItems[f.multiplierIndex] : "");
    }
    Section(out, group.title, table);
}

// The controller and the channel selector, then one row per drop-down with one value column per
// channel that holds memory.
void Timings(std::ostringstream& out, const TimingsView& t) {
    CaptionTable head;
    head.Row("Controller", t.kind);
    if (!t.filled) {
        Section(out, "Timings", head);
        return;
    }
    if (!t.groupCaption.empty()) head.Row("Caption", t.groupCaption);
    const std::string selected =
        t.channelSelected >= 0 &&
                static_cast<std::size_t>(t.channelSelected) < t.channelItems.size()
            ? t.channelItems[t.channelSelected]
            : "";
    std::string items;
    for (const std::string& item : t.channelItems)
        items += (items.empty() ? "" : " | ") + Words(item);
    head.Row("Channel(s)", Words(selected) + "  (choices: " + items + ")", t.channelEnabled);
    Section(out, "Timings", head);

    bool anyDisabled = false;
    for (const TimingControlView& control : t.controls)
        anyDisabled = anyDisabled || (!control.items.empty() && !control.enabled);
    std::vector<TextColumn> columns = {{"Name"}, {"Caption"}};
    for (int channel : t.channels) columns.push_back({kChannelNames[channel], Align::Right});
    if (anyDisabled) columns.push_back({"Note"});
    TextTable table(std::move(columns));
    for (const TimingControlView& control : t.controls) {
        if (control.items.empty()) continue;
        std::vector<std::string> row = {control.name, Words(PlainCaption(control.label))};
        for (int channel : t.channels)
            row.push_back(Cell(control.ItemText(control.channelIndex[channel])));
        if (!control.enabled) row.push_back(kDisabled);
        table.AddRow(std::move(row));
    }
    out << "\n" << table.Render();
}

// One slot: its facts, then the SPD timing grid with the five column names as headers; a slot
// without a decoded module has its Type row only.
void SpdSlot(std::ostringstream& out, const SpdSlotView& slot) {
    out << "\nSlot " << slot.slot << " (SMBus 0x" << std::hex << (0x50 + slot.slot) << std::dec
        << ")\n"
        << RenderSpdSlotText(slot, "  ");
}

nlohmann::json GroupJson(const FactGroup& group) {
    nlohmann::json object = nlohmann::json::object();
    for (const FactRow& row : group.rows) object[row.key] = row.text;
    return object;
}

nlohmann::json CheckJson(const CheckState& state) {
    return {{"checked", state.checked}, {"enabled", state.enabled}};
}

nlohmann::json FrequencyJson(const FrequencyView& f) {
    nlohmann::json object = GroupJson(FrequencyGroup(f));
    object["link_caption"] = f.linkCaption;
    object["eist"] = CheckJson(f.eist);
    object["c1e"] = CheckJson(f.c1e);
    object["turbo"] = CheckJson(f.turbo);
    object["multiplier_list"] = {{"visible", f.multiplierListVisible},
                                 {"items", f.multiplierItems},
                                 {"index", f.multiplierIndex}};
    return object;
}

nlohmann::json TimingsJson(const TimingsView& t) {
    nlohmann::json channels = nlohmann::json::array();
    for (int channel : t.channels) {
        nlohmann::json list = nlohmann::json::array();
        for (const TimingControlView& control : t.controls) {
            if (control.items.empty()) continue;
            const std::int32_t index = control.channelIndex[channel];
            list.push_back({{"name", control.name},
                            {"control", control.control},
                            {"label", control.label},
                            {"text", control.ItemText(index)},
                            {"index", index},
                            {"enabled", control.enabled}});
        }
        channels.push_back({{"channel", kChannelNames[channel]}, {"timings", list}});
    }
    return {{"kind", t.kind},
            {"caption", t.groupCaption},
            {"channel_mode_items", t.channelItems},
            {"channel_selected", t.channelSelected},
            {"channel_selector_enabled", t.channelEnabled},
            {"channels", channels}};
}

nlohmann::json SpdJson(const std::optional<spd::SpdSlotsReport>& spd) {
    nlohmann::json list = nlohmann::json::array();
    if (!spd) return list;
    for (const SpdSlotView& slot : spd->modules) {
        nlohmann::json entry = SpdSlotJson(slot);
        entry["slot"] = slot.slot;
        list.push_back(entry);
    }
    return list;
}

std::string ControllerName(const PlatformFacts& facts) {
    if (!facts.controller) return "";
    switch (*facts.controller) {
        case timings::ControllerKind::Uncore:
            return "Uncore";
        case timings::ControllerKind::HostBridge:
            return "HostBridge";
        case timings::ControllerKind::K10:
            return "K10";
    }
    return "";
}

}  // namespace

std::string RenderReportText(const StartupResult& result, const std::string& machine) {
    if (result.terminationRequested) return "";
    std::ostringstream out;
    out << kProgramTitle << "\n";
    CaptionTable title;
    title.Row("Machine", machine);
    out << title.Render();
    const std::vector<FactGroup> groups = SummaryGroups(result.view);
    for (const FactGroup& group : groups) Group(out, group);
    Frequency(out, result.view.frequency);
    Timings(out, result.view.timings);
    if (result.view.spd) {
        out << "\n[SPD]\n";
        if (!result.view.spd->controllerFound) out << spd::kNoControllerText << "\n";
        for (const SpdSlotView& slot : result.view.spd->modules) SpdSlot(out, slot);
    }
    return out.str();
}

std::string RenderTimingsText(const StartupResult& result) {
    std::ostringstream out;
    Timings(out, result.view.timings);
    return out.str();
}

std::string RenderReportJson(const StartupResult& result, const std::string& machine) {
    const PlatformFacts& facts = result.facts;
    nlohmann::json report;
    report["version"] = kReportFormatVersion;
    report["machine"] = machine;
    report["platform"] = {
        {"uncore_device_id", Hex8(facts.uncoreDeviceId)},
        {"bus_offset", Hex8(facts.busOffset)},
        {"north_bridge_dram_id", Hex8(facts.northBridgeDramId)},
        {"host_bridge_id", Hex8(facts.hostBridgeId)},
        {"controller", ControllerName(facts)},
    };
    for (const FactGroup& group : SummaryGroups(result.view)) report[group.key] = GroupJson(group);
    report["frequency"] = FrequencyJson(result.view.frequency);
    report["timings"] = TimingsJson(result.view.timings);
    report["spd"] = SpdJson(result.view.spd);
    report["spd_note"] =
        result.view.spd && !result.view.spd->controllerFound ? spd::kNoControllerText : "";
    // A refused machine never gets a usable window: nothing on it can be applied.
    const bool usable = !result.terminationRequested;
    report["buttons"] = {{"apply_enabled", usable && result.view.buttons.applyEnabled},
                         {"cpu_enabled", usable && result.view.buttons.advancedEnabled},
                         {"spd_visible", result.view.buttons.spdVisible}};
    nlohmann::json messages = nlohmann::json::array();
    for (const Message& message : result.messages)
        messages.push_back({{"caption", message.caption}, {"text", message.text}});
    report["messages"] = messages;
    // The timings a write at start did not bring into the controller (empty when nothing was
    // written, or everything took).
    nlohmann::json mismatches = nlohmann::json::array();
    if (result.timings) {
        for (const timings::ReadBackMismatch& m : result.timings->readBack)
            mismatches.push_back(
                {{"channel", kChannelNames[m.channel]},
                 {"name", m.name},
                 {"control", timings::ControlName(result.timings->model.kind, m.id)},
                 {"written", m.written},
                 {"listed", m.listed},
                 {"held", m.held},
                 {"channel_rebuilt", m.channelRebuilt},
                 {"text", timings::MismatchLine(m, false)}});
    }
    report["readback_mismatches"] = mismatches;
    report["terminated"] = result.terminationRequested;
    return report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::string RenderMessages(const Messages& messages) {
    std::string out;
    for (const Message& message : messages) {
        // A terminal wants plain line feeds between the text's lines.
        std::string text = message.text;
        for (std::size_t at = text.find("\r\n"); at != std::string::npos;
             at = text.find("\r\n", at))
            text.erase(at, 1);
        out += message.caption + " " + text + "\n";
    }
    return out;
}

int ReportExitCode(const StartupResult& result) {
    return result.terminationRequested ? 1 : 0;
}

WriteProblemsSaid::WriteProblemsSaid(std::ostream& err) {
    settings::SetWriteProblemHandler([&err](const settings::WriteProblem& problem) {
        err << "zentrimo: warning: " << settings::DescribeWriteProblem(problem) << "\n";
    });
}

WriteProblemsSaid::~WriteProblemsSaid() {
    settings::SetWriteProblemHandler(nullptr);
}

}  // namespace zm::app
