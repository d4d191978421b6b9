#include "app/report.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/version.h"

namespace zm::app {
namespace {

constexpr std::size_t kCaptionWidth = 18;

const char* const kChannelNames[timings::kMaxChannels] = {"A", "B", "C"};

std::string Hex8(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

void Line(std::ostringstream& out, const std::string& caption, const std::string& value,
          bool enabled = true) {
    std::string padded = caption + " ";
    if (padded.size() < kCaptionWidth) padded.append(kCaptionWidth - padded.size(), '.');
    out << padded << " " << value;
    if (!enabled) out << " (disabled)";
    out << "\n";
}

void Group(std::ostringstream& out, const PanelGroup& group) {
    out << "\n[" << group.title << "]\n";
    for (const PanelRow& row : group.rows) Line(out, row.caption, row.text, row.enabled);
}

std::string CheckText(const CheckState& state) {
    return std::string(state.checked ? "checked" : "unchecked") + (state.enabled ? "" : " (disabled)");
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

void Frequency(std::ostringstream& out, const FrequencyView& f) {
    Group(out, FrequencyGroup(f));
    Line(out, "EIST", CheckText(f.eist));
    Line(out, "C1E", CheckText(f.c1e));
    Line(out, "turbo", CheckText(f.turbo));
    if (f.multiplierListVisible) {
        const bool listed =
            f.multiplierIndex >= 0 && static_cast<std::size_t>(f.multiplierIndex) < f.multiplierItems.size();
        Line(out, "Core multiplier", listed ? f.multiplierItems[f.multiplierIndex] : "");
    }
}

void Timings(std::ostringstream& out, const TimingsView& t) {
    out << "\n[Timings]\n";
    if (!t.filled) {
        Line(out, "Controller", t.kind);
        return;
    }
    Line(out, "Controller", t.kind);
    if (!t.groupCaption.empty()) Line(out, "Caption", t.groupCaption);
    const std::string selected =
        t.channelSelected >= 0 && static_cast<std::size_t>(t.channelSelected) < t.channelItems.size()
            ? t.channelItems[t.channelSelected]
            : "";
    std::string items;
    for (const std::string& item : t.channelItems) items += (items.empty() ? "" : " | ") + Quoted(item);
    Line(out, "Channel(s)", Quoted(selected) + " of " + items, t.channelEnabled);
    for (const TimingControlView& control : t.controls) {
        if (control.items.empty()) continue;
        out << control.label;
        for (int channel : t.channels)
            out << "  " << kChannelNames[channel] << ": "
                << Quoted(control.ItemText(control.channelIndex[channel])) << " ["
                << control.channelIndex[channel] << "]";
        if (!control.enabled) out << " (disabled)";
        out << "\n";
    }
}

// The SPD timing grid: a header line with the five column names, then one line per row.
void SpdGrid(std::ostringstream& out, const SpdSlotView& slot) {
    constexpr int kCellWidth = 9;
    char cell[64];
    const auto line = [&](std::string text, const std::vector<std::string>& cells) {
        for (const std::string& value : cells) {
            std::snprintf(cell, sizeof cell, "%*s", kCellWidth, value.c_str());
            text += cell;
        }
        text.erase(text.find_last_not_of(' ') + 1);
        out << text << "\n";
    };
    line(std::string(kCaptionWidth + 1, ' '), slot.headers);
    for (const auto& [row, cells] : slot.rows) {
        std::string caption = "  " + row + " ";
        caption.append(kCaptionWidth + 1 - caption.size(), '.');
        line(caption, cells);
    }
}

nlohmann::json GroupJson(const PanelGroup& group) {
    nlohmann::json object = nlohmann::json::object();
    for (const PanelRow& row : group.rows) object[row.key] = row.text;
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
        for (int i = 0; i < timings::kTimingControlCount; ++i) {
            const TimingControlView& control = t.controls[i];
            if (control.items.empty()) continue;
            const std::int32_t index = control.channelIndex[channel];
            list.push_back({{"control", timings::ControlName(timings::ControlAt(i))},
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

nlohmann::json SpdJson(const std::vector<SpdSlotView>& slots) {
    nlohmann::json list = nlohmann::json::array();
    for (const SpdSlotView& slot : slots) {
        nlohmann::json fields = nlohmann::json::object();
        for (const auto& [caption, value] : slot.fields) fields[caption] = value;
        nlohmann::json grid = nlohmann::json::object();
        for (const auto& [row, cells] : slot.rows) grid[row] = cells;
        list.push_back(
            {{"slot", slot.slot}, {"fields", fields}, {"columns", slot.headers}, {"timings", grid}});
    }
    return list;
}

std::string ControllerName(const PlatformFacts& facts) {
    if (!facts.controller) return "";
    switch (*facts.controller) {
        case timings::ControllerKind::Uncore: return "Uncore";
        case timings::ControllerKind::HostBridge: return "HostBridge";
        case timings::ControllerKind::K10: return "K10";
    }
    return "";
}

}  // namespace

std::string RenderReportText(const StartupResult& result, const std::string& machine) {
    if (result.terminationRequested) return "";
    std::ostringstream out;
    out << kProgramTitle << "\n";
    Line(out, "Machine", machine);
    const std::vector<PanelGroup> groups = SummaryGroups(result.view);
    for (const PanelGroup& group : groups) Group(out, group);
    Frequency(out, result.view.frequency);
    Timings(out, result.view.timings);
    if (!result.view.spd.empty()) {
        out << "\n[SPD]\n";
        for (const SpdSlotView& slot : result.view.spd) {
            out << "Slot " << slot.slot << " (SMBus 0x" << std::hex << (0x50 + slot.slot)
                << std::dec << ")\n";
            for (const auto& [caption, value] : slot.fields) Line(out, "  " + caption, value);
            SpdGrid(out, slot);
        }
    }
    return out.str();
}

std::string RenderReportJson(const StartupResult& result, const std::string& machine) {
    const PlatformFacts& facts = result.facts;
    nlohmann::json report;
    report["machine"] = machine;
    report["platform"] = {
        {"uncore_device_id", Hex8(facts.uncoreDeviceId)},
        {"bus_offset", Hex8(facts.busOffset)},
        {"north_bridge_dram_id", Hex8(facts.northBridgeDramId)},
        {"host_bridge_id", Hex8(facts.hostBridgeId)},
        {"controller", ControllerName(facts)},
    };
    for (const PanelGroup& group : SummaryGroups(result.view)) report[group.key] = GroupJson(group);
    report["frequency"] = FrequencyJson(result.view.frequency);
    report["timings"] = TimingsJson(result.view.timings);
    report["spd"] = SpdJson(result.view.spd);
    report["buttons"] = {{"apply_enabled", result.view.buttons.applyEnabled},
                         {"cpu_enabled", result.view.buttons.advancedEnabled},
                         {"spd_visible", result.view.buttons.spdVisible}};
    nlohmann::json messages = nlohmann::json::array();
    for (const Message& message : result.messages)
        messages.push_back({{"caption", message.caption}, {"text", message.text}});
    report["messages"] = messages;
    report["terminated"] = result.terminationRequested;
    return report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::string RenderMessages(const Messages& messages) {
    std::string out;
    for (const Message& message : messages) {
        // A terminal wants plain line feeds between the text's lines.
        std::string text = message.text;
        for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
            text.erase(at, 1);
        out += message.caption + " " + text + "\n";
    }
    return out;
}

int ReportExitCode(const StartupResult& result) { return result.terminationRequested ? 1 : 0; }

}  // namespace zm::app
